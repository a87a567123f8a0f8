#include "cli/RegFile.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "registry/RegistryApi.h"

namespace corvelle::cli {

namespace {

constexpr std::u16string_view kNewLine = u"\r\n";
// Hex data is continued on the next line before a line would pass 80 characters, as the
// registry editor does.
constexpr std::size_t kHexLineLimit = 76;

std::u16string Widen(std::string_view ascii) {
    std::u16string wide;
    for (const char c : ascii) {
        wide += static_cast<char16_t>(static_cast<unsigned char>(c));
    }
    return wide;
}

std::string KeyName(std::string keyPath) {
    while (!keyPath.empty() && keyPath.back() == '\\') {
        keyPath.pop_back();
    }
    return keyPath;
}

bool SameKey(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

std::u16string Quoted(std::u16string_view text) {
    std::u16string quoted = u"\"";
    for (const char16_t unit : text) {
        if (unit == u'\\' || unit == u'"') {
            quoted += u'\\';
        }
        quoted += unit;
    }
    return quoted + u"\"";
}

// The UTF-16 text of a REG_SZ that a quoted string gives back exactly: its data are whole code
// units ending in the one terminating zero, with no control character (the editor keeps no line
// break in a quoted string) and no lone half of a surrogate pair.
std::optional<std::u16string> PlainString(const StoredValue& value) {
    if (value.type != registry::type::kSz || value.bytes.size() < 2 ||
        value.bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    std::u16string text;
    for (std::size_t i = 0; i < value.bytes.size(); i += 2) {
        text += static_cast<char16_t>(value.bytes[i] | (value.bytes[i + 1] << 8));
    }
    if (text.back() != 0) {
        return std::nullopt;
    }
    text.pop_back();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] < 0x20 || IsLowSurrogate(text[i])) {
            return std::nullopt;
        }
        if (IsHighSurrogate(text[i])) {
            if (i + 1 == text.size() || !IsLowSurrogate(text[i + 1])) {
                return std::nullopt;
            }
            ++i;
        }
    }
    return text;
}

std::u16string HexDigits(std::uint32_t number, int digits) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    std::u16string text(static_cast<std::size_t>(digits), u'0');
    for (int i = digits - 1; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = kDigits[number & 0xF];
        number >>= 4;
    }
    return text;
}

// "hex:" or "hex(N):" and the bytes, continued over lines; lineStart is the length of the line's
// text before the data.
std::u16string HexData(const StoredValue& value, std::size_t lineStart) {
    std::u16string text = value.type == registry::type::kBinary ? u"hex:" : u"hex(";
    if (value.type != registry::type::kBinary) {
        std::u16string type = HexDigits(value.type, 8);
        type.erase(0, std::min(type.find_first_not_of(u'0'), type.size() - 1));
        text += type + u"):";
    }
    std::size_t column = lineStart + text.size();
    for (std::size_t i = 0; i < value.bytes.size(); ++i) {
        if (i != 0) {
            text += u',';
            ++column;
            if (column + 3 > kHexLineLimit) {
                text += u"\\";
                text += kNewLine;
                text += u"  ";
                column = 2;
            }
        }
        text += HexDigits(value.bytes[i], 2);
        column += 2;
    }
    return text;
}

std::u16string ValueLine(const ExportEntry& entry) {
    std::u16string line = Quoted(Widen(entry.name)) + u"=";
    if (!entry.value) {
        return line + u"-";
    }
    const StoredValue& value = *entry.value;
    if (const auto text = PlainString(value)) {
        return line + Quoted(*text);
    }
    if (value.type == registry::type::kDword && value.bytes.size() == 4) {
        const std::uint32_t number = value.bytes[0] | (value.bytes[1] << 8) |
                                     (value.bytes[2] << 16) |
                                     (static_cast<std::uint32_t>(value.bytes[3]) << 24);
        return line + u"dword:" + HexDigits(number, 8);
    }
    return line + HexData(value, line.size());
}

}  // namespace

std::u16string RegFileText(const std::vector<ExportEntry>& entries) {
    std::vector<std::string> keys;
    for (const ExportEntry& entry : entries) {
        const std::string key = KeyName(entry.keyPath);
        if (std::none_of(keys.begin(), keys.end(),
                         [&](const std::string& known) { return SameKey(known, key); })) {
            keys.push_back(key);
        }
    }

    std::u16string text = u"Windows Registry Editor Version 5.00";
    text += kNewLine;
    for (const std::string& key : keys) {
        text += kNewLine;
        text += u"[HKEY_CURRENT_USER\\" + Widen(key) + u"]";
        text += kNewLine;
        for (const ExportEntry& entry : entries) {
            if (SameKey(KeyName(entry.keyPath), key)) {
                text += ValueLine(entry);
                text += kNewLine;
            }
        }
    }
    text += kNewLine;
    return text;
}

std::vector<std::uint8_t> RegFileBytes(const std::u16string& text) {
    std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
    bytes.reserve(2 + text.size() * 2);
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

}  // namespace corvelle::cli
