#pragma once
// The state as the status command prints it: three lines, or one JSON object.

#include <string>
#include <vector>

#include "settings/PatchState.h"

namespace corvelle::cli {

// "Multi-instance: on", "Ads removed: 6 of 6", "Bottom ad removed: yes".
std::vector<std::string> StatusLines(const settings::PatchState& state);
// {"multiInstance":true,"adsRemoved":6,"adValues":6,"bottomAdRemoved":true}
std::string StatusJson(const settings::PatchState& state);
// The third status line alone.
std::string BottomAdLine(bool suppressed);

}  // namespace corvelle::cli
