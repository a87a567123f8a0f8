#include "ui/CommandButton.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <utility>

#include "ui/ColourScheme.h"

namespace corvelle::ui {

namespace {

constexpr UINT_PTR kSubclassId = 1;
// The mouse pointer setting that selects the custom cursor micon.
constexpr std::int16_t kCustomPointer = 99;
// Room between the picture and the caption, at 96 DPI.
constexpr int kPictureGap = 4;

int Scale(int pixelsAt96, UINT dpi) {
    return MulDiv(pixelsAt96, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

void FillSolid(HDC dc, const RECT& area, COLORREF colour) {
    const OwnedBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &area, brush.get());
}

}  // namespace

CommandButton::CommandButton(HWND parent, int id, const RECT& bounds, UINT dpi,
                             ButtonSettings settings)
    : settings_(std::move(settings)), dpi_(dpi != 0 ? dpi : USER_DEFAULT_SCREEN_DPI) {
    // BS_NOTIFY: the parent hears of the focus coming and going (BN_SETFOCUS, BN_KILLFOCUS), which
    // a window needs to move its default button with the focus.
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW | BS_NOTIFY;
    if (!settings_.enab) {
        style |= WS_DISABLED;
    }
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    hwnd_ = CreateWindowExW(0, L"BUTTON", settings_.tx.c_str(), style, bounds.left, bounds.top,
                            Width(bounds), Height(bounds), parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (hwnd_ == nullptr) {
        return;
    }
    MakeFont();
    if (settings_.picn != 0) {
        // The pictures are resources of the executable; LR_CREATEDIBSECTION keeps their colours.
        const OwnedBitmap loaded(static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr),
                                                                 MAKEINTRESOURCEW(settings_.picn),
                                                                 IMAGE_BITMAP, 0, 0,
                                                                 LR_CREATEDIBSECTION)));
        picture_ = ButtonPicture(loaded.get(), settings_.mcol, settings_.umcol);
    }
    Attach();
}

CommandButton::CommandButton(CommandButton&& other) noexcept
    : hwnd_(std::exchange(other.hwnd_, nullptr)),
      settings_(std::move(other.settings_)),
      dpi_(other.dpi_),
      font_(std::move(other.font_)),
      picture_(std::move(other.picture_)),
      hot_(other.hot_),
      isDefault_(other.isDefault_),
      highContrast_(other.highContrast_) {
    Attach();
}

CommandButton& CommandButton::operator=(CommandButton&& other) noexcept {
    if (this != &other) {
        if (hwnd_ != nullptr) {
            Detach();
            DestroyWindow(std::exchange(hwnd_, nullptr));
        }
        hwnd_ = std::exchange(other.hwnd_, nullptr);
        settings_ = std::move(other.settings_);
        dpi_ = other.dpi_;
        font_ = std::move(other.font_);
        picture_ = std::move(other.picture_);
        hot_ = other.hot_;
        isDefault_ = other.isDefault_;
        highContrast_ = other.highContrast_;
        Attach();
    }
    return *this;
}

CommandButton::~CommandButton() {
    if (hwnd_ != nullptr) {
        Detach();
        DestroyWindow(hwnd_);
    }
}

// The subclass carries this object's address; a moved-to object registers itself again, which
// replaces the reference data of the same subclass.
void CommandButton::Attach() {
    if (hwnd_ != nullptr) {
        SetWindowSubclass(hwnd_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    }
}

void CommandButton::Detach() noexcept {
    RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
}

LRESULT CALLBACK CommandButton::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR /*subclassId*/, DWORD_PTR refData) {
    auto* self = reinterpret_cast<CommandButton*>(refData);
    if (self == nullptr || self->hwnd_ != window) {
        return DefSubclassProc(window, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT CommandButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = hwnd_;
    switch (message) {
    case WM_NCDESTROY:
        // The parent was destroyed first (or someone else destroyed us): forget the handle.
        Detach();
        hwnd_ = nullptr;
        break;
    case WM_MOUSEMOVE:
        if (!hot_) {
            hot_ = true;
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
            TrackMouseEvent(&track);
            InvalidateRect(window, nullptr, FALSE);
        }
        break;
    case WM_MOUSELEAVE:
        hot_ = false;
        InvalidateRect(window, nullptr, FALSE);
        break;
    case WM_ENABLE:
        InvalidateRect(window, nullptr, FALSE);
        break;
    case WM_ERASEBKGND:
        // The drawing fills the whole button; erasing it first would only paint it twice.
        return TRUE;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            HCURSOR cursor = nullptr;
            if (settings_.hand) {
                cursor = LoadCursorW(nullptr, IDC_HAND);
            } else if (settings_.mptr == kCustomPointer && settings_.micon != 0) {
                cursor = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(settings_.micon));
            }
            if (cursor != nullptr) {
                SetCursor(cursor);
                return TRUE;
            }
        }
        break;
    case BM_CLICK:
        // A disabled button ignores presses. The BUTTON class simulates the mouse for BM_CLICK
        // and, under Wine, notifies BN_CLICKED even while disabled; automation sends BM_CLICK too.
        if (IsWindowEnabled(window) == FALSE) {
            return 0;
        }
        break;
    case WM_GETDLGCODE:
        // Answer as a push button, so that the dialog manager treats Enter and the default
        // button as it does for any push button.
        return DLGC_BUTTON | (isDefault_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_SETSTYLE: {
        // The dialog manager moves the default by switching push button styles; the button must
        // stay owner-drawn, so only the default flag is taken from the request.
        isDefault_ = (wParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        const WPARAM kept = (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW;
        return DefSubclassProc(window, message, kept, lParam);
    }
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void CommandButton::MakeFont() {
    const ButtonFont& wanted = settings_.font;
    LOGFONTW logFont{};
    const int hundredths = static_cast<int>(std::lround(wanted.points * 100.0));
    logFont.lfHeight = -MulDiv(hundredths, static_cast<int>(dpi_), 7200);
    logFont.lfWeight = wanted.weight;
    logFont.lfItalic = wanted.italic ? TRUE : FALSE;
    logFont.lfUnderline = wanted.underline ? TRUE : FALSE;
    logFont.lfStrikeOut = wanted.strikeout ? TRUE : FALSE;
    logFont.lfCharSet = wanted.charset;
    logFont.lfOutPrecision = OUT_DEFAULT_PRECIS;
    logFont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    logFont.lfQuality = DEFAULT_QUALITY;
    logFont.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    wcsncpy(logFont.lfFaceName, wanted.face.c_str(), LF_FACESIZE - 1);
    OwnedFont font(CreateFontIndirectW(&logFont));
    if (hwnd_ != nullptr) {
        // WM_SETFONT too, so WM_GETFONT answers (accessibility tools and measuring).
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    }
    font_ = std::move(font);  // the old font is deleted only after the window let go of it
}

CommandButton::Placement CommandButton::PlaceContent(HDC dc, const RECT& content, UINT prefix,
                                                     bool pictureOnlyWhereItFits) const {
    // Measure the caption, then centre picture and caption together.
    const std::wstring& caption = settings_.tx;
    RECT measured{0, 0, 0, 0};
    if (!caption.empty()) {
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &measured,
                  DT_CALCRECT | DT_SINGLELINE | prefix);
    }
    const int textWidth = Width(measured);
    bool withPicture = static_cast<bool>(picture_);
    int pictureSide = withPicture ? Scale(static_cast<int>(picture_.size().cx), dpi_) : 0;
    int gap = withPicture && textWidth > 0 ? Scale(kPictureGap, dpi_) : 0;
    if (withPicture && pictureOnlyWhereItFits && pictureSide + gap + textWidth > Width(content)) {
        withPicture = false;
        pictureSide = gap = 0;
    }
    const int pictureHeight = withPicture ? Scale(static_cast<int>(picture_.size().cy), dpi_) : 0;
    const int groupWidth = pictureSide + gap + textWidth;
    const int groupLeft = content.left + (Width(content) - groupWidth) / 2;
    const bool pictureFirst = settings_.picpos != 1;
    const int pictureLeft = pictureFirst ? groupLeft : groupLeft + textWidth + gap;
    const int textLeft = pictureFirst ? groupLeft + pictureSide + gap : groupLeft;
    const int pictureTop = content.top + (Height(content) - pictureHeight) / 2;
    Placement placement{};
    if (withPicture) {
        placement.picture =
            RECT{pictureLeft, pictureTop, pictureLeft + pictureSide, pictureTop + pictureHeight};
    }
    placement.caption = RECT{textLeft, content.top, textLeft + textWidth, content.bottom};
    return placement;
}

bool CommandButton::Draw(const DRAWITEMSTRUCT& item) const {
    if (hwnd_ == nullptr || item.CtlType != ODT_BUTTON || item.hwndItem != hwnd_) {
        return false;
    }
    if (highContrast_) {
        DrawHighContrast(item);
        return true;
    }
    const HDC dc = item.hDC;
    const SavedDcState savedState(dc);  // the DC is lent: give it back as it came
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0 || (settings_.check && settings_.value);
    const bool hot = hot_ && !disabled;
    RECT area = item.rcItem;

    FillSolid(dc, area, hot ? settings_.bcolo : settings_.bcol);
    if (isDefault_) {
        const OwnedBrush frame(CreateSolidBrush(GetSysColor(COLOR_WINDOWFRAME)));
        FrameRect(dc, &area, frame.get());
        InflateRect(&area, -1, -1);
    }
    const UINT edge = pressed ? (settings_.soft ? BDR_SUNKENOUTER : EDGE_SUNKEN)
                              : (settings_.soft ? BDR_RAISEDINNER : EDGE_RAISED);
    DrawEdge(dc, &area, edge, BF_RECT | BF_ADJUST);
    RECT content = area;
    if (pressed) {
        OffsetRect(&content, 1, 1);
    }

    const SelectedObject font(dc, font_ ? static_cast<HGDIOBJ>(font_.get())
                                        : GetStockObject(DEFAULT_GUI_FONT));
    const UINT prefix = (item.itemState & ODS_NOACCEL) != 0 ? DT_HIDEPREFIX : 0;
    const UINT textFormat = DT_SINGLELINE | DT_VCENTER | DT_LEFT | prefix;
    const std::wstring& caption = settings_.tx;
    const Placement placement = PlaceContent(dc, content, prefix, false);

    if (picture_) {
        picture_.Draw(dc, placement.picture, disabled && !settings_.ngrey);
    }
    if (!caption.empty()) {
        RECT textArea = placement.caption;
        SetBkMode(dc, TRANSPARENT);
        if (disabled) {
            // The classic engraved look: a highlight copy one pixel down and right, then the shadow.
            RECT raised = textArea;
            OffsetRect(&raised, 1, 1);
            SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
            DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &raised, textFormat);
            SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
        } else {
            SetTextColor(dc, hot ? settings_.fcolo : settings_.fcol);
        }
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &textArea, textFormat);
    }

    if ((item.itemState & ODS_FOCUS) != 0 && settings_.focusr &&
        (item.itemState & ODS_NOFOCUSRECT) == 0) {
        RECT focus = area;
        InflateRect(&focus, -1, -1);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        DrawFocusRect(dc, &focus);
    }
    return true;
}

// Flat, in the system's colours: a border in the caption's colour (or the state's), the face, the
// picture only where it leaves the caption its room, and the caption on top.
void CommandButton::DrawHighContrast(const DRAWITEMSTRUCT& item) const {
    const HDC dc = item.hDC;
    const SavedDcState savedState(dc);
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0 || (settings_.check && settings_.value);
    const bool emphasised = (item.itemState & ODS_FOCUS) != 0 || isDefault_;
    const ButtonColours colours =
        HighContrastButtonColours(disabled, emphasised, hot_ && !disabled);
    RECT area = item.rcItem;
    FillSolid(dc, area, colours.border);
    const int borderWidth = std::max(1, Scale(1, dpi_)) * (isDefault_ ? 2 : 1);
    InflateRect(&area, -borderWidth, -borderWidth);
    FillSolid(dc, area, colours.face);
    RECT content = area;
    InflateRect(&content, -1, -1);
    if (pressed) {
        OffsetRect(&content, 1, 1);
    }

    const SelectedObject font(dc, font_ ? static_cast<HGDIOBJ>(font_.get())
                                        : GetStockObject(DEFAULT_GUI_FONT));
    const UINT prefix = (item.itemState & ODS_NOACCEL) != 0 ? DT_HIDEPREFIX : 0;
    const Placement placement = PlaceContent(dc, content, prefix, true);
    if (placement.picture.right > placement.picture.left) {
        picture_.Draw(dc, placement.picture, disabled && !settings_.ngrey);
    }
    const std::wstring& caption = settings_.tx;
    if (!caption.empty()) {
        RECT textArea = placement.caption;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, colours.text);
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &textArea,
                  DT_SINGLELINE | DT_VCENTER | DT_LEFT | prefix);
    }
    if ((item.itemState & ODS_FOCUS) != 0 && settings_.focusr &&
        (item.itemState & ODS_NOFOCUSRECT) == 0) {
        RECT focus = area;
        InflateRect(&focus, -1, -1);
        SetTextColor(dc, colours.text);
        SetBkColor(dc, colours.face);
        DrawFocusRect(dc, &focus);
    }
}

void CommandButton::SetEnabled(bool enabled) {
    settings_.enab = enabled;
    if (hwnd_ != nullptr) {
        EnableWindow(hwnd_, enabled ? TRUE : FALSE);
    }
}

bool CommandButton::IsEnabled() const {
    return hwnd_ != nullptr && IsWindowEnabled(hwnd_) != FALSE;
}

void CommandButton::SetDpi(UINT dpi) {
    dpi_ = dpi != 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
    MakeFont();
    if (hwnd_ != nullptr) {
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
}

void CommandButton::SetPicture(HBITMAP source) {
    picture_ = source != nullptr ? ButtonPicture(source, settings_.mcol, settings_.umcol)
                                 : ButtonPicture{};
    if (hwnd_ != nullptr) {
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
}

void CommandButton::SetDefault(bool isDefault) {
    if (hwnd_ != nullptr) {
        // Through BM_SETSTYLE, as the dialog manager does it (see HandleMessage).
        SendMessageW(hwnd_, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    } else {
        isDefault_ = isDefault;
    }
}

void CommandButton::SetHighContrast(bool on) {
    highContrast_ = on;
    if (hwnd_ != nullptr) {
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
}

void CommandButton::SetValue(bool value) {
    settings_.value = value;
    if (hwnd_ != nullptr) {
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
}

int CommandButton::ExtentToPixels(std::int32_t extent, UINT dpi) {
    // 2540 hundredths of a millimetre to the inch.
    return MulDiv(extent, static_cast<int>(dpi), 2540);
}

}  // namespace corvelle::ui
