#include "settings/Commands.h"
#include "settings/MessengerKeys.h"

namespace corvelle::settings {

namespace {

// The lines follow the registry work and tell whether every value took the change.
void ShowAdResult(ControlSet& controls, const messenger::AdLines& lines, bool succeeded) {
    for (const char* line : lines.progress) {
        controls.AddList1Line(line);
    }
    controls.AddList1Line(succeeded ? lines.done : lines.failed);
}

}  // namespace

void RemoveAds(const registry::RegistryMod& registry, ControlSet& controls) {
    using namespace messenger;
    // Every value is attempted even after a failure, so as much as possible is suppressed.
    bool allStored = true;
    for (const AdValue& ad : kAdValues) {
        allStored = registry.WriteValue(kRoot, kAdKey, ad.name,
                                        static_cast<std::int32_t>(registry::type::kSz),
                                        ad.suppressedText) &&
                    allStored;
    }
    ShowAdResult(controls, kRemoveAdsLines, allStored);
}

void ReinstateAds(const registry::RegistryMod& registry, ControlSet& controls) {
    using namespace messenger;
    bool allGone = true;
    for (const AdValue& ad : kAdValues) {
        allGone = registry.DeleteValue(kRoot, kAdKey, ad.name) && allGone;
    }
    ShowAdResult(controls, kReinstateAdsLines, allGone);
}

}  // namespace corvelle::settings
