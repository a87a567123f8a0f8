// The handle counter that watches the real registry must agree with the model's own count.
#include "registry/CountingRegistry.h"

#include <gtest/gtest.h>

#include "registry/MemoryRegistry.h"

namespace corvelle::registry::testing {
namespace {

TEST(CountingRegistry, CountsAsTheModelDoes) {
    MemoryRegistry model;
    CountingRegistry counting(model);
    KeyHandle a = kNullKey;
    KeyHandle b = kNullKey;
    KeyHandle same = kNullKey;
    const auto agree = [&] { EXPECT_EQ(counting.OpenHandleCount(), model.OpenHandleCount()); };
    ASSERT_EQ(counting.CreateKey(kCurrentUser, "A", &a), status::kSuccess);
    ASSERT_EQ(counting.CreateKey(a, "", &b), status::kSuccess);  // a new handle
    agree();
    ASSERT_EQ(counting.OpenKey(a, "", &same), status::kSuccess);  // a itself
    EXPECT_EQ(counting.OpenKey(kCurrentUser, "Missing", &same), status::kFileNotFound);
    EXPECT_EQ(counting.OpenHandleCount(), 2U);
    agree();
    EXPECT_EQ(counting.CloseKey(a), status::kSuccess);
    EXPECT_EQ(counting.CloseKey(a), status::kInvalidHandle);
    EXPECT_EQ(counting.CloseKey(kCurrentUser), status::kSuccess);
    agree();
    EXPECT_EQ(counting.CloseKey(b), status::kSuccess);
    EXPECT_EQ(counting.OpenHandleCount(), 0U);
    agree();
}

}  // namespace
}  // namespace corvelle::registry::testing
