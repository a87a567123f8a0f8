#pragma once
// The text form of registry data as ReadValue returns it.

#include <cstdint>
#include <span>
#include <string>

namespace corvelle::registry {

// REG_DWORD: the first four bytes as an unsigned little-endian number (bytes the data do not cover
// count as 0), in decimal with at least three digits ("001", "042", "1234").
// REG_BINARY: every byte as two upper-case hex digits ("0AFF00").
// Any other type: the bytes less the last one (a string's terminating zero), taken as ANSI text.
std::string ValueText(std::uint32_t type, std::span<const std::uint8_t> data);

}  // namespace corvelle::registry
