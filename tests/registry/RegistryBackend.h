#pragma once
// A registry for the conformance suite to run on: the seven calls plus the setup the tests need
// to provoke refusals. Every backend starts with no scratch key and removes it when destroyed.

#include <cstddef>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "registry/RegistryApi.h"

namespace corvelle::registry::testing {

// Every key a test touches lies below this key of HKEY_CURRENT_USER.
inline constexpr const char* kScratchKey = "Software\\CorvelleTests\\Registry";

class RegistryBackend {
public:
    RegistryBackend() = default;
    RegistryBackend(const RegistryBackend&) = delete;
    RegistryBackend& operator=(const RegistryBackend&) = delete;
    virtual ~RegistryBackend() = default;

    virtual RegistryApi& Api() = 0;
    // A volatile key at the path below HKCU; its missing parents are ordinary keys.
    virtual bool CreateVolatileKey(const std::string& path) = 0;
    // Lets the existing key at the path below HKCU be read but its values not be changed.
    virtual bool MakeReadOnly(const std::string& path) = 0;
    // Key handles opened through Api() and not yet closed.
    virtual std::size_t OpenHandleCount() const = 0;
    // The real registry under Wine, where known differences from Windows are marked.
    virtual bool OnWine() const = 0;
};

struct BackendMaker {
    std::string name;
    std::function<std::unique_ptr<RegistryBackend>()> make;
};

inline void PrintTo(const BackendMaker& maker, std::ostream* out) {
    *out << maker.name;
}

std::unique_ptr<RegistryBackend> MakeMemoryBackend();
std::unique_ptr<RegistryBackend> MakeWin32Backend();  // Windows only

// The backends of this build: the model everywhere, and the real registry on Windows.
std::vector<BackendMaker> AvailableBackends();

}  // namespace corvelle::registry::testing
