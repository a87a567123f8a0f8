#pragma once
// The seven registry calls forwarded to advapi32's ANSI functions: the program's texts cross the
// registry in the ANSI code page. Windows build only.

#include "registry/RegistryApi.h"

namespace corvelle::registry {

class Win32Registry final : public RegistryApi {
public:
    Win32Registry() = default;

    Status OpenKey(KeyHandle root, const std::string& path, KeyHandle* result) override;
    Status CreateKey(KeyHandle root, const std::string& path, KeyHandle* result) override;
    Status QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type,
                      std::uint8_t* data, std::uint32_t* size) override;
    Status SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                    const std::uint8_t* data, std::uint32_t size) override;
    Status DeleteValue(KeyHandle key, const std::string& name) override;
    Status FlushKey(KeyHandle key) override;
    Status CloseKey(KeyHandle key) override;
};

}  // namespace corvelle::registry
