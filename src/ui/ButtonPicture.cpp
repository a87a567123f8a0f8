#include "ui/ButtonPicture.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace corvelle::ui {

namespace {

constexpr std::uint32_t Red(std::uint32_t pixel) { return (pixel >> 16) & 0xFF; }
constexpr std::uint32_t Green(std::uint32_t pixel) { return (pixel >> 8) & 0xFF; }
constexpr std::uint32_t Blue(std::uint32_t pixel) { return pixel & 0xFF; }
constexpr std::uint32_t Opaque(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// A light grey of the pixel's brightness, the usual disabled look of a picture.
constexpr std::uint32_t Greyed(std::uint32_t pixel) {
    const std::uint32_t luma = (Red(pixel) * 299 + Green(pixel) * 587 + Blue(pixel) * 114) / 1000;
    const std::uint32_t grey = 128 + luma / 2;
    return Opaque(grey, grey, grey);
}

// A DIB section holding the pixels (premultiplied alpha, as GdiAlphaBlend expects).
OwnedBitmap MakeDib(const std::vector<std::uint32_t>& pixels, LONG width, LONG height) {
    BITMAPINFO info = TopDown32BitDib(width, height);
    void* bits = nullptr;
    OwnedBitmap dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (dib && bits != nullptr) {
        auto* target = static_cast<std::uint32_t*>(bits);
        std::copy(pixels.begin(), pixels.end(), target);
        GdiFlush();
    }
    return dib;
}

}  // namespace

ButtonPicture::ButtonPicture(HBITMAP source, COLORREF maskColour, bool useMask) {
    BITMAP header{};
    if (source == nullptr || GetObjectW(source, sizeof header, &header) == 0 || header.bmWidth <= 0 ||
        header.bmHeight <= 0) {
        return;
    }
    const LONG width = header.bmWidth;
    const LONG height = header.bmHeight;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    BITMAPINFO info = TopDown32BitDib(width, height);
    {
        const MemoryDc dc(nullptr);
        if (GetDIBits(dc.get(), source, 0, static_cast<UINT>(height), pixels.data(), &info,
                      DIB_RGB_COLORS) != height) {
            return;
        }
    }

    std::vector<std::uint32_t> greyed(pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t pixel = pixels[i];
        const bool transparent = useMask && Red(pixel) == GetRValue(maskColour) &&
                                 Green(pixel) == GetGValue(maskColour) &&
                                 Blue(pixel) == GetBValue(maskColour);
        // Fully transparent pixels are zero in every channel once premultiplied.
        pixels[i] = transparent ? 0 : Opaque(Red(pixel), Green(pixel), Blue(pixel));
        greyed[i] = transparent ? 0 : Greyed(pixel);
    }
    OwnedBitmap normal = MakeDib(pixels, width, height);
    OwnedBitmap grey = MakeDib(greyed, width, height);
    if (normal && grey) {
        normal_ = std::move(normal);
        greyed_ = std::move(grey);
        size_ = SIZE{width, height};
    }
}

void ButtonPicture::Draw(HDC dc, const RECT& target, bool greyed) const {
    if (!normal_) {
        return;
    }
    const MemoryDc source(dc);
    const SelectedObject selected(source.get(), greyed ? greyed_.get() : normal_.get());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(dc, target.left, target.top, target.right - target.left,
                  target.bottom - target.top, source.get(), 0, 0, size_.cx, size_.cy, blend);
}

}  // namespace corvelle::ui
