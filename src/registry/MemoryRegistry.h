#pragma once
// A model of the Windows registry in memory, behaving as the real one does for the seven calls of
// RegistryApi: key and value names compare case-insensitively and keep their case, runs of
// backslashes in a path are skipped (a trailing one names the same key) while a leading one is an
// error, key creation makes every missing parent, values keep their exact type and bytes, and a
// query past the buffer returns kMoreData. Handles are numbers, valid until closed.
//
// Beyond the real calls it offers what tests need to provoke and observe failures.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "registry/RegistryApi.h"

namespace corvelle::registry {

class MemoryRegistry final : public RegistryApi {
public:
    MemoryRegistry();
    MemoryRegistry(const MemoryRegistry&) = delete;
    MemoryRegistry& operator=(const MemoryRegistry&) = delete;
    ~MemoryRegistry() override;

    Status OpenKey(KeyHandle root, const std::string& path, KeyHandle* result) override;
    Status CreateKey(KeyHandle root, const std::string& path, KeyHandle* result) override;
    Status QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type,
                      std::uint8_t* data, std::uint32_t* size) override;
    Status SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                    const std::uint8_t* data, std::uint32_t size) override;
    Status DeleteValue(KeyHandle key, const std::string& name) override;
    Status FlushKey(KeyHandle key) override;
    Status CloseKey(KeyHandle key) override;

    // Creates a volatile key (as RegCreateKeyEx with REG_OPTION_VOLATILE does; its parents are
    // created as ordinary keys). As in the real registry, no ordinary key can be created below it:
    // CreateKey then fails with kChildMustBeVolatile.
    Status CreateVolatileKey(KeyHandle root, const std::string& path);
    // Makes an existing key read-only, as an access list granting only reading would: opening it
    // still succeeds, but setting or deleting its values and creating keys below it fail with
    // kAccessDenied. Returns false when the key does not exist.
    bool MakeReadOnly(KeyHandle root, const std::string& path);
    // Key handles opened or created and not yet closed (predefined roots do not count).
    std::size_t OpenHandleCount() const noexcept;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace corvelle::registry
