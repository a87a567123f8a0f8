#pragma once
// Writes a whole file or nothing: the bytes go to a new temporary file beside the target, which is
// flushed and then renamed into place, or put in the place of an existing file with ReplaceFileW,
// which keeps that file's permissions. Wide file API and long paths throughout, so any file name
// the system accepts works. Windows only.

#include <cstdint>
#include <string>
#include <vector>

#include "cli/CliHost.h"

namespace corvelle::cli {

FileWrite WriteFileAtomically(const std::wstring& path, const std::vector<std::uint8_t>& bytes,
                              bool replace);

}  // namespace corvelle::cli
