#pragma once
// What the command line needs of the system besides the registry routines: its two output
// streams, the values as the registry stores them (for the export) and a file written whole or not
// at all. The Windows program implements it over the console, advapi32 and the file API; tests
// use a recording fake.

#include <cstdint>
#include <string>
#include <vector>

#include "registry/RegistryApi.h"

namespace corvelle::cli {

// The name every error line of the program starts with.
inline constexpr const char* kProgramName = "corvelle-cli";

// A value as the registry stores it: its type and exact bytes, strings as UTF-16LE.
struct StoredValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    friend bool operator==(const StoredValue&, const StoredValue&) = default;
};

struct StoredRead {
    enum class Outcome { kPresent, kAbsent, kFailed };
    Outcome outcome = Outcome::kAbsent;
    StoredValue value;   // when present
    std::string reason;  // when failed: why, in one line
};

struct FileWrite {
    enum class Outcome { kWritten, kExists, kFailed };
    Outcome outcome = Outcome::kFailed;
    std::string reason;  // when failed: why, in one line
    // Empty unless a failure left the files elsewhere than before (UTF-8 full paths): where the
    // new data are kept (the file itself, or the temporary file beside it), and where the file
    // they were to replace is now (empty then when the system removed it). After a write, oldAt
    // names the replaced file's copy that could not be removed.
    std::string newAt;
    std::string oldAt;
};

class CliHost {
public:
    CliHost() = default;
    CliHost(const CliHost&) = delete;
    CliHost& operator=(const CliHost&) = delete;
    virtual ~CliHost() = default;

    // One line (UTF-8, no line end) to standard output or standard error.
    virtual void Out(const std::string& line) = 0;
    virtual void Err(const std::string& line) = 0;
    // An error line: the program's name, then the message.
    void Error(const std::string& message) { Err(std::string(kProgramName) + ": " + message); }
    // Why a line could not be written whole to standard output, the first time that happened;
    // empty while every line was.
    virtual std::string OutFailure() const = 0;

    // The system's text for a registry status code, in one line.
    virtual std::string StatusText(registry::Status status) = 0;

    // The value under the current user's key (a path as the messenger keys give it). Absent when
    // the key or the value does not exist; failed when it could not be read.
    virtual StoredRead ReadStored(const std::string& keyPath, const std::string& name) = 0;

    // Writes the bytes to the file (a UTF-8 path) through a temporary file that is renamed into
    // place, so that a failure never leaves part of a file, and never removes the new data while
    // the old file is not back in its place. An existing file is kept and kExists returned unless
    // replace is set.
    virtual FileWrite WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                bool replace) = 0;
};

}  // namespace corvelle::cli
