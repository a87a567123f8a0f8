#include "ui/CommandButton.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "ui/ButtonTestSupport.h"
#include "ui/GdiHandles.h"
#include "ui/TestWindow.h"

namespace corvelle::ui::testing {
namespace {


TEST_F(CommandButtonTest, IsAnOwnerDrawnTabStopButtonWhoseTextIsTheCaption) {
    Make(TestSettings());
    wchar_t className[32]{};
    GetClassNameW(button.hwnd(), className, 32);
    EXPECT_EQ(CompareStringOrdinal(className, -1, L"Button", -1, TRUE), CSTR_EQUAL) << className;
    wchar_t text[64]{};
    GetWindowTextW(button.hwnd(), text, 64);
    EXPECT_STREQ(text, L"Enable Corvelle");

    const LONG_PTR style = GetWindowLongPtrW(button.hwnd(), GWL_STYLE);
    EXPECT_EQ(style & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_NE(style & WS_TABSTOP, 0);
    EXPECT_NE(style & WS_CHILD, 0);
    EXPECT_NE(style & WS_VISIBLE, 0);
    EXPECT_EQ(GetDlgCtrlID(button.hwnd()), kId);
    EXPECT_EQ(GetParent(button.hwnd()), parent.hwnd());
    EXPECT_TRUE(button.IsEnabled());

    RECT bounds{};
    GetWindowRect(button.hwnd(), &bounds);
    MapWindowPoints(nullptr, parent.hwnd(), reinterpret_cast<POINT*>(&bounds), 2);
    const RECT expected{10, 10, 115, 35};
    EXPECT_TRUE(EqualRect(&bounds, &expected))
        << bounds.left << "," << bounds.top << " " << bounds.right << "," << bounds.bottom;
}

TEST_F(CommandButtonTest, FontHeightFollowsTheDpi) {
    struct Case {
        UINT dpi;
        LONG height;  // 8.25 points
    };
    for (const Case c : {Case{96, -11}, Case{120, -14}, Case{144, -17}, Case{192, -22}}) {
        Make(TestSettings(), c.dpi);
        const auto font = reinterpret_cast<HFONT>(SendMessageW(button.hwnd(), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr) << c.dpi;
        LOGFONTW logFont{};
        ASSERT_NE(GetObjectW(font, sizeof logFont, &logFont), 0) << c.dpi;
        EXPECT_EQ(logFont.lfHeight, c.height) << c.dpi;
        EXPECT_EQ(logFont.lfWeight, FW_NORMAL) << c.dpi;
        EXPECT_STREQ(logFont.lfFaceName, L"MS Sans Serif") << c.dpi;
    }
}

TEST(CommandButtonExtent, StoredExtentsGiveThePixelSize) {
    struct Case {
        std::int32_t extent;
        UINT dpi;
        int pixels;
    };
    for (const Case c : {Case{2778, 96, 105}, Case{661, 96, 25}, Case{2778, 192, 210},
                         Case{661, 192, 50}, Case{0, 96, 0}}) {
        EXPECT_EQ(CommandButton::ExtentToPixels(c.extent, c.dpi), c.pixels)
            << c.extent << " at " << c.dpi;
    }
}

// --- Presses -------------------------------------------------------------------------------------

TEST_F(CommandButtonTest, BmClickSendsExactlyOneClickNotification) {
    Make(TestSettings());
    SendMessageW(button.hwnd(), BM_CLICK, 0, 0);
    const std::vector<Click> clicks = Clicks();
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].id, kId);
    EXPECT_EQ(clicks[0].code, BN_CLICKED);
}

TEST_F(CommandButtonTest, DisabledButtonIgnoresPressesUntilEnabledAgain) {
    struct Case {
        const char* how;
        bool enabAtCreation;
        bool disableLater;
    };
    for (const Case c : {Case{"enab false", false, false}, Case{"SetEnabled(false)", true, true}}) {
        commands.clear();
        ButtonSettings settings = TestSettings();
        settings.enab = c.enabAtCreation;
        Make(std::move(settings));
        if (c.disableLater) {
            button.SetEnabled(false);
        }
        EXPECT_FALSE(button.IsEnabled()) << c.how;
        EXPECT_FALSE(IsWindowEnabled(button.hwnd())) << c.how;
        SendMessageW(button.hwnd(), BM_CLICK, 0, 0);
        EXPECT_TRUE(Clicks().empty()) << c.how;

        button.SetEnabled(true);
        SendMessageW(button.hwnd(), BM_CLICK, 0, 0);
        EXPECT_EQ(Clicks().size(), 1u) << c.how;
    }
}

TEST_F(CommandButtonTest, SpaceKeyPressesTheFocusedButton) {
    Make(TestSettings());
    SetFocus(button.hwnd());
    ASSERT_EQ(GetFocus(), button.hwnd());
    // The parent hears of the focus (BS_NOTIFY), so that it can make the button its default.
    EXPECT_TRUE(std::any_of(commands.begin(), commands.end(), [this](const Click& c) {
        return c.from == button.hwnd() && c.code == BN_SETFOCUS;
    }));
    SendMessageW(button.hwnd(), WM_KEYDOWN, VK_SPACE, 0x00390001);
    EXPECT_TRUE(Clicks().empty()) << "a press completes on release";
    SendMessageW(button.hwnd(), WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0390001u));
    const std::vector<Click> clicks = Clicks();
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].code, BN_CLICKED);
}

TEST_F(CommandButtonTest, StaysOwnerDrawnWhenMadeTheDefaultButton) {
    Make(TestSettings());
    const Capture plain = Render(button.hwnd());
    // The dialog manager sets the default button this way.
    SendMessageW(button.hwnd(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_TRUE(button.IsDefault());
    EXPECT_EQ(GetWindowLongPtrW(button.hwnd(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_NE(SendMessageW(button.hwnd(), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, 0);
    EXPECT_EQ(Render(button.hwnd()).At(0, 0), GetSysColor(COLOR_WINDOWFRAME) & 0xFFFFFF);

    button.SetDefault(false);
    EXPECT_FALSE(button.IsDefault());
    EXPECT_EQ(GetWindowLongPtrW(button.hwnd(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_NE(SendMessageW(button.hwnd(), WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON, 0);
    EXPECT_EQ(Render(button.hwnd()).pixels, plain.pixels);
}

// --- The look ------------------------------------------------------------------------------------

TEST_F(CommandButtonTest, DrawsFaceCaptionAndPictureWithMaskColourTransparent) {
    struct Case {
        bool umcol;
        COLORREF leftHalf;  // where the picture holds the mask colour
    };
    for (const Case c : {Case{true, kFace}, Case{false, kMask}}) {
        ButtonSettings settings = TestSettings();
        settings.umcol = c.umcol;
        MakeWithPicture(std::move(settings));
        const Capture shot = Render(button.hwnd());
        ASSERT_EQ(shot.width, 105);
        ASSERT_EQ(shot.height, 25);
        EXPECT_EQ(shot.Count(kBackdrop), 0) << "left undrawn";
        EXPECT_EQ(shot.At(3, 3), kFace);
        EXPECT_EQ(shot.At(shot.width - 4, shot.height - 4), kFace);
        EXPECT_GT(shot.Count(kCaption), 0) << "no caption in its colour";

        // The red half of the picture, 1:1 at 96 DPI, left of the caption.
        const RECT red = shot.Bounds(kPicture);
        ASSERT_EQ(red.right - red.left, 8) << "umcol " << c.umcol;
        ASSERT_EQ(red.bottom - red.top, 16) << "umcol " << c.umcol;
        EXPECT_EQ(shot.Count(kPicture), 128);
        const RECT caption = shot.Bounds(kCaption);
        EXPECT_LT(red.right, caption.left);
        for (int y = red.top; y < red.bottom; ++y) {
            for (int x = red.left - 8; x < red.left; ++x) {
                ASSERT_EQ(shot.At(x, y), c.leftHalf) << "umcol " << c.umcol << " at " << x << "," << y;
            }
        }
    }
}

TEST_F(CommandButtonTest, DisabledGreysCaptionAndPictureUnlessNgrey) {
    for (const bool ngrey : {false, true}) {
        ButtonSettings settings = TestSettings();
        settings.ngrey = ngrey;
        MakeWithPicture(std::move(settings));
        const RECT red = Render(button.hwnd()).Bounds(kPicture);
        ASSERT_EQ(red.right - red.left, 8);

        button.SetEnabled(false);
        const Capture shot = Render(button.hwnd());
        EXPECT_EQ(shot.At(3, 3), kFace);
        EXPECT_EQ(shot.Count(kCaption), 0) << "caption not greyed";
        for (int y = red.top; y < red.bottom; ++y) {
            for (int x = red.left; x < red.right; ++x) {
                if (ngrey) {
                    ASSERT_EQ(shot.At(x, y), kPicture) << x << "," << y;
                } else {
                    ASSERT_TRUE(IsNeutralGrey(shot.At(x, y)) && shot.At(x, y) != kFace)
                        << "picture not greyed at " << x << "," << y;
                }
            }
            for (int x = red.left - 8; x < red.left; ++x) {
                ASSERT_EQ(shot.At(x, y), kFace) << "mask colour drawn when disabled";
            }
        }
    }
}

TEST_F(CommandButtonTest, PressedLookSinksTheEdgeAndShiftsTheContent) {
    MakeWithPicture(TestSettings());
    const Capture up = Render(button.hwnd());
    SendMessageW(button.hwnd(), BM_SETSTATE, TRUE, 0);
    const Capture down = Render(button.hwnd());
    SendMessageW(button.hwnd(), BM_SETSTATE, FALSE, 0);

    EXPECT_NE(up.At(1, 1), down.At(1, 1)) << "edge not sunken";
    const RECT upPicture = up.Bounds(kPicture);
    const RECT downPicture = down.Bounds(kPicture);
    EXPECT_EQ(downPicture.left, upPicture.left + 1);
    EXPECT_EQ(downPicture.top, upPicture.top + 1);
    EXPECT_EQ(Render(button.hwnd()).pixels, up.pixels) << "released look differs from the first";
}

TEST_F(CommandButtonTest, ToggleButtonShowsItsValueAsPushedIn) {
    ButtonSettings settings = TestSettings();
    settings.check = true;
    MakeWithPicture(settings);
    const RECT out = Render(button.hwnd()).Bounds(kPicture);
    button.SetValue(true);
    const RECT in = Render(button.hwnd()).Bounds(kPicture);
    EXPECT_EQ(in.left, out.left + 1);
    EXPECT_EQ(in.top, out.top + 1);

    settings.check = false;  // a value without check is not shown
    settings.value = true;
    MakeWithPicture(settings);
    EXPECT_EQ(Render(button.hwnd()).Bounds(kPicture).left, out.left);
}

TEST_F(CommandButtonTest, DrawGivesTheLentDcBackAsItCameAndLeavesOthersItemsAlone) {
    MakeWithPicture(TestSettings());
    const MemoryDc dc(nullptr);
    const OwnedBitmap target(CreateCompatibleBitmap(dc.get(), 105, 25));
    const SelectedObject selected(dc.get(), target.get());
    SetTextColor(dc.get(), RGB(1, 2, 3));
    SetBkColor(dc.get(), RGB(4, 5, 6));
    SetBkMode(dc.get(), OPAQUE);
    const HGDIOBJ font = GetCurrentObject(dc.get(), OBJ_FONT);
    // Straight to Draw: the BUTTON class itself sets colours in the DC before WM_DRAWITEM.
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = kId;
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = ODS_FOCUS | ODS_SELECTED | ODS_DISABLED;
    item.hwndItem = button.hwnd();
    item.hDC = dc.get();
    item.rcItem = RECT{0, 0, 105, 25};
    ASSERT_TRUE(button.Draw(item));
    EXPECT_EQ(GetTextColor(dc.get()), RGB(1, 2, 3));
    EXPECT_EQ(GetBkColor(dc.get()), RGB(4, 5, 6));
    EXPECT_EQ(GetBkMode(dc.get()), OPAQUE);
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), font);
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), target.get());

    item.hwndItem = parent.hwnd();
    EXPECT_FALSE(button.Draw(item));
    item.hwndItem = button.hwnd();
    item.CtlType = ODT_STATIC;
    EXPECT_FALSE(button.Draw(item));
}

TEST_F(CommandButtonTest, FocusRectangleOnlyWhenFocusr) {
    for (const bool focusr : {true, false}) {
        ButtonSettings settings = TestSettings();
        settings.focusr = focusr;
        Make(std::move(settings));
        SetFocus(parent.hwnd());
        const Capture unfocused = Render(button.hwnd());
        SetFocus(button.hwnd());
        ASSERT_EQ(GetFocus(), button.hwnd());
        // As after keyboard use: focus cues shown.
        SendMessageW(parent.hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
        const Capture focused = Render(button.hwnd());
        if (focusr) {
            EXPECT_NE(focused.pixels, unfocused.pixels) << "no focus rectangle";
            EXPECT_EQ(focused.At(1, 1), unfocused.At(1, 1)) << "focus rectangle drawn over the edge";
            EXPECT_EQ(focused.At(6, 6), kFace) << "focus rectangle drawn over the content";
        } else {
            EXPECT_EQ(focused.pixels, unfocused.pixels);
        }
    }
}

TEST_F(CommandButtonTest, HoverColoursWhileTheMouseIsOver) {
    ButtonSettings settings = TestSettings();
    settings.fcolo = RGB(250, 250, 250);
    Make(std::move(settings));
    SendMessageW(button.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    const Capture over = Render(button.hwnd());
    EXPECT_EQ(over.At(3, 3), kHoverFace);
    EXPECT_GT(over.Count(RGB(250, 250, 250)), 0);
    EXPECT_EQ(over.Count(kCaption), 0);

    SendMessageW(button.hwnd(), WM_MOUSELEAVE, 0, 0);
    const Capture away = Render(button.hwnd());
    EXPECT_EQ(away.At(3, 3), kFace);
    EXPECT_GT(away.Count(kCaption), 0);
}

TEST_F(CommandButtonTest, NewDpiRescalesFontAndPicture) {
    MakeWithPicture(TestSettings(), 96);
    button.SetDpi(144);
    LOGFONTW logFont{};
    const auto font = reinterpret_cast<HFONT>(SendMessageW(button.hwnd(), WM_GETFONT, 0, 0));
    ASSERT_NE(GetObjectW(font, sizeof logFont, &logFont), 0);
    EXPECT_EQ(logFont.lfHeight, -17);
    SetWindowPos(button.hwnd(), nullptr, 0, 0, 158, 38, SWP_NOMOVE | SWP_NOZORDER);
    const RECT red = Render(button.hwnd()).Bounds(kPicture);
    EXPECT_EQ(red.right - red.left, 12);
    EXPECT_EQ(red.bottom - red.top, 24);
}

TEST_F(CommandButtonTest, PictureScalesWithTheDpi) {
    struct Case {
        UINT dpi;
        int side;  // of the whole picture; the red half is half as wide
    };
    for (const Case c : {Case{96, 16}, Case{144, 24}, Case{192, 32}}) {
        MakeWithPicture(TestSettings(), c.dpi);
        const RECT red = Render(button.hwnd()).Bounds(kPicture);
        EXPECT_EQ(red.right - red.left, c.side / 2) << c.dpi;
        EXPECT_EQ(red.bottom - red.top, c.side) << c.dpi;
    }
}

// --- Lifetime ------------------------------------------------------------------------------------

TEST_F(CommandButtonTest, MovedButtonKeepsItsWindowAndBehaviour) {
    Make(TestSettings());
    const HWND window = button.hwnd();
    auto moved = std::make_unique<CommandButton>(std::move(button));
    EXPECT_EQ(button.hwnd(), nullptr);
    EXPECT_EQ(moved->hwnd(), window);
    button = std::move(*moved);  // back, through move assignment
    moved.reset();               // the empty moved-from object destroys nothing
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(button.hwnd(), window);

    // The window's messages reach the object where it now lives.
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Render(window).At(3, 3), kHoverFace);
    SendMessageW(window, BM_CLICK, 0, 0);
    EXPECT_EQ(Clicks().size(), 1u);
}

TEST_F(CommandButtonTest, DestroyingTheButtonDestroysItsWindow) {
    Make(TestSettings());
    const HWND window = button.hwnd();
    button = CommandButton();
    EXPECT_FALSE(IsWindow(window));
}

TEST(CommandButtonLifetime, OutlivingItsParentIsSafe) {
    CommandButton button;
    {
        TestWindow parent(nullptr);
        button = CommandButton(parent.hwnd(), kId, RECT{0, 0, 105, 25}, 96, TestSettings());
        ASSERT_NE(button.hwnd(), nullptr);
    }
    EXPECT_EQ(button.hwnd(), nullptr) << "still holds the handle of a destroyed window";
    button.SetEnabled(true);
    EXPECT_FALSE(button.IsEnabled());
}

}  // namespace
}  // namespace corvelle::ui::testing
