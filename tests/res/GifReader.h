#pragma once
// The block structure of a GIF file, read strictly, with each image's pixels decoded.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvelle::res {

struct GifImage {
    std::uint16_t left = 0, top = 0, width = 0, height = 0;
    std::optional<std::uint16_t> delay;  // hundredths of a second, from the graphic control block
    bool localColourTable = false;
    bool interlaced = false;
    std::vector<std::uint8_t> indices;  // the decoded colour indices, row after row
};

struct GifFile {
    std::string signature;
    std::uint16_t width = 0, height = 0;
    bool globalColourTable = false;
    std::size_t globalColours = 0;
    std::optional<std::uint16_t> loopCount;  // from the NETSCAPE2.0 application block
    std::vector<GifImage> images;
};

// Throws on any block it does not know, on a missing trailer, and on bad LZW data.
GifFile ReadGif(std::span<const std::uint8_t> bytes);

}  // namespace corvelle::res
