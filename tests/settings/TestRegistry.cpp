#include "TestRegistry.h"

#include "registry/MemoryRegistry.h"

namespace corvelle::settings::testing {

#ifdef _WIN32
std::unique_ptr<TestRegistry> MakeWin32TestRegistry();  // Win32TestRegistry.cpp
#endif

namespace {

class MemoryTestRegistry final : public TestRegistry {
public:
    registry::RegistryApi& Api() override { return *model_; }
    void Clear() override { model_ = std::make_unique<registry::MemoryRegistry>(); }
    bool CreateVolatileKey(const std::string& path) override {
        return model_->CreateVolatileKey(registry::kCurrentUser, path) ==
               registry::status::kSuccess;
    }
    bool MakeReadOnly(const std::string& path) override {
        return model_->MakeReadOnly(registry::kCurrentUser, path);
    }
    long OpenHandles() const override { return static_cast<long>(model_->OpenHandleCount()); }

private:
    std::unique_ptr<registry::MemoryRegistry> model_ = std::make_unique<registry::MemoryRegistry>();
};

}  // namespace

std::unique_ptr<TestRegistry> MakeTestRegistry(RegistryKind kind) {
#ifdef _WIN32
    if (kind == RegistryKind::kWin32) {
        return MakeWin32TestRegistry();
    }
#endif
    return kind == RegistryKind::kMemory ? std::make_unique<MemoryTestRegistry>() : nullptr;
}

std::vector<RegistryKind> AvailableRegistryKinds() {
#ifdef _WIN32
    return {RegistryKind::kMemory, RegistryKind::kWin32};
#else
    return {RegistryKind::kMemory};
#endif
}

std::string RegistryKindName(RegistryKind kind) {
    return kind == RegistryKind::kMemory ? "Memory" : "Win32";
}

}  // namespace corvelle::settings::testing
