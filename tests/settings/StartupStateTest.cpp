// Start-up: what the window shows for each stored state, the order in which it is set, that the
// check box command runs exactly when the start-up changes the box, and that a start writes
// nothing unless a suppressed bottom ad has to be re-applied.

#include <optional>
#include <string>
#include <vector>

#include "SettingsTest.h"
#include "settings/Commands.h"

namespace corvelle::settings::testing {
namespace {

using Calls = std::vector<std::string>;

const std::string kTestKey = "Software\\Yahoo\\pager\\Test";
const std::string kYUrlKey = "Software\\Yahoo\\pager\\YUrl";
const std::vector<std::string> kBottomAdKeys = {
    "Software\\Yahoo\\pager\\YUrl", "Software\\Yahoo\\pager", "Software\\Yahoo\\yui",
    "Software\\Yahoo"};

using StartupStateTest = SettingsTest;

TEST_P(StartupStateTest, ShowsTheStoredState) {
    struct Case {
        const char* name;
        std::optional<Stored> plural;
        std::optional<Stored> messengerAd;
        std::string text1;
        std::string text2;
        bool patched;
        int check;
    };
    const Case cases[] = {
        {"nothing stored", std::nullopt, std::nullopt, "Not Found", "Not Found", false, 0},
        {"DWORD 1", Dword(1), std::nullopt, "001", "Not Found", true, 0},
        {"DWORD 0", Dword(0), std::nullopt, "000", "Not Found", false, 0},
        {"DWORD 2", Dword(2), std::nullopt, "002", "Not Found", false, 0},
        {"string 001", Sz("001"), std::nullopt, "001", "Not Found", true, 0},
        {"bottom ad *", std::nullopt, Sz("*"), "Not Found", "*", false, 1},
        {"bottom ad about:blank", Dword(1), Sz("about:blank"), "001", "about:blank", true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Registry().Clear();
        if (c.plural) {
            Plant(Api(), kTestKey, "Plural", *c.plural);
        }
        if (c.messengerAd) {
            Plant(Api(), kYUrlKey, "Messenger Ad", *c.messengerAd);
        }
        FakeControlSet window;

        LoadStartupState(Mod(), window);

        EXPECT_EQ(window.text1, c.text1);
        EXPECT_EQ(window.text2, c.text2);
        EXPECT_EQ(window.list, Calls{c.patched ? "YM already patched!" : "YM not patched."});
        EXPECT_EQ(window.button1Enabled, !c.patched);
        EXPECT_EQ(window.button2Enabled, c.patched);
        EXPECT_EQ(window.check1, c.check);
        EXPECT_EQ(window.stayOnTopCount, 1);
        EXPECT_EQ(window.pauseCount, 0);
    }
}

TEST_P(StartupStateTest, SetsTheControlsInOrderAndStaysOnTopLast) {
    Plant(Api(), kTestKey, "Plural", Dword(1));
    Plant(Api(), kYUrlKey, "Messenger Ad", Sz("*"));

    LoadStartupState(Mod(), controls);

    EXPECT_EQ(controls.Actions(),
              (Calls{"SetText1(001)", "SetRaveButtons1Enabled(false)",
                     "SetRaveButtons2Enabled(true)", "AddList1Line(YM already patched!)",
                     "SetText2(*)", "SetCheck1(1)", "StayOnTop"}));
}

TEST_P(StartupStateTest, NothingStoredWritesNothingAtAll) {
    LoadStartupState(Mod(), controls);

    EXPECT_FALSE(KeyExists(Api(), "Software\\Yahoo"));
    EXPECT_EQ(controls.Actions(),
              (Calls{"SetText1(Not Found)", "SetRaveButtons1Enabled(true)",
                     "SetRaveButtons2Enabled(false)", "AddList1Line(YM not patched.)",
                     "SetText2(Not Found)", "SetCheck1(0)", "StayOnTop"}));
}

TEST_P(StartupStateTest, OtherBottomAdTextsWriteAndDeleteNothing) {
    for (const char* text : {"about:blank", "**", " *", "* ", "Not Found", ""}) {
        SCOPED_TRACE(std::string("Messenger Ad = \"") + text + "\"");
        Registry().Clear();
        Plant(Api(), kYUrlKey, "Messenger Ad", Sz(text));
        Plant(Api(), "Software\\Yahoo\\yui", "Keep Me", Sz("x"));
        const Snapshot before = TakeSnapshot(Api());
        FakeControlSet window;

        LoadStartupState(Mod(), window);

        EXPECT_EQ(TakeSnapshot(Api()), before);
        EXPECT_EQ(window.check1, kUnchecked);
    }
}

// The box starts unchecked, so a stored "*" checks it, and checking runs the check box command,
// which writes the bottom ad again under all four keys.
TEST_P(StartupStateTest, SuppressedBottomAdIsWrittenAgainUnderAllFourKeys) {
    Plant(Api(), kYUrlKey, "Messenger Ad", Sz("*"));

    LoadStartupState(Mod(), controls);

    for (const std::string& key : kBottomAdKeys) {
        EXPECT_EQ(ReadStored(Api(), key, "Messenger Ad"), Sz("*")) << key;
    }
    EXPECT_EQ(controls.list, Calls{"YM not patched."});
}

TEST_P(StartupStateTest, DecidesOnTheTextsTheBoxesHold) {
    // A text box keeps a text only up to its first zero character, as a window's edit does.
    Plant(Api(), kTestKey, "Plural", Raw(registry::type::kSz, std::string("001\0extra\0", 10)));
    Plant(Api(), kYUrlKey, "Messenger Ad", Raw(registry::type::kSz, std::string("*\0x\0", 4)));
    controls.textBoxKeeps = [](const std::string& text) { return text.substr(0, text.find('\0')); };

    LoadStartupState(Mod(), controls);

    EXPECT_EQ(controls.calls.front(), std::string("SetText1(001\0extra", 18) + ")");
    EXPECT_EQ(controls.list, Calls{"YM already patched!"});
    EXPECT_EQ(controls.check1, kChecked);
}

// The check box command runs when, and only when, setting the box changes its state; it is seen
// here by what it does to the registry ("Messenger Ad" under YUrl holds a marker text before).
TEST_P(StartupStateTest, CheckBoxCommandRunsExactlyWhenTheBoxChanges) {
    struct Case {
        int before;
        int after;
        std::optional<Stored> yurlAfter;  // what the command left, or the marker when it did not run
    };
    const Case cases[] = {
        {kUnchecked, kUnchecked, Sz("marker")}, {kUnchecked, kChecked, Sz("*")},
        {kChecked, kChecked, Sz("marker")},     {kChecked, kUnchecked, std::nullopt},
        {kUnchecked, kGreyed, Sz("*")},         {kGreyed, kChecked, Sz("*")},
        {kGreyed, kUnchecked, std::nullopt},    {kGreyed, kGreyed, Sz("marker")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("box " + std::to_string(c.before) + " set to " + std::to_string(c.after));
        Registry().Clear();
        Plant(Api(), kYUrlKey, "Messenger Ad", Sz("marker"));
        FakeControlSet window;
        window.check1 = c.before;

        ChangeCheck1(Mod(), window, c.after);

        EXPECT_EQ(window.check1, c.after);
        EXPECT_EQ(ReadStored(Api(), kYUrlKey, "Messenger Ad"), c.yurlAfter);
        EXPECT_EQ(KeyExists(Api(), "Software\\Yahoo\\yui"), c.yurlAfter == Sz("*"));
        EXPECT_TRUE(window.list.empty());
    }
}

// Start-up into a window whose box is already checked: nothing changes, nothing is written.
TEST_P(StartupStateTest, BoxAlreadyCheckedIsNotWrittenAgain) {
    Plant(Api(), kYUrlKey, "Messenger Ad", Sz("*"));
    controls.check1 = kChecked;

    LoadStartupState(Mod(), controls);

    EXPECT_FALSE(KeyExists(Api(), "Software\\Yahoo\\yui"));
    EXPECT_EQ(controls.check1, kChecked);
}

TEST_P(StartupStateTest, BottomAdThatCannotBeWrittenAgainIsReported) {
    Plant(Api(), kYUrlKey, "Messenger Ad", Sz("*"));
    PlantKey(Api(), "Software\\Yahoo\\yui");
    ASSERT_TRUE(Registry().MakeReadOnly("Software\\Yahoo\\yui"));

    LoadStartupState(Mod(), controls);

    EXPECT_EQ(controls.list, (Calls{"YM not patched.", "Bottom ad not changed!"}));
    EXPECT_EQ(controls.check1, kChecked);
    EXPECT_EQ(ReadStored(Api(), "Software\\Yahoo\\pager", "Messenger Ad"), Sz("*"));
    EXPECT_EQ(ReadStored(Api(), "Software\\Yahoo", "Messenger Ad"), Sz("*"));
    EXPECT_EQ(controls.Actions().back(), "StayOnTop");
}

CORVELLE_ON_EVERY_REGISTRY(StartupStateTest);

}  // namespace
}  // namespace corvelle::settings::testing
