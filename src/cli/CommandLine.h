#pragma once
// corvelle-cli's work, whatever the platform: parses the arguments, runs one command through the
// same command functions as the window's buttons, and returns the exit code.

#include <string>
#include <vector>

#include "cli/CliHost.h"
#include "registry/RegistryMod.h"

namespace corvelle::cli {

inline constexpr int kExitDone = 0;
// The registry refused a change, or the export could not be read or written.
inline constexpr int kExitRefused = 1;
// The command line was not understood; nothing was touched.
inline constexpr int kExitUsage = 2;

// args are the arguments after the program's name, in UTF-8.
int RunCommandLine(const std::vector<std::string>& args, const registry::RegistryMod& registry,
                   CliHost& host);

}  // namespace corvelle::cli
