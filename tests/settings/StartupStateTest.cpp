// Start-up: the order in which it sets the window, that it decides on what the text boxes hold,
// and that the check box command runs exactly when the start-up changes the box. What it shows
// for each stored content is in StartupContentsTest.

#include <optional>
#include <string>
#include <vector>

#include "SettingsTest.h"
#include "settings/Commands.h"

namespace corvelle::settings::testing {
namespace {

using Calls = std::vector<std::string>;


using StartupStateTest = SettingsTest;

TEST_P(StartupStateTest, SetsTheControlsInOrderAndStaysOnTopLast) {
    struct Case {
        const char* name;
        bool stored;
        Calls actions;
    };
    const Case cases[] = {
        {"patched, bottom ad suppressed", true,
         {"SetText1(001)", "SetRaveButtons1Enabled(false)", "SetRaveButtons2Enabled(true)",
          "AddList1Line(YM already patched!)", "SetText2(*)", "SetCheck1(1)", "StayOnTop"}},
        {"nothing stored", false,
         {"SetText1(Not Found)", "SetRaveButtons1Enabled(true)", "SetRaveButtons2Enabled(false)",
          "AddList1Line(YM not patched.)", "SetText2(Not Found)", "SetCheck1(0)", "StayOnTop"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Registry().Clear();
        if (c.stored) {
            Plant(Api(), kTestKey, "Plural", Dword(1));
            Plant(Api(), kYUrlKey, "Messenger Ad", Sz("*"));
        }
        FakeControlSet window;

        LoadStartupState(Mod(), window);

        EXPECT_EQ(window.Actions(), c.actions);
    }
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
        // What the command left, or the marker when it did not run.
        std::optional<Stored> yurlAfter;
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
