// The real registry as a conformance backend, through a handle-counting Win32Registry. Tests work
// below a scratch key of HKEY_CURRENT_USER, deleted before and after each test.
#include <windows.h>

#include <memory>

#include "Win32RegistryKeys.h"
#include "registry/CountingRegistry.h"
#include "registry/RegistryBackend.h"
#include "registry/Win32Registry.h"

namespace corvelle::registry::testing {

namespace {

class Win32Backend final : public RegistryBackend {
public:
    Win32Backend() { RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey); }
    ~Win32Backend() override {
        // Read-only keys get full access back first, so that Windows lets the tree be deleted.
        for (const std::string& path : readOnly_) {
            corvelle::testing::SetEveryonesAccess(path, KEY_ALL_ACCESS);
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\CorvelleTests");  // only if now empty
    }

    RegistryApi& Api() override { return counting_; }

    bool CreateVolatileKey(const std::string& path) override {
        return corvelle::testing::CreateVolatileKey(path);
    }

    bool MakeReadOnly(const std::string& path) override {
        readOnly_.push_back(path);
        return corvelle::testing::SetEveryonesAccess(path, KEY_READ);
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
