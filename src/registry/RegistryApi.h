#pragma once
// The seven registry calls the program uses, with the meaning the Windows registry gives them:
// status codes as the ANSI advapi32 functions return them, key handles valid until closed, and a
// null handle making every call on it fail. Win32Registry forwards to advapi32; MemoryRegistry is
// a model of the registry for tests and for builds without Windows.

#include <cstdint>
#include <string>

namespace corvelle::registry {

// An open key or a predefined root, as the bits of an HKEY.
using KeyHandle = std::uintptr_t;
// A registry status code (LSTATUS): 0 on success, a Win32 error code otherwise.
using Status = std::int32_t;

inline constexpr KeyHandle kNullKey = 0;
// HKEY_CURRENT_USER: the 32-bit value 0x80000001, sign-extended as Windows does for a 64-bit HKEY.
inline constexpr KeyHandle kCurrentUser =
    static_cast<KeyHandle>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000001U)));

namespace status {
inline constexpr Status kSuccess = 0;
inline constexpr Status kFileNotFound = 2;          // ERROR_FILE_NOT_FOUND
inline constexpr Status kAccessDenied = 5;          // ERROR_ACCESS_DENIED
inline constexpr Status kInvalidHandle = 6;         // ERROR_INVALID_HANDLE
inline constexpr Status kNotEnoughMemory = 8;       // ERROR_NOT_ENOUGH_MEMORY
inline constexpr Status kInvalidParameter = 87;     // ERROR_INVALID_PARAMETER
inline constexpr Status kMoreData = 234;            // ERROR_MORE_DATA
inline constexpr Status kBadPathName = 161;         // ERROR_BAD_PATHNAME
inline constexpr Status kChildMustBeVolatile = 1021;  // ERROR_CHILD_MUST_BE_VOLATILE
}  // namespace status

// Registry value type codes.
namespace type {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kMultiSz = 7;
inline constexpr std::uint32_t kQword = 11;
}  // namespace type

class RegistryApi {
public:
    RegistryApi() = default;
    RegistryApi(const RegistryApi&) = delete;
    RegistryApi& operator=(const RegistryApi&) = delete;
    virtual ~RegistryApi() = default;

    // RegOpenKeyA: opens an existing key; *result stays null on failure.
    virtual Status OpenKey(KeyHandle root, const std::string& path, KeyHandle* result) = 0;
    // RegCreateKeyA: opens a key, creating it and every missing parent first.
    virtual Status CreateKey(KeyHandle root, const std::string& path, KeyHandle* result) = 0;
    // RegQueryValueExA: *size is the buffer's size in and the data's size out. When the data do not
    // fit, returns kMoreData with the size needed and leaves the buffer untouched.
    virtual Status QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* size) = 0;
    // RegSetValueExA: creates or replaces the value with exactly this type and these bytes, but
    // for a string type (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) whose data do not end in a zero the
    // byte just past them is read, and counted in when it is zero: such data need one more
    // readable byte, and a non-zero one there to be stored without a terminating zero.
    virtual Status SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t size) = 0;
    // RegDeleteValueA: kFileNotFound when there is no such value.
    virtual Status DeleteValue(KeyHandle key, const std::string& name) = 0;
    // RegFlushKey.
    virtual Status FlushKey(KeyHandle key) = 0;
    // RegCloseKey: kInvalidHandle for a null handle; closing a predefined root succeeds.
    virtual Status CloseKey(KeyHandle key) = 0;
};

}  // namespace corvelle::registry
