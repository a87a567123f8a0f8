#include "settings/Commands.h"
#include "settings/MessengerKeys.h"

namespace corvelle::settings {

namespace {

// The progress sequence both commands share once the registry has been changed. The buttons are
// swapped only when the change took effect, so a failed command can be retried from the same
// button. Stops at once when the window is closed during a pause.
void ShowSwitchResult(ControlSet& controls, const messenger::SwitchLines& lines, bool succeeded,
                      bool nowOn) {
    controls.ClearList1();
    for (const char* line : lines.progress) {
        controls.AddList1Line(line);
        if (!controls.Pause(messenger::kProgressPause)) {
            return;
        }
    }
    controls.ClearList1();
    if (!succeeded) {
        controls.AddList1Line(lines.failed);
        return;
    }
    controls.AddList1Line(lines.done);
    controls.SetRaveButtons1Enabled(!nowOn);
    controls.SetRaveButtons2Enabled(nowOn);
}

}  // namespace

void EnableMultiInstance(const registry::RegistryMod& registry, ControlSet& controls) {
    using namespace messenger;
    const bool stored = registry.WriteValue(kRoot, kSwitchKey, kSwitchValue,
                                            static_cast<std::int32_t>(registry::type::kDword),
                                            kSwitchOnData);
    ShowSwitchResult(controls, kEnableLines, stored, true);
}

void DisableMultiInstance(const registry::RegistryMod& registry, ControlSet& controls) {
    using namespace messenger;
    // A value that was never there counts as removed.
    const bool gone = registry.DeleteValue(kRoot, kSwitchKeyForDelete, kSwitchValue);
    ShowSwitchResult(controls, kDisableLines, gone, false);
}

}  // namespace corvelle::settings
