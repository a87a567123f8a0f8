#include "RegistryProbe.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "registry/KeyOwner.h"
#include "settings/MessengerKeys.h"

namespace corvelle::settings::testing {

using registry::KeyOwner;
using registry::kCurrentUser;
namespace status = registry::status;

const std::vector<std::string> kWatchedKeys = {
    "Software\\Yahoo",
    "Software\\Yahoo\\pager",
    "Software\\Yahoo\\pager\\Test",
    "Software\\Yahoo\\pager\\Test\\Plural",
    "Software\\Yahoo\\pager\\YUrl",
    "Software\\Yahoo\\pager\\YUrl\\Messenger Ad",
    "Software\\Yahoo\\yui",
};

const std::vector<std::string> kUnrelatedNames = {"Keep Me", "Plural Count", "Messenger Ad 2"};

Stored Sz(std::string_view text) {
    Stored value{registry::type::kSz, {text.begin(), text.end()}};
    value.bytes.push_back(0);
    return value;
}

Stored Dword(std::uint32_t number) {
    return {registry::type::kDword,
            {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
             static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}};
}

Stored Raw(std::uint32_t type, std::string_view bytes) {
    return {type, {bytes.begin(), bytes.end()}};
}

std::optional<Stored> ReadStored(registry::RegistryApi& api, const std::string& key,
                                 const std::string& name) {
    KeyOwner owner(api);
    if (api.OpenKey(kCurrentUser, key, owner.put()) != status::kSuccess) {
        return std::nullopt;
    }
    Stored value;
    std::uint32_t size = 0;
    if (api.QueryValue(owner.get(), name, &value.type, nullptr, &size) != status::kSuccess) {
        return std::nullopt;
    }
    // Room for a terminating zero the query may add to a string stored without one.
    value.bytes.resize(size + 2);
    size = static_cast<std::uint32_t>(value.bytes.size());
    const registry::Status read =
        api.QueryValue(owner.get(), name, &value.type, value.bytes.data(), &size);
    EXPECT_EQ(read, status::kSuccess) << key << " | " << name;
    value.bytes.resize(size);
    return value;
}

bool KeyExists(registry::RegistryApi& api, const std::string& key) {
    KeyOwner owner(api);
    return api.OpenKey(kCurrentUser, key, owner.put()) == status::kSuccess;
}

void Plant(registry::RegistryApi& api, const std::string& key, const std::string& name,
           const Stored& value) {
    KeyOwner owner(api);
    ASSERT_EQ(api.CreateKey(kCurrentUser, key, owner.put()), status::kSuccess) << key;
    // The registry counts a string's terminating zero when it lies just past the data; a byte
    // that is not zero there keeps the stored bytes exactly as given.
    std::vector<std::uint8_t> buffer = value.bytes;
    buffer.push_back(0xFF);
    ASSERT_EQ(api.SetValue(owner.get(), name, value.type, buffer.data(),
                           static_cast<std::uint32_t>(value.bytes.size())),
              status::kSuccess)
        << key << " | " << name;
}

void PlantKey(registry::RegistryApi& api, const std::string& key) {
    KeyOwner owner(api);
    ASSERT_EQ(api.CreateKey(kCurrentUser, key, owner.put()), status::kSuccess) << key;
}

std::string Describe(const std::optional<Stored>& value) {
    if (!value) {
        return "missing";
    }
    std::string text;
    switch (value->type) {
    case registry::type::kSz: text = "REG_SZ"; break;
    case registry::type::kExpandSz: text = "REG_EXPAND_SZ"; break;
    case registry::type::kBinary: text = "REG_BINARY"; break;
    case registry::type::kDword: text = "REG_DWORD"; break;
    case registry::type::kMultiSz: text = "REG_MULTI_SZ"; break;
    case registry::type::kQword: text = "REG_QWORD"; break;
    default: text = "type " + std::to_string(value->type); break;
    }
    for (const std::uint8_t byte : value->bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", byte);
        text += hex;
    }
    return text;
}

Snapshot TakeSnapshot(registry::RegistryApi& api) {
    std::vector<std::string> names = {messenger::kSwitchValue, messenger::kBottomAdValue};
    for (const messenger::AdValue& ad : messenger::kAdValues) {
        names.push_back(ad.name);
    }
    names.insert(names.end(), kUnrelatedNames.begin(), kUnrelatedNames.end());

    Snapshot snapshot;
    for (const std::string& key : kWatchedKeys) {
        snapshot[key] = KeyExists(api, key) ? "exists" : "absent";
        for (const std::string& name : names) {
            snapshot[key + " | " + name] = Describe(ReadStored(api, key, name));
        }
    }
    return snapshot;
}

}  // namespace corvelle::settings::testing
