#include "settings/Commands.h"
#include "settings/MessengerKeys.h"
#include "settings/PatchState.h"

namespace corvelle::settings {

void LoadStartupState(const registry::RegistryMod& registry, ControlSet& controls) {
    using namespace messenger;

    // The decisions are taken on the texts as the boxes hold them, so the window shows exactly
    // what the state was judged by.
    controls.SetText1(registry.ReadValue(kRoot, kSwitchKey, kSwitchValue));
    const bool patched = SwitchIsOn(controls.Text1());
    controls.SetRaveButtons1Enabled(!patched);
    controls.SetRaveButtons2Enabled(patched);
    controls.AddList1Line(patched ? kAlreadyPatchedLine : kNotPatchedLine);

    controls.SetText2(registry.ReadValue(kRoot, kAdKey, kBottomAdValue));
    const bool suppressed = BottomAdIsSuppressed(controls.Text2());
    ChangeCheck1(registry, controls, suppressed ? kChecked : kUnchecked);

    controls.StayOnTop();
}

}  // namespace corvelle::settings
