// Registry files: the form of each kind of value, and the file's frame (byte-order mark, header,
// sections, CRLF).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/RegFile.h"
#include "registry/RegistryApi.h"

namespace corvelle::cli {
namespace {

namespace type = registry::type;

// UTF-16LE bytes of an ASCII text, each byte of raw as one code unit.
std::vector<std::uint8_t> Utf16(const std::string& raw) {
    std::vector<std::uint8_t> bytes;
    for (const char c : raw) {
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c), 0});
    }
    return bytes;
}

std::string Narrow(const std::u16string& text) {
    std::string narrow;
    for (const char16_t unit : text) {
        narrow += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return narrow;
}

std::string LineFor(const std::optional<StoredValue>& value) {
    const std::string text = Narrow(RegFileText({{"Software\\Yahoo\\", "V", value}}));
    const std::string prefix =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Yahoo]\r\n";
    EXPECT_EQ(text.substr(0, prefix.size()), prefix);
    EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n");
    return text.substr(prefix.size(), text.size() - prefix.size() - 4);
}

TEST(RegFileTest, EachValueIsWrittenInAFormThatGivesBackItsTypeAndBytes) {
    const std::vector<std::pair<std::optional<StoredValue>, std::string>> cases = {
        {std::nullopt, "\"V\"=-"},
        {StoredValue{type::kSz, Utf16(std::string("*\0", 2))}, "\"V\"=\"*\""},
        {StoredValue{type::kSz, Utf16(std::string("\0", 1))}, "\"V\"=\"\""},
        {StoredValue{type::kSz, Utf16(std::string("say \"a\\b\"\0", 10))},
         "\"V\"=\"say \\\"a\\\\b\\\"\""},
        // Not a plain string: no data, no terminating zero, an inner zero, a line break, an odd
        // byte count.
        {StoredValue{type::kSz, {}}, "\"V\"=hex(1):"},
        {StoredValue{type::kSz, Utf16("ab")}, "\"V\"=hex(1):61,00,62,00"},
        {StoredValue{type::kSz, Utf16(std::string("a\0b\0", 4))},
         "\"V\"=hex(1):61,00,00,00,62,00,00,00"},
        {StoredValue{type::kSz, Utf16(std::string("a\nb\0", 4))},
         "\"V\"=hex(1):61,00,0a,00,62,00,00,00"},
        {StoredValue{type::kSz, {0x2A, 0x00, 0x00}}, "\"V\"=hex(1):2a,00,00"},
        {StoredValue{type::kExpandSz, Utf16(std::string("%A%\0", 4))},
         "\"V\"=hex(2):25,00,41,00,25,00,00,00"},
        {StoredValue{type::kDword, {0x01, 0x00, 0x00, 0x00}}, "\"V\"=dword:00000001"},
        {StoredValue{type::kDword, {0xEF, 0xBE, 0xAD, 0xDE}}, "\"V\"=dword:deadbeef"},
        {StoredValue{type::kDword, {0x01, 0x00}}, "\"V\"=hex(4):01,00"},
        {StoredValue{type::kBinary, {0x0A, 0xFF, 0x00}}, "\"V\"=hex:0a,ff,00"},
        {StoredValue{type::kBinary, {}}, "\"V\"=hex:"},
        {StoredValue{type::kNone, {0x01}}, "\"V\"=hex(0):01"},
        {StoredValue{type::kQword, {1, 0, 0, 0, 0, 0, 0, 0}},
         "\"V\"=hex(b):01,00,00,00,00,00,00,00"},
    };
    for (const auto& [value, line] : cases) {
        EXPECT_EQ(LineFor(value), line);
    }
}

TEST(RegFileTest, LongHexDataIsContinuedOnLinesOfAtMostEightyCharacters) {
    const std::string text = LineFor(StoredValue{type::kBinary, std::vector<std::uint8_t>(100, 7)});
    std::size_t bytes = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find("\r\n", start), text.size());
        const std::string line = text.substr(start, end - start);
        EXPECT_LE(line.size(), 80U) << line;
        EXPECT_TRUE(end == text.size() || line.back() == '\\') << line;
        EXPECT_TRUE(start == 0 || line.substr(0, 2) == "  ") << line;
        for (std::size_t at = line.find("07"); at != std::string::npos; at = line.find("07", at + 2)) {
            ++bytes;
        }
        start = end + 2;
    }
    EXPECT_EQ(bytes, 100U);
}

TEST(RegFileTest, FileIsUtf16WithByteOrderMarkAndOneSectionPerKey) {
    const std::u16string text = RegFileText({
        {"Software\\Yahoo\\pager\\YUrl\\", "A", StoredValue{type::kDword, {1, 0, 0, 0}}},
        {"Software\\Yahoo\\", "M", std::nullopt},
        {"software\\yahoo\\pager\\yurl", "B", std::nullopt},
    });
    EXPECT_EQ(Narrow(text),
              "Windows Registry Editor Version 5.00\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\Yahoo\\pager\\YUrl]\r\n"
              "\"A\"=dword:00000001\r\n"
              "\"B\"=-\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\Yahoo]\r\n"
              "\"M\"=-\r\n"
              "\r\n");

    const std::vector<std::uint8_t> bytes = RegFileBytes(u"W\u00e9\u65e5");
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xFF, 0xFE, 'W', 0, 0xE9, 0, 0xE5, 0x65}));
}

TEST(RegFileTest, NonAsciiTextStaysAPlainString) {
    // "é" and a character outside the basic plane (a surrogate pair), with the terminating zero.
    const std::vector<std::uint8_t> data = {0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0x00};
    const std::u16string text = RegFileText({{"K", "V", StoredValue{type::kSz, data}}});
    EXPECT_NE(text.find(u"\"V\"=\"\u00e9\U0001F600\"\r\n"), std::u16string::npos);
    // A lone half of a pair is kept as bytes.
    const std::vector<std::uint8_t> lone = {0x3D, 0xD8, 0x41, 0x00, 0x00, 0x00};
    EXPECT_NE(RegFileText({{"K", "V", StoredValue{type::kSz, lone}}}).find(u"hex(1):3d,d8,41"),
              std::u16string::npos);
}

}  // namespace
}  // namespace corvelle::cli
