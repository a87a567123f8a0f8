#include "cli/AtomicFile.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "cli/SystemMessage.h"
#include "text/WideText.h"

namespace corvelle::cli {

namespace {

// A file handle, closed when it goes out of scope unless closed before.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) noexcept : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Close(); }

    HANDLE get() const noexcept { return handle_; }
    bool valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }
    // Whether the close (which may write what is still buffered) succeeded.
    bool Close() noexcept {
        return !valid() || CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != FALSE;
    }

private:
    HANDLE handle_;
};

// The temporary file, deleted when it goes out of scope unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::wstring path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!kept_) {
            DeleteFileW(path_.c_str());
        }
    }

    const std::wstring& path() const noexcept { return path_; }
    void Keep() noexcept { kept_ = true; }

private:
    std::wstring path_;
    bool kept_ = false;
};

FileWrite Failed(DWORD error) {
    return {FileWrite::Outcome::kFailed, SystemMessage(error)};
}

std::wstring FullPath(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return {};
    }
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    full.resize(length < needed ? length : 0);
    return full;
}

// The full path in the form that lifts the MAX_PATH limit ("\\?\C:\..." or "\\?\UNC\server\..."),
// which the wide file functions accept on every Windows version; the path is full already, so the
// normalisation the prefix skips has been done.
std::wstring LongPath(const std::wstring& full) {
    if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) {
        return full;
    }
    if (full.rfind(L"\\\\", 0) == 0) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

// A virus scanner or indexer often opens a file for a moment just after it was written; the step
// that puts the file in place is tried again for about a second while such a hold may be the cause.
template <typename Step>
DWORD WithRetries(Step step) {
    for (int attempt = 0;; ++attempt) {
        if (step()) {
            return ERROR_SUCCESS;
        }
        const DWORD error = GetLastError();
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                          error == ERROR_ACCESS_DENIED || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
        if (!held || attempt == 10) {
            return error;
        }
        Sleep(100);
    }
}

}  // namespace

FileWrite WriteFileAtomically(const std::wstring& path, const std::vector<std::uint8_t>& bytes,
                              bool replace) {
    const std::wstring full = FullPath(path);
    if (full.empty()) {
        return Failed(GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_INVALID_NAME);
    }
    const std::wstring target = LongPath(full);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (!replace && attributes != INVALID_FILE_ATTRIBUTES) {
        return {FileWrite::Outcome::kExists, {}};
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return Failed(ERROR_ACCESS_DENIED);  // a folder is never replaced by a file
    }

    // A short name of this process's own in the target's folder, so that the rename stays on one
    // volume and the temporary name is never the one that is too long.
    const std::wstring folder = target.substr(0, target.find_last_of(L'\\') + 1);
    std::wstring temporaryPath;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        temporaryPath = folder + L"~corvelle-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(attempt) + L".tmp";
        created = CreateFileW(temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            return Failed(GetLastError());
        }
    }
    FileHandle file(created);
    if (!file.valid()) {
        return Failed(ERROR_FILE_EXISTS);
    }
    TemporaryFile temporary(temporaryPath);

    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1U << 20));
        DWORD written = 0;
        if (!::WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) ||
            written == 0) {
            return Failed(GetLastError());
        }
        done += written;
    }
    if (!FlushFileBuffers(file.get()) || !file.Close()) {
        return Failed(GetLastError());
    }

    // An existing file is replaced with ReplaceFileW, which keeps its access list, attributes and
    // creation time, as an editor saving over it would; a new one is renamed into place.
    DWORD error = ERROR_FILE_NOT_FOUND;
    if (replace && attributes != INVALID_FILE_ATTRIBUTES) {
        error = WithRetries([&] {
            return ReplaceFileW(target.c_str(), temporary.path().c_str(), nullptr,
                                REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != FALSE;
        });
    }
    if (error == ERROR_FILE_NOT_FOUND) {  // no file to replace (any more)
        const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
        error = WithRetries(
            [&] { return MoveFileExW(temporary.path().c_str(), target.c_str(), flags) != FALSE; });
    }
    if (error != ERROR_SUCCESS) {
        // Without --force, a file that appeared since the check above is kept as well.
        if (!replace && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) {
            return {FileWrite::Outcome::kExists, {}};
        }
        return Failed(error);
    }
    temporary.Keep();  // renamed: nothing left to delete
    return {FileWrite::Outcome::kWritten, {}};
}

}  // namespace corvelle::cli
