#include "ui/PixelCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>

#include "ui/GdiHandles.h"

namespace corvelle::ui::testing {

int Capture::Count(COLORREF colour) const {
    int count = 0;
    for (const COLORREF pixel : pixels) {
        count += pixel == colour ? 1 : 0;
    }
    return count;
}

RECT Capture::Bounds(COLORREF colour) const {
    RECT box{width, height, 0, 0};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (At(x, y) == colour) {
                box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                           std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
            }
        }
    }
    return box.left < box.right ? box : RECT{0, 0, 0, 0};
}

int Capture::CountOther(COLORREF colour) const {
    return static_cast<int>(pixels.size()) - Count(colour);
}

int Capture::DistinctColours() const {
    return static_cast<int>(std::set<COLORREF>(pixels.begin(), pixels.end()).size());
}

Capture CaptureDrawing(int width, int height, COLORREF backdrop,
                       const std::function<void(HDC)>& draw) {
    Capture capture;
    capture.width = width;
    capture.height = height;
    const BITMAPINFO info = TopDown32BitDib(width, height);
    void* bits = nullptr;
    const OwnedBitmap target(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const MemoryDc dc(nullptr);
    if (!target || bits == nullptr || !dc) {
        ADD_FAILURE() << "no bitmap to draw into";
        return capture;
    }
    {
        const SelectedObject selected(dc.get(), target.get());
        const RECT all{0, 0, width, height};
        const OwnedBrush brush(CreateSolidBrush(backdrop));
        FillRect(dc.get(), &all, brush.get());
        draw(dc.get());
        GdiFlush();
    }
    const auto* raw = static_cast<const std::uint32_t*>(bits);  // 0x00RRGGBB
    capture.pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * static_cast<std::size_t>(height); ++i) {
        const std::uint32_t pixel = raw[i];
        capture.pixels.push_back(RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF));
    }
    return capture;
}

}  // namespace corvelle::ui::testing
