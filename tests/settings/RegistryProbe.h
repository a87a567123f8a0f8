#pragma once
// Looks at and plants registry contents for the settings tests through the seven calls alone, so
// the same checks run on the model and on the real registry: exact types and bytes, whether a key
// exists, and snapshots of every key and value the commands could touch.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/RegistryApi.h"

namespace corvelle::settings::testing {

struct Stored {
    std::uint32_t type = registry::type::kNone;
    std::vector<std::uint8_t> bytes;
    friend bool operator==(const Stored&, const Stored&) = default;
};

// A REG_SZ as the commands store it: the text and its terminating zero.
Stored Sz(std::string_view text);
Stored Dword(std::uint32_t number);
// Any type with exactly these bytes.
Stored Raw(std::uint32_t type, std::string_view bytes);

// The value's type and bytes, or nothing when it (or its key) is missing.
std::optional<Stored> ReadStored(registry::RegistryApi& api, const std::string& key,
                                 const std::string& name);
bool KeyExists(registry::RegistryApi& api, const std::string& key);
// Plants the value exactly as given (creating its key); the test fails when the registry refuses.
void Plant(registry::RegistryApi& api, const std::string& key, const std::string& name,
           const Stored& value);
void PlantKey(registry::RegistryApi& api, const std::string& key);

// For test messages: "REG_SZ 2A 00", "missing".
std::string Describe(const std::optional<Stored>& value);

// "key" -> "exists"/"absent" and "key | name" -> Describe(value), for every watched key and
// every watched name in each.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(registry::RegistryApi& api);

// Keys of the messenger, and the names of values that tests plant beside the messenger's own to
// check that they survive.
extern const std::vector<std::string> kWatchedKeys;
extern const std::vector<std::string> kUnrelatedNames;

}  // namespace corvelle::settings::testing
