#pragma once
// How the state of each patch is judged from the texts ReadValue returns. The window decides on
// them at start-up (on the texts as its boxes hold them); the command line reports the same
// decisions. Reading the state changes nothing in the registry.

#include <string>

#include "registry/RegistryMod.h"

namespace corvelle::settings {

// The multi-instance switch is on when "Plural" reads exactly "001" (a REG_DWORD of 1).
bool SwitchIsOn(const std::string& switchText);
// The bottom advertisement is suppressed when "Messenger Ad" under the YUrl key reads exactly "*".
bool BottomAdIsSuppressed(const std::string& bottomAdText);

struct PatchState {
    bool switchOn = false;
    // How many of the six advertisement values hold the text Remove Ads writes.
    int adsSuppressed = 0;
    bool bottomAdSuppressed = false;
};

// Reads the three decisions from the registry, through ReadValue alone.
PatchState ReadPatchState(const registry::RegistryMod& registry);

}  // namespace corvelle::settings
