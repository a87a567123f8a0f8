#include "cli/StatusReport.h"

#include <string>

#include "settings/MessengerKeys.h"

namespace corvelle::cli {

namespace {

const std::string kAdValueCount = std::to_string(settings::messenger::kAdValues.size());

// One UTF-16 code unit as a JSON escape, \uXXXX.
void AppendEscape(std::string& json, char32_t unit) {
    static constexpr const char* kHex = "0123456789abcdef";
    json += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) {
        json += kHex[(unit >> shift) & 0xF];
    }
}

// A JSON string of UTF-8 text, with everything but printable ASCII escaped: control characters
// too, so that the JSON stays valid whatever a reason holds.
std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '"' || byte == '\\') {
            json += '\\';
            json += static_cast<char>(byte);
            continue;
        }
        if (byte >= 0x20 && byte < 0x7F) {
            json += static_cast<char>(byte);
            continue;
        }
        if (byte == '\r' || byte == '\n') {  // a line break inside a system message
            json += byte == '\r' ? "\\r" : "\\n";
            continue;
        }
        // One UTF-8 sequence (a stray byte stands for itself), as one or two UTF-16 escapes.
        char32_t code = byte;
        int more = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : byte >= 0xC0 ? 1 : 0;
        if (more != 0) {
            code = byte & (0x3F >> more);
        }
        for (; more > 0 && i + 1 < text.size() && (text[i + 1] & 0xC0) == 0x80; --more) {
            code = (code << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F);
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            AppendEscape(json, 0xD800 + (code >> 10));
            AppendEscape(json, 0xDC00 + (code & 0x3FF));
        } else {
            AppendEscape(json, code);
        }
    }
    return json + "\"";
}

std::string JsonBool(bool known, bool value) {
    return !known ? "null" : value ? "true" : "false";
}

}  // namespace

std::vector<std::string> StatusLines(const settings::PatchState& state) {
    return {
        std::string("Multi-instance: ") +
            (!state.switchKnown ? "unknown" : state.switchOn ? "on" : "off"),
        "Ads removed: " + (state.adsKnown ? std::to_string(state.adsSuppressed) + " of " +
                                               kAdValueCount
                                         : std::string("unknown")),
        state.bottomAdKnown ? BottomAdLine(state.bottomAdSuppressed)
                            : std::string("Bottom ad removed: unknown"),
    };
}

std::string StatusJson(const settings::PatchState& state, const std::vector<UnreadLine>& unread) {
    std::string json = "{\"multiInstance\":" + JsonBool(state.switchKnown, state.switchOn) +
                       ",\"adsRemoved\":" +
                       (state.adsKnown ? std::to_string(state.adsSuppressed) : "null") +
                       ",\"adValues\":" + kAdValueCount +
                       ",\"bottomAdRemoved\":" +
                       JsonBool(state.bottomAdKnown, state.bottomAdSuppressed);
    if (!unread.empty()) {
        json += ",\"unreadable\":[";
        for (const UnreadLine& line : unread) {
            json += std::string(&line == &unread.front() ? "" : ",") +
                    "{\"key\":" + JsonString("HKEY_CURRENT_USER\\" + line.key) +
                    ",\"name\":" + JsonString(line.name) +
                    ",\"reason\":" + JsonString(line.reason) + "}";
        }
        json += "]";
    }
    return json + "}";
}

std::string BottomAdLine(bool suppressed) {
    return std::string("Bottom ad removed: ") + (suppressed ? "yes" : "no");
}

}  // namespace corvelle::cli
