// The banner as the window gets it: the GIF's first frame pixel for pixel, and nothing worse than an
// empty picture from damaged data.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "res/GifReader.h"
#include "res/PictureFile.h"
#include "ui/BannerPicture.h"
#include "ui/PixelCapture.h"

namespace corvelle::ui::testing {
namespace {

constexpr COLORREF kUnpainted = RGB(255, 0, 255);

Capture DrawAtOwnSize(const BannerPicture& picture) {
    const SIZE size = picture.size();
    return CaptureDrawing(size.cx, size.cy, kUnpainted, [&picture, size](HDC dc) {
        picture.Draw(dc, RECT{0, 0, size.cx, size.cy});
    });
}

BannerPicture Decode(const std::vector<std::uint8_t>& bytes, std::size_t length) {
    return BannerPicture(bytes.data(), static_cast<UINT>(length));
}

TEST(BannerPicture, IsTheFirstFrameExactlyAsTheFileHoldsIt) {
    const std::vector<std::uint8_t> bytes = res::ReadPicture("banner.gif");
    const res::GifFile gif = res::ReadGif(bytes);
    const BannerPicture picture = Decode(bytes, bytes.size());
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture.size().cx, gif.width);
    ASSERT_EQ(picture.size().cy, gif.height);
    const res::GifImage& first = gif.images.at(0);
    ASSERT_EQ(first.width, gif.width) << "the first frame covers the picture";
    ASSERT_EQ(first.height, gif.height);

    const Capture drawn = DrawAtOwnSize(picture);
    constexpr std::size_t kGlobalTable = 13;  // just after the logical screen descriptor
    int wrong = 0;
    for (int y = 0; y < drawn.height; ++y) {
        for (int x = 0; x < drawn.width; ++x) {
            const std::size_t entry = kGlobalTable + 3 * first.indices.at(y * drawn.width + x);
            wrong += drawn.At(x, y) == RGB(bytes[entry], bytes[entry + 1], bytes[entry + 2]) ? 0 : 1;
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels differing from the file's first frame";
}

TEST(BannerPicture, DamagedDataGivesAnEmptyOrAWholePicture) {
    std::vector<std::uint8_t> bytes = res::ReadPicture("banner.gif");
    // Cut short anywhere: in the header, a colour table, an extension, the pixel data.
    for (std::size_t length = 0; length < bytes.size(); length += 97) {
        SCOPED_TRACE("first " + std::to_string(length) + " bytes");
        const BannerPicture picture = Decode(bytes, length);
        if (picture) {
            EXPECT_EQ(picture.size().cx, 234);
            EXPECT_EQ(DrawAtOwnSize(picture).Count(kUnpainted), 0);
        }
    }
    EXPECT_FALSE(BannerPicture(static_cast<const BYTE*>(nullptr), 0));

    // The first frame moved to reach past the right and bottom edges is cut off there; what it
    // leaves uncovered shows the background colour.
    const std::size_t frameStart = [&bytes] {
        for (std::size_t i = 13 + 3 * 64; i < bytes.size(); ++i) {
            if (bytes[i] == 0x2C) {  // the first image descriptor
                return i;
            }
            if (bytes[i] == 0x21) {  // an extension: skip its sub-blocks
                for (i += 2; bytes.at(i) != 0; i += bytes[i] + 1) {
                }
            }
        }
        return std::size_t{0};
    }();
    ASSERT_NE(frameStart, 0u);
    bytes[frameStart + 1] = 200;  // left
    bytes[frameStart + 3] = 30;   // top
    const BannerPicture moved = Decode(bytes, bytes.size());
    ASSERT_TRUE(moved);
    const Capture drawn = DrawAtOwnSize(moved);
    EXPECT_EQ(drawn.Count(kUnpainted), 0);
    EXPECT_EQ(drawn.At(0, 0), drawn.At(199, 29)) << "uncovered: one background colour";
}

}  // namespace
}  // namespace corvelle::ui::testing
