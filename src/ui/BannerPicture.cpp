#include "ui/BannerPicture.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace corvelle::ui {

namespace {

// The resource's bytes; resources stay mapped for the module's life and are not freed.
bool ResourceBytes(HINSTANCE module, WORD resourceId, const BYTE*& data, UINT& size) {
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(resourceId), RT_RCDATA);
    HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    data = loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    size = data != nullptr ? SizeofResource(module, resource) : 0;
    return data != nullptr && size != 0;
}

// What giflib has still to read of the resource.
struct UnreadBytes {
    const BYTE* next;
    UINT count;
};

// giflib's input function: hands out the next bytes, fewer (or none) at the end.
int ReadGifBytes(GifFileType* gif, GifByteType* buffer, int wanted) {
    auto* unread = static_cast<UnreadBytes*>(gif->UserData);
    const UINT count = std::min(unread->count, static_cast<UINT>(std::max(wanted, 0)));
    std::copy_n(unread->next, count, buffer);
    unread->next += count;
    unread->count -= count;
    return static_cast<int>(count);
}

struct CloseGif {
    void operator()(GifFileType* gif) const noexcept {
        int error = D_GIF_SUCCEEDED;
        DGifCloseFile(gif, &error);
    }
};
using OwnedGif = std::unique_ptr<GifFileType, CloseGif>;

// 0x00RRGGBB, as a 32-bit DIB holds it.
std::uint32_t Pixel(const GifColorType& colour) {
    return (std::uint32_t{colour.Red} << 16) | (std::uint32_t{colour.Green} << 8) | colour.Blue;
}

// The first frame on the logical screen: the screen's background colour where the frame does not
// reach or is transparent, as a GIF viewer shows it before the first frame is replaced.
OwnedBitmap FirstFrame(GifFileType& gif) {
    const SavedImage& frame = gif.SavedImages[0];
    const GifImageDesc& place = frame.ImageDesc;
    const ColorMapObject* colours = place.ColorMap != nullptr ? place.ColorMap : gif.SColorMap;
    if (colours == nullptr || frame.RasterBits == nullptr || gif.SWidth <= 0 || gif.SHeight <= 0) {
        return {};
    }
    GraphicsControlBlock control{};
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(&gif, 0, &control);

    const BITMAPINFO info = TopDown32BitDib(gif.SWidth, gif.SHeight);
    void* bits = nullptr;
    OwnedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr) {
        return {};
    }
    const auto width = static_cast<std::size_t>(gif.SWidth);
    const auto height = static_cast<std::size_t>(gif.SHeight);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    const bool hasBackground = gif.SColorMap != nullptr && gif.SBackGroundColor >= 0 &&
                               gif.SBackGroundColor < gif.SColorMap->ColorCount;
    std::fill_n(pixels, width * height,
                hasBackground ? Pixel(gif.SColorMap->Colors[gif.SBackGroundColor]) : 0);

    // giflib has de-interlaced the rows; a frame reaching past the screen is cut off at its edge.
    const int rows = std::min(place.Height, gif.SHeight - place.Top);
    const int columns = std::min(place.Width, gif.SWidth - place.Left);
    for (int row = 0; row < rows; ++row) {
        const GifByteType* indices = frame.RasterBits + static_cast<std::size_t>(row) * place.Width;
        std::uint32_t* line = pixels + static_cast<std::size_t>(place.Top + row) * width + place.Left;
        for (int column = 0; column < columns; ++column) {
            const int index = indices[column];
            if (index != control.TransparentColor && index < colours->ColorCount) {
                line[column] = Pixel(colours->Colors[index]);
            }
        }
    }
    GdiFlush();
    return bitmap;
}

}  // namespace

BannerPicture::BannerPicture(HINSTANCE module, WORD resourceId) {
    const BYTE* data = nullptr;
    UINT byteCount = 0;
    if (ResourceBytes(module, resourceId, data, byteCount)) {
        Decode(data, byteCount);
    }
}

BannerPicture::BannerPicture(const BYTE* data, UINT byteCount) {
    Decode(data, byteCount);
}

// giflib decodes the banner in a fraction of a millisecond and needs no DLL; each of the platform's
// decoders (the OLE picture, WIC, GDI+) would first load the COM run time and the imaging codecs,
// which costs more than creating the whole window.
void BannerPicture::Decode(const BYTE* data, UINT byteCount) {
    if (data == nullptr) {
        return;
    }
    UnreadBytes unread{data, byteCount};
    int error = D_GIF_SUCCEEDED;
    const OwnedGif gif(DGifOpen(&unread, ReadGifBytes, &error));
    if (!gif || DGifSlurp(gif.get()) != GIF_OK || gif->ImageCount < 1) {
        return;
    }
    bitmap_ = FirstFrame(*gif);
    if (bitmap_) {
        size_ = SIZE{gif->SWidth, gif->SHeight};
    }
}

void BannerPicture::Draw(HDC dc, const RECT& target) const {
    if (!bitmap_) {
        return;
    }
    const MemoryDc source(dc);
    if (!source) {
        return;
    }
    const SelectedObject selected(source.get(), bitmap_.get());
    // HALFTONE averages the rows that squeezing drops instead of skipping them.
    const int previousMode = SetStretchBltMode(dc, HALFTONE);
    POINT previousOrigin{};
    SetBrushOrgEx(dc, 0, 0, &previousOrigin);
    StretchBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top,
               source.get(), 0, 0, size_.cx, size_.cy, SRCCOPY);
    SetBrushOrgEx(dc, previousOrigin.x, previousOrigin.y, nullptr);
    SetStretchBltMode(dc, previousMode);
}

}  // namespace corvelle::ui
