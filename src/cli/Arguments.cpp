#include "cli/Arguments.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace corvelle::cli {

namespace {

// Commands and words are matched without regard to ASCII case, as Windows programs do.
bool SameWord(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

struct CommandName {
    const char* name;
    Command command;
    // The operand the name stands for, where it names a bottom-ad state itself.
    const char* bottomAd = nullptr;
};

constexpr std::array<CommandName, 9> kCommands = {{
    {"status", Command::kStatus},
    {"enable", Command::kEnable},
    {"disable", Command::kDisable},
    {"remove-ads", Command::kRemoveAds},
    {"reinstate-ads", Command::kReinstateAds},
    {"remove-bottom-ad", Command::kBottomAd, "on"},
    {"reinstate-bottom-ad", Command::kBottomAd, "off"},
    {"bottom-ad", Command::kBottomAd},
    {"export", Command::kExport},
}};

const CommandName* FindCommand(std::string_view word) {
    for (const CommandName& known : kCommands) {
        if (SameWord(word, known.name)) {
            return &known;
        }
    }
    return nullptr;
}

bool IsHelp(std::string_view arg) {
    return SameWord(arg, "--help") || SameWord(arg, "-h") || arg == "-?" || arg == "/?";
}

bool TakesVerbose(Command command) {
    return command == Command::kEnable || command == Command::kDisable ||
           command == Command::kRemoveAds || command == Command::kReinstateAds;
}

// The options a command accepts, checked once the command is known.
std::string OptionError(const std::string& option, Command command, const std::string& name) {
    const bool applies = ((SameWord(option, "-v") || SameWord(option, "--verbose")) &&
                          TakesVerbose(command)) ||
                         (SameWord(option, "--json") && command == Command::kStatus) ||
                         (SameWord(option, "--force") && command == Command::kExport);
    if (applies) {
        return {};
    }
    const bool known = SameWord(option, "-v") || SameWord(option, "--verbose") ||
                       SameWord(option, "--json") || SameWord(option, "--force");
    return known ? "option " + option + " does not apply to " + name
                 : "unknown option: " + option;
}

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& args) {
    std::vector<std::string> options;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (optionsEnded || arg.size() < 2 || (arg[0] != '-' && arg != "/?")) {
            operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;  // everything after it is an operand, e.g. a file named "-x"
        } else if (IsHelp(arg)) {
            return {Invocation{.command = Command::kHelp}, {}};
        } else if (SameWord(arg, "--version")) {
            return {Invocation{.command = Command::kVersion}, {}};
        } else {
            options.push_back(arg);
        }
    }

    Invocation invocation;
    std::string name = "status";
    if (!operands.empty()) {
        const CommandName* found = FindCommand(operands.front());
        if (found == nullptr) {
            return {std::nullopt, "unknown command: " + operands.front()};
        }
        invocation.command = found->command;
        name = found->name;
        operands.erase(operands.begin());
        if (found->bottomAd != nullptr) {
            operands.insert(operands.begin(), found->bottomAd);
        }
    }

    for (const std::string& option : options) {
        if (std::string error = OptionError(option, invocation.command, name); !error.empty()) {
            return {std::nullopt, error};
        }
        if (SameWord(option, "--json")) {
            invocation.json = true;
        } else if (SameWord(option, "--force")) {
            invocation.force = true;
        } else {
            invocation.verbose = true;
        }
    }

    std::size_t wanted = 0;
    if (invocation.command == Command::kBottomAd) {
        if (operands.empty()) {
            return {std::nullopt, "bottom-ad needs on or off"};
        }
        if (!SameWord(operands.front(), "on") && !SameWord(operands.front(), "off")) {
            return {std::nullopt, "bottom-ad takes on or off, not " + operands.front()};
        }
        invocation.bottomAdOn = SameWord(operands.front(), "on");
        wanted = 1;
    } else if (invocation.command == Command::kExport) {
        if (operands.empty() || operands.front().empty()) {
            return {std::nullopt, "export needs a file name"};
        }
        invocation.file = operands.front();
        wanted = 1;
    }
    if (operands.size() > wanted) {
        return {std::nullopt, "unexpected argument: " + operands[wanted]};
    }
    return {invocation, {}};
}

const std::vector<std::string>& UsageLines() {
    static const std::vector<std::string> lines = {
        "Usage: corvelle-cli [COMMAND] [OPTIONS]",
        "",
        "Commands (one per call):",
        "  status [--json]        Show the multi-instance switch, how many of the six ad values",
        "                         are removed and the bottom ad (the default command).",
        "  enable [-v]            Turn the messenger's multi-instance mode on.",
        "  disable [-v]           Turn it off.",
        "  remove-ads [-v]        Remove the six advertisements.",
        "  reinstate-ads [-v]     Reinstate them.",
        "  remove-bottom-ad       Remove the bottom advertisement.",
        "  reinstate-bottom-ad    Reinstate it.",
        "  bottom-ad on|off       As remove-bottom-ad (on) or reinstate-bottom-ad (off).",
        "  export FILE [--force]  Save every value these commands change to a registry file;",
        "                         merging it (reg import FILE) puts them back as they were.",
        "                         --force replaces an existing FILE.",
        "  --help                 Show this text.",
        "  --version              Show the version.",
        "",
        "  -v, --verbose          Print the progress lines as well as the result.",
        "",
        "Exit codes:",
        "  0  done, or the state printed",
        "  1  the registry refused a change (the failure line is on stderr), a value could",
        "     not be read (status shows it as unknown; export writes nothing), or the",
        "     output or the export file could not be written",
        "  2  usage error: unknown command, missing or extra argument, bad option; nothing",
        "     was changed",
    };
    return lines;
}

}  // namespace corvelle::cli
