#include "settings/Commands.h"
#include "settings/MessengerKeys.h"
#include "settings/PatchState.h"

namespace corvelle::settings {

void LoadStartupState(const registry::RegistryMod& registry, ControlSet& controls) {
    using namespace messenger;

    // The decisions are taken on the texts as the boxes hold them, so the window shows exactly
    // what the state was judged by.
    const bool patched = ReadSwitchState(registry, controls);
    controls.SetRaveButtons1Enabled(!patched);
    controls.SetRaveButtons2Enabled(patched);
    controls.AddList1Line(patched ? kAlreadyPatchedLine : kNotPatchedLine);

    const bool suppressed = ReadBottomAdState(registry, controls);
    ChangeCheck1(registry, controls, suppressed ? kChecked : kUnchecked);

    controls.StayOnTop();
}

}  // namespace corvelle::settings
