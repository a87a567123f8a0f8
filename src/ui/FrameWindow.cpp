#include "ui/FrameWindow.h"

#include "ui/Dpi.h"
#include "ui/GdiHandles.h"

namespace corvelle::ui {

namespace {

// The font handle lives in the window's extra bytes (the caller owns the font), and after it
// whether the line is drawn plain.
constexpr int kFontSlot = 0;
constexpr int kPlainLineSlot = sizeof(LONG_PTR);

HFONT FontOf(HWND frame) {
    return reinterpret_cast<HFONT>(GetWindowLongPtrW(frame, kFontSlot));
}

std::wstring CaptionOf(HWND frame) {
    std::wstring caption(static_cast<std::size_t>(GetWindowTextLengthW(frame)) + 1, L'\0');
    caption.resize(static_cast<std::size_t>(
        GetWindowTextW(frame, caption.data(), static_cast<int>(caption.size()))));
    return caption;
}

void PaintContent(HWND frame, HDC dc) {
    RECT client{};
    GetClientRect(frame, &client);
    // The parent sets the text and background colours on dc and returns the background brush.
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(frame), WM_CTLCOLORSTATIC,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(frame)));
    if (brush == nullptr) {
        brush = GetSysColorBrush(COLOR_BTNFACE);
    }
    FillRect(dc, &client, brush);

    const SelectedObject font(dc, FontOf(frame) != nullptr ? FontOf(frame)
                                                            : GetStockObject(DEFAULT_GUI_FONT));
    const std::wstring caption = CaptionOf(frame);
    SIZE text{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
    if (text.cy == 0) {
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        text.cy = metrics.tmHeight;
    }

    // The etched line runs through the middle of the caption, which covers it. Plain, it is one
    // line in the text colour the parent set: an etched edge draws in shadow and highlight colours,
    // which need not stand out from the background.
    RECT border = client;
    border.top = text.cy / 2;
    if (GetWindowLongPtrW(frame, kPlainLineSlot) != 0) {
        const OwnedBrush line(CreateSolidBrush(GetTextColor(dc)));
        FrameRect(dc, &border, line.get());
    } else {
        DrawEdge(dc, &border, EDGE_ETCHED, BF_RECT);
    }

    if (!caption.empty()) {
        const UINT dpi = DpiForWindow(frame);
        const int inset = ScaleFrom96(6, dpi);
        const int padding = ScaleFrom96(2, dpi);
        RECT captionRect{inset, 0, inset + text.cx + 2 * padding, text.cy};
        FillRect(dc, &captionRect, brush);
        SetBkMode(dc, TRANSPARENT);
        TextOutW(dc, inset + padding, 0, caption.c_str(), static_cast<int>(caption.size()));
    }
}

LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return TRUE;  // PaintContent fills the whole client area
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        if (HDC dc = BeginPaint(frame, &paint)) {
            PaintContent(frame, dc);
        }
        EndPaint(frame, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintContent(frame, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_SETFONT:
        SetWindowLongPtrW(frame, kFontSlot, static_cast<LONG_PTR>(wParam));
        if (LOWORD(lParam) != 0) {
            InvalidateRect(frame, nullptr, TRUE);
        }
        return 0;
    case WM_GETFONT:
        return static_cast<LRESULT>(GetWindowLongPtrW(frame, kFontSlot));
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProcW(frame, message, wParam, lParam);
        InvalidateRect(frame, nullptr, TRUE);
        return result;
    }
    // What the children tell their parent belongs to the window that holds the frame.
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return SendMessageW(GetParent(frame), message, wParam, lParam);
    default:
        return DefWindowProcW(frame, message, wParam, lParam);
    }
}

}  // namespace

bool RegisterFrameWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = FrameProc;
    windowClass.cbWndExtra = 2 * sizeof(LONG_PTR);
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kFrameWindowClass;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateFrameWindow(HWND parent, int id, const std::wstring& caption, const RECT& bounds,
                       HINSTANCE instance) {
    return CreateWindowExW(WS_EX_CONTROLPARENT, kFrameWindowClass, caption.c_str(),
                           WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, bounds.left,
                           bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                           nullptr);
}

void SetFramePlainLine(HWND frame, bool plain) {
    SetWindowLongPtrW(frame, kPlainLineSlot, plain ? 1 : 0);
    InvalidateRect(frame, nullptr, TRUE);
}

}  // namespace corvelle::ui
