// Ad suppression: Remove Ads, Reinstate Ads and the bottom-ad check box. Their exact registry
// effect, their status lines, and what they report when some of their values are refused.

#include <string>
#include <utility>
#include <vector>

#include "RefusingRegistry.h"
#include "SettingsTest.h"
#include "settings/Commands.h"

namespace corvelle::settings::testing {
namespace {

using Calls = std::vector<std::string>;


// The six values in the order the commands handle them, with the bytes Remove Ads stores.
const std::vector<std::pair<std::string, Stored>> kAds = {
    {"Change Room Banner", Raw(registry::type::kSz, std::string("*\0", 2))},
    {"Chat Adurl", Raw(registry::type::kSz, std::string("*\0", 2))},
    {"Webcam Upload Ad", Raw(registry::type::kSz, std::string("about:blank\0", 12))},
    {"Webcam Viewer Ad", Raw(registry::type::kSz, std::string("about:blank\0", 12))},
    {"Webcam Viewer Ad Big", Raw(registry::type::kSz, std::string("about:blank\0", 12))},
    {"Webcam Viewer Ad Medium", Raw(registry::type::kSz, std::string("about:blank\0", 12))},
};

const std::vector<std::string> kBottomAdKeys = {
    "Software\\Yahoo\\pager\\YUrl", "Software\\Yahoo\\pager", "Software\\Yahoo\\yui",
    "Software\\Yahoo"};

const Calls kRemoved = {"AddList1Line(Initializing...)", "AddList1Line(Removing Ads...)",
                        "AddList1Line(Ads removed...)"};
const Calls kReinstated = {"AddList1Line(Initializing...)", "AddList1Line(Reinstating Ads...)",
                           "AddList1Line(Ads reinstated...)"};

void ExpectAdsStored(registry::RegistryApi& api) {
    for (const auto& [name, bytes] : kAds) {
        EXPECT_EQ(ReadStored(api, kYUrlKey, name), bytes) << name;
    }
}

void ExpectNoAds(registry::RegistryApi& api) {
    for (const auto& ad : kAds) {
        EXPECT_EQ(ReadStored(api, kYUrlKey, ad.first), std::nullopt) << ad.first;
    }
}

using AdSuppressionTest = SettingsTest;

TEST_P(AdSuppressionTest, RemoveAdsOnAnEmptyRegistryStoresTheSixValuesAndAppendsThreeLines) {
    controls.list = {"YM not patched."};

    RemoveAds(Mod(), controls);

    ExpectAdsStored(Api());
    EXPECT_EQ(ReadStored(Api(), kYUrlKey, "Messenger Ad"), std::nullopt);
    EXPECT_EQ(controls.Actions(), kRemoved);
    EXPECT_EQ(controls.list, (Calls{"YM not patched.", "Initializing...", "Removing Ads...",
                                    "Ads removed..."}));
}

TEST_P(AdSuppressionTest, RemoveAdsTwiceStoresTheSameValuesAndShowsSixLines) {
    RemoveAds(Mod(), controls);
    RemoveAds(Mod(), controls);

    ExpectAdsStored(Api());
    Calls twice = kRemoved;
    twice.insert(twice.end(), kRemoved.begin(), kRemoved.end());
    EXPECT_EQ(controls.Actions(), twice);
}

TEST_P(AdSuppressionTest, RemoveAdsReplacesValuesOfOtherTypes) {
    Plant(Api(), kYUrlKey, "Chat Adurl", Dword(7));
    Plant(Api(), kYUrlKey, "webcam viewer ad", Raw(registry::type::kBinary, "\x01\x02"));

    RemoveAds(Mod(), controls);

    ExpectAdsStored(Api());
}

TEST_P(AdSuppressionTest, ReinstateAdsAfterRemoveDeletesTheSixAndKeepsTheKey) {
    RemoveAds(Mod(), controls);
    controls.calls.clear();

    ReinstateAds(Mod(), controls);

    ExpectNoAds(Api());
    EXPECT_TRUE(KeyExists(Api(), kYUrlKey));
    EXPECT_EQ(controls.Actions(), kReinstated);
}

TEST_P(AdSuppressionTest, ReinstateAdsWithNothingStoredChangesNothingAndStillReports) {
    Plant(Api(), kYUrlKey, "Keep Me", Sz("x"));
    const Snapshot before = TakeSnapshot(Api());

    ReinstateAds(Mod(), controls);

    EXPECT_EQ(TakeSnapshot(Api()), before);
    EXPECT_EQ(controls.Actions(), kReinstated);

    Registry().Clear();
    ReinstateAds(Mod(), controls);
    EXPECT_FALSE(KeyExists(Api(), "Software\\Yahoo"));
}

// Every value is attempted even when one is refused, and the last line says the command failed.
TEST_P(AdSuppressionTest, OneRefusedValueIsReportedAndTheOthersAreStillChanged) {
    RefusingRegistry refusing(Api(), {"Chat Adurl"});
    const registry::RegistryMod mod(refusing);

    RemoveAds(mod, controls);

    EXPECT_EQ(refusing.attempts, 6);
    EXPECT_EQ(ReadStored(Api(), kYUrlKey, "Chat Adurl"), std::nullopt);
    for (std::size_t i = 2; i < kAds.size(); ++i) {
        EXPECT_EQ(ReadStored(Api(), kYUrlKey, kAds[i].first), kAds[i].second) << kAds[i].first;
    }
    EXPECT_EQ(controls.list,
              (Calls{"Initializing...", "Removing Ads...", "Ads not removed!"}));

    controls.list.clear();
    refusing.attempts = 0;
    Plant(Api(), kYUrlKey, "Chat Adurl", Sz("*"));

    ReinstateAds(mod, controls);

    EXPECT_EQ(refusing.attempts, 6);
    EXPECT_EQ(ReadStored(Api(), kYUrlKey, "Chat Adurl"), Sz("*"));
    EXPECT_EQ(ReadStored(Api(), kYUrlKey, "Webcam Viewer Ad Medium"), std::nullopt);
    EXPECT_EQ(controls.list,
              (Calls{"Initializing...", "Reinstating Ads...", "Ads not reinstated!"}));
}

TEST_P(AdSuppressionTest, ReadOnlyAdKeyFailsBothButtons) {
    Plant(Api(), kYUrlKey, "Webcam Upload Ad", Sz("http://ads"));
    ASSERT_TRUE(Registry().MakeReadOnly(kYUrlKey));

    RemoveAds(Mod(), controls);
    ReinstateAds(Mod(), controls);

    EXPECT_EQ(ReadStored(Api(), kYUrlKey, "Webcam Upload Ad"), Sz("http://ads"));
    EXPECT_EQ(ReadStored(Api(), kYUrlKey, "Chat Adurl"), std::nullopt);
    EXPECT_EQ(controls.list, (Calls{"Initializing...", "Removing Ads...", "Ads not removed!",
                                    "Initializing...", "Reinstating Ads...",
                                    "Ads not reinstated!"}));
}

TEST_P(AdSuppressionTest, RemoveAdsThatCannotCreateTheKeyIsReported) {
    ASSERT_TRUE(Registry().CreateVolatileKey("Software\\Yahoo\\pager"));

    RemoveAds(Mod(), controls);

    EXPECT_FALSE(KeyExists(Api(), kYUrlKey));
    EXPECT_EQ(controls.list.back(), "Ads not removed!");
}

TEST_P(AdSuppressionTest, CheckingWritesFourCopiesAndUncheckingRemovesOnlyTheFirst) {
    for (const int state : {kChecked, kGreyed}) {
        SCOPED_TRACE("box state " + std::to_string(state));
        Registry().Clear();
        FakeControlSet window;
        window.check1 = state;

        BottomAdCheckChanged(Mod(), window);

        for (const std::string& key : kBottomAdKeys) {
            EXPECT_EQ(ReadStored(Api(), key, "Messenger Ad"),
                      Raw(registry::type::kSz, std::string("*\0", 2)))
                << key;
        }
        ExpectNoAds(Api());

        window.check1 = kUnchecked;
        BottomAdCheckChanged(Mod(), window);

        EXPECT_EQ(ReadStored(Api(), kYUrlKey, "Messenger Ad"), std::nullopt);
        for (std::size_t i = 1; i < kBottomAdKeys.size(); ++i) {
            EXPECT_EQ(ReadStored(Api(), kBottomAdKeys[i], "Messenger Ad"), Sz("*"))
                << kBottomAdKeys[i];
        }
        EXPECT_TRUE(window.list.empty()) << "the check box shows nothing when it succeeds";
    }
}

TEST_P(AdSuppressionTest, UncheckingWithNothingStoredCreatesNothing) {
    BottomAdCheckChanged(Mod(), controls);

    EXPECT_FALSE(KeyExists(Api(), "Software\\Yahoo"));
    EXPECT_TRUE(controls.list.empty());
}

TEST_P(AdSuppressionTest, CheckBoxFailuresAddOneLine) {
    // A read-only "yui" refuses its copy; the other three are still written.
    PlantKey(Api(), "Software\\Yahoo\\yui");
    ASSERT_TRUE(Registry().MakeReadOnly("Software\\Yahoo\\yui"));
    controls.check1 = kChecked;

    BottomAdCheckChanged(Mod(), controls);

    EXPECT_EQ(ReadStored(Api(), "Software\\Yahoo\\yui", "Messenger Ad"), std::nullopt);
    EXPECT_EQ(ReadStored(Api(), kYUrlKey, "Messenger Ad"), Sz("*"));
    EXPECT_EQ(ReadStored(Api(), "Software\\Yahoo\\pager", "Messenger Ad"), Sz("*"));
    EXPECT_EQ(ReadStored(Api(), "Software\\Yahoo", "Messenger Ad"), Sz("*"));
    EXPECT_EQ(controls.Actions(), Calls{"AddList1Line(Bottom ad not changed!)"});

    // Unchecking where the copy cannot be deleted.
    ASSERT_TRUE(Registry().MakeReadOnly(kYUrlKey));
    controls.check1 = kUnchecked;
    controls.list.clear();

    BottomAdCheckChanged(Mod(), controls);

    EXPECT_EQ(ReadStored(Api(), kYUrlKey, "Messenger Ad"), Sz("*"));
    EXPECT_EQ(controls.list, Calls{"Bottom ad not changed!"});
}

// Each command changes exactly the values it names and no other value or key: everything else in
// the messenger's keys, planted beforehand, is read back unchanged.
TEST_P(AdSuppressionTest, CommandsLeaveUnrelatedValuesUntouched) {
    struct Command {
        const char* name;
        void (*run)(const registry::RegistryMod&, ControlSet&);
        int check;
        std::vector<std::string> changed;  // "key | value" entries of the snapshot
    };
    const std::string yurl = kYUrlKey + " | ";
    std::vector<std::string> sixAds;
    for (const auto& ad : kAds) {
        sixAds.push_back(yurl + ad.first);
    }
    std::vector<std::string> fourBottomAds;
    for (const std::string& key : kBottomAdKeys) {
        fourBottomAds.push_back(key + " | Messenger Ad");
    }
    const Command commands[] = {
        {"enable", EnableMultiInstance, kUnchecked, {"Software\\Yahoo\\pager\\Test | Plural"}},
        {"disable", DisableMultiInstance, kUnchecked, {"Software\\Yahoo\\pager\\Test | Plural"}},
        {"remove ads", RemoveAds, kUnchecked, sixAds},
        {"reinstate ads", ReinstateAds, kUnchecked, sixAds},
        {"check", BottomAdCheckChanged, kChecked, fourBottomAds},
        {"uncheck", BottomAdCheckChanged, kUnchecked, {yurl + "Messenger Ad"}},
    };
    const std::vector<std::string> keys = {"Software\\Yahoo", "Software\\Yahoo\\pager",
                                           "Software\\Yahoo\\pager\\Test", kYUrlKey,
                                           "Software\\Yahoo\\yui"};
    for (const Command& command : commands) {
        SCOPED_TRACE(command.name);
        Registry().Clear();
        for (const std::string& key : keys) {
            Plant(Api(), key, "Keep Me", Sz("keep"));
            Plant(Api(), key, "Plural Count", Dword(3));
            Plant(Api(), key, "Messenger Ad 2",
                  Raw(registry::type::kBinary, std::string("\x2A\x00\xFF", 3)));
            // The messenger's own values hold something each command replaces or removes.
            Plant(Api(), key, "Plural", Dword(2));
            Plant(Api(), key, "Messenger Ad", Sz("banner"));
            for (const auto& ad : kAds) {
                Plant(Api(), key, ad.first, Sz("http://ad"));
            }
        }
        Snapshot expected = TakeSnapshot(Api());
        FakeControlSet window;
        window.check1 = command.check;

        command.run(Mod(), window);

        Snapshot after = TakeSnapshot(Api());
        for (const std::string& entry : command.changed) {
            ASSERT_EQ(expected.count(entry), 1U) << entry;
            EXPECT_NE(after[entry], expected[entry]) << entry << " was to change";
            expected[entry] = after[entry];
        }
        EXPECT_EQ(after, expected);
    }
}

CORVELLE_ON_EVERY_REGISTRY(AdSuppressionTest);

}  // namespace
}  // namespace corvelle::settings::testing
