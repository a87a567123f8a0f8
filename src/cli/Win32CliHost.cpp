#include "cli/Win32CliHost.h"

#include <windows.h>

#include <climits>

#include "cli/AtomicFile.h"
#include "cli/SystemMessage.h"
#include "text/WideText.h"

namespace corvelle::cli {

namespace {

// An open registry key, closed when it goes out of scope.
class OpenedKey {
public:
    explicit OpenedKey(HKEY key) noexcept : key_(key) {}
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    ~OpenedKey() { RegCloseKey(key_); }

    HKEY get() const noexcept { return key_; }

private:
    HKEY key_;
};

// A console gets the text as UTF-16, so any character shows; a file or pipe gets UTF-8.
void WriteLine(DWORD stream, const std::string& line) {
    const HANDLE handle = GetStdHandle(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || line.size() > INT_MAX / 2) {
        return;  // no stream to write to (a program started without one)
    }
    const std::string terminated = line + "\r\n";
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = text::ToWide(terminated, CP_UTF8);
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        ::WriteFile(handle, terminated.data(), static_cast<DWORD>(terminated.size()), &written,
                    nullptr);
    }
}

StoredRead ReadFailed(LSTATUS status) {
    return {StoredRead::Outcome::kFailed, {}, SystemMessage(static_cast<DWORD>(status))};
}

}  // namespace

void Win32CliHost::Out(const std::string& line) {
    WriteLine(STD_OUTPUT_HANDLE, line);
}

void Win32CliHost::Err(const std::string& line) {
    WriteLine(STD_ERROR_HANDLE, line);
}

StoredRead Win32CliHost::ReadStored(const std::string& keyPath, const std::string& name) {
    // The wide calls return the bytes exactly as stored; the ANSI ones would convert strings to
    // the code page and lose what it cannot hold. The names are the program's ANSI texts.
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, text::ToWide(keyPath, CP_ACP).c_str(),
                                         0, KEY_QUERY_VALUE, &opened);
    if (status == ERROR_FILE_NOT_FOUND) {
        return {};
    }
    if (status != ERROR_SUCCESS) {
        return ReadFailed(status);
    }
    const OpenedKey key(opened);
    const std::wstring valueName = text::ToWide(name, CP_ACP);
    // The value may change between asking its size and reading it; ask again then.
    for (int attempt = 0; attempt < 8; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        LSTATUS queried = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr,
                                           &size);
        if (queried == ERROR_FILE_NOT_FOUND) {
            return {};
        }
        if (queried != ERROR_SUCCESS) {
            return ReadFailed(queried);
        }
        StoredRead read{StoredRead::Outcome::kPresent, {}, {}};
        read.value.bytes.resize(static_cast<std::size_t>(size) + 2);
        size = static_cast<DWORD>(read.value.bytes.size());
        queried = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type,
                                   read.value.bytes.data(), &size);
        if (queried == ERROR_MORE_DATA) {
            continue;
        }
        if (queried == ERROR_FILE_NOT_FOUND) {
            return {};
        }
        if (queried != ERROR_SUCCESS) {
            return ReadFailed(queried);
        }
        read.value.type = type;
        read.value.bytes.resize(size);
        return read;
    }
    return ReadFailed(ERROR_MORE_DATA);
}

FileWrite Win32CliHost::WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                  bool replace) {
    return WriteFileAtomically(text::ToWide(path, CP_UTF8), bytes, replace);
}

}  // namespace corvelle::cli
