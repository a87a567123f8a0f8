#pragma once
// Frame1's window: a container that draws an etched frame with its caption (the window text, in
// the font given by WM_SETFONT) and parents the controls placed in it. A BS_GROUPBOX cannot serve:
// it answers WM_NCHITTEST with HTTRANSPARENT and keeps the WM_COMMAND and WM_DRAWITEM of its
// children to itself. This window hands those, and the children's colour requests, on to its own
// parent, and carries WS_EX_CONTROLPARENT so that Tab and the default button reach its children.
// It asks its parent for its colours with WM_CTLCOLORSTATIC, as a static control does.

#include <windows.h>

#include <string>

namespace corvelle::ui {

inline constexpr const wchar_t* kFrameWindowClass = L"CorvelleFrame";

// Registers the window class for the module; true when it is (or already was) registered.
bool RegisterFrameWindowClass(HINSTANCE instance);

// Creates a visible frame with the given caption and id at bounds (parent's client coordinates).
HWND CreateFrameWindow(HWND parent, int id, const std::wstring& caption, const RECT& bounds,
                       HINSTANCE instance);

// Draws the frame's line as one plain line in its text colour (for High Contrast), or etched.
void SetFramePlainLine(HWND frame, bool plain);

}  // namespace corvelle::ui
