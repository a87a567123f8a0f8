// The command line's grammar: what each accepted line means, and the one-line reason for each
// refused one.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/Arguments.h"

namespace corvelle::cli {
namespace {

using Args = std::vector<std::string>;

struct Accepted {
    Args args;
    Invocation expected;
};

TEST(ArgumentsTest, AcceptedLinesMeanTheirCommandWithItsOptions) {
    const std::vector<Accepted> cases = {
        {{}, {}},
        {{"status"}, {}},
        {{"--json"}, {.json = true}},
        {{"STATUS", "--JSON"}, {.json = true}},
        {{"enable"}, {.command = Command::kEnable}},
        {{"-v", "disable"}, {.command = Command::kDisable, .verbose = true}},
        {{"remove-ads", "--verbose"}, {.command = Command::kRemoveAds, .verbose = true}},
        {{"reinstate-ads", "-v"}, {.command = Command::kReinstateAds, .verbose = true}},
        {{"bottom-ad", "on"}, {.command = Command::kBottomAd, .bottomAdOn = true}},
        {{"bottom-ad", "Off"}, {.command = Command::kBottomAd}},
        {{"Remove-Bottom-Ad"}, {.command = Command::kBottomAd, .bottomAdOn = true}},
        {{"reinstate-bottom-ad"}, {.command = Command::kBottomAd}},
        {{"export", "C:\\undo.reg"}, {.command = Command::kExport, .file = "C:\\undo.reg"}},
        {{"export", "--force", "a b.reg"},
         {.command = Command::kExport, .force = true, .file = "a b.reg"}},
        {{"export", "--", "-odd.reg"}, {.command = Command::kExport, .file = "-odd.reg"}},
        {{"enable", "--help"}, {.command = Command::kHelp}},
        {{"/?"}, {.command = Command::kHelp}},
        {{"--version"}, {.command = Command::kVersion}},
    };
    for (const Accepted& c : cases) {
        const ParsedArguments parsed = ParseArguments(c.args);
        ASSERT_TRUE(parsed.invocation.has_value()) << ::testing::PrintToString(c.args) << ": "
                                                    << parsed.error;
        const Invocation& got = *parsed.invocation;
        EXPECT_EQ(got.command, c.expected.command) << ::testing::PrintToString(c.args);
        EXPECT_EQ(got.json, c.expected.json) << ::testing::PrintToString(c.args);
        EXPECT_EQ(got.verbose, c.expected.verbose) << ::testing::PrintToString(c.args);
        EXPECT_EQ(got.force, c.expected.force) << ::testing::PrintToString(c.args);
        EXPECT_EQ(got.bottomAdOn, c.expected.bottomAdOn) << ::testing::PrintToString(c.args);
        EXPECT_EQ(got.file, c.expected.file) << ::testing::PrintToString(c.args);
    }
}

TEST(ArgumentsTest, RefusedLinesSayWhyInOneLine) {
    const std::vector<std::pair<Args, std::string>> cases = {
        {{"patch"}, "unknown command: patch"},
        {{"enable", "now"}, "unexpected argument: now"},
        {{"status", "extra"}, "unexpected argument: extra"},
        {{"enable", "--json"}, "option --json does not apply to enable"},
        {{"status", "-v"}, "option -v does not apply to status"},
        {{"bottom-ad", "-v", "on"}, "option -v does not apply to bottom-ad"},
        {{"enable", "--force"}, "option --force does not apply to enable"},
        {{"enable", "-x"}, "unknown option: -x"},
        {{"bottom-ad"}, "bottom-ad needs on or off"},
        {{"bottom-ad", "yes"}, "bottom-ad takes on or off, not yes"},
        {{"bottom-ad", "on", "off"}, "unexpected argument: off"},
        {{"remove-bottom-ad", "off"}, "unexpected argument: off"},
        {{"export"}, "export needs a file name"},
        {{"export", ""}, "export needs a file name"},
        {{"export", "a.reg", "b.reg"}, "unexpected argument: b.reg"},
    };
    for (const auto& [args, reason] : cases) {
        const ParsedArguments parsed = ParseArguments(args);
        EXPECT_FALSE(parsed.invocation.has_value()) << ::testing::PrintToString(args);
        EXPECT_EQ(parsed.error, reason) << ::testing::PrintToString(args);
    }
}

}  // namespace
}  // namespace corvelle::cli
