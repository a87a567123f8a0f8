#include "settings/Commands.h"
#include "settings/MessengerKeys.h"

namespace corvelle::settings {

void LoadStartupState(const registry::RegistryMod& registry, ControlSet& controls) {
    using namespace messenger;

    // The decisions are taken on the texts as the boxes hold them, so the window shows exactly
    // what the state was judged by.
    controls.SetText1(registry.ReadValue(kRoot, kSwitchKey, kSwitchValue));
    const bool patched = controls.Text1() == kSwitchOnText;
    controls.SetRaveButtons1Enabled(!patched);
    controls.SetRaveButtons2Enabled(patched);
    controls.AddList1Line(patched ? kAlreadyPatchedLine : kNotPatchedLine);

    controls.SetText2(registry.ReadValue(kRoot, kAdKey, kBottomAdValue));
    const bool suppressed = controls.Text2() == kBottomAdSuppressedText;
    ChangeCheck1(registry, controls, suppressed ? kChecked : kUnchecked);

    controls.StayOnTop();
}

}  // namespace corvelle::settings
