// Feeds a type code and data bytes to ValueText and checks the text against each type's rule:
// REG_DWORD decimal with at least three digits equal to the little-endian number, REG_BINARY two
// upper-case hex digits a byte, anything else the bytes less the last one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "registry/RegistryApi.h"
#include "registry/ValueText.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckDword(std::span<const std::uint8_t> data, const std::string& text) {
    std::uint64_t expected = 0;
    for (std::size_t i = 0; i < 4 && i < data.size(); ++i) {
        expected |= std::uint64_t{data[i]} << (8 * i);
    }
    Require(text.size() >= 3 && text.size() <= 10);
    std::uint64_t number = 0;
    for (const char c : text) {
        Require(c >= '0' && c <= '9');
        number = number * 10 + static_cast<std::uint64_t>(c - '0');
    }
    Require(number == expected);
    Require(expected < 100 ? text.size() == 3 : text.front() != '0');
}

void CheckBinary(std::span<const std::uint8_t> data, const std::string& text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    Require(text.size() == 2 * data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        Require(text[2 * i] == kDigits[data[i] >> 4] && text[2 * i + 1] == kDigits[data[i] & 15]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    // The first four bytes are the type code, so rare and unknown codes are reached too.
    const std::uint32_t valueType = std::uint32_t{input[0]} | std::uint32_t{input[1]} << 8 |
                                    std::uint32_t{input[2]} << 16 | std::uint32_t{input[3]} << 24;
    const std::span<const std::uint8_t> data(input + 4, size - 4);
    const std::string text = corvelle::registry::ValueText(valueType, data);
    if (valueType == corvelle::registry::type::kDword) {
        CheckDword(data, text);
    } else if (valueType == corvelle::registry::type::kBinary) {
        CheckBinary(data, text);
    } else {
        const std::size_t length = data.empty() ? 0 : data.size() - 1;
        Require(text.size() == length &&
                text == std::string(reinterpret_cast<const char*>(data.data()), length));
    }
    return 0;
}
