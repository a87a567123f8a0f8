// The multi-instance switch: what Enable and Disable store, the progress they show, where they
// pause, how they swap the buttons, and what they do when the registry refuses or the window
// closes during a pause.

#include <string>
#include <vector>

#include "SettingsTest.h"
#include "settings/Commands.h"

namespace corvelle::settings::testing {
namespace {

using Calls = std::vector<std::string>;


// Both commands: four progress lines, a pause after each, the list cleared around them.
Calls Progress(const char* third) {
    return {"ClearList1",
            "AddList1Line(Initializing...)", "Pause(0.75)",
            "AddList1Line(Scanning Registry...)", "Pause(0.75)",
            std::string("AddList1Line(") + third + ")", "Pause(0.75)",
            "AddList1Line(Done!)", "Pause(0.75)",
            "ClearList1"};
}

Calls Then(Calls calls, const Calls& more) {
    calls.insert(calls.end(), more.begin(), more.end());
    return calls;
}

const Calls kEnabled = Then(Progress("Applying Patch..."),
                            {"AddList1Line(YM now patched!)", "SetRaveButtons1Enabled(false)",
                             "SetRaveButtons2Enabled(true)"});
const Calls kDisabled = Then(Progress("Removing Patch..."),
                             {"AddList1Line(YM patch removed.)", "SetRaveButtons1Enabled(true)",
                              "SetRaveButtons2Enabled(false)"});

using MultiInstanceTest = SettingsTest;

TEST_P(MultiInstanceTest, EnableCreatesTheWholePathAndStoresDwordOneBeforeShowingProgress) {
    ASSERT_FALSE(KeyExists(Api(), "Software\\Yahoo"));
    bool storedAtFirstPause = false;
    controls.duringPause = [&] {
        if (controls.pauseCount == 1) {
            storedAtFirstPause = ReadStored(Api(), kTestKey, "Plural") == Dword(1);
        }
    };

    EnableMultiInstance(Mod(), controls);

    EXPECT_EQ(ReadStored(Api(), kTestKey, "Plural"), Dword(1));
    EXPECT_TRUE(storedAtFirstPause) << "the registry is changed before the progress lines";
    EXPECT_EQ(controls.Actions(), kEnabled);
    EXPECT_EQ(controls.list, Calls{"YM now patched!"});
    EXPECT_FALSE(controls.button1Enabled);
    EXPECT_TRUE(controls.button2Enabled);

    // The next start sees the switch on.
    FakeControlSet next;
    LoadStartupState(Mod(), next);
    EXPECT_EQ(next.list, Calls{"YM already patched!"});
    EXPECT_EQ(next.text1, "001");
}

TEST_P(MultiInstanceTest, DisableAfterEnableRemovesTheValueButKeepsTheKey) {
    EnableMultiInstance(Mod(), controls);
    controls.calls.clear();

    DisableMultiInstance(Mod(), controls);

    EXPECT_EQ(ReadStored(Api(), kTestKey, "Plural"), std::nullopt);
    EXPECT_TRUE(KeyExists(Api(), kTestKey));
    EXPECT_EQ(controls.Actions(), kDisabled);
    EXPECT_EQ(controls.list, Calls{"YM patch removed."});
    EXPECT_TRUE(controls.button1Enabled);
    EXPECT_FALSE(controls.button2Enabled);
}

TEST_P(MultiInstanceTest, DisableRemovesAValueStoredUnderAnotherCaseOfItsName) {
    Plant(Api(), "Software\\Yahoo\\Pager\\TEST", "plural", Dword(1));

    DisableMultiInstance(Mod(), controls);

    EXPECT_EQ(ReadStored(Api(), kTestKey, "Plural"), std::nullopt);
    EXPECT_EQ(controls.list, Calls{"YM patch removed."});
}

TEST_P(MultiInstanceTest, DisableWithoutTheValueChangesNothingAndStillReportsRemoved) {
    Plant(Api(), kTestKey, "Keep Me", Sz("x"));
    const Snapshot before = TakeSnapshot(Api());

    DisableMultiInstance(Mod(), controls);

    EXPECT_EQ(TakeSnapshot(Api()), before);
    EXPECT_EQ(controls.Actions(), kDisabled);
}

TEST_P(MultiInstanceTest, DisableOnAnEmptyRegistryCreatesNoKey) {
    DisableMultiInstance(Mod(), controls);

    EXPECT_FALSE(KeyExists(Api(), "Software\\Yahoo"));
    EXPECT_EQ(controls.list, Calls{"YM patch removed."});
}

TEST_P(MultiInstanceTest, EnableOverwritesAValueOfAnyOtherType) {
    Plant(Api(), kTestKey, "Plural", Sz("yes"));

    EnableMultiInstance(Mod(), controls);

    EXPECT_EQ(ReadStored(Api(), kTestKey, "Plural"), Dword(1));
}

// A refused change shows the same progress, then says so, and leaves the buttons as they were so
// that the user can try again.
TEST_P(MultiInstanceTest, EnableThatCannotCreateTheKeyReportsFailureAndKeepsTheButtons) {
    ASSERT_TRUE(Registry().CreateVolatileKey("Software\\Yahoo\\pager"));
    controls.button1Enabled = true;
    controls.button2Enabled = false;

    EnableMultiInstance(Mod(), controls);

    EXPECT_FALSE(KeyExists(Api(), kTestKey));
    EXPECT_EQ(controls.Actions(), Then(Progress("Applying Patch..."),
                                       {"AddList1Line(Patch failed!)"}));
    EXPECT_EQ(controls.list, Calls{"Patch failed!"});
    EXPECT_TRUE(controls.button1Enabled);
    EXPECT_FALSE(controls.button2Enabled);
}

TEST_P(MultiInstanceTest, EnableIntoAReadOnlyKeyReportsFailure) {
    Plant(Api(), kTestKey, "Plural", Dword(0));
    ASSERT_TRUE(Registry().MakeReadOnly(kTestKey));

    EnableMultiInstance(Mod(), controls);

    EXPECT_EQ(ReadStored(Api(), kTestKey, "Plural"), Dword(0));
    EXPECT_EQ(controls.list, Calls{"Patch failed!"});
    EXPECT_EQ(controls.pauseCount, 4);
    EXPECT_TRUE(controls.button1Enabled);
    EXPECT_TRUE(controls.button2Enabled);
}

TEST_P(MultiInstanceTest, DisableThatCannotDeleteReportsFailureAndKeepsTheButtons) {
    Plant(Api(), kTestKey, "Plural", Dword(1));
    ASSERT_TRUE(Registry().MakeReadOnly(kTestKey));
    controls.button1Enabled = false;
    controls.button2Enabled = true;

    DisableMultiInstance(Mod(), controls);

    EXPECT_EQ(ReadStored(Api(), kTestKey, "Plural"), Dword(1));
    EXPECT_EQ(controls.Actions(), Then(Progress("Removing Patch..."),
                                       {"AddList1Line(Patch not removed!)"}));
    EXPECT_FALSE(controls.button1Enabled);
    EXPECT_TRUE(controls.button2Enabled);
}

// Closing the window during any of the four pauses ends the command there: the registry change
// has been made, and no control is touched after the pause that saw the window close.
TEST_P(MultiInstanceTest, ClosingDuringAPauseStopsTheCommandAtOnce) {
    struct Command {
        const char* name;
        void (*run)(const registry::RegistryMod&, ControlSet&);
        const Calls& fullRun;
        std::optional<Stored> pluralAfter;
    };
    const Command commands[] = {
        {"enable", EnableMultiInstance, kEnabled, Dword(1)},
        {"disable", DisableMultiInstance, kDisabled, std::nullopt},
    };
    for (const Command& command : commands) {
        for (int closeAt = 1; closeAt <= 4; ++closeAt) {
            SCOPED_TRACE(std::string(command.name) + ", closed at pause " +
                         std::to_string(closeAt));
            Plant(Api(), kTestKey, "Plural", Dword(1));
            FakeControlSet window;
            window.closeAtPause = closeAt;

            command.run(Mod(), window);

            EXPECT_EQ(ReadStored(Api(), kTestKey, "Plural"), command.pluralAfter);
            // Everything up to and including the pause that reported the close, nothing after.
            Calls expected;
            int pauses = 0;
            for (const std::string& call : command.fullRun) {
                expected.push_back(call);
                if (call.rfind("Pause(", 0) == 0 && ++pauses == closeAt) {
                    break;
                }
            }
            EXPECT_EQ(window.calls, expected);
            EXPECT_EQ(window.pauseCount, closeAt);
        }
    }
}

CORVELLE_ON_EVERY_REGISTRY(MultiInstanceTest);

}  // namespace
}  // namespace corvelle::settings::testing
