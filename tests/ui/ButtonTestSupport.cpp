#include "ui/ButtonTestSupport.h"

#include <algorithm>
#include <cstdint>

namespace corvelle::ui::testing {

ButtonSettings TestSettings() {
    return ButtonSettings{.tx = L"Enable Corvelle",
                          .bcol = kFace,
                          .bcolo = kHoverFace,
                          .fcol = kCaption,
                          .fcolo = kCaption,
                          .mcol = kMask};
}

OwnedBitmap MakeTestPicture() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 16;
    info.bmiHeader.biHeight = 16;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    OwnedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap && bits != nullptr) {
        auto* bytes = static_cast<std::uint8_t*>(bits);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const COLORREF colour = x < 8 ? kMask : kPicture;
                std::uint8_t* pixel = bytes + y * 48 + x * 3;  // rows of 48 bytes, blue first
                pixel[0] = GetBValue(colour);
                pixel[1] = GetGValue(colour);
                pixel[2] = GetRValue(colour);
            }
        }
        GdiFlush();
    }
    return bitmap;
}

Capture Render(HWND button) {
    RECT client{};
    GetClientRect(button, &client);
    return CaptureDrawing(client.right, client.bottom, kBackdrop, [button](HDC dc) {
        SendMessageW(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
}

bool IsNeutralGrey(COLORREF colour) {
    return GetRValue(colour) == GetGValue(colour) && GetGValue(colour) == GetBValue(colour);
}

}  // namespace corvelle::ui::testing
