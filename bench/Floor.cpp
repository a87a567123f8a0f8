// The floor for the start-up and memory figures: a bare Win32 program that only opens an empty
// window of the main window's size and style, centred, and runs a message loop. Built a second time
// with CORVELLE_FLOOR_COMMON_CONTROLS, it also loads common controls 6 through the program's
// manifest, as every program with themed controls and tooltips does. Built a third time with
// CORVELLE_FLOOR_CONTROLS as well, the window is topmost and holds the main window's ten controls
// at their places at 96 DPI, in the plain standard classes and with the main window's fonts: what
// the program does beyond that (registry, banner picture, owner drawing, tooltip) is its own cost.

#include <windows.h>

#ifdef CORVELLE_FLOOR_COMMON_CONTROLS
#include <commctrl.h>
#endif

#ifdef CORVELLE_FLOOR_CONTROLS
#include "ui/FormLayout.h"
#endif

namespace {

#ifdef CORVELLE_FLOOR_CONTROLS
namespace layout = corvelle::ui::layout;

// "MS Sans Serif" 8.25 points at 96 DPI, asked for as the main window asks for it.
HFONT MakeFont(int weight) {
    return CreateFontW(-MulDiv(layout::kFontHundredthsOfPoint, USER_DEFAULT_SCREEN_DPI, 7200), 0,
                       0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       layout::kFontFace);
}

// The frame is a group box holding its two buttons; the buttons are plain push buttons, the list
// and the picture are drawn by their own classes. A group box leaves its inside to the window
// beneath, so neither clips its children. The fonts live as long as the process.
void CreateControls(HWND window, HINSTANCE instance) {
    const HFONT font = MakeFont(FW_NORMAL);
    const HFONT boldFont = MakeFont(FW_BOLD);
    HWND frame = nullptr;
    for (const layout::ControlPlacement& placement : layout::kControls) {
        DWORD exStyle = 0;
        const wchar_t* windowClass = WC_BUTTONW;
        DWORD style = WS_TABSTOP;
        switch (placement.kind) {
        case layout::Kind::kListBox:
            exStyle = WS_EX_CLIENTEDGE;
            windowClass = WC_LISTBOXW;
            style = WS_DISABLED | LBS_NOINTEGRALHEIGHT | LBS_NOSEL;
            break;
        case layout::Kind::kCommandButton:
            style |= BS_PUSHBUTTON;
            break;
        case layout::Kind::kTextBox:
            exStyle = WS_EX_CLIENTEDGE;
            windowClass = WC_EDITW;
            style |= ES_AUTOHSCROLL;
            break;
        case layout::Kind::kFrame:
            exStyle = WS_EX_CONTROLPARENT;
            style = BS_GROUPBOX;
            break;
        case layout::Kind::kCheckBox:
            style |= BS_CHECKBOX;
            break;
        case layout::Kind::kImage:
            windowClass = WC_STATICW;
            style = SS_NOTIFY;
            break;
        }
        const RECT bounds = layout::ToPixels(placement.twips, USER_DEFAULT_SCREEN_DPI);
        const bool isFrame = placement.kind == layout::Kind::kFrame;
        HWND control = CreateWindowExW(
            exStyle, windowClass, placement.text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
            bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
            placement.container == layout::Container::kFrame1 ? frame : window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(placement.id)), instance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(isFrame ? boldFont : font),
                     FALSE);
        if (isFrame) {
            frame = control;
        }
    }
}
#endif

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
#ifdef CORVELLE_FLOOR_COMMON_CONTROLS
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
#endif
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = FloorProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"CorvelleFloor";
    RegisterClassW(&windowClass);

    constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
#ifdef CORVELLE_FLOOR_CONTROLS
    constexpr DWORD kExStyle = WS_EX_TOPMOST;
#else
    constexpr DWORD kExStyle = 0;
#endif
    RECT frame = {0, 0, 282, 174};  // the main window's client area at 96 DPI
    AdjustWindowRect(&frame, kStyle, FALSE);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    HWND window = CreateWindowExW(kExStyle, windowClass.lpszClassName, L" Floor", kStyle,
                                  (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                  (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
#ifdef CORVELLE_FLOOR_CONTROLS
    CreateControls(window, instance);
#endif
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
