#include "cli/Win32CliHost.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>

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

// Writes all of data through write (a WriteFile or WriteConsoleW call); returns the error that
// stopped it, or ERROR_SUCCESS.
template <typename Char, typename Write>
DWORD WriteAll(const Char* data, std::size_t size, Write write) {
    while (size > 0) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1U << 16));
        DWORD written = 0;
        if (!write(data, chunk, &written)) {
            const DWORD error = GetLastError();
            return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
        }
        if (written == 0) {
            return ERROR_HANDLE_DISK_FULL;  // a write that takes nothing: no room left
        }
        data += written;
        size -= written;
    }
    return ERROR_SUCCESS;
}

// A console gets the text as UTF-16, so any character shows. A file or pipe gets it in the
// console's output code page, which is what cmd's "for /f" and PowerShell read a program's output
// in; characters the code page lacks become its replacement. Returns the error that kept the line
// from being written whole, or ERROR_SUCCESS.
DWORD WriteLine(DWORD stream, const std::string& line) {
    const HANDLE handle = GetStdHandle(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return ERROR_SUCCESS;  // no stream to write to (a program started without one)
    }
    const std::wstring wide = text::ToWide(line + "\r\n", CP_UTF8);
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        return WriteAll(wide.data(), wide.size(),
                        [handle](const wchar_t* data, DWORD size, DWORD* written) {
                            return WriteConsoleW(handle, data, size, written, nullptr);
                        });
    }
    // Without a console of its own (started detached) the program writes as the system's OEM
    // code page, the console's default.
    const UINT consolePage = GetConsoleOutputCP();
    const std::string bytes = text::FromWide(wide, consolePage != 0 ? consolePage : GetOEMCP());
    return WriteAll(bytes.data(), bytes.size(), [handle](const char* data, DWORD size,
                                                         DWORD* written) {
        return ::WriteFile(handle, data, size, written, nullptr);
    });
}

StoredRead ReadFailed(LSTATUS status) {
    return {StoredRead::Outcome::kFailed, {}, SystemMessage(static_cast<DWORD>(status))};
}

}  // namespace

void Win32CliHost::Out(const std::string& line) {
    // After a failed write the output is incomplete already; nothing more is added to it.
    if (!outFailure_.empty()) {
        return;
    }
    if (const DWORD error = WriteLine(STD_OUTPUT_HANDLE, line); error != ERROR_SUCCESS) {
        outFailure_ = SystemMessage(error);
    }
}

void Win32CliHost::Err(const std::string& line) {
    // Standard error is where a failure would be told; if it cannot be written, nothing can be.
    WriteLine(STD_ERROR_HANDLE, line);
}

std::string Win32CliHost::StatusText(registry::Status status) {
    return SystemMessage(static_cast<DWORD>(status));
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
