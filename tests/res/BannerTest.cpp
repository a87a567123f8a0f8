// The banner GIF as committed: the structure the window and any viewer rely on.

#include <gtest/gtest.h>

#include <algorithm>

#include "res/GifReader.h"
#include "res/PictureFile.h"

namespace corvelle::res {
namespace {

class BannerGif : public ::testing::Test {
protected:
    const GifFile& Gif() const { return gif_; }

private:
    GifFile gif_ = ReadGif(ReadPicture("banner.gif"));
};

TEST_F(BannerGif, ScreenPaletteAndLooping) {
    EXPECT_EQ(Gif().signature, "GIF89a");
    EXPECT_EQ(Gif().width, 234);
    EXPECT_EQ(Gif().height, 60);
    EXPECT_TRUE(Gif().globalColourTable);
    EXPECT_EQ(Gif().globalColours, 64u);
    ASSERT_TRUE(Gif().loopCount.has_value()) << "no NETSCAPE2.0 block";
    EXPECT_EQ(*Gif().loopCount, 0) << "0 repeats forever";
}

TEST_F(BannerGif, FourFramesWithTheirRectanglesAndDelays) {
    struct Expected {
        std::uint16_t left, top, width, height, delay;
    };
    const Expected expected[] = {
        {0, 0, 234, 60, 20},
        {147, 2, 87, 58, 20},
        {147, 2, 87, 58, 20},
        {147, 2, 87, 58, 500},
    };
    ASSERT_EQ(Gif().images.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const GifImage& image = Gif().images[i];
        SCOPED_TRACE("frame " + std::to_string(i + 1));
        EXPECT_EQ(image.left, expected[i].left);
        EXPECT_EQ(image.top, expected[i].top);
        EXPECT_EQ(image.width, expected[i].width);
        EXPECT_EQ(image.height, expected[i].height);
        ASSERT_TRUE(image.delay.has_value()) << "no graphic control block";
        EXPECT_EQ(*image.delay, expected[i].delay);
        EXPECT_LE(image.left + image.width, Gif().width);
        EXPECT_LE(image.top + image.height, Gif().height);
    }
}

// Every frame must decode to exactly one index per pixel, each within the 64-colour global table:
// a viewer shows a short frame with a hole and may reject a long one.
TEST_F(BannerGif, EachFrameDecodesToOneGlobalColourPerPixel) {
    for (std::size_t i = 0; i < Gif().images.size(); ++i) {
        const GifImage& image = Gif().images[i];
        SCOPED_TRACE("frame " + std::to_string(i + 1));
        EXPECT_FALSE(image.localColourTable);
        EXPECT_FALSE(image.interlaced);
        EXPECT_EQ(image.indices.size(), std::size_t{image.width} * image.height);
        ASSERT_FALSE(image.indices.empty());
        EXPECT_LT(*std::max_element(image.indices.begin(), image.indices.end()), Gif().globalColours);
    }
}

// The window shows the first frame alone, so it must be a picture, not a flat fill.
TEST_F(BannerGif, FirstFrameHasContent) {
    const auto& indices = Gif().images.at(0).indices;
    std::vector<bool> used(256);
    for (const std::uint8_t index : indices) {
        used[index] = true;
    }
    EXPECT_GE(std::count(used.begin(), used.end(), true), 16);
}

}  // namespace
}  // namespace corvelle::res
