#pragma once
// The DPI a window is drawn at, and window sizes for a client size at a DPI. The per-monitor
// functions (Windows 10, 1607 and later) are looked up at run time so that the program still
// starts on Windows 7, where the screen DC's LOGPIXELSY serves instead.

#include <windows.h>

namespace corvelle::ui {

// GetDpiForWindow where the system has it, else the LOGPIXELSY of the window's DC.
UINT DpiForWindow(HWND window);

// The outer size of a window with this style whose client area is clientWidth x clientHeight at
// dpi: AdjustWindowRectExForDpi where the system has it, else AdjustWindowRectEx.
SIZE WindowSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi);

// Scales a length given in pixels at 96 DPI to dpi.
inline int ScaleFrom96(int pixels, UINT dpi) {
    return MulDiv(pixels, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

}  // namespace corvelle::ui
