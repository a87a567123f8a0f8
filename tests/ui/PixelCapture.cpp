#include "ui/PixelCapture.h"

#include <algorithm>
#include <set>

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

}  // namespace corvelle::ui::testing
