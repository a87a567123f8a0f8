#pragma once
// A tooltip for one child window: a standard tooltip control owned by the top-level window (and
// destroyed with it) that shows the text while the mouse rests on the tool.

#include <windows.h>

#include <string>

namespace corvelle::ui {

// Creates the tooltip and registers tool with it; null on failure. The tooltip is created with
// WS_EX_TOPMOST: a topmost owner whose owned tooltip is not topmost may lose its own topmost state.
HWND CreateTooltip(HWND owner, HWND tool, const std::wstring& text);

}  // namespace corvelle::ui
