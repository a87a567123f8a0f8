#pragma once
// The registries the settings tests run on: the in-memory model everywhere, and on Windows also
// the real registry through advapi32, where everything below "Software\Yahoo" of the current user
// is deleted before and after each test.

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "registry/RegistryApi.h"

namespace corvelle::settings::testing {

enum class RegistryKind { kMemory, kWin32 };

class TestRegistry {
public:
    TestRegistry() = default;
    TestRegistry(const TestRegistry&) = delete;
    TestRegistry& operator=(const TestRegistry&) = delete;
    virtual ~TestRegistry() = default;

    virtual registry::RegistryApi& Api() = 0;
    // Back to a registry without any of the messenger's keys. Api() may return another object
    // afterwards.
    virtual void Clear() = 0;
    // Creates the key (below the current user) as a volatile key: no ordinary key can be created
    // below it. Returns whether it is volatile now.
    virtual bool CreateVolatileKey(const std::string& path) = 0;
    // Lets the existing key be opened and read, but refuses changes to its values and new keys
    // below it. Returns whether that took.
    virtual bool MakeReadOnly(const std::string& path) = 0;
    // Key handles still open, where the registry can tell (-1 otherwise).
    virtual long OpenHandles() const = 0;
};

std::unique_ptr<TestRegistry> MakeTestRegistry(RegistryKind kind);
// The kinds this build can run: the model, and on Windows the real registry too.
std::vector<RegistryKind> AvailableRegistryKinds();
std::string RegistryKindName(RegistryKind kind);

// For test messages.
inline void PrintTo(RegistryKind kind, std::ostream* out) { *out << RegistryKindName(kind); }

}  // namespace corvelle::settings::testing
