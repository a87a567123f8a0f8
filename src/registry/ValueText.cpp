#include "registry/ValueText.h"

#include "registry/RegistryApi.h"

namespace corvelle::registry {

namespace {

std::string DwordText(std::span<const std::uint8_t> data) {
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < 4 && i < data.size(); ++i) {
        number |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    }
    std::string text = std::to_string(number);
    if (text.size() < 3) {
        text.insert(0, 3 - text.size(), '0');
    }
    return text;
}

std::string BinaryText(std::span<const std::uint8_t> data) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(data.size() * 2);
    for (const std::uint8_t byte : data) {
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0x0F];
    }
    return text;
}

}  // namespace

std::string ValueText(std::uint32_t valueType, std::span<const std::uint8_t> data) {
    switch (valueType) {
    case type::kDword:
        return DwordText(data);
    case type::kBinary:
        return BinaryText(data);
    default:
        // Strings and everything else: the bytes as ANSI text, less the last one, which for a
        // string is its terminating zero. Inner zeros (a multi-string's separators) stay.
        if (data.empty()) {
            return {};
        }
        return {reinterpret_cast<const char*>(data.data()), data.size() - 1};
    }
}

}  // namespace corvelle::registry
