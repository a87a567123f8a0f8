#pragma once
// The banner shown by Image1: the first frame of a GIF held as an RCDATA resource, decoded by the
// GIF decoder into a GDI bitmap once, and drawn still, stretched to whatever rectangle it is given.

#include <windows.h>

#include "ui/GdiHandles.h"

namespace corvelle::ui {

class BannerPicture {
public:
    // No picture: Draw does nothing.
    BannerPicture() = default;
    // Decodes the resource; the picture stays empty when the resource is missing or undecodable.
    BannerPicture(HINSTANCE module, WORD resourceId);
    // Decodes a GIF's bytes; the picture stays empty when they cannot be decoded.
    BannerPicture(const BYTE* data, UINT byteCount);

    explicit operator bool() const noexcept { return static_cast<bool>(bitmap_); }
    // The picture's own size in pixels.
    SIZE size() const noexcept { return size_; }

    // Draws the picture stretched (or squeezed) to target.
    void Draw(HDC dc, const RECT& target) const;

private:
    void Decode(const BYTE* data, UINT byteCount);

    OwnedBitmap bitmap_;
    SIZE size_{0, 0};
};

}  // namespace corvelle::ui
