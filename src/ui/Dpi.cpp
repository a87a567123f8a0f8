#include "ui/Dpi.h"

#include "ui/GdiHandles.h"
#include "ui/SystemDll.h"

namespace corvelle::ui {

namespace {

template <typename Function>
Function User32Function(const char* name) {
    return DllFunction<Function>(GetModuleHandleW(L"user32.dll"), name);
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
