#include "registry/Win32Registry.h"

#include <windows.h>

namespace corvelle::registry {

namespace {

HKEY ToHkey(KeyHandle key) {
    return reinterpret_cast<HKEY>(key);
}

}  // namespace

Status Win32Registry::OpenKey(KeyHandle root, const std::string& path, KeyHandle* result) {
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    HKEY opened = ToHkey(*result);
    const LSTATUS status = RegOpenKeyA(ToHkey(root), path.c_str(), &opened);
    *result = reinterpret_cast<KeyHandle>(opened);
    return status;
}

Status Win32Registry::CreateKey(KeyHandle root, const std::string& path, KeyHandle* result) {
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    HKEY created = ToHkey(*result);
    const LSTATUS status = RegCreateKeyA(ToHkey(root), path.c_str(), &created);
    *result = reinterpret_cast<KeyHandle>(created);
    return status;
}

Status Win32Registry::QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size) {
    // DWORD is unsigned long here, the same width as std::uint32_t but another type.
    DWORD valueType = 0;
    DWORD valueSize = size != nullptr ? *size : 0;
    const LSTATUS status =
        RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, type != nullptr ? &valueType : nullptr,
                         data, size != nullptr ? &valueSize : nullptr);
    if (type != nullptr && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA)) {
        *type = valueType;
    }
    if (size != nullptr && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA)) {
        *size = valueSize;
    }
    return status;
}

Status Win32Registry::SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) {
    return RegSetValueExA(ToHkey(key), name.c_str(), 0, type, data, size);
}

Status Win32Registry::DeleteValue(KeyHandle key, const std::string& name) {
    return RegDeleteValueA(ToHkey(key), name.c_str());
}

Status Win32Registry::FlushKey(KeyHandle key) {
    return RegFlushKey(ToHkey(key));
}

Status Win32Registry::CloseKey(KeyHandle key) {
    return RegCloseKey(ToHkey(key));
}

}  // namespace corvelle::registry
