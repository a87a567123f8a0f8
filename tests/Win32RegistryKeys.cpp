#include "Win32RegistryKeys.h"

#include <array>
#include <memory>
#include <type_traits>

namespace corvelle::testing {

namespace {

struct KeyCloser {
    void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

}  // namespace

bool CreateVolatileKey(const std::string& path) {
    // REG_OPTION_VOLATILE applies to every key the call creates, so the parents are made first.
    const std::size_t last = path.find_last_of('\\');
    HKEY parent = HKEY_CURRENT_USER;
    UniqueKey parentOwner;
    if (last != std::string::npos) {
        if (RegCreateKeyA(HKEY_CURRENT_USER, path.substr(0, last).c_str(), &parent) !=
            ERROR_SUCCESS) {
            return false;
        }
        parentOwner.reset(parent);
    }
    HKEY created = nullptr;
    DWORD disposition = 0;
    const std::string name = last == std::string::npos ? path : path.substr(last + 1);
    if (RegCreateKeyExA(parent, name.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &created, &disposition) != ERROR_SUCCESS) {
        return false;
    }
    const UniqueKey createdOwner(created);
    return disposition == REG_CREATED_NEW_KEY;
}

bool SetEveryonesAccess(const std::string& path, REGSAM access) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, &opened) != ERROR_SUCCESS) {
        return false;
    }
    const UniqueKey key(opened);
    std::array<BYTE, SECURITY_MAX_SID_SIZE> everyone{};
    DWORD sidSize = static_cast<DWORD>(everyone.size());
    std::array<BYTE, 256> aclBuffer{};
    auto* acl = reinterpret_cast<PACL>(aclBuffer.data());
    SECURITY_DESCRIPTOR descriptor{};
    return CreateWellKnownSid(WinWorldSid, nullptr, everyone.data(), &sidSize) &&
           InitializeAcl(acl, static_cast<DWORD>(aclBuffer.size()), ACL_REVISION) &&
           AddAccessAllowedAce(acl, ACL_REVISION, access, everyone.data()) &&
           InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
           RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
}

}  // namespace corvelle::testing
