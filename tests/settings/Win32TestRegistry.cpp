// The real registry for the settings tests. Every test starts and ends without the messenger's
// keys: the whole "Software\Yahoo" tree of the current user is deleted (the test prefix is
// throwaway, and nothing else lives there).
#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "TestRegistry.h"
#include "registry/Win32Registry.h"

namespace corvelle::settings::testing {

namespace {

constexpr const char* kMessengerRoot = "Software\\Yahoo";

struct KeyCloser {
    void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// Replaces the key's access list with one entry that grants everyone the given rights.
bool SetEveryonesAccess(const std::string& path, REGSAM access) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, &opened) != ERROR_SUCCESS) {
        return false;
    }
    const UniqueKey key(opened);
    std::array<BYTE, SECURITY_MAX_SID_SIZE> everyone{};
    DWORD sidSize = static_cast<DWORD>(everyone.size());
    std::array<BYTE, 128> aclBuffer{};
    auto* acl = reinterpret_cast<PACL>(aclBuffer.data());
    SECURITY_DESCRIPTOR descriptor{};
    return CreateWellKnownSid(WinWorldSid, nullptr, everyone.data(), &sidSize) &&
           InitializeAcl(acl, static_cast<DWORD>(aclBuffer.size()), ACL_REVISION) &&
           AddAccessAllowedAce(acl, ACL_REVISION, access, everyone.data()) &&
           InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
           RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
}

class Win32TestRegistry final : public TestRegistry {
public:
    Win32TestRegistry() { Clear(); }
    ~Win32TestRegistry() override { Clear(); }

    registry::RegistryApi& Api() override { return registry_; }

    void Clear() override {
        // Read-only keys get their rights back first, or the tree could not be deleted.
        for (const std::string& path : readOnly_) {
            SetEveryonesAccess(path, KEY_ALL_ACCESS);
        }
        readOnly_.clear();
        RegDeleteTreeA(HKEY_CURRENT_USER, kMessengerRoot);
    }

    bool CreateVolatileKey(const std::string& path) override {
        // The option applies to every key the call creates, so the parents are made first.
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

    bool MakeReadOnly(const std::string& path) override {
        readOnly_.push_back(path);
        // WRITE_DAC stays granted so that Clear can give the rights back.
        return SetEveryonesAccess(path, KEY_READ | WRITE_DAC);
    }

    long OpenHandles() const override { return -1; }

private:
    registry::Win32Registry registry_;
    std::vector<std::string> readOnly_;
};

}  // namespace

std::unique_ptr<TestRegistry> MakeWin32TestRegistry() {
    return std::make_unique<Win32TestRegistry>();
}

}  // namespace corvelle::settings::testing
