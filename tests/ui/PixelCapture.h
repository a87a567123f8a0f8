#pragma once
// Pixels captured from a window in a test, with the questions the tests ask of them.

#include <windows.h>

#include <cstddef>
#include <functional>
#include <vector>

namespace corvelle::ui::testing {

struct Capture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    int Count(COLORREF colour) const;
    int CountOther(COLORREF colour) const;
    int DistinctColours() const;
    // The smallest rectangle holding every pixel of the colour (empty when there is none).
    RECT Bounds(COLORREF colour) const;
};

// The pixels that draw paints into a width x height 32-bit bitmap first filled with backdrop.
Capture CaptureDrawing(int width, int height, COLORREF backdrop,
                       const std::function<void(HDC)>& draw);

}  // namespace corvelle::ui::testing
