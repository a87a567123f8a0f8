#include "res/PictureFile.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace corvelle::res {

std::vector<std::uint8_t> ReadPicture(const std::string& name) {
    const std::string path = std::string(CORVELLE_RES_DIR) + "/" + name;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot open " + path);
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

ByteReader::ByteReader(std::span<const std::uint8_t> bytes, std::size_t offset)
    : bytes_(bytes), offset_(offset) {
    if (offset > bytes.size()) {
        throw std::out_of_range("offset past the end of the file");
    }
}

std::span<const std::uint8_t> ByteReader::Bytes(std::size_t count) {
    if (count > Left()) {
        throw std::out_of_range("read of " + std::to_string(count) + " bytes at offset " +
                                std::to_string(offset_) + " runs past the end of the file");
    }
    const auto field = bytes_.subspan(offset_, count);
    offset_ += count;
    return field;
}

std::uint8_t ByteReader::U8() { return Bytes(1)[0]; }

std::uint16_t ByteReader::U16() {
    const auto b = Bytes(2);
    return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

std::uint32_t ByteReader::U32() {
    const auto b = Bytes(4);
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

std::int32_t ByteReader::I32() { return static_cast<std::int32_t>(U32()); }

std::string ByteReader::Text(std::size_t count) {
    const auto b = Bytes(count);
    return {b.begin(), b.end()};
}

}  // namespace corvelle::res
