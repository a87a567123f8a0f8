#include "registry/ValueText.h"

#include <gtest/gtest.h>

#include <vector>

#include "registry/RegistryApi.h"

namespace corvelle::registry {
namespace {

struct Case {
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
    std::string text;
};

TEST(ValueText, TextFormOfEachType) {
    const Case cases[] = {
        {type::kDword, {1, 0, 0, 0}, "001"},
        {type::kDword, {0, 0, 0, 0}, "000"},
        {type::kDword, {42, 0, 0, 0}, "042"},
        {type::kDword, {0xD2, 0x04, 0, 0}, "1234"},
        {type::kDword, {0, 0, 0, 0x80}, "2147483648"},
        {type::kDword, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
        {type::kDword, {}, "000"},
        {type::kDword, {5}, "005"},
        {type::kDword, {1, 2, 3, 4, 5, 6, 7, 8}, "67305985"},
        {type::kBinary, {0x0A, 0xFF, 0x00}, "0AFF00"},
        {type::kBinary, {}, ""},
        {type::kSz, {'*', 0}, "*"},
        {type::kSz, {0}, ""},
        {type::kSz, {}, ""},
        {type::kSz, {'0', '0', '1', 0}, "001"},
        {type::kSz, {'a', 'b'}, "a"},
        {type::kMultiSz, {'a', 0, 'b', 0, 0}, std::string("a\0b\0", 4)},
        {type::kExpandSz, {'%', 'X', '%', 0}, "%X%"},
        {type::kQword, {1, 0, 0, 0, 0, 0, 0, 0}, std::string("\1\0\0\0\0\0\0", 7)},
        {type::kNone, {0xE9, 0}, "\xE9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ValueText(c.type, c.bytes), c.text) << "type " << c.type << ", " << c.bytes.size() << " bytes";
    }
}

}  // namespace
}  // namespace corvelle::registry
