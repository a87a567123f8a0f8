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
    Capture capture;
    capture.width = client.right;
    capture.height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = capture.width;
    info.bmiHeader.biHeight = -capture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const OwnedBitmap target(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const MemoryDc dc(nullptr);
    if (!target || bits == nullptr || !dc) {
        ADD_FAILURE() << "no bitmap to render into";
        return capture;
    }
    {
        const SelectedObject selected(dc.get(), target.get());
        const OwnedBrush backdrop(CreateSolidBrush(kBackdrop));
        FillRect(dc.get(), &client, backdrop.get());
        SendMessageW(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
        GdiFlush();
    }
    const auto* raw = static_cast<const std::uint32_t*>(bits);
    capture.pixels.reserve(static_cast<std::size_t>(capture.width * capture.height));
    for (int i = 0; i < capture.width * capture.height; ++i) {
        const std::uint32_t pixel = raw[i];
        capture.pixels.push_back(RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF));
    }
    return capture;
}

bool IsNeutralGrey(COLORREF colour) {
    return GetRValue(colour) == GetGValue(colour) && GetGValue(colour) == GetBValue(colour);
}

}  // namespace corvelle::ui::testing
