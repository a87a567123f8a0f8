#pragma once
// A strict decoder of a GIF image's LZW data, to check what our encoder wrote. The program itself
// leaves decoding to the platform.

#include <cstdint>
#include <span>
#include <vector>

namespace corvelle::res {

// Decodes the joined data sub-blocks of one image. Throws std::runtime_error on a code the table
// cannot yet hold, on data that ends before the end-of-information code, and on whole bytes left
// after it: the places where an encoder that widens its codes at the wrong moment goes astray.
std::vector<std::uint8_t> DecodeGifLzw(std::span<const std::uint8_t> data, int minCodeSize);

}  // namespace corvelle::res
