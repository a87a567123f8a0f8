#include "settings/PatchState.h"

#include "settings/MessengerKeys.h"

namespace corvelle::settings {

bool ReadSwitchState(const registry::RegistryMod& registry, ControlSet& controls) {
    using namespace messenger;
    controls.SetText1(registry.ReadValue(kRoot, kSwitchKey, kSwitchValue));
    return controls.Text1() == kSwitchOnText;
}

bool ReadBottomAdState(const registry::RegistryMod& registry, ControlSet& controls) {
    using namespace messenger;
    controls.SetText2(registry.ReadValue(kRoot, kAdKey, kBottomAdValue));
    return controls.Text2() == kBottomAdSuppressedText;
}

PatchState ReadPatchState(const registry::RegistryMod& registry, ControlSet& controls) {
    using namespace messenger;
    PatchState state;
    state.switchOn = ReadSwitchState(registry, controls);
    for (const AdValue& ad : kAdValues) {
        if (registry.ReadValue(kRoot, kAdKey, ad.name) == ad.suppressedText) {
            ++state.adsSuppressed;
        }
    }
    state.bottomAdSuppressed = ReadBottomAdState(registry, controls);
    return state;
}

}  // namespace corvelle::settings
