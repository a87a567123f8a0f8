#include "settings/PatchState.h"

#include <string>
#include <utility>

#include "settings/MessengerKeys.h"

namespace corvelle::settings {

namespace {

bool SwitchOn(ControlSet& controls, const std::string& text) {
    controls.SetText1(text);
    return controls.Text1() == messenger::kSwitchOnText;
}

bool BottomAdSuppressed(ControlSet& controls, const std::string& text) {
    controls.SetText2(text);
    return controls.Text2() == messenger::kBottomAdSuppressedText;
}

// The value's text as ReadValue gives it; a value that exists but cannot be read is noted in the
// state and clears known.
std::string ReadNoted(const registry::RegistryMod& registry, const char* key, const char* name,
                      PatchState& state, bool& known) {
    registry::ValueRead read = registry.ReadValueStatus(messenger::kRoot, key, name);
    if (read.status != registry::status::kSuccess &&
        read.status != registry::status::kFileNotFound) {
        state.unread.push_back({key, name, read.status});
        known = false;
    }
    return std::move(read.text);
}

}  // namespace

bool ReadSwitchState(const registry::RegistryMod& registry, ControlSet& controls) {
    using namespace messenger;
    return SwitchOn(controls, registry.ReadValue(kRoot, kSwitchKey, kSwitchValue));
}

bool ReadBottomAdState(const registry::RegistryMod& registry, ControlSet& controls) {
    using namespace messenger;
    return BottomAdSuppressed(controls, registry.ReadValue(kRoot, kAdKey, kBottomAdValue));
}

PatchState ReadPatchState(const registry::RegistryMod& registry, ControlSet& controls) {
    using namespace messenger;
    PatchState state;
    state.switchOn = SwitchOn(
        controls, ReadNoted(registry, kSwitchKey, kSwitchValue, state, state.switchKnown));
    for (const AdValue& ad : kAdValues) {
        if (ReadNoted(registry, kAdKey, ad.name, state, state.adsKnown) == ad.suppressedText) {
            ++state.adsSuppressed;
        }
    }
    state.bottomAdSuppressed = BottomAdSuppressed(
        controls, ReadNoted(registry, kAdKey, kBottomAdValue, state, state.bottomAdKnown));
    return state;
}

}  // namespace corvelle::settings
