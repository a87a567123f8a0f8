#include "cli/SystemMessage.h"

#include <memory>

#include "text/WideText.h"

namespace corvelle::cli {

std::string SystemMessage(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    // FormatMessage allocates the text with LocalAlloc.
    const std::unique_ptr<wchar_t, decltype(&LocalFree)> owner(buffer, &LocalFree);
    std::wstring message = length != 0 ? std::wstring(buffer, length) : std::wstring();
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ')) {
        message.pop_back();
    }
    // Some messages (more in other languages) break their lines inside: each break becomes a
    // space, so that an error line stays one line.
    std::wstring line;
    for (const wchar_t c : message) {
        if (c != L'\r' && c != L'\n') {
            line += c;
        } else if (!line.empty() && line.back() != L' ') {
            line += L' ';
        }
    }
    message = line;
    const std::string code = "(error " + std::to_string(error) + ")";
    return message.empty() ? code : text::FromWide(message, CP_UTF8) + " " + code;
}

}  // namespace corvelle::cli
