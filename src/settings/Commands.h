#pragma once
// The messenger commands: start-up state detection, the multi-instance switch and the ad
// suppression. Each acts on the registry through RegistryMod and on the window through the
// control set, and never calls the platform directly.

#include "registry/RegistryMod.h"
#include "settings/ControlSet.h"

namespace corvelle::settings {

// Reads the multi-instance switch and the bottom-ad value into Text1/Text2, sets the two
// multi-instance buttons and one status line to match, sets Check1 (running the check box command
// when that changes it) and keeps the window on top. Runs once, before the window is shown.
void LoadStartupState(const registry::RegistryMod& registry, ControlSet& controls);

// RaveButtons1: turns multi-instance mode on, then plays the progress lines with a pause after
// each, shows the result and swaps the buttons (unless the write failed).
void EnableMultiInstance(const registry::RegistryMod& registry, ControlSet& controls);
// RaveButtons2: turns multi-instance mode off, likewise.
void DisableMultiInstance(const registry::RegistryMod& registry, ControlSet& controls);

// RaveButtons3: overwrites the six advertisement values and reports in three lines.
void RemoveAds(const registry::RegistryMod& registry, ControlSet& controls);
// RaveButtons4: deletes the six advertisement values and reports in three lines.
void ReinstateAds(const registry::RegistryMod& registry, ControlSet& controls);

// Check1's click: writes "Messenger Ad" = "*" under its four keys when the box is checked or
// greyed, deletes the one under the YUrl key when unchecked. Adds a line only on failure.
void BottomAdCheckChanged(const registry::RegistryMod& registry, ControlSet& controls);

// Sets Check1 to the state given and, when that changes the box, runs BottomAdCheckChanged as a
// click would.
void ChangeCheck1(const registry::RegistryMod& registry, ControlSet& controls, int state);

}  // namespace corvelle::settings
