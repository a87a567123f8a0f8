#pragma once
// A host for the command line in tests: records both output streams, reads stored values through
// the seven registry calls (string data widened byte by byte to UTF-16, enough for the ASCII
// contents the tests plant) and keeps written files in memory.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliHost.h"
#include "registry/KeyOwner.h"
#include "registry/RegistryApi.h"

namespace corvelle::cli::testing {

class FakeCliHost final : public CliHost {
public:
    // The registry the export reads; set before each run.
    registry::RegistryApi* api = nullptr;
    std::vector<std::string> out;
    std::vector<std::string> err;
    std::map<std::string, std::vector<std::uint8_t>> files;
    // A read of this value name fails; a write of a file returns this failure.
    std::string failReadOf;
    std::optional<FileWrite> writeFailure;

    void Out(const std::string& line) override { out.push_back(line); }
    void Err(const std::string& line) override { err.push_back(line); }
    std::string OutFailure() const override { return {}; }
    std::string StatusText(registry::Status status) override {
        return status == registry::status::kAccessDenied ? "Access denied."
                                                         : "error " + std::to_string(status);
    }

    StoredRead ReadStored(const std::string& keyPath, const std::string& name) override {
        if (name == failReadOf) {
            return {StoredRead::Outcome::kFailed, {}, "Access denied."};
        }
        registry::KeyOwner key(*api);
        if (api->OpenKey(registry::kCurrentUser, keyPath, key.put()) != 0) {
            return {};
        }
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data(4096);
        auto size = static_cast<std::uint32_t>(data.size());
        if (api->QueryValue(key.get(), name, &type, data.data(), &size) != 0) {
            return {};
        }
        data.resize(size);
        StoredRead read{StoredRead::Outcome::kPresent, {type, data}, {}};
        if (type == registry::type::kSz || type == registry::type::kExpandSz ||
            type == registry::type::kMultiSz) {
            read.value.bytes.clear();
            for (const std::uint8_t byte : data) {
                read.value.bytes.insert(read.value.bytes.end(), {byte, 0});
            }
        }
        return read;
    }

    FileWrite WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                        bool replace) override {
        if (writeFailure) {
            return *writeFailure;
        }
        if (!replace && files.count(path) != 0) {
            return {FileWrite::Outcome::kExists, {}, {}, {}};
        }
        files[path] = bytes;
        return {FileWrite::Outcome::kWritten, {}, {}, {}};
    }
};

}  // namespace corvelle::cli::testing
