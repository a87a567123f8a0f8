#pragma once
// The fixture of the settings tests: one registry of the kind given as the parameter (cleared
// before and after), a recording control set, and the check that every key handle was closed.

#include <gtest/gtest.h>

#include <memory>

#include "FakeControlSet.h"
#include "RegistryProbe.h"
#include "TestRegistry.h"
#include "registry/RegistryMod.h"

namespace corvelle::settings::testing {

class SettingsTest : public ::testing::TestWithParam<RegistryKind> {
protected:
    void SetUp() override {
        registry_ = MakeTestRegistry(GetParam());
        ASSERT_NE(registry_, nullptr);
    }
    void TearDown() override {
        if (registry_ != nullptr && registry_->OpenHandles() >= 0) {
            EXPECT_EQ(registry_->OpenHandles(), 0) << "key handles left open";
        }
        registry_.reset();
    }

    TestRegistry& Registry() { return *registry_; }
    registry::RegistryApi& Api() { return registry_->Api(); }
    registry::RegistryMod Mod() { return registry::RegistryMod(registry_->Api()); }

    FakeControlSet controls;

private:
    std::unique_ptr<TestRegistry> registry_;
};

// The messenger's keys that the tests plant values under.
inline const std::string kTestKey = "Software\\Yahoo\\pager\\Test";
inline const std::string kYUrlKey = "Software\\Yahoo\\pager\\YUrl";

inline std::string RegistryParamName(const ::testing::TestParamInfo<RegistryKind>& info) {
    return RegistryKindName(info.param);
}

}  // namespace corvelle::settings::testing

// Runs every TEST_P of the suite on each registry this build offers.
#define CORVELLE_ON_EVERY_REGISTRY(Suite)                                                      \
    INSTANTIATE_TEST_SUITE_P(Registries, Suite,                                                \
                             ::testing::ValuesIn(                                              \
                                 ::corvelle::settings::testing::AvailableRegistryKinds()),     \
                             ::corvelle::settings::testing::RegistryParamName)
