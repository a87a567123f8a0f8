// The button as the program has it: linked with the executable's resources, so the manifest
// selects the common controls 6 BUTTON class, and the stored pictures load by resource id.

#include <windows.h>

#include <gtest/gtest.h>
#include <string>

#include "ui/ButtonTestSupport.h"
#include "ui/CommandButton.h"
#include "ui/GdiHandles.h"
#include "ui/res/resource.h"

namespace corvelle::ui::testing {
namespace {

TEST(CommandButtonInTheProgram, TheButtonClassIsCommonControls6) {
    // The window procedure of the button lives in the side-by-side common controls 6 library
    // that the manifest names. (Asked by path: Wine's version 6 library answers DllGetVersion
    // with 5.x.)
    TestWindow parent(nullptr);
    const CommandButton button(parent.hwnd(), kId, RECT{0, 0, 105, 25}, 96, TestSettings());
    ASSERT_NE(button.hwnd(), nullptr);
    HMODULE library = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(GetWindowLongPtrW(button.hwnd(), GWLP_WNDPROC)), &library));
    wchar_t path[MAX_PATH]{};
    ASSERT_NE(GetModuleFileNameW(library, path, MAX_PATH), 0u);
    std::wstring lower(path);
    CharLowerW(lower.data());
    EXPECT_NE(lower.find(L"common-controls"), std::wstring::npos) << lower;
    EXPECT_NE(lower.find(L"_6.0."), std::wstring::npos) << lower;
}

TEST_F(CommandButtonTest, StoredPicturesLoadByIdWithTheirMaskColourTransparent) {
    for (const WORD id : {IDB_BUTTON1, IDB_BUTTON2, IDB_BUTTON3, IDB_BUTTON4}) {
        ButtonSettings settings = TestSettings();
        settings.picn = id;
        Make(settings);
        const Capture byId = Render(button.hwnd());
        EXPECT_EQ(byId.Count(kMask), 0) << "mask colour drawn, picture " << id;

        // The same bitmap handed over directly draws the same.
        settings.picn = 0;
        Make(settings);
        const OwnedBitmap loaded(static_cast<HBITMAP>(LoadImageW(
            GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        ASSERT_TRUE(loaded) << id;
        const Capture withoutPicture = Render(button.hwnd());
        button.SetPicture(loaded.get());
        const Capture handed = Render(button.hwnd());
        EXPECT_EQ(byId.pixels, handed.pixels) << id;
        EXPECT_NE(byId.pixels, withoutPicture.pixels) << "no picture drawn, picture " << id;
    }
}

}  // namespace
}  // namespace corvelle::ui::testing
