// ReadValue, WriteValue and DeleteValue on every registry of the build: what they store, what they
// report, and that they close every key they open.
#include <functional>

#include "registry/RegistryFixture.h"

namespace corvelle::registry::testing {
namespace {

using RegistryModConformance = RegistryFixture;

TEST_P(RegistryModConformance, WriteCreatesThePathAndStoresExactBytes) {
    struct Case {
        std::int32_t type;
        std::string data;
        Stored stored;
    };
    const Case cases[] = {
        {type::kDword, "1", {type::kDword, {1, 0, 0, 0}}},
        {type::kDword, "-2", {type::kDword, {0xFE, 0xFF, 0xFF, 0xFF}}},
        {type::kDword, " +2147483647 ", {type::kDword, {0xFF, 0xFF, 0xFF, 0x7F}}},
        {type::kDword, "abc", {type::kDword, {0, 0, 0, 0}}},
        {type::kDword, "2147483648", {type::kDword, {0, 0, 0, 0}}},
        {type::kDword, "1x", {type::kDword, {0, 0, 0, 0}}},
        {type::kDword, "", {type::kDword, {0, 0, 0, 0}}},
        {type::kSz, "*", {type::kSz, {0x2A, 0}}},
        {type::kSz, "about:blank", {type::kSz, BytesOf(std::string("about:blank\0", 12))}},
        {type::kSz, "", {type::kSz, {0}}},
        // Other type codes pass the text without its zero as REG_SZ; RegSetValueExA then counts
        // in the zero that std::string keeps just past the text.
        {type::kBinary, "abc", {type::kSz, {'a', 'b', 'c', 0}}},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data);
        // Each case starts where even the parents of its key are missing.
        const std::string root = Scratch(std::to_string(++round));
        EXPECT_TRUE(Mod().WriteValue(kCurrentUser, root + "\\Yahoo\\pager\\Test\\", "Plural",
                                     c.type, c.data));
        EXPECT_EQ(Read(root + "\\Yahoo\\pager\\Test", "Plural"), c.stored);
    }
    EXPECT_EQ(Mod().ReadValue(kCurrentUser, Scratch("1\\Yahoo\\pager\\Test\\"), "Plural"), "001");
}

TEST_P(RegistryModConformance, DeleteReportsWhetherTheValueIsGone) {
    const std::string written = Scratch("Test\\");
    const std::string path = Scratch("Test");
    ASSERT_TRUE(Mod().WriteValue(kCurrentUser, written, "Plural", type::kDword, "1"));
    EXPECT_TRUE(Mod().DeleteValue(kCurrentUser, path, "Plural"));
    EXPECT_FALSE(Read(path, "Plural").has_value());
    EXPECT_EQ(Mod().ReadValue(kCurrentUser, written, "Plural"), kNotFound);

    // Nothing there counts as gone, and nothing is created.
    EXPECT_TRUE(Mod().DeleteValue(kCurrentUser, path, "Plural"));
    EXPECT_TRUE(Mod().DeleteValue(kCurrentUser, Scratch("Missing\\Key\\"), "Plural"));
    EXPECT_FALSE(KeyExists(Scratch("Missing")));

    // A refusal leaves the value, and is reported.
    ASSERT_TRUE(Mod().WriteValue(kCurrentUser, written, "Plural", type::kDword, "1"));
    ASSERT_TRUE(Backend().MakeReadOnly(path));
    EXPECT_FALSE(Mod().DeleteValue(kCurrentUser, path, "Plural"));
    EXPECT_EQ(Mod().ReadValue(kCurrentUser, path, "Plural"), "001");
    // A read-only key refuses the delete of a value it does not hold, which is still gone.
    EXPECT_TRUE(Mod().DeleteValue(kCurrentUser, path, "Never There"));
    // A path the registry rejects outright is a failure too.
    EXPECT_FALSE(Mod().DeleteValue(kCurrentUser, "\\" + path, "Plural"));
}

TEST_P(RegistryModConformance, WriteReportsAValueNotStored) {
    ASSERT_TRUE(Backend().CreateVolatileKey(Scratch("Volatile")));
    EXPECT_FALSE(Mod().WriteValue(kCurrentUser, Scratch("Volatile\\Test\\"), "Plural",
                                  type::kDword, "1"));
    EXPECT_FALSE(KeyExists(Scratch("Volatile\\Test")));

    ASSERT_TRUE(Mod().WriteValue(kCurrentUser, Scratch("Locked"), "Plural", type::kDword, "0"));
    ASSERT_TRUE(Backend().MakeReadOnly(Scratch("Locked")));
    EXPECT_FALSE(Mod().WriteValue(kCurrentUser, Scratch("Locked"), "Plural", type::kDword, "1"));
    EXPECT_FALSE(Mod().WriteValue(kCurrentUser, Scratch("Locked"), "Other", type::kSz, "*"));
    EXPECT_EQ(Mod().ReadValue(kCurrentUser, Scratch("Locked"), "Plural"), "000");
    EXPECT_EQ(Mod().ReadValue(kCurrentUser, Scratch("Locked"), "Other"), kNotFound);
}

TEST_P(RegistryModConformance, EveryRoutineClosesItsKeyOnEveryPath) {
    const std::string path = Scratch("Test");
    ASSERT_EQ(Store(path, "Big", type::kBinary, Bytes(2049, 1)), status::kSuccess);
    ASSERT_TRUE(Backend().CreateVolatileKey(Scratch("Volatile")));
    ASSERT_EQ(Store(Scratch("Locked"), "Plural", type::kDword, {1, 0, 0, 0}), status::kSuccess);
    ASSERT_TRUE(Backend().MakeReadOnly(Scratch("Locked")));
    const RegistryMod mod = Mod();
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"write", [&] { mod.WriteValue(kCurrentUser, path, "Plural", type::kDword, "1"); }},
        {"write refused", [&] { mod.WriteValue(kCurrentUser, Scratch("Locked"), "P", 1, "*"); }},
        {"write below volatile",
         [&] { mod.WriteValue(kCurrentUser, Scratch("Volatile\\Sub"), "P", 1, "*"); }},
        {"read", [&] { mod.ReadValue(kCurrentUser, path, "Plural"); }},
        {"read too big", [&] { mod.ReadValue(kCurrentUser, path, "Big"); }},
        {"read missing value", [&] { mod.ReadValue(kCurrentUser, path, "Missing"); }},
        {"read missing key", [&] { mod.ReadValue(kCurrentUser, Scratch("Missing"), "P"); }},
        {"read bad path", [&] { mod.ReadValue(kCurrentUser, "\\" + path, "P"); }},
        {"read null root", [&] { mod.ReadValue(kNullKey, path, "Plural"); }},
        {"delete", [&] { mod.DeleteValue(kCurrentUser, path, "Plural"); }},
        {"delete missing value", [&] { mod.DeleteValue(kCurrentUser, path, "Plural"); }},
        {"delete missing key", [&] { mod.DeleteValue(kCurrentUser, Scratch("Missing"), "P"); }},
        {"delete refused", [&] { mod.DeleteValue(kCurrentUser, Scratch("Locked"), "Plural"); }},
    };
    for (const auto& [name, step] : steps) {
        step();
        EXPECT_EQ(Backend().OpenHandleCount(), 0U) << name;
    }
}

CORVELLE_ON_EVERY_REGISTRY(RegistryModConformance);

}  // namespace
}  // namespace corvelle::registry::testing
