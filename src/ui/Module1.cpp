#include "ui/Module1.h"

#include <shellapi.h>

#include <chrono>
#include <cmath>

#include "ui/MessageLoop.h"

namespace corvelle::ui {

void StayOnTop(HWND window) {
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

namespace {

// The wait for the rest of a pause, in whole milliseconds rounded up (a wait may also end a little
// early; the caller measures and waits again). Kept below INFINITE.
DWORD TimeoutFor(double remainingSeconds) {
    constexpr double kLongest = 0xFFFFFFFE;
    const double milliseconds = std::ceil(remainingSeconds * 1000.0);
    return milliseconds >= kLongest ? static_cast<DWORD>(kLongest) : static_cast<DWORD>(milliseconds);
}

}  // namespace

bool Pause(double seconds, HWND dialog) {
    if (!(seconds > 0.0)) {  // also NaN
        return true;
    }
    // A monotonic clock: wall-clock changes and midnight do not shorten or lengthen the pause.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // Removing WM_QUIT here would leave the message loop running with no window.
                PostQuitMessage(static_cast<int>(message.wParam));
                return false;
            }
            DispatchLoopMessage(dialog, message);
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (elapsed >= seconds) {
            return true;
        }
        // Sleeps until a message arrives or the time is up. MWMO_INPUTAVAILABLE also wakes for
        // messages that a handler's own PeekMessage saw but left in the queue.
        MsgWaitForMultipleObjectsEx(0, nullptr, TimeoutFor(seconds - elapsed), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

void OpenUrl(const std::string& url) {
    ShellExecuteA(nullptr, nullptr, url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace corvelle::ui
