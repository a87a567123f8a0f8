#pragma once
// The fixture of the tests that run on every backend: a fresh scratch key per test, helpers that
// store and read raw values through the seven calls, and a check that no handle is left open.

#include <gtest/gtest.h>

#include <cstdint>
#include <iomanip>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "registry/KeyOwner.h"
#include "registry/RegistryBackend.h"
#include "registry/RegistryMod.h"

namespace corvelle::registry::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes BytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// A value as the registry holds it.
struct Stored {
    std::uint32_t type = type::kNone;
    Bytes bytes;
    bool operator==(const Stored&) const = default;
};

inline void PrintTo(const Stored& stored, std::ostream* out) {
    *out << "type " << stored.type << ", bytes";
    for (const std::uint8_t byte : stored.bytes) {
        *out << ' ' << std::hex << std::setw(2) << std::setfill('0') << int{byte} << std::dec;
    }
}

class RegistryFixture : public ::testing::TestWithParam<BackendMaker> {
protected:
    void SetUp() override { backend_ = GetParam().make(); }
    void TearDown() override {
        EXPECT_EQ(backend_->OpenHandleCount(), 0U) << "a key handle was left open";
        backend_.reset();
    }

    RegistryBackend& Backend() { return *backend_; }
    RegistryApi& Api() { return backend_->Api(); }
    RegistryMod Mod() { return RegistryMod(backend_->Api()); }

    // A path below the scratch key.
    static std::string Scratch(const std::string& relative) {
        return std::string(kScratchKey) + "\\" + relative;
    }

    bool KeyExists(const std::string& path) {
        KeyOwner key(Api());
        return Api().OpenKey(kCurrentUser, path, key.put()) == status::kSuccess;
    }

    // Stores exactly these bytes. The byte after them is not zero, so that a string type does
    // not get the terminating zero RegSetValueExA counts in when it finds one just past the data.
    Status Store(const std::string& path, const std::string& name, std::uint32_t valueType,
                 Bytes bytes) {
        KeyOwner key(Api());
        const Status created = Api().CreateKey(kCurrentUser, path, key.put());
        if (created != status::kSuccess) {
            return created;
        }
        const auto size = static_cast<std::uint32_t>(bytes.size());
        bytes.push_back(0xFF);
        return Api().SetValue(key.get(), name, valueType, bytes.data(), size);
    }

    // The value's type and bytes, or nothing when the key or value cannot be read.
    std::optional<Stored> Read(const std::string& path, const std::string& name) {
        KeyOwner key(Api());
        if (Api().OpenKey(kCurrentUser, path, key.put()) != status::kSuccess) {
            return std::nullopt;
        }
        Stored stored;
        std::uint32_t size = 0;
        if (Api().QueryValue(key.get(), name, &stored.type, nullptr, &size) != status::kSuccess) {
            return std::nullopt;
        }
        stored.bytes.resize(size + 1);  // room for the zero a string without one gets
        size = static_cast<std::uint32_t>(stored.bytes.size());
        if (Api().QueryValue(key.get(), name, &stored.type, stored.bytes.data(), &size) !=
            status::kSuccess) {
            return std::nullopt;
        }
        stored.bytes.resize(size);
        return stored;
    }

private:
    std::unique_ptr<RegistryBackend> backend_;
};

// Runs a fixture's tests once on every backend of the build, named after the backend.
#define CORVELLE_ON_EVERY_REGISTRY(fixture)                                                    \
    INSTANTIATE_TEST_SUITE_P(                                                                 \
        Registries, fixture, ::testing::ValuesIn(AvailableBackends()),                        \
        [](const ::testing::TestParamInfo<BackendMaker>& info) { return info.param.name; })

}  // namespace corvelle::registry::testing
