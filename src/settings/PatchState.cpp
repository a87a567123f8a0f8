#include "settings/PatchState.h"

#include "settings/MessengerKeys.h"

namespace corvelle::settings {

bool SwitchIsOn(const std::string& switchText) {
    return switchText == messenger::kSwitchOnText;
}

bool BottomAdIsSuppressed(const std::string& bottomAdText) {
    return bottomAdText == messenger::kBottomAdSuppressedText;
}

PatchState ReadPatchState(const registry::RegistryMod& registry) {
    using namespace messenger;
    PatchState state;
    state.switchOn = SwitchIsOn(registry.ReadValue(kRoot, kSwitchKey, kSwitchValue));
    for (const AdValue& ad : kAdValues) {
        if (registry.ReadValue(kRoot, kAdKey, ad.name) == ad.suppressedText) {
            ++state.adsSuppressed;
        }
    }
    state.bottomAdSuppressed =
        BottomAdIsSuppressed(registry.ReadValue(kRoot, kAdKey, kBottomAdValue));
    return state;
}

}  // namespace corvelle::settings
