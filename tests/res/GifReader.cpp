#include "res/GifReader.h"

#include <stdexcept>

#include "res/GifLzw.h"
#include "res/PictureFile.h"

namespace corvelle::res {
namespace {

constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kImage = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::uint8_t kGraphicControl = 0xF9;
constexpr std::uint8_t kApplication = 0xFF;

// Data sub-blocks: a length byte, that many bytes, and so on up to a zero length.
std::vector<std::uint8_t> ReadSubBlocks(ByteReader& in) {
    std::vector<std::uint8_t> data;
    while (const std::uint8_t length = in.U8()) {
        const auto block = in.Bytes(length);
        data.insert(data.end(), block.begin(), block.end());
    }
    return data;
}

void ReadApplication(ByteReader& in, GifFile& gif) {
    if (in.U8() != 11) {
        throw std::runtime_error("application block identifier is not 11 bytes");
    }
    const std::string id = in.Text(11);
    const auto data = ReadSubBlocks(in);
    if (id == "NETSCAPE2.0") {
        if (data.size() != 3 || data[0] != 1) {
            throw std::runtime_error("NETSCAPE2.0 block without a loop sub-block");
        }
        gif.loopCount = static_cast<std::uint16_t>(data[1] | data[2] << 8);
    }
}

std::uint16_t ReadGraphicControl(ByteReader& in) {
    if (in.U8() != 4) {
        throw std::runtime_error("graphic control block is not 4 bytes");
    }
    in.U8();  // disposal and flags
    const std::uint16_t delay = in.U16();
    in.U8();  // transparent index
    if (in.U8() != 0) {
        throw std::runtime_error("graphic control block not terminated");
    }
    return delay;
}

GifImage ReadImage(ByteReader& in, std::optional<std::uint16_t> delay) {
    GifImage image;
    image.left = in.U16();
    image.top = in.U16();
    image.width = in.U16();
    image.height = in.U16();
    const std::uint8_t flags = in.U8();
    image.localColourTable = (flags & 0x80) != 0;
    image.interlaced = (flags & 0x40) != 0;
    if (image.localColourTable) {
        in.Bytes(3u << ((flags & 7) + 1));
    }
    image.delay = delay;
    const int minCodeSize = in.U8();
    image.indices = DecodeGifLzw(ReadSubBlocks(in), minCodeSize);
    return image;
}

}  // namespace

GifFile ReadGif(std::span<const std::uint8_t> bytes) {
    ByteReader in(bytes);
    GifFile gif;
    gif.signature = in.Text(6);
    gif.width = in.U16();
    gif.height = in.U16();
    const std::uint8_t flags = in.U8();
    in.U8();  // background colour index
    in.U8();  // pixel aspect ratio
    gif.globalColourTable = (flags & 0x80) != 0;
    if (gif.globalColourTable) {
        gif.globalColours = std::size_t{2} << (flags & 7);
        in.Bytes(3 * gif.globalColours);
    }

    std::optional<std::uint16_t> pendingDelay;
    for (;;) {
        const std::uint8_t introducer = in.U8();
        if (introducer == kTrailer) {
            if (in.Left() != 0) {
                throw std::runtime_error("bytes after the trailer");
            }
            return gif;
        }
        if (introducer == kImage) {
            gif.images.push_back(ReadImage(in, pendingDelay));
            pendingDelay.reset();
        } else if (introducer == kExtension) {
            const std::uint8_t label = in.U8();
            if (label == kGraphicControl) {
                pendingDelay = ReadGraphicControl(in);
            } else if (label == kApplication) {
                ReadApplication(in, gif);
            } else {
                in.Bytes(in.U8());
                ReadSubBlocks(in);
            }
        } else {
            throw std::runtime_error("unknown block " + std::to_string(introducer) + " at offset " +
                                     std::to_string(in.Offset() - 1));
        }
    }
}

}  // namespace corvelle::res
