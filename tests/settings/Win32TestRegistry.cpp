// The real registry for the settings tests. Every test starts and ends without the messenger's
// keys: the whole "Software\Yahoo" tree of the current user is deleted (the test prefix is
// throwaway, and nothing else lives there).
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "TestRegistry.h"
#include "Win32RegistryKeys.h"
#include "registry/Win32Registry.h"

namespace corvelle::settings::testing {

namespace {

constexpr const char* kMessengerRoot = "Software\\Yahoo";

class Win32TestRegistry final : public TestRegistry {
public:
    Win32TestRegistry() { Clear(); }
    ~Win32TestRegistry() override { Clear(); }

    registry::RegistryApi& Api() override { return registry_; }

    void Clear() override {
        // Read-only keys get their rights back first, or the tree could not be deleted.
        for (const std::string& path : readOnly_) {
            corvelle::testing::SetEveryonesAccess(path, KEY_ALL_ACCESS);
        }
        readOnly_.clear();
        RegDeleteTreeA(HKEY_CURRENT_USER, kMessengerRoot);
    }

    bool CreateVolatileKey(const std::string& path) override {
        return corvelle::testing::CreateVolatileKey(path);
    }

    bool MakeReadOnly(const std::string& path) override {
        readOnly_.push_back(path);
        // WRITE_DAC stays granted so that Clear can give the rights back.
        return corvelle::testing::SetEveryonesAccess(path, KEY_READ | WRITE_DAC);
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
