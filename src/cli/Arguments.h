#pragma once
// The command line of corvelle-cli: one command with its options and operands. Parsing only reads
// the arguments; nothing is done until the whole line has been accepted.

#include <optional>
#include <string>
#include <vector>

namespace corvelle::cli {

enum class Command {
    kStatus,
    kEnable,
    kDisable,
    kRemoveAds,
    kReinstateAds,
    kBottomAd,
    kExport,
    kHelp,
    kVersion,
};

struct Invocation {
    Command command = Command::kStatus;
    bool json = false;       // status --json
    bool verbose = false;    // -v: progress lines too
    bool force = false;      // export --force: replace an existing file
    bool bottomAdOn = false; // bottom-ad on|off
    std::string file{};      // export FILE, UTF-8
};

struct ParsedArguments {
    std::optional<Invocation> invocation;
    // Why the line was refused, in one line, when there is no invocation.
    std::string error;
};

// args are the arguments after the program's name, in UTF-8.
ParsedArguments ParseArguments(const std::vector<std::string>& args);

// The help text, line by line: commands, options and exit codes.
const std::vector<std::string>& UsageLines();

}  // namespace corvelle::cli
