// The real registry as a conformance backend, through a handle-counting Win32Registry. Tests work
// below a scratch key of HKEY_CURRENT_USER, deleted before and after each test.
#include <windows.h>

#include <array>
#include <memory>
#include <type_traits>

#include "registry/CountingRegistry.h"
#include "registry/RegistryBackend.h"
#include "registry/Win32Registry.h"

namespace corvelle::registry::testing {

namespace {

struct KeyCloser {
    void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// Sets a DACL that grants everyone the given access to the key at the path below HKCU.
bool GrantEveryone(const std::string& path, REGSAM access) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, &opened) != ERROR_SUCCESS) {
        return false;
    }
    const UniqueKey key(opened);
    std::array<BYTE, SECURITY_MAX_SID_SIZE> everyone{};
    DWORD sidSize = everyone.size();
    if (!CreateWellKnownSid(WinWorldSid, nullptr, everyone.data(), &sidSize)) {
        return false;
    }
    std::array<BYTE, 256> aclBuffer{};
    auto* acl = reinterpret_cast<PACL>(aclBuffer.data());
    SECURITY_DESCRIPTOR descriptor{};
    return InitializeAcl(acl, aclBuffer.size(), ACL_REVISION) &&
           AddAccessAllowedAce(acl, ACL_REVISION, access, everyone.data()) &&
           InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
           RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
}

class Win32Backend final : public RegistryBackend {
public:
    Win32Backend() { RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey); }
    ~Win32Backend() override {
        // Read-only keys get full access back first, so that Windows lets the tree be deleted.
        for (const std::string& path : readOnly_) {
            GrantEveryone(path, KEY_ALL_ACCESS);
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\CorvelleTests");  // only if now empty
    }

    RegistryApi& Api() override { return counting_; }

    bool CreateVolatileKey(const std::string& path) override {
        // REG_OPTION_VOLATILE would make every key the call creates volatile: parents come first.
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
        const std::string name = last == std::string::npos ? path : path.substr(last + 1);
        if (RegCreateKeyExA(parent, name.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &created, nullptr) != ERROR_SUCCESS) {
            return false;
        }
        const UniqueKey createdOwner(created);
        return true;
    }

    bool MakeReadOnly(const std::string& path) override {
        readOnly_.push_back(path);
        return GrantEveryone(path, KEY_READ);
    }

    std::size_t OpenHandleCount() const override { return counting_.OpenHandleCount(); }

    bool OnWine() const override {
        return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    }

private:
    Win32Registry registry_;
    CountingRegistry counting_{registry_};
    std::vector<std::string> readOnly_;
};

}  // namespace

std::unique_ptr<RegistryBackend> MakeWin32Backend() {
    return std::make_unique<Win32Backend>();
}

}  // namespace corvelle::registry::testing
