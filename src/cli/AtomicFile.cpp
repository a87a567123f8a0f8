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

// The temporary file, deleted when it goes out of scope unless it was kept (renamed into place,
// or the one copy of the new data left).
class TemporaryFile {
public:
    TemporaryFile(std::wstring path, FileCalls& calls) : path_(std::move(path)), calls_(calls) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!kept_) {
            calls_.Delete(path_);
        }
    }

    const std::wstring& path() const noexcept { return path_; }
    void Keep() noexcept { kept_ = true; }

private:
    std::wstring path_;
    FileCalls& calls_;
    bool kept_ = false;
};

FileWrite Failed(DWORD error) {
    // A call that failed without saying why is not reported as "completed successfully".
    return {FileWrite::Outcome::kFailed,
            error != ERROR_SUCCESS ? SystemMessage(error)
                                   : std::string("the system gave no reason (error 0)."),
            {},
            {}};
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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

// A long path as a message shows it: without the prefix, in UTF-8.
std::string Shown(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        return text::FromWide(L"\\\\" + path.substr(8), CP_UTF8);
    }
    return text::FromWide(path.rfind(L"\\\\?\\", 0) == 0 ? path.substr(4) : path, CP_UTF8);
}

// A virus scanner or indexer often opens a file for a moment just after it was written; the step
// that puts the file in place is tried again for about a second while such a hold may be the cause.
template <typename Step>
DWORD WithRetries(Step step) {
    for (int attempt = 0;; ++attempt) {
        const DWORD error = step();
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                          error == ERROR_ACCESS_DENIED || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
        if (!held || attempt == 10) {
            return error;
        }
        Sleep(100);
    }
}

// After ReplaceFileW failed: the files are where its documentation says that error leaves them,
// which is checked rather than assumed. The old file goes back in its place if it was moved
// aside; only when it cannot does the new file go there; the temporary file is deleted only when
// the old file is in its place or the new one is.
FileWrite AfterFailedReplace(DWORD error, const std::wstring& target, TemporaryFile& temporary,
                             const std::wstring& backup, FileCalls& calls) {
    FileWrite failed = Failed(error);
    if (!Exists(temporary.path())) {
        // The system took the new file from its temporary name, though it failed; nothing is moved
        // or deleted. ReplaceFileW moves the new file only to the target: with the old file aside,
        // a file at the target is the new one. Without the old file aside, which file is at the
        // target cannot be told.
        temporary.Keep();
        if (Exists(backup)) {
            failed.oldAt = Shown(backup);
            failed.newAt = Exists(target) ? Shown(target) : std::string();
        }
        return failed;
    }
    if (Exists(target)) {
        return failed;  // the old file kept its name (ERROR_UNABLE_TO_REMOVE_REPLACED and others)
    }
    const bool movedAside = Exists(backup);  // ERROR_UNABLE_TO_MOVE_REPLACEMENT_2
    if (movedAside && WithRetries([&] { return calls.Move(backup, target, false); }) ==
                          ERROR_SUCCESS) {
        return failed;  // back in its place, unchanged
    }
    // The old file is aside, or removed (ERROR_UNABLE_TO_MOVE_REPLACEMENT without a backup): the
    // new data are the one copy of what was asked for.
    temporary.Keep();
    failed.oldAt = movedAside ? Shown(backup) : std::string();
    failed.newAt = WithRetries([&] { return calls.Move(temporary.path(), target, false); }) ==
                           ERROR_SUCCESS
                       ? Shown(target)
                       : Shown(temporary.path());
    return failed;
}

}  // namespace

DWORD FileCalls::Write(HANDLE file, const std::uint8_t* data, DWORD size, DWORD* written) {
    return ::WriteFile(file, data, size, written, nullptr) ? ERROR_SUCCESS : GetLastError();
}

DWORD FileCalls::Replace(const std::wstring& replaced, const std::wstring& replacement,
                         const std::wstring& backup) {
    return ReplaceFileW(replaced.c_str(), replacement.c_str(), backup.c_str(),
                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
               ? ERROR_SUCCESS
               : GetLastError();
}

DWORD FileCalls::Move(const std::wstring& from, const std::wstring& to, bool replaceExisting) {
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0);
    return MoveFileExW(from.c_str(), to.c_str(), flags) ? ERROR_SUCCESS : GetLastError();
}

DWORD FileCalls::Delete(const std::wstring& path) {
    return DeleteFileW(path.c_str()) ? ERROR_SUCCESS : GetLastError();
}

FileWrite WriteFileAtomically(const std::wstring& path, const std::vector<std::uint8_t>& bytes,
                              bool replace) {
    FileCalls calls;
    return WriteFileAtomically(path, bytes, replace, calls);
}

FileWrite WriteFileAtomically(const std::wstring& path, const std::vector<std::uint8_t>& bytes,
                              bool replace, FileCalls& calls) {
    const std::wstring full = FullPath(path);
    if (full.empty()) {
        return Failed(GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_INVALID_NAME);
    }
    const std::wstring target = LongPath(full);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (!replace && attributes != INVALID_FILE_ATTRIBUTES) {
        return {FileWrite::Outcome::kExists, {}, {}, {}};
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return Failed(ERROR_ACCESS_DENIED);  // a folder is never replaced by a file
    }

    // Short names of this process's own in the target's folder, so that the rename stays on one
    // volume and the temporary names are never the ones that are too long: the new file's, and
    // the one the file it replaces is moved aside to, which is not in use either (it may hold the
    // old file of an earlier failed run).
    const std::wstring folder = target.substr(0, target.find_last_of(L'\\') + 1);
    std::wstring temporaryPath;
    std::wstring backupPath;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        const std::wstring stem = folder + L"~corvelle-" + std::to_wstring(GetCurrentProcessId()) +
                                  L"-" + std::to_wstring(attempt);
        temporaryPath = stem + L".tmp";
        backupPath = stem + L"-old.tmp";
        if (Exists(backupPath)) {
            continue;
        }
        created = CreateFileW(temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            return Failed(GetLastError());
        }
    }
    // Made before the handle, so that the handle is closed before the file is deleted: a file
    // open without shared delete access cannot be.
    TemporaryFile temporary(temporaryPath, calls);
    FileHandle file(created);
    if (!file.valid()) {
        temporary.Keep();  // the name is another program's
        return Failed(ERROR_FILE_EXISTS);
    }

    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1U << 20));
        DWORD written = 0;
        if (const DWORD error = calls.Write(file.get(), bytes.data() + done, chunk, &written);
            error != ERROR_SUCCESS) {
            return Failed(error);
        }
        if (written == 0) {
            return {FileWrite::Outcome::kFailed,
                    "the system took no more than " + std::to_string(done) + " of the " +
                        std::to_string(bytes.size()) + " bytes (is the disk full?).",
                    {},
                    {}};
        }
        done += written;
    }
    if (!FlushFileBuffers(file.get()) || !file.Close()) {
        return Failed(GetLastError());
    }

    // An existing file is replaced with ReplaceFileW, which carries its attributes, creation time
    // and access list over to the new one where it can, as an editor saving over it would (what it
    // cannot carry over is dropped: see AtomicFile.h); a new one is renamed into place.
    DWORD error = ERROR_FILE_NOT_FOUND;
    if (replace && attributes != INVALID_FILE_ATTRIBUTES) {
        error = WithRetries([&] { return calls.Replace(target, temporary.path(), backupPath); });
        if (error == ERROR_SUCCESS) {
            temporary.Keep();  // in place: nothing left to delete but the old file's copy
            FileWrite written{FileWrite::Outcome::kWritten, {}, {}, {}};
            if (Exists(backupPath) &&
                WithRetries([&] { return calls.Delete(backupPath); }) != ERROR_SUCCESS) {
                written.oldAt = Shown(backupPath);
            }
            return written;
        }
        if (error != ERROR_FILE_NOT_FOUND || Exists(target) || Exists(backupPath)) {
            return AfterFailedReplace(error, target, temporary, backupPath, calls);
        }
    }
    // No file to replace (any more): a rename, which leaves the temporary file where it was when it
    // fails.
    error = WithRetries([&] { return calls.Move(temporary.path(), target, replace); });
    if (error != ERROR_SUCCESS) {
        // Without --force, a file that appeared since the check above is kept as well.
        if (!replace && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) {
            return {FileWrite::Outcome::kExists, {}, {}, {}};
        }
        return Failed(error);
    }
    temporary.Keep();  // renamed: nothing left to delete
    return {FileWrite::Outcome::kWritten, {}, {}, {}};
}

}  // namespace corvelle::cli
