#pragma once
// Owns one open registry key and closes it when it goes out of scope, so that a handle is released
// on every path. Never closes a predefined root or a null handle.

#include <utility>

#include "registry/RegistryApi.h"

namespace corvelle::registry {

class KeyOwner {
public:
    explicit KeyOwner(RegistryApi& api) noexcept : api_(&api) {}
    KeyOwner(const KeyOwner&) = delete;
    KeyOwner& operator=(const KeyOwner&) = delete;
    KeyOwner(KeyOwner&& other) noexcept
        : api_(other.api_), key_(std::exchange(other.key_, kNullKey)) {}
    KeyOwner& operator=(KeyOwner&& other) noexcept {
        if (this != &other) {
            Close();
            api_ = other.api_;
            key_ = std::exchange(other.key_, kNullKey);
        }
        return *this;
    }
    ~KeyOwner() { Close(); }

    KeyHandle get() const noexcept { return key_; }
    // For the open and create calls to fill in; the key held before is closed first.
    KeyHandle* put() noexcept {
        Close();
        return &key_;
    }

private:
    void Close() noexcept {
        if (key_ != kNullKey) {
            api_->CloseKey(std::exchange(key_, kNullKey));  // nothing to do if closing fails
        }
    }

    RegistryApi* api_;
    KeyHandle key_ = kNullKey;
};

}  // namespace corvelle::registry
