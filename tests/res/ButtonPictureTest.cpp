// The four button pictures as committed: 16 x 16, 24 bits, on the colour the button keys out.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "res/PictureFile.h"

namespace corvelle::res {
namespace {

constexpr int kPictureSide = 16;
constexpr std::size_t kStride = kPictureSide * 3;  // 48 bytes, already a multiple of 4
using Rgb = std::array<std::uint8_t, 3>;
constexpr Rgb kKey = {0xC0, 0xC0, 0xC0};

// Reads the headers, checks them, and returns the pixels top row first.
std::vector<Rgb> ReadButtonPicture(const std::string& name) {
    const auto bytes = ReadPicture(name);
    ByteReader in(bytes);
    EXPECT_EQ(in.Text(2), "BM");
    EXPECT_EQ(in.U32(), bytes.size()) << "file size field";
    in.U32();  // reserved
    const std::uint32_t offset = in.U32();
    EXPECT_EQ(in.U32(), 40u) << "BITMAPINFOHEADER";
    EXPECT_EQ(in.I32(), kPictureSide);
    const std::int32_t height = in.I32();
    EXPECT_EQ(height < 0 ? -height : height, kPictureSide);
    EXPECT_EQ(in.U16(), 1) << "planes";
    EXPECT_EQ(in.U16(), 24) << "bits per pixel";
    EXPECT_EQ(in.U32(), 0u) << "uncompressed";
    EXPECT_EQ(bytes.size(), offset + kStride * kPictureSide);

    ByteReader data(bytes, offset);
    std::vector<Rgb> pixels(kPictureSide * kPictureSide);
    for (int stored = 0; stored < kPictureSide; ++stored) {
        const int row = height > 0 ? kPictureSide - 1 - stored : stored;  // positive height: bottom-up
        const auto line = data.Bytes(kStride);
        for (int x = 0; x < kPictureSide; ++x) {
            pixels[row * kPictureSide + x] = {line[x * 3 + 2], line[x * 3 + 1], line[x * 3]};
        }
    }
    return pixels;
}

TEST(ButtonPictures, KeyedBackgroundAroundDistinctPictures) {
    const std::string names[] = {"button1.bmp", "button2.bmp", "button3.bmp", "button4.bmp"};
    std::vector<std::vector<Rgb>> all;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const auto pixels = ReadButtonPicture(name);
        for (const int corner : {0, kPictureSide - 1, kPictureSide * (kPictureSide - 1), kPictureSide * kPictureSide - 1}) {
            EXPECT_EQ(pixels[corner], kKey) << "corner pixel " << corner << " should be background";
        }
        const auto drawn = std::count_if(pixels.begin(), pixels.end(), [](const Rgb& p) { return p != kKey; });
        EXPECT_GE(drawn, 30) << "too little picture to see";
        EXPECT_LE(drawn, kPictureSide * kPictureSide - 40) << "too little background to look like a symbol";
        for (std::size_t other = 0; other < all.size(); ++other) {
            EXPECT_NE(pixels, all[other]) << "same picture as " << names[other];
        }
        all.push_back(pixels);
    }
}

}  // namespace
}  // namespace corvelle::res
