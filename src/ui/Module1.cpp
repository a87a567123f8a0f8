#include "ui/Module1.h"

#include <objbase.h>

#include <chrono>
#include <cmath>

#include "ui/MessageLoop.h"
#include "ui/PerformanceClock.h"
#include "ui/SystemDll.h"

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
    using Clock = PerformanceClock;
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

namespace {

using ShellExecuteAFunction = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
using CoInitializeExFunction = HRESULT(WINAPI*)(LPVOID, DWORD);
using CoUninitializeFunction = void(WINAPI*)();

// The shell may use COM when it opens a document; it asks for a single-threaded apartment on the
// calling thread. The first call enters one, and it stays entered until the thread ends, as the
// shell's work may outlast ShellExecuteA. A later call finds it entered and gives back the count
// that CoInitializeEx then takes. A thread in another kind of apartment is left as it is.
void StayInSingleThreadedApartment() {
    HMODULE ole32 = LoadSystemDllForGood(L"ole32.dll");
    const auto coInitializeEx = DllFunction<CoInitializeExFunction>(ole32, "CoInitializeEx");
    const auto coUninitialize = DllFunction<CoUninitializeFunction>(ole32, "CoUninitialize");
    if (coInitializeEx == nullptr || coUninitialize == nullptr) {
        return;
    }
    if (coInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE) == S_FALSE) {
        coUninitialize();
    }
}

}  // namespace

// The shell and COM are loaded on the first click, not while the program starts.
void OpenUrl(const std::string& url) {
    const auto shellExecute =
        DllFunction<ShellExecuteAFunction>(LoadSystemDllForGood(L"shell32.dll"), "ShellExecuteA");
    if (shellExecute == nullptr) {
        return;  // no shell: nothing opens, as when ShellExecuteA fails
    }
    StayInSingleThreadedApartment();
    shellExecute(nullptr, nullptr, url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace corvelle::ui
