#pragma once
// Forwards the seven calls to another registry and keeps the key handles they open until closed,
// so a test can see a handle left open on a registry that cannot say so itself.

#include <cstddef>
#include <set>

#include "registry/RegistryApi.h"

namespace corvelle::registry::testing {

class CountingRegistry final : public RegistryApi {
public:
    explicit CountingRegistry(RegistryApi& inner) : inner_(inner) {}

    Status OpenKey(KeyHandle root, const std::string& path, KeyHandle* result) override {
        return Opened(root, inner_.OpenKey(root, path, result), result);
    }
    Status CreateKey(KeyHandle root, const std::string& path, KeyHandle* result) override {
        return Opened(root, inner_.CreateKey(root, path, result), result);
    }
    Status QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type,
                      std::uint8_t* data, std::uint32_t* size) override {
        return inner_.QueryValue(key, name, type, data, size);
    }
    Status SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                    const std::uint8_t* data, std::uint32_t size) override {
        return inner_.SetValue(key, name, type, data, size);
    }
    Status DeleteValue(KeyHandle key, const std::string& name) override {
        return inner_.DeleteValue(key, name);
    }
    Status FlushKey(KeyHandle key) override { return inner_.FlushKey(key); }
    Status CloseKey(KeyHandle key) override {
        const Status closed = inner_.CloseKey(key);
        const auto found = open_.find(key);
        if (closed == status::kSuccess && found != open_.end()) {
            open_.erase(found);
        }
        return closed;
    }

    std::size_t OpenHandleCount() const noexcept { return open_.size(); }

private:
    // Opening with an empty path hands back the root itself: no new handle then.
    Status Opened(KeyHandle root, Status opened, const KeyHandle* result) {
        if (opened == status::kSuccess && result != nullptr && *result != root) {
            open_.insert(*result);
        }
        return opened;
    }

    RegistryApi& inner_;
    std::multiset<KeyHandle> open_;
};

}  // namespace corvelle::registry::testing
