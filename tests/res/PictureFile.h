#pragma once
// Reading the committed pictures: the whole file, and the little-endian fields of its headers.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corvelle::res {

// The bytes of src/ui/res/<name>; throws std::runtime_error when the file cannot be read.
std::vector<std::uint8_t> ReadPicture(const std::string& name);

// Reads fields in order; every read past the end throws std::out_of_range, so a truncated or
// mislabelled file fails the test that reads it instead of reading garbage.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes, std::size_t offset = 0);

    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    std::int32_t I32();
    std::span<const std::uint8_t> Bytes(std::size_t count);
    std::string Text(std::size_t count);

    std::size_t Offset() const { return offset_; }
    std::size_t Left() const { return bytes_.size() - offset_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t offset_;
};

}  // namespace corvelle::res
