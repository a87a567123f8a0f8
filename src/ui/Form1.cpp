#include "ui/Form1.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "settings/Commands.h"
#include "ui/AnsiText.h"
#include "ui/Dpi.h"
#include "ui/FormButtonSettings.h"
#include "ui/FrameWindow.h"
#include "ui/SystemDll.h"
#include "ui/Tooltip.h"
#include "ui/res/resource.h"

namespace corvelle::ui {

namespace {

using layout::ControlId;
using layout::ControlPlacement;
using layout::Kind;

// Fixed single border with title bar, system menu, icon and close box; no minimise or maximise.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;

using SetWindowThemeFunction = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);

// Gives the window the classic look. The theme library is not one that Windows always takes from
// the system folder, so it is loaded from there by its full path rather than imported; without it
// there is no theming, and the window has the classic look already.
void TurnThemingOff(HWND window) {
    const auto setWindowTheme =
        DllFunction<SetWindowThemeFunction>(LoadSystemDllForGood(L"uxtheme.dll"), "SetWindowTheme");
    if (setWindowTheme != nullptr) {
        setWindowTheme(window, L"", L"");
    }
}

// The index into raveButtons_ of a button id, or -1.
int ButtonIndex(int id) {
    switch (id) {
    case layout::kIdRaveButtons1:
        return 0;
    case layout::kIdRaveButtons2:
        return 1;
    case layout::kIdRaveButtons3:
        return 2;
    case layout::kIdRaveButtons4:
        return 3;
    default:
        return -1;
    }
}

OwnedFont MakeFont(UINT dpi, int weight) {
    // 8.25 points: the height in pixels is -MulDiv(825, dpi, 7200).
    const int height = -MulDiv(layout::kFontHundredthsOfPoint, static_cast<int>(dpi), 7200);
    return OwnedFont(CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_SWISS, layout::kFontFace));
}

bool RegisterForm1Class(HINSTANCE instance, WNDPROC windowProc) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    // Shared icons belong to the system's cache and are never destroyed by us.
    windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_CORVELLE),
                                                      IMAGE_ICON, 0, 0,
                                                      LR_DEFAULTSIZE | LR_SHARED));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_CORVELLE), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kForm1WindowClass;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

Form1::Form1(const registry::RegistryMod& registry, UrlOpener openUrl,
             HighContrastQuery highContrastOn)
    : registry_(registry),
      openUrl_(std::move(openUrl)),
      highContrastOn_(std::move(highContrastOn)) {
    UseColourScheme();
}

Form1::~Form1() {
    // The controls go first, while the fonts they were given still exist.
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
    }
}

bool Form1::Create(HINSTANCE instance, int showCommand, StartupTimeline* timeline) {
    instance_ = instance;
    if (!RegisterForm1Class(instance, WindowProc) || !RegisterFrameWindowClass(instance)) {
        return false;
    }
    if (CreateWindowExW(kExStyle, kForm1WindowClass, layout::kTitle, kStyle, 0, 0, 0, 0, nullptr,
                        nullptr, instance, this) == nullptr) {
        return false;
    }
    dpi_ = DpiForWindow(hwnd_);
    MarkStartup(timeline, StartupMoment::kWindowCreated);
    banner_ = BannerPicture(instance, IDR_BANNER);
    MarkStartup(timeline, StartupMoment::kBannerDecoded);
    MakeFonts();
    if (!CreateControls()) {
        DestroyWindow(hwnd_);
        return false;
    }
    UseColourScheme();
    SizeToClientArea(0, 0, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Centre();
    MarkStartup(timeline, StartupMoment::kControlsCreated);

    // The load event: once, after the controls exist and before the window is first shown. It
    // ends by making the window topmost (StayOnTop marks the reads done), which also activates it.
    // The banner's tooltip comes later, on the first hover (OnSetCursor): some systems no longer
    // apply HWND_TOPMOST to a window that owns a tooltip.
    timeline_ = timeline;
    settings::LoadStartupState(registry_, *this);
    timeline_ = nullptr;
    MarkStartup(timeline, StartupMoment::kMadeTopmost);

    const bool maximising = showCommand == SW_MAXIMIZE || showCommand == SW_SHOWMAXIMIZED;
    ShowWindow(hwnd_, maximising ? SW_SHOWNORMAL : showCommand);
    focus_.SettleDefaultButton();  // for the focus that showing gave, before the first painting
    UpdateWindow(hwnd_);
    MarkStartup(timeline, StartupMoment::kPainted);
    created_ = hwnd_ != nullptr;
    return created_;
}

HWND Form1::Control(ControlId id) const noexcept {
    if (const int index = ButtonIndex(id); index >= 0) {
        return hwnd_ != nullptr ? raveButtons_.at(static_cast<std::size_t>(index)).hwnd() : nullptr;
    }
    switch (id) {
    case layout::kIdList1:
        return list1_;
    case layout::kIdText1:
        return text1_;
    case layout::kIdFrame1:
        return frame1_;
    case layout::kIdText2:
        return text2_;
    case layout::kIdCheck1:
        return check1_;
    case layout::kIdImage1:
        return image1_;
    default:
        return nullptr;
    }
}

// ---- Creation and layout ------------------------------------------------------------------------

bool Form1::CreateControls() {
    // Creation order is z-order, which is the order Tab follows.
    for (const ControlPlacement& placement : layout::kControls) {
        HWND parent = placement.container == layout::Container::kFrame1 ? frame1_ : hwnd_;
        if (parent == nullptr || CreateChild(placement, parent) == nullptr) {
            return false;
        }
    }
    std::vector<HWND> tabOrder;
    tabOrder.reserve(layout::kControls.size());
    for (const ControlPlacement& placement : layout::kControls) {
        tabOrder.push_back(Control(placement.id));
    }
    focus_.Attach(hwnd_, raveButtons_, std::move(tabOrder));
    HFONT font = font_.get();
    for (HWND control : {list1_, text1_, text2_, check1_}) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    SendMessageW(frame1_, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.get()), FALSE);
    // Themed check boxes ignore the text colour; the classic look honours it.
    TurnThemingOff(check1_);
    FitList1Lines();
    return true;
}

HWND Form1::CreateChild(const ControlPlacement& placement, HWND parent) {
    const RECT bounds = layout::ToPixels(placement.twips, dpi_);
    const int id = placement.id;
    const auto menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
    auto create = [&](DWORD exStyle, const wchar_t* windowClass, DWORD style) {
        return CreateWindowExW(exStyle, windowClass, placement.text,
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, bounds.left,
                               bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                               parent, menu, instance_, nullptr);
    };
    switch (placement.kind) {
    case Kind::kListBox:
        // Disabled: no focus, selection or scrolling. Owner-drawn so that its lines are greyed on
        // its own background everywhere, and exactly four of them fill it at any DPI.
        list1_ = create(WS_EX_CLIENTEDGE, WC_LISTBOXW,
                        WS_DISABLED | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT |
                            LBS_NOSEL);
        return list1_;
    case Kind::kCommandButton: {
        CommandButton& button = raveButtons_.at(static_cast<std::size_t>(ButtonIndex(id)));
        button = CommandButton(parent, id, bounds, dpi_, layout::StoredButtonSettings(placement.id));
        return button.hwnd();
    }
    case Kind::kTextBox: {
        HWND text = create(WS_EX_CLIENTEDGE, WC_EDITW, WS_TABSTOP | ES_AUTOHSCROLL);
        (id == layout::kIdText1 ? text1_ : text2_) = text;
        return text;
    }
    case Kind::kFrame:
        frame1_ = CreateFrameWindow(parent, id, placement.text, bounds, instance_);
        return frame1_;
    case Kind::kCheckBox:
        // Not an automatic check box: the window toggles it on a press (OnCommand), so that a press
        // it ignores leaves the state as it was.
        check1_ = create(0, WC_BUTTONW, WS_TABSTOP | BS_CHECKBOX);
        return check1_;
    case Kind::kImage:
        // SS_NOTIFY makes the static report clicks (STN_CLICKED) and take the mouse, which the
        // tooltip needs too; SS_OWNERDRAW lets the window stretch the banner into it.
        image1_ = create(0, WC_STATICW, SS_OWNERDRAW | SS_NOTIFY);
        return image1_;
    }
    return nullptr;
}

void Form1::MakeFonts() {
    OwnedFont font = MakeFont(dpi_, FW_NORMAL);
    OwnedFont boldFont = MakeFont(dpi_, FW_BOLD);
    // The controls take the new fonts before the old ones are deleted.
    for (HWND control : {list1_, text1_, text2_, check1_}) {
        if (control != nullptr) {
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
        }
    }
    if (frame1_ != nullptr) {
        SendMessageW(frame1_, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont.get()), TRUE);
    }
    font_ = std::move(font);
    boldFont_ = std::move(boldFont);
}

void Form1::PlaceControls() {
    for (const ControlPlacement& placement : layout::kControls) {
        HWND control = Control(placement.id);
        const RECT bounds = layout::ToPixels(placement.twips, dpi_);
        SetWindowPos(control, nullptr, bounds.left, bounds.top, bounds.right - bounds.left,
                     bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (CommandButton& button : raveButtons_) {
        button.SetDpi(dpi_);
    }
    FitList1Lines();
}

void Form1::FitList1Lines() {
    // The list shows exactly four lines: they share its client height.
    constexpr int kVisibleLines = 4;
    RECT client{};
    GetClientRect(list1_, &client);
    const int lineHeight = std::max(1, static_cast<int>(client.bottom / kVisibleLines));
    SendMessageW(list1_, LB_SETITEMHEIGHT, 0, MAKELPARAM(lineHeight, 0));
    ShowNewestList1Line();
}

SIZE Form1::WindowSize() const {
    const SIZE size =
        WindowSizeForClient(layout::TwipsToPixels(layout::kClientWidthTwips, dpi_),
                            layout::TwipsToPixels(layout::kClientHeightTwips, dpi_), kStyle,
                            kExStyle, dpi_);
    return SIZE{size.cx + frameBeyondDpi_.cx, size.cy + frameBeyondDpi_.cy};
}

// Sizes the window for the design's client area at its DPI, and then checks the client area it
// got: where the system draws the frame at another DPI than the window's (Wine 10 draws it at the
// system DPI for a per-monitor aware window it gives 96), the frame takes what the system did not
// say, and the bottom and right of the client area would be cut off. The difference is added. Only
// a difference such a frame can make is taken: a minimised window has no client area to measure,
// and a failed measurement, or one by which the frame takes less than nothing or more than the
// whole frame, changes nothing: the correction measured last stands.
void Form1::SizeToClientArea(int x, int y, UINT flags) {
    const SIZE previous = frameBeyondDpi_;
    frameBeyondDpi_ = SIZE{};
    const SIZE size = WindowSize();
    SetWindowPos(hwnd_, nullptr, x, y, size.cx, size.cy, flags);
    const int clientWidth = layout::TwipsToPixels(layout::kClientWidthTwips, dpi_);
    const int clientHeight = layout::TwipsToPixels(layout::kClientHeightTwips, dpi_);
    RECT client{};
    SIZE beyond = previous;
    if (IsIconic(hwnd_) == FALSE && GetClientRect(hwnd_, &client) != FALSE) {
        const SIZE measured{clientWidth - client.right, clientHeight - client.bottom};
        if (measured.cx >= 0 && measured.cy >= 0 && measured.cx <= size.cx - clientWidth &&
            measured.cy <= size.cy - clientHeight) {
            beyond = measured;
        }
    }
    frameBeyondDpi_ = beyond;
    if (beyond.cx != 0 || beyond.cy != 0) {
        const SIZE corrected = WindowSize();
        SetWindowPos(hwnd_, nullptr, 0, 0, corrected.cx, corrected.cy, flags | SWP_NOMOVE);
    }
}

void Form1::Centre() {
    RECT window{};
    GetWindowRect(hwnd_, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& screen = monitor.rcMonitor;
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    SetWindowPos(hwnd_, nullptr, screen.left + (screen.right - screen.left - width) / 2,
                 screen.top + (screen.bottom - screen.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- Messages -----------------------------------------------------------------------------------

LRESULT CALLBACK Form1::WindowProc(HWND window, UINT message, WPARAM wParam,
                                   LPARAM lParam) noexcept {
    Form1* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    const LRESULT result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->OnNcDestroy();
    }
    return result;
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // The focus and the default button first: DM_GETDEFID, activation, focus notifications.
    if (const std::optional<LRESULT> result = focus_.HandleMessage(message, wParam, lParam)) {
        return *result;
    }
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DRAWITEM:
        return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
    case WM_MEASUREITEM:
        OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
        return OnControlColour(message, reinterpret_cast<HDC>(wParam),
                               reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
        OnSetCursor(reinterpret_cast<HWND>(wParam));
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    case WM_ERASEBKGND:
        return TRUE;  // PaintContent fills the background
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        if (HDC dc = BeginPaint(hwnd_, &paint)) {
            PaintContent(dc, paint.rcPaint);
        }
        EndPaint(hwnd_, &paint);
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT client{};
        GetClientRect(hwnd_, &client);
        PaintContent(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETHIGHCONTRAST) {
            UseColourScheme();
        }
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    case WM_SYSCOLORCHANGE:
        UseColourScheme();
        return 0;
    case WM_DESTROY:
        // Closing the window ends the program; a window that Create gave up on ends nothing.
        if (created_) {
            PostQuitMessage(0);
        }
        return 0;
    default:
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void Form1::OnCommand(int id, int code) {
    if (hwnd_ == nullptr) {
        return;
    }
    switch (id) {
    case layout::kIdRaveButtons1:
    case layout::kIdRaveButtons2:
    case layout::kIdRaveButtons3:
    case layout::kIdRaveButtons4: {
        // A disabled button ignores presses, whichever way they come (the dialog manager's Enter
        // included); so does every button while an enable or disable sequence runs.
        const CommandButton& button = raveButtons_.at(static_cast<std::size_t>(ButtonIndex(id)));
        if (code != BN_CLICKED || sequenceRunning_ || !button.IsEnabled()) {
            return;
        }
        if (id == layout::kIdRaveButtons1) {
            RunSequence(settings::EnableMultiInstance);
        } else if (id == layout::kIdRaveButtons2) {
            RunSequence(settings::DisableMultiInstance);
        } else if (id == layout::kIdRaveButtons3) {
            settings::RemoveAds(registry_, *this);
        } else {
            settings::ReinstateAds(registry_, *this);
        }
        focus_.KeepFocusOnEnabledControl();
        return;
    }
    case layout::kIdCheck1:
        // A press toggles the box, then the command reads its new state. While a sequence runs the
        // box ignores presses as the buttons do: its state and the registry stay as they are.
        if (code == BN_CLICKED && !sequenceRunning_) {
            SetCheck1(Check1() == settings::kChecked ? settings::kUnchecked : settings::kChecked);
            settings::BottomAdCheckChanged(registry_, *this);
        }
        return;
    case layout::kIdImage1:
        if (code == STN_CLICKED) {
            openUrl_(kToolbarPageUrl);
        }
        return;
    default:
        return;
    }
}

void Form1::OnSetCursor(HWND under) {
    // The banner's tooltip is made when the mouse first comes over the banner, not at start-up:
    // nothing else needs it. A child asks its parent about the cursor before the mouse message
    // reaches the child itself, so the tooltip, which watches the banner's own messages, already
    // sees the message that brought the mouse.
    if (under != nullptr && under == image1_ && tooltip_ == nullptr) {
        tooltip_ = CreateTooltip(hwnd_, image1_, layout::kImage1Tooltip);
    }
}

void Form1::RunSequence(void (*command)(const registry::RegistryMod&, settings::ControlSet&)) {
    sequenceRunning_ = true;
    command(registry_, *this);
    sequenceRunning_ = false;
}

bool Form1::OnDrawItem(const DRAWITEMSTRUCT& item) {
    for (const CommandButton& button : raveButtons_) {
        if (button.Draw(item)) {
            return true;
        }
    }
    if (item.CtlType == ODT_LISTBOX && item.hwndItem == list1_) {
        DrawList1Item(item);
        return true;
    }
    if (item.CtlType == ODT_STATIC && item.hwndItem == image1_) {
        if (!banner_) {
            FillRect(item.hDC, &item.rcItem, backgroundBrush_.get());
        }
        banner_.Draw(item.hDC, item.rcItem);
        return true;
    }
    return false;
}

void Form1::OnMeasureItem(MEASUREITEMSTRUCT& item) const {
    // Asked while List1 is being created; FitList1Lines sets the real height once it exists.
    if (item.CtlType == ODT_LISTBOX && item.CtlID == layout::kIdList1) {
        item.itemHeight = static_cast<UINT>(MulDiv(13, static_cast<int>(dpi_), 96));
    }
}

void Form1::DrawList1Item(const DRAWITEMSTRUCT& item) const {
    FillRect(item.hDC, &item.rcItem, list1Brush_.get());
    if (item.itemID == static_cast<UINT>(-1)) {
        return;
    }
    const auto length = SendMessageW(list1_, LB_GETTEXTLEN, item.itemID, 0);
    if (length <= 0) {
        return;
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(list1_, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()))));
    const SelectedObject font(item.hDC, font_.get());
    // The list is always disabled; its lines are greyed as a disabled list's are.
    SetTextColor(item.hDC,
                 (item.itemState & ODS_DISABLED) != 0 ? colours_.list1Greyed : colours_.list1Text);
    SetBkMode(item.hDC, TRANSPARENT);
    RECT textRect = item.rcItem;
    textRect.left += ScaleFrom96(2, dpi_);
    DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &textRect,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
}

LRESULT Form1::OnControlColour(UINT message, HDC dc, HWND control) {
    if (message == WM_CTLCOLORLISTBOX && control == list1_) {
        SetTextColor(dc, colours_.list1Greyed);
        SetBkColor(dc, colours_.list1);
        return reinterpret_cast<LRESULT>(list1Brush_.get());
    }
    if (message == WM_CTLCOLORSTATIC && (control == check1_ || control == frame1_)) {
        SetTextColor(dc, control == check1_ ? colours_.check1Text : colours_.frameText);
        SetBkColor(dc, colours_.form);
        return reinterpret_cast<LRESULT>(backgroundBrush_.get());
    }
    if (message == WM_CTLCOLORBTN) {
        // Around the command buttons.
        SetBkColor(dc, colours_.form);
        return reinterpret_cast<LRESULT>(backgroundBrush_.get());
    }
    return DefWindowProcW(hwnd_, message, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
}

void Form1::PaintContent(HDC dc, const RECT& area) const {
    FillRect(dc, &area, backgroundBrush_.get());
}

void Form1::OnGetMinMaxInfo(MINMAXINFO& info) const {
    // A fixed size: neither dragging nor maximising can reveal the controls below the client area.
    const SIZE size = WindowSize();
    info.ptMinTrackSize = POINT{size.cx, size.cy};
    info.ptMaxTrackSize = POINT{size.cx, size.cy};
    info.ptMaxSize = POINT{size.cx, size.cy};
}

void Form1::OnDpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    MakeFonts();
    PlaceControls();
    // The suggested place keeps the window under the mouse while it is dragged between screens;
    // the size is the client area's at the new DPI.
    SizeToClientArea(suggested.left, suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

// Reads whether High Contrast is on and takes the colours that go with it: at start-up, and when
// the setting or the system's colours change while the window is open.
void Form1::UseColourScheme() {
    colours_ = FormColoursFor(highContrastOn_ && highContrastOn_());
    backgroundBrush_ = OwnedBrush(CreateSolidBrush(colours_.form));
    list1Brush_ = OwnedBrush(CreateSolidBrush(colours_.list1));
    if (hwnd_ == nullptr) {
        return;
    }
    for (CommandButton& button : raveButtons_) {
        button.SetHighContrast(colours_.highContrast);
    }
    if (frame1_ != nullptr) {
        SetFramePlainLine(frame1_, colours_.highContrast);
    }
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Form1::OnNcDestroy() {
    // The children are gone with the window; nothing may touch them from here on.
    hwnd_ = nullptr;
    list1_ = text1_ = frame1_ = text2_ = check1_ = image1_ = tooltip_ = nullptr;
    focus_.Detach();
}

// ---- The control set ----------------------------------------------------------------------------

void Form1::ClearList1() {
    if (list1_ != nullptr) {
        SendMessageW(list1_, LB_RESETCONTENT, 0, 0);
    }
}

void Form1::AddList1Line(const std::string& line) {
    if (list1_ != nullptr) {
        SendMessageW(list1_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FromAnsi(line).c_str()));
        ShowNewestList1Line();
    }
}

void Form1::ShowNewestList1Line() {
    // The user cannot scroll the disabled list, so it scrolls itself to keep the newest line in
    // view: the last full page of lines is shown.
    const auto count = SendMessageW(list1_, LB_GETCOUNT, 0, 0);
    const auto lineHeight = SendMessageW(list1_, LB_GETITEMHEIGHT, 0, 0);
    RECT client{};
    GetClientRect(list1_, &client);
    if (count <= 0 || lineHeight <= 0) {
        return;
    }
    const LRESULT visible = std::max<LRESULT>(1, client.bottom / lineHeight);
    SendMessageW(list1_, LB_SETTOPINDEX, static_cast<WPARAM>(std::max<LRESULT>(0, count - visible)),
                 0);
}

void Form1::SetRaveButtons1Enabled(bool enabled) {
    if (hwnd_ != nullptr) {
        raveButtons_[0].SetEnabled(enabled);
        // Whether Enter on a control that is no button presses it.
        focus_.SettleLater();
    }
}

void Form1::SetRaveButtons2Enabled(bool enabled) {
    if (hwnd_ != nullptr) {
        raveButtons_[1].SetEnabled(enabled);
    }
}

std::string Form1::WindowTextOf(HWND window) {
    if (window == nullptr) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return ToAnsi(text);
}

void Form1::SetText1(const std::string& text) {
    if (text1_ != nullptr) {
        SetWindowTextW(text1_, FromAnsi(text).c_str());
    }
}

std::string Form1::Text1() const {
    return WindowTextOf(text1_);
}

void Form1::SetText2(const std::string& text) {
    if (text2_ != nullptr) {
        SetWindowTextW(text2_, FromAnsi(text).c_str());
    }
}

std::string Form1::Text2() const {
    return WindowTextOf(text2_);
}

int Form1::Check1() const {
    if (check1_ == nullptr) {
        return settings::kUnchecked;
    }
    switch (SendMessageW(check1_, BM_GETCHECK, 0, 0)) {
    case BST_CHECKED:
        return settings::kChecked;
    case BST_INDETERMINATE:
        return settings::kGreyed;
    default:
        return settings::kUnchecked;
    }
}

void Form1::SetCheck1(int state) {
    // BM_SETCHECK sends no BN_CLICKED: the caller runs the check box command when it must.
    if (check1_ != nullptr) {
        const WPARAM check = state == settings::kChecked  ? BST_CHECKED
                             : state == settings::kGreyed ? BST_INDETERMINATE
                                                          : BST_UNCHECKED;
        SendMessageW(check1_, BM_SETCHECK, check, 0);
    }
}

void Form1::StayOnTop() {
    if (hwnd_ != nullptr) {
        // At start-up this ends the load event: the registry has been read by now.
        MarkStartup(timeline_, StartupMoment::kStateRead);
        ui::StayOnTop(hwnd_);
    }
}

bool Form1::Pause(double seconds) {
    if (hwnd_ == nullptr) {
        return false;
    }
    const bool timeUp = ui::Pause(seconds, hwnd_);
    return timeUp && hwnd_ != nullptr;
}

}  // namespace corvelle::ui
