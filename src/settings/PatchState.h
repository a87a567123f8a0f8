#pragma once
// How the state of each patch is judged. The switch and the bottom ad are decided as the window
// decides them at start-up: on the text ReadValue returns as it reads back from Text1 or Text2, so
// that whatever shows the state also shows what it was judged by. Reading the state changes
// nothing in the registry.

#include <vector>

#include "registry/RegistryMod.h"
#include "settings/ControlSet.h"

namespace corvelle::settings {

// Reads "Plural" into Text1; on when Text1 then holds exactly "001" (a REG_DWORD of 1).
bool ReadSwitchState(const registry::RegistryMod& registry, ControlSet& controls);
// Reads "Messenger Ad" under the YUrl key into Text2; suppressed when Text2 then holds exactly "*".
bool ReadBottomAdState(const registry::RegistryMod& registry, ControlSet& controls);

// A value the state depends on that exists but could not be read.
struct UnreadValue {
    const char* key;
    const char* name;
    registry::Status status;
};

struct PatchState {
    bool switchOn = false;
    // How many of the six advertisement values read exactly the text Remove Ads writes.
    int adsSuppressed = 0;
    bool bottomAdSuppressed = false;
    // Whether each part above was judged on values that could all be read; the window judges a
    // value it cannot read as absent, which may be wrong.
    bool switchKnown = true;
    bool adsKnown = true;
    bool bottomAdKnown = true;
    std::vector<UnreadValue> unread;
};

PatchState ReadPatchState(const registry::RegistryMod& registry, ControlSet& controls);

}  // namespace corvelle::settings
