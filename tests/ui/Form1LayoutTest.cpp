// Form1 as it comes up: the window, every control's place, kind, text and state at 96 DPI, the
// start-up state on a fresh and on a patched registry, colours and fonts as painted, the tooltip.

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "ui/FormLayout.h"
#include "ui/Form1TestSupport.h"

namespace corvelle::ui::testing {
namespace {

using namespace layout;


bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ") " +
           std::to_string(r.right - r.left) + " x " + std::to_string(r.bottom - r.top);
}

struct ExpectedControl {
    ControlId id;
    const char* name;
    const wchar_t* windowClass;
    bool inFrame1;
    RECT pixels;  // at 96 DPI, in the container's client coordinates
    bool tabStop;
    const wchar_t* text;
};

// The designed pixel figures, written out rather than computed from the layout table.
constexpr ExpectedControl kExpected[] = {
    {kIdList1, "List1", L"ListBox", false, {8, 8, 161, 64}, false, L""},
    {kIdRaveButtons1, "RaveButtons1", L"Button", false, {168, 8, 273, 33}, true,
     L"Enable Corvelle"},
    {kIdRaveButtons2, "RaveButtons2", L"Button", false, {168, 40, 273, 65}, true,
     L"Disable Corvelle"},
    {kIdText1, "Text1", L"Edit", false, {24, 184, 49, 203}, true, nullptr},
    {kIdFrame1, "Frame1", L"CorvelleFrame", false, {8, 72, 273, 121}, false, L"YM Ad Killer: "},
    {kIdRaveButtons3, "RaveButtons3", L"Button", true, {16, 16, 121, 41}, true, L"Remove Ads"},
    {kIdRaveButtons4, "RaveButtons4", L"Button", true, {144, 16, 249, 41}, true,
     L"Reinstate Ads"},
    {kIdText2, "Text2", L"Edit", false, {64, 184, 129, 203}, true, nullptr},
    {kIdCheck1, "Check1", L"Button", false, {16, 216, 257, 233}, true,
     L"Remove YM ad [bottom of Yahoo Messenger]"},
    {kIdImage1, "Image1", L"Static", false, {24, 128, 258, 167}, false, L""},
};

TEST_F(Form1Test, WindowIsFixedTopmostCentredWithTheDesignedClientArea) {
    Start();
    EXPECT_EQ(WindowText(Form()), L" Corvelle + Ad Killer");
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(Form(), GWL_STYLE));
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0U);
    EXPECT_TRUE(IsWindowVisible(Form()));
    EXPECT_NE(GetClassLongPtrW(Form(), GCLP_HICON), 0U) << "the icon resource";
    EXPECT_NE(GetWindowLongPtrW(Form(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    RECT client{};
    GetClientRect(Form(), &client);
    EXPECT_EQ(client.right, 282);
    EXPECT_EQ(client.bottom, 174);

    RECT window{};
    GetWindowRect(Form(), &window);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR(window.left + window.right, screenWidth, 1);
    EXPECT_NEAR(window.top + window.bottom, screenHeight, 1);

    // Neither dragging nor maximising may enlarge it to show the controls below the client area.
    MINMAXINFO limits{};
    SendMessageW(Form(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMaxTrackSize.x, window.right - window.left);
    EXPECT_EQ(limits.ptMaxTrackSize.y, window.bottom - window.top);
    EXPECT_EQ(limits.ptMaxSize.y, window.bottom - window.top);
}

TEST_F(Form1Test, EveryControlHasItsPlaceKindTextAndTabStop) {
    Start();
    RECT client{};
    GetClientRect(Form(), &client);
    for (const ExpectedControl& expected : kExpected) {
        SCOPED_TRACE(expected.name);
        const HWND control = Control(expected.id);
        ASSERT_NE(control, nullptr);
        const HWND container = expected.inFrame1 ? Control(kIdFrame1) : Form();
        EXPECT_EQ(GetParent(control), container);
        EXPECT_EQ(GetDlgCtrlID(control), expected.id);
        EXPECT_EQ(ClassName(control), expected.windowClass);
        const RECT actual = RectInParent(control);
        EXPECT_TRUE(SameRect(actual, expected.pixels))
            << Describe(actual) << " instead of " << Describe(expected.pixels);
        EXPECT_TRUE(IsWindowVisible(control)) << "hidden only by lying below the client area";
        const auto style = GetWindowLongPtrW(control, GWL_STYLE);
        EXPECT_EQ((style & WS_TABSTOP) != 0, expected.tabStop);
        if (expected.text != nullptr) {
            EXPECT_EQ(WindowText(control), expected.text);
        }
    }
    // The hidden three lie wholly below the client area, the rest wholly inside it.
    for (const ControlId hidden : {kIdText1, kIdText2, kIdCheck1}) {
        EXPECT_GE(RectInParent(Control(hidden)).top, client.bottom);
    }
    for (const ControlId shown : {kIdList1, kIdRaveButtons1, kIdRaveButtons2, kIdFrame1, kIdImage1}) {
        EXPECT_LE(RectInParent(Control(shown)).bottom, client.bottom);
    }
    EXPECT_EQ(GetWindowLongPtrW(Control(kIdCheck1), GWL_STYLE) & BS_TYPEMASK, BS_CHECKBOX);
    EXPECT_NE(GetWindowLongPtrW(Control(kIdImage1), GWL_STYLE) & SS_NOTIFY, 0);
}

TEST_F(Form1Test, FreshRegistryOffersEnableAndWritesNothing) {
    Start();
    EXPECT_EQ(List1Lines(), std::vector<std::string>{"YM not patched."});
    EXPECT_FALSE(IsWindowEnabled(Control(kIdList1)));
    EXPECT_TRUE(IsWindowEnabled(Control(kIdRaveButtons1)));
    EXPECT_FALSE(IsWindowEnabled(Control(kIdRaveButtons2)));
    EXPECT_TRUE(IsWindowEnabled(Control(kIdRaveButtons3)));
    EXPECT_TRUE(IsWindowEnabled(Control(kIdRaveButtons4)));
    EXPECT_EQ(WindowText(Control(kIdText1)), L"Not Found");
    EXPECT_EQ(WindowText(Control(kIdText2)), L"Not Found");
    EXPECT_EQ(SendMessageW(Control(kIdCheck1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Yahoo", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    // The keyboard starts on the first control that takes it.
    EXPECT_EQ(GetFocus(), Control(kIdRaveButtons1));
}

TEST_F(Form1Test, PatchedRegistryOffersDisableAndChecksTheBox) {
    WriteDword(kTestKey, "Plural", 1);
    WriteString(kYUrlKey, "Messenger Ad", "*");
    Start();
    EXPECT_EQ(List1Lines(), std::vector<std::string>{"YM already patched!"});
    EXPECT_FALSE(IsWindowEnabled(Control(kIdRaveButtons1)));
    EXPECT_TRUE(IsWindowEnabled(Control(kIdRaveButtons2)));
    EXPECT_EQ(WindowText(Control(kIdText1)), L"001");
    EXPECT_EQ(WindowText(Control(kIdText2)), L"*");
    EXPECT_EQ(SendMessageW(Control(kIdCheck1), BM_GETCHECK, 0, 0), BST_CHECKED);
    // Checking the box at start-up ran its command: the other copies were written.
    EXPECT_EQ(ReadString("Software\\Yahoo\\yui", "Messenger Ad"), "*");
    EXPECT_EQ(ReadString("Software\\Yahoo", "Messenger Ad"), "*");
    EXPECT_EQ(GetFocus(), Control(kIdRaveButtons2));
    // The focused button is the default one, not the disabled Enable.
    EXPECT_NE(SendMessageW(Control(kIdRaveButtons2), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, 0);
    EXPECT_EQ(SendMessageW(Control(kIdRaveButtons1), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, 0);
    EXPECT_NE(GetWindowLongPtrW(Form(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

TEST_F(Form1Test, FontsAreMsSansSerifAtTheWindowsDpiAndTheFrameCaptionBold) {
    Start();
    ASSERT_EQ(form_->dpi(), 96U);
    for (const ControlId id : {kIdList1, kIdText1, kIdText2, kIdCheck1, kIdFrame1}) {
        SCOPED_TRACE(static_cast<int>(id));
        const auto font = reinterpret_cast<HFONT>(SendMessageW(Control(id), WM_GETFONT, 0, 0));
        LOGFONTW logFont{};
        ASSERT_EQ(GetObjectW(font, sizeof(logFont), &logFont), static_cast<int>(sizeof(logFont)));
        EXPECT_STREQ(logFont.lfFaceName, L"MS Sans Serif");
        EXPECT_EQ(logFont.lfHeight, -11);
        EXPECT_EQ(logFont.lfWeight, id == kIdFrame1 ? FW_BOLD : FW_NORMAL);
    }
}

TEST_F(Form1Test, ColoursAsPainted) {
    Start();
    constexpr COLORREF kBackground = RGB(0x8B, 0xA2, 0xC2);

    const Capture form = CaptureClient(Form());
    EXPECT_EQ(form.CountOther(kBackground), 0) << "the window paints only its background";

    // The disabled list: its own grey background, and its line drawn greyed, never in black.
    const Capture list = CaptureClient(Control(kIdList1));
    EXPECT_GT(list.Count(RGB(0xE0, 0xE0, 0xE0)), list.width * list.height / 2);
    EXPECT_GT(list.Count(GetSysColor(COLOR_GRAYTEXT)), 10) << "the status line is greyed";
    EXPECT_EQ(list.Count(RGB(0, 0, 0)), 0);

    // The check box, painted although nobody sees it: its text dark red on the window's colour.
    const Capture check = CaptureClient(Control(kIdCheck1));
    EXPECT_GT(check.Count(kBackground), check.width * check.height / 2);
    EXPECT_GT(check.Count(RGB(0x80, 0x00, 0x00)), 10);

    const Capture frame = CaptureClient(Control(kIdFrame1));
    EXPECT_GT(frame.Count(kBackground), frame.width * frame.height / 2);
    EXPECT_GT(frame.Count(GetSysColor(COLOR_BTNTEXT)), 10) << "the caption";

    // The banner fills Image1 with a picture, not a flat colour.
    const Capture image = CaptureClient(Control(kIdImage1));
    EXPECT_EQ(image.Count(RGB(255, 0, 255)), 0) << "parts of Image1 left unpainted";
    EXPECT_GT(image.DistinctColours(), 8);
}

// The tooltips the form owns.
std::vector<HWND> TooltipsOf(HWND form) {
    struct Search {
        HWND owner;
        std::vector<HWND> tooltips;
    } search{form, {}};
    // A callback of the system's calling convention (stdcall on x86), which a lambda is not.
    struct Finder {
        static BOOL CALLBACK Visit(HWND window, LPARAM data) {
            auto* found = reinterpret_cast<Search*>(data);
            if (ClassName(window) == TOOLTIPS_CLASSW && GetWindow(window, GW_OWNER) == found->owner) {
                found->tooltips.push_back(window);
            }
            return TRUE;
        }
    };
    EnumThreadWindows(GetCurrentThreadId(), Finder::Visit, reinterpret_cast<LPARAM>(&search));
    return search.tooltips;
}

TEST_F(Form1Test, Image1HasItsTooltipAndTakesTheMouse) {
    SetCursorPos(0, 0);  // away from where the window comes up
    Start();
    // The tooltip is made on the first hover, not at start-up.
    EXPECT_TRUE(TooltipsOf(Form()).empty());

    // The mouse over the banner reaches the banner itself (a plain static would let it through).
    const RECT image = RectInParent(Control(kIdImage1));
    POINT centre{(image.left + image.right) / 2, (image.top + image.bottom) / 2};
    ClientToScreen(Form(), &centre);
    EXPECT_EQ(WindowFromPoint(centre), Control(kIdImage1));

    MoveMouseOver(Form(), Control(kIdImage1));
    const std::vector<HWND> tooltips = TooltipsOf(Form());
    ASSERT_EQ(tooltips.size(), 1U);
    HWND tooltip = tooltips.front();
    EXPECT_NE(GetWindowLongPtrW(tooltip, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_NE(GetWindowLongPtrW(Form(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "topmost with a tooltip";
    ASSERT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
    wchar_t text[128] = {};
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = Form();
    tool.uId = reinterpret_cast<UINT_PTR>(Control(kIdImage1));
    tool.lpszText = text;
    SendMessageW(tooltip, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, L"Click here for an info page about our sweet toolbar for IE and Firefox!");

    // The mouse that brought the tooltip into being is the one it answers: resting there, the tip
    // shows without another move.
    const DWORD start = GetTickCount();
    while (!IsWindowVisible(tooltip) && GetTickCount() - start < 5000) {
        MsgWaitForMultipleObjectsEx(0, nullptr, 50, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        PumpMessages(Form());
    }
    EXPECT_TRUE(IsWindowVisible(tooltip));

    // More moves make no second tooltip.
    MoveMouseOver(Form(), Control(kIdList1));
    MoveMouseOver(Form(), Control(kIdImage1));
    EXPECT_EQ(TooltipsOf(Form()), tooltips);
}

}  // namespace
}  // namespace corvelle::ui::testing
