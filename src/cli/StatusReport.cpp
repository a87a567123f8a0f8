#include "cli/StatusReport.h"

#include "settings/MessengerKeys.h"

namespace corvelle::cli {

namespace {

const std::string kAdValueCount = std::to_string(settings::messenger::kAdValues.size());

}  // namespace

std::vector<std::string> StatusLines(const settings::PatchState& state) {
    return {
        std::string("Multi-instance: ") + (state.switchOn ? "on" : "off"),
        "Ads removed: " + std::to_string(state.adsSuppressed) + " of " + kAdValueCount,
        BottomAdLine(state.bottomAdSuppressed),
    };
}

std::string StatusJson(const settings::PatchState& state) {
    return std::string("{\"multiInstance\":") + (state.switchOn ? "true" : "false") +
           ",\"adsRemoved\":" + std::to_string(state.adsSuppressed) +
           ",\"adValues\":" + kAdValueCount +
           ",\"bottomAdRemoved\":" + (state.bottomAdSuppressed ? "true" : "false") + "}";
}

std::string BottomAdLine(bool suppressed) {
    return std::string("Bottom ad removed: ") + (suppressed ? "yes" : "no");
}

}  // namespace corvelle::cli
