#pragma once
// A command button's picture, prepared once for drawing: a 32-bit premultiplied-alpha copy in which
// the mask colour is transparent, and a greyed copy for the disabled look. Both are drawn with
// GdiAlphaBlend (gdi32's own AlphaBlend, which msimg32 only forwards to), which also stretches them
// to the DPI-scaled size.

#include <windows.h>

#include "ui/GdiHandles.h"

namespace corvelle::ui {

class ButtonPicture {
public:
    ButtonPicture() = default;
    // Copies source (the caller keeps it). When useMask, pixels of maskColour become transparent.
    ButtonPicture(HBITMAP source, COLORREF maskColour, bool useMask);

    explicit operator bool() const noexcept { return static_cast<bool>(normal_); }
    // The source's size in pixels.
    SIZE size() const noexcept { return size_; }
    // Draws into target (stretched to it), greyed or in colour.
    void Draw(HDC dc, const RECT& target, bool greyed) const;

private:
    OwnedBitmap normal_;
    OwnedBitmap greyed_;
    SIZE size_{0, 0};
};

}  // namespace corvelle::ui
