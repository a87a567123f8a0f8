#include "ui/BannerPicture.h"

#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>

#include <memory>

namespace corvelle::ui {

namespace {

namespace gdip = Gdiplus::DllExports;

// GDI+ is started for one decode and shut down again; the GDI bitmap it hands out outlives it.
class GdiplusSession {
public:
    GdiplusSession() {
        const Gdiplus::GdiplusStartupInput input;
        started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    ~GdiplusSession() {
        if (started_) {
            Gdiplus::GdiplusShutdown(token_);
        }
    }
    explicit operator bool() const noexcept { return started_; }

private:
    ULONG_PTR token_ = 0;
    bool started_ = false;
};

struct ReleaseStream {
    void operator()(IStream* stream) const noexcept { stream->Release(); }
};
using OwnedStream = std::unique_ptr<IStream, ReleaseStream>;

struct DisposeImage {
    void operator()(Gdiplus::GpBitmap* bitmap) const noexcept { gdip::GdipDisposeImage(bitmap); }
};
using OwnedGpBitmap = std::unique_ptr<Gdiplus::GpBitmap, DisposeImage>;

// The resource's bytes; resources stay mapped for the module's life and are not freed.
bool ResourceBytes(HINSTANCE module, WORD resourceId, const BYTE*& data, UINT& size) {
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(resourceId), RT_RCDATA);
    HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    data = loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    size = data != nullptr ? SizeofResource(module, resource) : 0;
    return data != nullptr && size != 0;
}

}  // namespace

BannerPicture::BannerPicture(HINSTANCE module, WORD resourceId) {
    const BYTE* data = nullptr;
    UINT byteCount = 0;
    if (!ResourceBytes(module, resourceId, data, byteCount)) {
        return;
    }
    const GdiplusSession session;
    if (!session) {
        return;
    }
    const OwnedStream stream(SHCreateMemStream(data, byteCount));
    if (!stream) {
        return;
    }
    Gdiplus::GpBitmap* decoded = nullptr;
    if (gdip::GdipCreateBitmapFromStream(stream.get(), &decoded) != Gdiplus::Ok) {
        return;
    }
    const OwnedGpBitmap image(decoded);
    // A new image's active frame is its first one, which is the whole picture.
    UINT width = 0;
    UINT height = 0;
    HBITMAP bitmap = nullptr;
    if (gdip::GdipGetImageWidth(image.get(), &width) != Gdiplus::Ok ||
        gdip::GdipGetImageHeight(image.get(), &height) != Gdiplus::Ok ||
        gdip::GdipCreateHBITMAPFromBitmap(image.get(), &bitmap, 0xFFFFFFFF) != Gdiplus::Ok) {
        return;
    }
    bitmap_.reset(bitmap);
    size_ = SIZE{static_cast<LONG>(width), static_cast<LONG>(height)};
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
