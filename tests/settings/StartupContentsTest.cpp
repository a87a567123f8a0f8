// Start-up over whatever the two values it reads may hold: nothing, what the commands store, and
// whatever another program may have left there (every value type, odd lengths, the read buffer's
// boundary, bytes beyond ASCII, inner zeros, a key where a value belongs, other cases of the
// names). The window must show a sensible state and the registry must be left as it was, except
// that a bottom ad reading "*" is applied again.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "SettingsTest.h"
#include "settings/Commands.h"

namespace corvelle::settings::testing {
namespace {

namespace type = registry::type;


struct Planted {
    std::string key;
    std::string name;  // empty: plant a key named `key` instead of a value
    Stored value;
};

struct Case {
    const char* name;
    std::optional<Planted> planted;
    std::string expectedText;  // what the window's text box holds
    bool on;                   // patched, or bottom ad suppressed
};

std::string Bytes(std::string_view text) { return std::string(text); }

// Strings of exactly n bytes of data, the last one the terminating zero.
Stored LongSz(std::size_t n) { return Sz(std::string(n - 1, 'x')); }

std::vector<Case> PluralCases() {
    const auto plural = [](Stored value) { return Planted{kTestKey, "Plural", std::move(value)}; };
    return {
        {"nothing stored", std::nullopt, "Not Found", false},
        {"REG_DWORD 1", plural(Dword(1)), "001", true},
        {"REG_DWORD 0", plural(Dword(0)), "000", false},
        {"REG_DWORD 2", plural(Dword(2)), "002", false},
        {"REG_SZ 001", plural(Sz("001")), "001", true},
        {"REG_SZ 1", plural(Sz("1")), "1", false},
        {"REG_SZ 001 without its zero", plural(Raw(type::kSz, "001")), "00", false},
        {"REG_SZ empty", plural(Sz("")), "", false},
        {"REG_SZ without data", plural(Raw(type::kSz, "")), "", false},
        {"REG_EXPAND_SZ 001", plural(Raw(type::kExpandSz, Bytes({"001\0", 4}))), "001", true},
        {"REG_MULTI_SZ 001", plural(Raw(type::kMultiSz, Bytes({"001\0\0", 5}))),
         Bytes({"001\0", 4}), false},
        {"REG_BINARY 01 00 00 00", plural(Raw(type::kBinary, Bytes({"\1\0\0\0", 4}))), "01000000",
         false},
        {"REG_BINARY without data", plural(Raw(type::kBinary, "")), "", false},
        // Bytes that a short DWORD does not cover count as zero.
        {"REG_DWORD of 0 bytes", plural(Raw(type::kDword, "")), "000", false},
        {"REG_DWORD of 1 byte", plural(Raw(type::kDword, "\1")), "001", true},
        {"REG_DWORD of 2 bytes", plural(Raw(type::kDword, Bytes({"\1\0", 2}))), "001", true},
        {"REG_DWORD of 3 bytes", plural(Raw(type::kDword, Bytes({"\2\0\0", 3}))), "002", false},
        {"REG_DWORD 0x01000001", plural(Dword(0x01000001)), "16777217", false},
        {"REG_DWORD top bit", plural(Dword(0xFFFFFFFF)), "4294967295", false},
        {"REG_QWORD 1", plural(Raw(type::kQword, Bytes({"\1\0\0\0\0\0\0\0", 8}))),
         Bytes({"\1\0\0\0\0\0\0", 7}), false},
        {"REG_NONE empty", plural(Raw(type::kNone, "")), "", false},
        {"2048 bytes", plural(LongSz(2048)), std::string(2047, 'x'), false},
        {"2049 bytes", plural(LongSz(2049)), "Not Found", false},
        {"beyond ASCII", plural(Sz("\xE9t\xE9")), "\xE9t\xE9", false},
        {"inner zero", plural(Raw(type::kSz, Bytes({"001\0" "001\0", 8}))),
         Bytes({"001\0" "001", 7}), false},
        {"a key named Plural", Planted{kTestKey + "\\Plural", "", {}}, "Not Found", false},
        {"named plural", Planted{kTestKey, "plural", Dword(1)}, "001", true},
        {"named PLURAL under TEST", Planted{"Software\\YAHOO\\Pager\\TEST", "PLURAL", Sz("001")},
         "001", true},
    };
}

std::vector<Case> BottomAdCases() {
    const auto ad = [](Stored value) {
        return Planted{kYUrlKey, "Messenger Ad", std::move(value)};
    };
    return {
        {"REG_SZ *", ad(Sz("*")), "*", true},
        {"REG_SZ * without its zero", ad(Raw(type::kSz, "*")), "", false},
        {"REG_SZ about:blank", ad(Sz("about:blank")), "about:blank", false},
        {"REG_SZ **", ad(Sz("**")), "**", false},
        {"REG_SZ with a space before", ad(Sz(" *")), " *", false},
        {"REG_SZ with a space after", ad(Sz("* ")), "* ", false},
        {"REG_SZ Not Found", ad(Sz("Not Found")), "Not Found", false},
        {"REG_SZ empty", ad(Sz("")), "", false},
        {"REG_EXPAND_SZ *", ad(Raw(type::kExpandSz, Bytes({"*\0", 2}))), "*", true},
        {"REG_MULTI_SZ *", ad(Raw(type::kMultiSz, Bytes({"*\0\0", 3}))), Bytes({"*\0", 2}), false},
        {"REG_BINARY 2A 00", ad(Raw(type::kBinary, Bytes({"*\0", 2}))), "2A00", false},
        {"REG_DWORD of 0 bytes", ad(Raw(type::kDword, "")), "000", false},
        {"REG_DWORD of 1 byte", ad(Raw(type::kDword, "*")), "042", false},
        {"REG_DWORD of 2 bytes", ad(Raw(type::kDword, Bytes({"*\0", 2}))), "042", false},
        {"REG_DWORD of 3 bytes", ad(Raw(type::kDword, Bytes({"*\0\0", 3}))), "042", false},
        {"REG_DWORD of 4 bytes", ad(Dword(42)), "042", false},
        {"REG_QWORD", ad(Raw(type::kQword, Bytes({"*\0\0\0\0\0\0\0", 8}))),
         Bytes({"*\0\0\0\0\0\0", 7}), false},
        {"REG_NONE *", ad(Raw(type::kNone, Bytes({"*\0", 2}))), "*", true},
        {"REG_NONE empty", ad(Raw(type::kNone, "")), "", false},
        {"2048 bytes", ad(LongSz(2048)), std::string(2047, 'x'), false},
        {"2049 bytes", ad(LongSz(2049)), "Not Found", false},
        {"beyond ASCII", ad(Sz("*\xA0")), "*\xA0", false},
        {"inner zero", ad(Raw(type::kSz, Bytes({"*\0*\0", 4}))), Bytes({"*\0*", 3}), false},
        {"a key named Messenger Ad", Planted{kYUrlKey + "\\Messenger Ad", "", {}}, "Not Found",
         false},
        {"named messenger ad", Planted{kYUrlKey, "messenger ad", Sz("*")}, "*", true},
    };
}

// Values beside the messenger's own, which no start-up may touch.
void PlantNeighbours(registry::RegistryApi& api) {
    for (const std::string& key : {kTestKey, kYUrlKey}) {
        Plant(api, key, "Keep Me", Sz("keep"));
        Plant(api, key, "Plural Count", Dword(9));
        Plant(api, key, "Messenger Ad 2", Raw(type::kBinary, Bytes({"*\0", 2})));
    }
}

void PlantCase(registry::RegistryApi& api, const std::optional<Planted>& planted) {
    if (!planted) {
        return;
    }
    if (planted->name.empty()) {
        PlantKey(api, planted->key);
    } else {
        Plant(api, planted->key, planted->name, planted->value);
    }
}

// What every start-up does whatever it finds.
void ExpectOneStart(const FakeControlSet& window) {
    EXPECT_EQ(window.list.size(), 1U);
    EXPECT_NE(window.button1Enabled, window.button2Enabled);
    EXPECT_EQ(window.stayOnTopCount, 1);
    EXPECT_EQ(window.Actions().back(), "StayOnTop");
    EXPECT_EQ(window.pauseCount, 0);
}

using StartupContentsTest = SettingsTest;

TEST_P(StartupContentsTest, SwitchValuesShowASensibleStateAndChangeNothing) {
    for (const Case& c : PluralCases()) {
        SCOPED_TRACE(c.name);
        Registry().Clear();
        // With nothing stored the registry stays empty, so that any key created shows.
        if (c.planted) {
            PlantNeighbours(Api());
        }
        PlantCase(Api(), c.planted);
        const Snapshot before = TakeSnapshot(Api());
        FakeControlSet window;

        LoadStartupState(Mod(), window);

        ExpectOneStart(window);
        EXPECT_EQ(window.text1, c.expectedText);
        EXPECT_EQ(window.text2, "Not Found");
        EXPECT_EQ(window.list,
                  std::vector<std::string>{c.on ? "YM already patched!" : "YM not patched."});
        EXPECT_EQ(window.button2Enabled, c.on);
        EXPECT_EQ(window.check1, kUnchecked);
        EXPECT_EQ(TakeSnapshot(Api()), before);
    }
}

TEST_P(StartupContentsTest, BottomAdValuesShowASensibleStateAndChangeOnlyWhatTheyApply) {
    for (const Case& c : BottomAdCases()) {
        SCOPED_TRACE(c.name);
        Registry().Clear();
        PlantNeighbours(Api());
        PlantCase(Api(), c.planted);
        Snapshot expected = TakeSnapshot(Api());
        if (c.on) {
            // A bottom ad reading "*" is written again, as REG_SZ, under its four keys.
            for (const std::string key : {"Software\\Yahoo\\pager\\YUrl", "Software\\Yahoo\\pager",
                                          "Software\\Yahoo\\yui", "Software\\Yahoo"}) {
                expected[key] = "exists";
                expected[key + " | Messenger Ad"] = "REG_SZ 2A 00";
            }
        }
        FakeControlSet window;

        LoadStartupState(Mod(), window);

        ExpectOneStart(window);
        EXPECT_EQ(window.text1, "Not Found");
        EXPECT_EQ(window.text2, c.expectedText);
        EXPECT_EQ(window.check1, c.on ? kChecked : kUnchecked);
        EXPECT_EQ(window.list, std::vector<std::string>{"YM not patched."});
        EXPECT_EQ(TakeSnapshot(Api()), expected);
    }
}

CORVELLE_ON_EVERY_REGISTRY(StartupContentsTest);

}  // namespace
}  // namespace corvelle::settings::testing
