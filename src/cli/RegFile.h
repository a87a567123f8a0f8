#pragma once
// Registry files as the system's registry editor writes them (version 5.00): UTF-16LE with a
// byte-order mark, CRLF line ends, one [HKEY_CURRENT_USER\...] section a key, and a line a value.
// Merged (regedit /s, reg import), such a file stores every present value with exactly its type
// and bytes and deletes every absent one.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliHost.h"

namespace corvelle::cli {

struct ExportEntry {
    std::string keyPath;  // below HKEY_CURRENT_USER; a trailing backslash names the same key
    std::string name;     // the program's own ASCII value names
    std::optional<StoredValue> value;  // nothing: the value is to be deleted
};

// The file's text. Entries of one key (compared without regard to case) share its section, in the
// order in which the keys first appear. A value is written
//   "Name"="text"      for a REG_SZ of UTF-16 text with one terminating zero and no control
//                      character ("\" and quotes escaped);
//   "Name"=dword:...   for a REG_DWORD of exactly four bytes;
//   "Name"=hex:... / hex(N):...  for everything else, byte for byte;
//   "Name"=-           for an absent value.
std::u16string RegFileText(const std::vector<ExportEntry>& entries);

// The text as the file's bytes: the byte-order mark, then UTF-16LE.
std::vector<std::uint8_t> RegFileBytes(const std::u16string& text);

}  // namespace corvelle::cli
