#pragma once
// Window, timing and shell utilities: keeping a window topmost, pausing while the window stays
// responsive, and opening a web address in the user's browser.

#include <windows.h>

#include <string>

namespace corvelle::ui {

// The toolbar information page that the banner opens: a fixed path and query on the publisher's
// site, which the build setting CORVELLE_SITE names ("https://host", see CMakeLists.txt).
inline constexpr const char* kToolbarPageUrl = CORVELLE_SITE "/www/index.php?name=toolbar";

// Places the window above all non-topmost windows, keeping its position and size.
void StayOnTop(HWND window);

// Waits at least the given seconds, dispatching this thread's window messages as they arrive, so
// the window moves, repaints and takes input meanwhile (a handler may even start another command).
// Zero, negative or NaN returns at once without dispatching anything. Returns true when the time is
// up; false as soon as a WM_QUIT is met: the program is ending, and the quit message has been posted
// again for the message loop to find. Messages pass the dialog keys of `dialog` (Tab, Space, Enter)
// first, as in the program's message loop, when one is given.
[[nodiscard]] bool Pause(double seconds, HWND dialog = nullptr);

// Hands the address (ANSI code page) to the shell, which opens it with the default browser. The shell
// is loaded on the first call, and the calling thread enters a single-threaded apartment then.
// Failures are silent, a shell that cannot be loaded included.
void OpenUrl(const std::string& url);

}  // namespace corvelle::ui
