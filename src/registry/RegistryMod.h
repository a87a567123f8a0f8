#pragma once
// RegistryMod: every registry access of the program. Each call opens (or creates) one key below a
// root, does one thing with one named value and closes the key again, on every path. Nothing is
// thrown out of these routines.

#include <cstdint>
#include <string>

#include "registry/RegistryApi.h"

namespace corvelle::registry {

// The text a read returns when the value cannot be read (missing key or value, access refused,
// more data than the read buffer holds).
inline constexpr const char* kNotFound = "Not Found";
// Size of the one buffer a read uses; larger values read as kNotFound.
inline constexpr std::uint32_t kReadBufferSize = 2048;

// A read as ReadValue makes it, with the status that tells a value that does not exist from one
// that could not be read: kSuccess when text is the value's text; kFileNotFound when the key or
// the value does not exist; any other status (kMoreData for data longer than kReadBufferSize) when
// it exists but could not be read. text is kNotFound unless the read succeeded.
struct ValueRead {
    std::string text;
    Status status = status::kFileNotFound;
};

class RegistryMod {
public:
    explicit RegistryMod(RegistryApi& api) noexcept : api_(api) {}

    // The value as text (see ValueText.h), or kNotFound.
    std::string ReadValue(KeyHandle root, const std::string& keyPath,
                          const std::string& valueName) const noexcept;
    ValueRead ReadValueStatus(KeyHandle root, const std::string& keyPath,
                              const std::string& valueName) const noexcept;

    // Creates the key path if needed and stores the value. A type of type::kDword stores the data
    // read as a 32-bit number (0 when they are not one) as four little-endian bytes; type::kSz
    // stores the ANSI text with its terminating zero; any other type passes the text without it,
    // as REG_SZ, and the registry then counts in the zero that follows a non-empty text (see
    // RegistryApi::SetValue). Flushes the key. Returns whether the value was stored.
    bool WriteValue(KeyHandle root, const std::string& keyPath, const std::string& valueName,
                    std::int32_t type, std::string data) const noexcept;

    // Removes the value if key and value exist; creates nothing. Returns whether the value is gone
    // afterwards: a missing key or value counts as gone.
    bool DeleteValue(KeyHandle root, const std::string& keyPath,
                     const std::string& valueName) const noexcept;

private:
    RegistryApi& api_;
};

}  // namespace corvelle::registry
