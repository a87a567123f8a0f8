// The model as a conformance backend; on Windows the real registry is added beside it.
#include "registry/MemoryRegistry.h"
#include "registry/RegistryBackend.h"

namespace corvelle::registry::testing {

namespace {

class MemoryBackend final : public RegistryBackend {
public:
    RegistryApi& Api() override { return registry_; }
    bool CreateVolatileKey(const std::string& path) override {
        return registry_.CreateVolatileKey(kCurrentUser, path) == status::kSuccess;
    }
    bool MakeReadOnly(const std::string& path) override {
        return registry_.MakeReadOnly(kCurrentUser, path);
    }
    std::size_t OpenHandleCount() const override { return registry_.OpenHandleCount(); }
    bool OnWine() const override { return false; }

private:
    MemoryRegistry registry_;  // a fresh registry: its scratch key does not exist yet
};

}  // namespace

std::unique_ptr<RegistryBackend> MakeMemoryBackend() {
    return std::make_unique<MemoryBackend>();
}

}  // namespace corvelle::registry::testing
