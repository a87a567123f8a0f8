// corvelle-cli's commands on each registry of the build (the model, and under Wine the real
// registry): what they print and return, that they do the window's registry work, that status and
// refused lines touch nothing, and what the export writes.

#include <string>
#include <vector>

#include "FakeCliHost.h"
#include "RefusingRegistry.h"
#include "SettingsTest.h"
#include "cli/Arguments.h"
#include "cli/CommandLine.h"
#include "cli/StatusReport.h"

namespace corvelle::cli {
namespace {

using settings::testing::Dword;
using settings::testing::KeyExists;
using settings::testing::Plant;
using settings::testing::Raw;
using settings::testing::ReadStored;
using settings::testing::RefusingRegistry;
using settings::testing::Sz;
using settings::testing::TakeSnapshot;
using Lines = std::vector<std::string>;

const std::string kTestKey = "Software\\Yahoo\\pager\\Test";
const std::string kYUrlKey = "Software\\Yahoo\\pager\\YUrl";

class CommandLineTest : public settings::testing::SettingsTest {
protected:
    int Run(const Lines& args) { return RunOn(Api(), args); }
    int RunOn(registry::RegistryApi& api, const Lines& args) {
        const registry::RegistryMod mod(api);
        host.api = &Api();
        return RunCommandLine(args, mod, host);
    }

    testing::FakeCliHost host;
};

struct StatusCase {
    const char* what;
    void (*plant)(registry::RegistryApi&);
    Lines lines;
    std::string json;
};

TEST_P(CommandLineTest, StatusDecidesAsTheWindowAndChangesNothing) {
    const std::vector<StatusCase> cases = {
        {"nothing stored", [](registry::RegistryApi&) {},
         {"Multi-instance: off", "Ads removed: 0 of 6", "Bottom ad removed: no"},
         R"({"multiInstance":false,"adsRemoved":0,"adValues":6,"bottomAdRemoved":false})"},
        {"all patched",
         [](registry::RegistryApi& api) {
             Plant(api, kTestKey, "Plural", Dword(1));
             Plant(api, kYUrlKey, "Change Room Banner", Sz("*"));
             Plant(api, kYUrlKey, "Chat Adurl", Sz("*"));
             for (const char* name : {"Webcam Upload Ad", "Webcam Viewer Ad",
                                      "Webcam Viewer Ad Big", "Webcam Viewer Ad Medium"}) {
                 Plant(api, kYUrlKey, name, Sz("about:blank"));
             }
             Plant(api, kYUrlKey, "Messenger Ad", Sz("*"));
         },
         {"Multi-instance: on", "Ads removed: 6 of 6", "Bottom ad removed: yes"},
         R"({"multiInstance":true,"adsRemoved":6,"adValues":6,"bottomAdRemoved":true})"},
        // The window's text rule: "001" as text counts (here as the text box keeps it, up to
        // its first zero), 2 does not; an ad holding the other ad's text does not count.
        {"odd contents",
         [](registry::RegistryApi& api) {
             Plant(api, kTestKey, "Plural", Raw(registry::type::kSz, std::string("001\0x\0", 6)));
             Plant(api, kYUrlKey, "Chat Adurl", Sz("about:blank"));
             Plant(api, kYUrlKey, "Webcam Upload Ad", Sz("about:blank"));
             Plant(api, "Software\\Yahoo\\pager", "Messenger Ad", Sz("*"));
         },
         {"Multi-instance: on", "Ads removed: 1 of 6", "Bottom ad removed: no"},
         R"({"multiInstance":true,"adsRemoved":1,"adValues":6,"bottomAdRemoved":false})"},
        {"switch of 2",
         [](registry::RegistryApi& api) { Plant(api, kTestKey, "Plural", Dword(2)); },
         {"Multi-instance: off", "Ads removed: 0 of 6", "Bottom ad removed: no"},
         R"({"multiInstance":false,"adsRemoved":0,"adValues":6,"bottomAdRemoved":false})"},
    };
    for (const StatusCase& c : cases) {
        Registry().Clear();
        c.plant(Api());
        const auto before = TakeSnapshot(Api());
        for (const bool json : {false, true}) {
            host.out.clear();
            RefusingRegistry watched(Api(), {});
            EXPECT_EQ(RunOn(watched, json ? Lines{"status", "--json"} : Lines{}), kExitDone);
            EXPECT_EQ(host.out, json ? Lines{c.json} : c.lines) << c.what;
            EXPECT_EQ(watched.attempts, 0) << c.what;
        }
        EXPECT_TRUE(host.err.empty()) << c.what;
        EXPECT_EQ(TakeSnapshot(Api()), before) << c.what;
    }
}

// A value that exists but cannot be read is not taken for an absent one, as the window's start-up
// takes it: its part of the state is unknown, and the reason goes to stderr and into the JSON.
TEST_P(CommandLineTest, StatusShowsWhatItCannotReadAsUnknownAndExitsWithOne) {
    Plant(Api(), kTestKey, "Plural", Dword(1));
    Plant(Api(), kYUrlKey, "Chat Adurl", Sz("*"));
    Plant(Api(), kYUrlKey, "Messenger Ad", Sz(std::string(3000, '*')));
    const Lines reasons = {
        "corvelle-cli: cannot read \"Plural\" under "
        "HKEY_CURRENT_USER\\Software\\Yahoo\\pager\\Test: Access denied.",
        "corvelle-cli: cannot read \"Messenger Ad\" under "
        "HKEY_CURRENT_USER\\Software\\Yahoo\\pager\\YUrl: its data are longer than the 2048 bytes "
        "a read takes.",
    };
    RefusingRegistry unreadable(Api(), {}, {"Plural"});
    EXPECT_EQ(RunOn(unreadable, {"status"}), kExitRefused);
    EXPECT_EQ(host.out, (Lines{"Multi-instance: unknown", "Ads removed: 1 of 6",
                               "Bottom ad removed: unknown"}));
    EXPECT_EQ(host.err, reasons);
    host.out.clear();
    host.err.clear();
    // A reason in the system's language is escaped beyond ASCII, so the JSON is the same in
    // every code page.
    EXPECT_NE(StatusJson({}, {{"K", "N", "refus\xC3\xA9 \xF0\x9F\x98\x80"}})
                  .find(R"("reason":"refus\u00e9 \ud83d\ude00")"),
              std::string::npos);
    // Control characters inside a reason (a tab, a line break) are escaped, so the JSON stays
    // valid.
    EXPECT_NE(StatusJson({}, {{"K", "N", "a\tb\r\nc\x01"}}).find(R"("reason":"a\u0009b\r\nc\u0001")"),
              std::string::npos);
    EXPECT_EQ(RunOn(unreadable, {"status", "--json"}), kExitRefused);
    EXPECT_EQ(host.out,
              Lines{R"({"multiInstance":null,"adsRemoved":1,"adValues":6,"bottomAdRemoved":null,)"
                    R"("unreadable":[{"key":"HKEY_CURRENT_USER\\Software\\Yahoo\\pager\\Test",)"
                    R"("name":"Plural","reason":"Access denied."},)"
                    R"({"key":"HKEY_CURRENT_USER\\Software\\Yahoo\\pager\\YUrl",)"
                    R"("name":"Messenger Ad","reason":"its data are longer than the 2048 bytes a )"
                    R"(read takes."}]})"});
    EXPECT_EQ(host.err, reasons);
}

struct CommandCase {
    Lines args;
    Lines out;
    const char* key;
    const char* name;
    std::optional<settings::testing::Stored> after;
};

TEST_P(CommandLineTest, CommandsDoTheWindowsRegistryWorkAndPrintItsResultLine) {
    const std::vector<CommandCase> cases = {
        {{"enable"}, {"YM now patched!"}, "Software\\Yahoo\\pager\\Test", "Plural", Dword(1)},
        {{"enable", "-v"},
         {"Initializing...", "Scanning Registry...", "Applying Patch...", "Done!",
          "YM now patched!"},
         "Software\\Yahoo\\pager\\Test", "Plural", Dword(1)},
        {{"disable"}, {"YM patch removed."}, "Software\\Yahoo\\pager\\Test", "Plural",
         std::nullopt},
        {{"remove-ads"}, {"Ads removed..."}, "Software\\Yahoo\\pager\\YUrl",
         "Webcam Viewer Ad Medium", Sz("about:blank")},
        {{"reinstate-ads", "-v"}, {"Initializing...", "Reinstating Ads...", "Ads reinstated..."},
         "Software\\Yahoo\\pager\\YUrl", "Chat Adurl", std::nullopt},
        {{"bottom-ad", "on"}, {"Bottom ad removed: yes"}, "Software\\Yahoo\\yui", "Messenger Ad",
         Sz("*")},
        {{"bottom-ad", "off"}, {"Bottom ad removed: no"}, "Software\\Yahoo\\pager\\YUrl",
         "Messenger Ad", std::nullopt},
        {{"remove-bottom-ad"}, {"Bottom ad removed: yes"}, "Software\\Yahoo\\pager",
         "Messenger Ad", Sz("*")},
        {{"reinstate-bottom-ad"}, {"Bottom ad removed: no"}, "Software\\Yahoo\\pager\\YUrl",
         "Messenger Ad", std::nullopt},
    };
    for (const CommandCase& c : cases) {
        host.out.clear();
        EXPECT_EQ(Run(c.args), kExitDone) << c.args.front();
        EXPECT_EQ(host.out, c.out) << c.args.front();
        EXPECT_EQ(ReadStored(Api(), c.key, c.name), c.after) << c.args.front();
    }
    EXPECT_TRUE(host.err.empty());
    // Unchecking removes only the copy under YUrl, as the check box does.
    EXPECT_EQ(ReadStored(Api(), "Software\\Yahoo", "Messenger Ad"), Sz("*"));
}

struct RefusalCase {
    Lines args;
    const char* failureLine;
    bool volatileParent;  // else the key is made read-only
    const char* key;
};

TEST_P(CommandLineTest, RefusedChangesExitWithOneAndTheWindowsFailureLineOnStderr) {
    const std::vector<RefusalCase> cases = {
        {{"enable"}, "Patch failed!", true, "Software\\Yahoo\\pager"},
        {{"disable", "-v"}, "Patch not removed!", false, "Software\\Yahoo\\pager\\Test"},
        {{"remove-ads"}, "Ads not removed!", false, "Software\\Yahoo\\pager\\YUrl"},
        {{"reinstate-ads"}, "Ads not reinstated!", false, "Software\\Yahoo\\pager\\YUrl"},
        {{"bottom-ad", "on"}, "Bottom ad not changed!", true, "Software\\Yahoo\\pager"},
        {{"bottom-ad", "off"}, "Bottom ad not changed!", false, "Software\\Yahoo\\pager\\YUrl"},
    };
    for (const RefusalCase& c : cases) {
        Registry().Clear();
        host.out.clear();
        host.err.clear();
        if (c.volatileParent) {
            ASSERT_TRUE(Registry().CreateVolatileKey(c.key)) << c.key;
        } else {
            Plant(Api(), kTestKey, "Plural", Dword(1));
            for (const char* name : {"Chat Adurl", "Messenger Ad"}) {
                Plant(Api(), kYUrlKey, name, Sz("x"));
            }
            ASSERT_TRUE(Registry().MakeReadOnly(c.key)) << c.key;
        }
        EXPECT_EQ(Run(c.args), kExitRefused) << c.args.front();
        EXPECT_EQ(host.err, Lines{std::string("corvelle-cli: ") + c.failureLine})
            << c.args.front();
        // -v still shows the progress; the result line never goes to stdout.
        EXPECT_EQ(host.out.size(), c.args.size() > 1 && c.args[1] == "-v" ? 4U : 0U)
            << c.args.front();
    }
    Registry().Clear();
}

TEST_P(CommandLineTest, RemoveAdsChangesEveryValueItCanWhenOneIsRefused) {
    RefusingRegistry refusing(Api(), {"Webcam Viewer Ad"});
    EXPECT_EQ(RunOn(refusing, {"remove-ads"}), kExitRefused);
    EXPECT_EQ(host.err, Lines{"corvelle-cli: Ads not removed!"});
    EXPECT_EQ(ReadStored(Api(), kYUrlKey, "Webcam Viewer Ad Medium"), Sz("about:blank"));
    EXPECT_EQ(ReadStored(Api(), kYUrlKey, "Webcam Viewer Ad"), std::nullopt);
}

// The state read back after the change is judged as status judges it: the change stays made,
// the state printed is unknown, and the reason is on stderr.
TEST_P(CommandLineTest, BottomAdCommandsReportAnUnreadableReadBackAsStatusDoes) {
    RefusingRegistry unreadable(Api(), {}, {"Messenger Ad"});
    for (const char* command : {"remove-bottom-ad", "reinstate-bottom-ad"}) {
        host.out.clear();
        host.err.clear();
        EXPECT_EQ(RunOn(unreadable, {command}), kExitRefused) << command;
        EXPECT_EQ(host.out, Lines{"Bottom ad removed: unknown"}) << command;
        EXPECT_EQ(host.err, Lines{"corvelle-cli: cannot read \"Messenger Ad\" under "
                                  "HKEY_CURRENT_USER\\Software\\Yahoo\\pager\\YUrl: Access denied."})
            << command;
        EXPECT_EQ(ReadStored(Api(), "Software\\Yahoo\\yui", "Messenger Ad"), Sz("*")) << command;
    }
    EXPECT_EQ(ReadStored(Api(), kYUrlKey, "Messenger Ad"), std::nullopt);
}

TEST_P(CommandLineTest, UsageErrorsExitWithTwoAReasonAndTheUsageAndTouchNothing) {
    Plant(Api(), kYUrlKey, "Messenger Ad", Sz("*"));
    const auto before = TakeSnapshot(Api());
    for (const Lines& args : {Lines{"enabel"}, Lines{"enable", "now"}, Lines{"remove-ads", "-q"},
                              Lines{"export"}, Lines{"bottom-ad"}}) {
        host.err.clear();
        RefusingRegistry watched(Api(), {});
        EXPECT_EQ(RunOn(watched, args), kExitUsage) << args.front();
        ASSERT_GT(host.err.size(), 2U);
        EXPECT_EQ(host.err[0].rfind("corvelle-cli: ", 0), 0U) << host.err[0];
        EXPECT_EQ(Lines(host.err.begin() + 1, host.err.end()), UsageLines());
        EXPECT_EQ(watched.attempts, 0) << args.front();
    }
    EXPECT_TRUE(host.out.empty());
    EXPECT_TRUE(host.files.empty());
    EXPECT_EQ(TakeSnapshot(Api()), before);
}

TEST_P(CommandLineTest, HelpAndVersionPrintToStdout) {
    EXPECT_EQ(Run({"--help"}), kExitDone);
    EXPECT_EQ(host.out, UsageLines());
    host.out.clear();
    EXPECT_EQ(Run({"--version"}), kExitDone);
    EXPECT_EQ(host.out, Lines{"corvelle-cli 1.05"});
}

std::string FileText(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        text += static_cast<char>(bytes[i]);
    }
    return text;
}

TEST_P(CommandLineTest, ExportWritesEveryTouchedValueAndDeletionsForTheAbsentOnes) {
    Plant(Api(), kTestKey, "Plural", Dword(1));
    Plant(Api(), kYUrlKey, "Chat Adurl", Raw(registry::type::kBinary, "\x01\x02"));
    Plant(Api(), "Software\\Yahoo", "Messenger Ad", Sz("*"));

    EXPECT_EQ(Run({"export", "undo.reg"}), kExitDone);
    EXPECT_EQ(host.out, Lines{"Saved 3 values and the absence of 8 to undo.reg"});
    ASSERT_EQ(host.files.count("undo.reg"), 1U);
    EXPECT_EQ(FileText(host.files["undo.reg"]),
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Yahoo\\pager\\Test]\r\n"
              "\"Plural\"=dword:00000001\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Yahoo\\pager\\YUrl]\r\n"
              "\"Change Room Banner\"=-\r\n\"Chat Adurl\"=hex:01,02\r\n"
              "\"Webcam Upload Ad\"=-\r\n\"Webcam Viewer Ad\"=-\r\n\"Webcam Viewer Ad Big\"=-\r\n"
              "\"Webcam Viewer Ad Medium\"=-\r\n\"Messenger Ad\"=-\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Yahoo\\pager]\r\n\"Messenger Ad\"=-\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Yahoo\\yui]\r\n\"Messenger Ad\"=-\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Yahoo]\r\n\"Messenger Ad\"=\"*\"\r\n\r\n");
    // Reading for the export creates no key.
    EXPECT_FALSE(KeyExists(Api(), "Software\\Yahoo\\yui"));
}

TEST_P(CommandLineTest, ExportThatCannotReadOrWriteExitsWithOneAndSaysWhereTheFilesAre) {
    host.files["kept.reg"] = {1, 2, 3};
    struct Case {
        Lines args;
        std::string failReadOf;
        std::optional<FileWrite> writeFailure;
        std::string err;
    };
    const std::string noPath = "The system cannot find the path specified.";
    const std::string cannotMove = "cannot move (error 1177)";
    const std::vector<Case> cases = {
        {{"export", "kept.reg"}, "", std::nullopt,
         "corvelle-cli: kept.reg already exists; add --force to replace it."},
        {{"export", "x.reg"}, "Chat Adurl", std::nullopt,
         "corvelle-cli: cannot read \"Chat Adurl\" under "
         "HKEY_CURRENT_USER\\Software\\Yahoo\\pager\\YUrl: Access denied. Nothing was written."},
        {{"export", "x.reg"}, "", FileWrite{FileWrite::Outcome::kFailed, noPath, {}, {}},
         "corvelle-cli: cannot write x.reg: " + noPath},
        // Where the old file and the new one ended up, when not where they were.
        {{"export", "x.reg", "--force"}, "",
         FileWrite{FileWrite::Outcome::kFailed, cannotMove, "C:\\x.tmp", "C:\\x-old.tmp"},
         "corvelle-cli: cannot write x.reg: " + cannotMove +
             " The new export is kept as C:\\x.tmp; the old file is now C:\\x-old.tmp."},
        {{"export", "x.reg", "--force"}, "",
         FileWrite{FileWrite::Outcome::kFailed, cannotMove, "C:\\x.reg", {}},
         "corvelle-cli: cannot write x.reg: " + cannotMove +
             " The new export is kept as C:\\x.reg; the old file was removed by the system."},
    };
    for (const Case& c : cases) {
        host.err.clear();
        host.failReadOf = c.failReadOf;
        host.writeFailure = c.writeFailure;
        EXPECT_EQ(Run(c.args), kExitRefused);
        EXPECT_EQ(host.err, Lines{c.err});
    }
    EXPECT_TRUE(host.out.empty());
    EXPECT_EQ(host.files.size(), 1U);
    EXPECT_EQ(host.files["kept.reg"], (std::vector<std::uint8_t>{1, 2, 3}));
    host.writeFailure.reset();
    EXPECT_EQ(Run({"export", "kept.reg", "--force"}), kExitDone);
    EXPECT_GT(host.files["kept.reg"].size(), 3U);
}

CORVELLE_ON_EVERY_REGISTRY(CommandLineTest);

}  // namespace
}  // namespace corvelle::cli
