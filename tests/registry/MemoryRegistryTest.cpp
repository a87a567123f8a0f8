// What only the model offers: its test hooks and its handle bookkeeping. Everything it shares
// with the real registry is checked by the conformance suite.
#include "registry/MemoryRegistry.h"

#include <gtest/gtest.h>

#include <array>

namespace corvelle::registry {
namespace {

TEST(MemoryRegistry, CountsHandlesUntilClosed) {
    MemoryRegistry registry;
    KeyHandle a = kNullKey;
    KeyHandle b = kNullKey;
    ASSERT_EQ(registry.CreateKey(kCurrentUser, "Software\\A", &a), status::kSuccess);
    ASSERT_EQ(registry.OpenKey(kCurrentUser, "Software\\A", &b), status::kSuccess);
    EXPECT_NE(a, b);
    EXPECT_EQ(registry.OpenHandleCount(), 2U);
    EXPECT_EQ(registry.CloseKey(a), status::kSuccess);
    EXPECT_EQ(registry.CloseKey(a), status::kInvalidHandle);
    EXPECT_EQ(registry.CloseKey(kCurrentUser), status::kSuccess);
    EXPECT_EQ(registry.OpenHandleCount(), 1U);
    EXPECT_EQ(registry.CloseKey(b), status::kSuccess);
    EXPECT_EQ(registry.OpenHandleCount(), 0U);
}

TEST(MemoryRegistry, ReadOnlyKeyOpensButRefusesChanges) {
    MemoryRegistry registry;
    KeyHandle key = kNullKey;
    const std::array<std::uint8_t, 2> star = {'*', 0};
    ASSERT_EQ(registry.CreateKey(kCurrentUser, "Software\\Locked", &key), status::kSuccess);
    ASSERT_EQ(registry.SetValue(key, "Kept", type::kSz, star.data(), 2), status::kSuccess);
    ASSERT_EQ(registry.CloseKey(key), status::kSuccess);

    EXPECT_FALSE(registry.MakeReadOnly(kCurrentUser, "Software\\Missing"));
    ASSERT_TRUE(registry.MakeReadOnly(kCurrentUser, "Software\\Locked\\"));

    ASSERT_EQ(registry.CreateKey(kCurrentUser, "software\\locked", &key), status::kSuccess);
    EXPECT_EQ(registry.SetValue(key, "Other", type::kSz, star.data(), 2), status::kAccessDenied);
    EXPECT_EQ(registry.DeleteValue(key, "Kept"), status::kAccessDenied);
    std::uint32_t size = 0;
    EXPECT_EQ(registry.QueryValue(key, "Kept", nullptr, nullptr, &size), status::kSuccess);
    EXPECT_EQ(size, 2U);
    EXPECT_EQ(registry.CloseKey(key), status::kSuccess);
    EXPECT_EQ(registry.CreateKey(kCurrentUser, "Software\\Locked\\Child", &key),
              status::kAccessDenied);
    EXPECT_EQ(key, kNullKey);
}

TEST(MemoryRegistry, VolatileKeyCreatesOrdinaryParents) {
    MemoryRegistry registry;
    EXPECT_EQ(registry.CreateVolatileKey(kCurrentUser, "\\Software\\V"), status::kBadPathName);
    ASSERT_EQ(registry.CreateVolatileKey(kCurrentUser, "Software\\Parent\\V"), status::kSuccess);
    KeyHandle key = kNullKey;
    // The parent is ordinary: keys can still be created beside the volatile one.
    EXPECT_EQ(registry.CreateKey(kCurrentUser, "Software\\Parent\\Sibling", &key),
              status::kSuccess);
    EXPECT_EQ(registry.CloseKey(key), status::kSuccess);
    EXPECT_EQ(registry.CreateKey(kCurrentUser, "Software\\Parent\\V\\Child", &key),
              status::kChildMustBeVolatile);
    EXPECT_EQ(registry.OpenHandleCount(), 0U);
}

TEST(MemoryRegistry, OtherPredefinedRootsAreNotModelled) {
    MemoryRegistry registry;
    const auto localMachine =
        static_cast<KeyHandle>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000002U)));
    KeyHandle key = kNullKey;
    EXPECT_EQ(registry.OpenKey(localMachine, "Software", &key), status::kInvalidHandle);
    EXPECT_EQ(registry.CloseKey(localMachine), status::kSuccess);
}

}  // namespace
}  // namespace corvelle::registry
