// The window icon as committed: one 32 x 32 image with a 256-colour palette and its AND mask.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "res/PictureFile.h"

namespace corvelle::res {
namespace {

constexpr int kIconSide = 32;
constexpr std::size_t kPaletteBytes = 256 * 4;
constexpr std::size_t kXorBytes = kIconSide * kIconSide;     // one byte per pixel, rows already 4-aligned
constexpr std::size_t kMaskStride = 4;               // 32 bits a row
constexpr std::size_t kMaskBytes = kMaskStride * kIconSide;

TEST(WindowIcon, OneEntryOf32By32In256Colours) {
    const auto bytes = ReadPicture("corvelle.ico");
    ByteReader in(bytes);
    EXPECT_EQ(in.U16(), 0);  // reserved
    EXPECT_EQ(in.U16(), 1) << "resource type 1 is an icon";
    ASSERT_EQ(in.U16(), 1) << "image count";
    EXPECT_EQ(in.U8(), kIconSide);
    EXPECT_EQ(in.U8(), kIconSide);
    EXPECT_EQ(in.U8(), 0) << "colour count 0 stands for 256";
    EXPECT_EQ(in.U8(), 0);  // reserved
    EXPECT_EQ(in.U16(), 1) << "planes";
    EXPECT_EQ(in.U16(), 8) << "bits per pixel";
    const std::uint32_t size = in.U32();
    const std::uint32_t offset = in.U32();
    ASSERT_EQ(std::size_t{offset} + size, bytes.size()) << "the entry must span the rest of the file";

    ByteReader image(bytes, offset);
    EXPECT_EQ(image.U32(), 40u) << "BITMAPINFOHEADER";
    EXPECT_EQ(image.I32(), kIconSide);
    EXPECT_EQ(image.I32(), 2 * kIconSide) << "an icon's header counts the image and its mask";
    EXPECT_EQ(image.U16(), 1);
    EXPECT_EQ(image.U16(), 8);
    EXPECT_EQ(image.U32(), 0u) << "uncompressed";
    image.Bytes(12);  // image size and resolution, which readers recompute
    const std::uint32_t coloursUsed = image.U32();
    EXPECT_TRUE(coloursUsed == 0 || coloursUsed == 256) << coloursUsed;
    image.U32();  // important colours
    EXPECT_EQ(size, 40 + kPaletteBytes + kXorBytes + kMaskBytes);
}

// Where the mask says transparent, the screen is combined with the image's colour: anything but
// black there tints the desktop around the icon. And the icon must be more than its mask.
TEST(WindowIcon, TransparentPixelsAreBlackAndOpaqueOnesVaried) {
    const auto bytes = ReadPicture("corvelle.ico");
    ByteReader in(bytes, 6 + 12);
    ByteReader image(bytes, in.U32() + 40);
    const auto palette = image.Bytes(kPaletteBytes);
    const auto pixels = image.Bytes(kXorBytes);
    const auto mask = image.Bytes(kMaskBytes);

    int transparent = 0;
    std::vector<bool> used(256);
    for (std::size_t row = 0; row < kIconSide; ++row) {
        for (std::size_t x = 0; x < kIconSide; ++x) {
            const std::uint8_t index = pixels[row * kIconSide + x];
            const bool masked = (mask[row * kMaskStride + x / 8] & (0x80 >> (x % 8))) != 0;
            if (masked) {
                ++transparent;
                const auto colour = palette.subspan(index * 4u, 3);
                EXPECT_TRUE(colour[0] == 0 && colour[1] == 0 && colour[2] == 0)
                    << "pixel " << x << " of row " << row << " from the bottom";
            } else {
                used[index] = true;
            }
        }
    }
    EXPECT_GT(transparent, 0) << "the corners should show the desktop";
    EXPECT_LT(transparent, kIconSide * kIconSide / 2);
    EXPECT_GE(std::count(used.begin(), used.end(), true), 16);
}

}  // namespace
}  // namespace corvelle::res
