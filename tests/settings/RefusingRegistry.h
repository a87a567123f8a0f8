#pragma once
// Forwards the seven calls to another registry but refuses, as an access list would, to set or
// delete values of the chosen names (and, if asked, to read those of other chosen names), so that
// one value among several can fail.

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

#include "registry/RegistryApi.h"

namespace corvelle::settings::testing {

class RefusingRegistry final : public registry::RegistryApi {
public:
    RefusingRegistry(registry::RegistryApi& inner, const std::set<std::string>& refusedNames,
                     const std::set<std::string>& unreadableNames = {})
        : inner_(inner) {
        for (const std::string& name : refusedNames) {
            refused_.insert(Folded(name));
        }
        for (const std::string& name : unreadableNames) {
            unreadable_.insert(Folded(name));
        }
    }

    registry::Status OpenKey(registry::KeyHandle root, const std::string& path,
                             registry::KeyHandle* result) override {
        return inner_.OpenKey(root, path, result);
    }
    registry::Status CreateKey(registry::KeyHandle root, const std::string& path,
                               registry::KeyHandle* result) override {
        return inner_.CreateKey(root, path, result);
    }
    registry::Status QueryValue(registry::KeyHandle key, const std::string& name,
                                std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* size) override {
        return unreadable_.count(Folded(name)) != 0
                   ? registry::status::kAccessDenied
                   : inner_.QueryValue(key, name, type, data, size);
    }
    registry::Status SetValue(registry::KeyHandle key, const std::string& name, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) override {
        ++attempts;
        return Refuses(name) ? registry::status::kAccessDenied
                             : inner_.SetValue(key, name, type, data, size);
    }
    registry::Status DeleteValue(registry::KeyHandle key, const std::string& name) override {
        ++attempts;
        return Refuses(name) ? registry::status::kAccessDenied : inner_.DeleteValue(key, name);
    }
    registry::Status FlushKey(registry::KeyHandle key) override { return inner_.FlushKey(key); }
    registry::Status CloseKey(registry::KeyHandle key) override { return inner_.CloseKey(key); }

    // Values set or deleted, refused or not.
    int attempts = 0;

private:
    static std::string Folded(std::string name) {
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return name;
    }
    bool Refuses(const std::string& name) const { return refused_.count(Folded(name)) != 0; }

    registry::RegistryApi& inner_;
    std::set<std::string> refused_;
    std::set<std::string> unreadable_;
};

}  // namespace corvelle::settings::testing
