#pragma once
// The state as the status command prints it: three lines, or one JSON object.

#include <string>
#include <vector>

#include "settings/PatchState.h"

namespace corvelle::cli {

// A value the state depends on that could not be read, and why.
struct UnreadLine {
    std::string key;     // below HKEY_CURRENT_USER, without a trailing backslash
    std::string name;
    std::string reason;  // one line
};

// "Multi-instance: on", "Ads removed: 6 of 6", "Bottom ad removed: yes"; "unknown" in place of a
// state judged on a value that could not be read.
std::vector<std::string> StatusLines(const settings::PatchState& state);
// {"multiInstance":true,"adsRemoved":6,"adValues":6,"bottomAdRemoved":true}; an unknown state is
// null, and then "unreadable" lists the values that could not be read. Characters outside ASCII
// are escaped, so the text is the same in every code page.
std::string StatusJson(const settings::PatchState& state, const std::vector<UnreadLine>& unread);
// The third status line alone.
std::string BottomAdLine(bool suppressed);

}  // namespace corvelle::cli
