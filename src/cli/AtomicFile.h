#pragma once
// Writes a whole file or nothing: the bytes go to a new temporary file beside the target, which is
// flushed and then renamed into place, or put in the place of an existing file with ReplaceFileW,
// which carries that file's attributes, creation time and access list over where it can (with
// REPLACEFILE_IGNORE_MERGE_ERRORS, one it cannot carry over is dropped without a word: the new file
// then has its folder's default access). When putting it in place fails, the old file is put back
// where the system moved it aside; where neither the old file nor the new one can be at the
// target, both are kept and the result names where they are. Wide file API and long paths
// throughout, so any file name the system accepts works. Windows only.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cli/CliHost.h"

namespace corvelle::cli {

// The calls through which the write meets the file system once the temporary file exists: each
// returns ERROR_SUCCESS or the system's error code. A test puts its own in their place to make
// them fail in the ways the system's documentation describes, which real Windows cannot be made
// to do on demand.
class FileCalls {
public:
    FileCalls() = default;
    FileCalls(const FileCalls&) = delete;
    FileCalls& operator=(const FileCalls&) = delete;
    virtual ~FileCalls() = default;

    // WriteFile: how many bytes were taken goes to written.
    virtual DWORD Write(HANDLE file, const std::uint8_t* data, DWORD size, DWORD* written);
    // ReplaceFileW with a backup name (the replaced file ends there) and
    // REPLACEFILE_IGNORE_MERGE_ERRORS.
    virtual DWORD Replace(const std::wstring& replaced, const std::wstring& replacement,
                          const std::wstring& backup);
    // MoveFileExW with MOVEFILE_WRITE_THROUGH, and MOVEFILE_REPLACE_EXISTING if asked.
    virtual DWORD Move(const std::wstring& from, const std::wstring& to, bool replaceExisting);
    // DeleteFileW.
    virtual DWORD Delete(const std::wstring& path);
};

FileWrite WriteFileAtomically(const std::wstring& path, const std::vector<std::uint8_t>& bytes,
                              bool replace, FileCalls& calls);
// The same through the system's own calls.
FileWrite WriteFileAtomically(const std::wstring& path, const std::vector<std::uint8_t>& bytes,
                              bool replace);

}  // namespace corvelle::cli
