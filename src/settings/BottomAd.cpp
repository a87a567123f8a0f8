#include "settings/Commands.h"
#include "settings/MessengerKeys.h"

namespace corvelle::settings {

void BottomAdCheckChanged(const registry::RegistryMod& registry, ControlSet& controls) {
    using namespace messenger;
    bool succeeded = true;
    if (controls.Check1() == kUnchecked) {
        // Only the copy under the YUrl key is removed; the other three stay.
        succeeded = registry.DeleteValue(kRoot, kBottomAdKeys.front(), kBottomAdValue);
    } else {
        // Checked or greyed. Every key is attempted even after a failure.
        for (const char* key : kBottomAdKeys) {
            succeeded = registry.WriteValue(kRoot, key, kBottomAdValue,
                                            static_cast<std::int32_t>(registry::type::kSz),
                                            kBottomAdSuppressedText) &&
                        succeeded;
        }
    }
    if (!succeeded) {
        controls.AddList1Line(kBottomAdFailedLine);
    }
}

void ChangeCheck1(const registry::RegistryMod& registry, ControlSet& controls, int state) {
    // The platform reports no programmatic change of a check box, so the command runs here, as a
    // click would run it, when and only when the box's state actually changed.
    const int before = controls.Check1();
    controls.SetCheck1(state);
    if (controls.Check1() != before) {
        BottomAdCheckChanged(registry, controls);
    }
}

}  // namespace corvelle::settings
