#pragma once
// What the command button tests share: a parent window that hands WM_DRAWITEM to the button under
// test and records WM_COMMAND, settings with distinctive colours, a test picture, and a capture of
// what the button draws.

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "ui/CommandButton.h"
#include "ui/GdiHandles.h"
#include "ui/TestWindow.h"
#include "ui/PixelCapture.h"

namespace corvelle::ui::testing {

constexpr int kId = 1001;
constexpr COLORREF kFace = RGB(30, 140, 90);
constexpr COLORREF kHoverFace = RGB(240, 200, 40);
constexpr COLORREF kCaption = RGB(0, 0, 160);
constexpr COLORREF kMask = RGB(192, 192, 192);
constexpr COLORREF kPicture = RGB(255, 0, 0);
constexpr COLORREF kBackdrop = RGB(255, 0, 255);  // where nothing was drawn

// The stored settings with the colours above.
ButtonSettings TestSettings();

// A 16 x 16, 24-bit picture: the left half in the mask colour, the right half red.
OwnedBitmap MakeTestPicture();

// What the button draws of itself, read back pixel by pixel.
// Renders the button through WM_PRINTCLIENT, which the BUTTON class answers by sending its parent
// WM_DRAWITEM with the given DC, as it does for WM_PAINT.
Capture Render(HWND button);

bool IsNeutralGrey(COLORREF colour);

struct Click {
    int id;
    int code;
    HWND from;
};

// A parent window that hands WM_DRAWITEM to the button under test and records WM_COMMAND.
class CommandButtonTest : public ::testing::Test {
protected:
    ~CommandButtonTest() override { DiscardMessages(); }

    // Creates the button at 96 DPI unless told otherwise; 105 x 25 is its stored size.
    void Make(ButtonSettings settings, UINT dpi = USER_DEFAULT_SCREEN_DPI) {
        const int width = CommandButton::ExtentToPixels(settings._extentx, dpi);
        const int height = CommandButton::ExtentToPixels(settings._extenty, dpi);
        button = CommandButton(parent.hwnd(), kId, RECT{10, 10, 10 + width, 10 + height}, dpi,
                               std::move(settings));
        ASSERT_NE(button.hwnd(), nullptr);
    }
    void MakeWithPicture(ButtonSettings settings, UINT dpi = USER_DEFAULT_SCREEN_DPI) {
        Make(std::move(settings), dpi);
        const OwnedBitmap picture = MakeTestPicture();
        ASSERT_TRUE(picture);
        button.SetPicture(picture.get());
    }
    // Only the button's own notifications, but for those of the focus coming and going.
    std::vector<Click> Clicks() const {
        std::vector<Click> own;
        for (const Click& click : commands) {
            if (click.from == button.hwnd() && click.code != BN_SETFOCUS &&
                click.code != BN_KILLFOCUS) {
                own.push_back(click);
            }
        }
        return own;
    }

    CommandButton button;
    std::vector<Click> commands;
    TestWindow parent{[this](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        if (message == WM_DRAWITEM) {
            result = TRUE;
            return button.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        }
        if (message == WM_COMMAND) {
            commands.push_back(Click{LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
            result = 0;
            return true;
        }
        return false;
    }};
};

// --- The window: what the platform sees ----------------------------------------------------------

}  // namespace corvelle::ui::testing
