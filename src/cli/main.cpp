// corvelle-cli: the messenger settings from the command line, for scripts. Reads its arguments as
// UTF-16 from the system, so any file name reaches the export.

#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "DllSearch.h"
#include "cli/CommandLine.h"
#include "cli/Win32CliHost.h"
#include "text/WideText.h"
#include "registry/RegistryMod.h"
#include "registry/Win32Registry.h"

int main() {
    corvelle::LoadDllsFromSystemFolderOnly();
    int count = 0;
    // CommandLineToArgvW allocates the array with LocalAlloc.
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> argv(
        CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
    std::vector<std::string> args;
    for (int i = 1; argv != nullptr && i < count; ++i) {
        args.push_back(corvelle::text::FromWide(argv.get()[i], CP_UTF8));
    }
    corvelle::registry::Win32Registry api;
    const corvelle::registry::RegistryMod registry(api);
    corvelle::cli::Win32CliHost host;
    return corvelle::cli::RunCommandLine(args, registry, host);
}
