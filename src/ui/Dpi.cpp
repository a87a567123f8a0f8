#include "ui/Dpi.h"

#include "ui/GdiHandles.h"

namespace corvelle::ui {

namespace {

// GetProcAddress's result converted to the function's real type. The detour through a function
// type without parameters is the one conversion the compiler accepts between function types.
template <typename Function>
Function User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) {
        return nullptr;
    }
    const FARPROC address = GetProcAddress(user32, name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

}  // namespace

UINT DpiForWindow(HWND window) {
    const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) {
            return dpi;
        }
    }
    const WindowDc dc(window);
    const int dpi = dc ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

SIZE WindowSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) {
    const auto adjustForDpi =
        User32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
    RECT rect{0, 0, clientWidth, clientHeight};
    const BOOL adjusted = adjustForDpi != nullptr
                              ? adjustForDpi(&rect, style, FALSE, exStyle, dpi)
                              : AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    if (!adjusted) {
        rect = RECT{0, 0, clientWidth, clientHeight};
    }
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace corvelle::ui
