#include "cli/CommandLine.h"

#include <string>
#include <utility>
#include <vector>

#include "cli/Arguments.h"
#include "cli/ConsoleControls.h"
#include "cli/RegFile.h"
#include "cli/StatusReport.h"
#include "Version.h"
#include "settings/Commands.h"
#include "settings/MessengerKeys.h"
#include "settings/PatchState.h"

namespace corvelle::cli {

namespace {

using SettingsCommand = void (*)(const registry::RegistryMod&, settings::ControlSet&);

// A key path as messages show it, and "Name" under HKEY_CURRENT_USER\Key.
std::string KeyText(std::string key) {
    while (!key.empty() && key.back() == '\\') {
        key.pop_back();
    }
    return key;
}

std::string NamedValue(const std::string& key, const std::string& name) {
    return "\"" + name + "\" under HKEY_CURRENT_USER\\" + KeyText(key);
}

// A value the state depends on that could not be read: the reason, on stderr.
UnreadLine ReportUnread(const settings::UnreadValue& value, CliHost& host) {
    UnreadLine line{KeyText(value.key), value.name,
                    value.status == registry::status::kMoreData
                        ? "its data are longer than the " +
                              std::to_string(registry::kReadBufferSize) + " bytes a read takes."
                        : host.StatusText(value.status)};
    host.Error("cannot read " + NamedValue(value.key, value.name) + ": " + line.reason);
    return line;
}

int ShowStatus(const Invocation& invocation, const registry::RegistryMod& registry,
               CliHost& host) {
    ConsoleControls controls(host, {nullptr, nullptr}, false);
    const settings::PatchState state = settings::ReadPatchState(registry, controls);
    std::vector<UnreadLine> unread;
    for (const settings::UnreadValue& value : state.unread) {
        unread.push_back(ReportUnread(value, host));
    }
    if (invocation.json) {
        host.Out(StatusJson(state, unread));
    } else {
        for (const std::string& line : StatusLines(state)) {
            host.Out(line);
        }
    }
    return unread.empty() ? kExitDone : kExitRefused;
}

int RunButton(SettingsCommand command, ResultLines result, const Invocation& invocation,
              const registry::RegistryMod& registry, CliHost& host) {
    ConsoleControls controls(host, result, invocation.verbose);
    command(registry, controls);
    return controls.Failed() ? kExitRefused : kExitDone;
}

// As a click on the check box after its state changed: the command reads the state it was set
// to. Success shows no line in the window; here the state read back is printed.
int SetBottomAd(const Invocation& invocation, const registry::RegistryMod& registry,
                CliHost& host) {
    ConsoleControls controls(host, {nullptr, settings::messenger::kBottomAdFailedLine}, false);
    controls.SetCheck1(invocation.bottomAdOn ? settings::kChecked : settings::kUnchecked);
    settings::BottomAdCheckChanged(registry, controls);
    if (controls.Failed()) {
        return kExitRefused;
    }
    // The state read back as status reads it: a value that cannot be read makes it unknown.
    const settings::PatchState state = settings::ReadPatchState(registry, controls);
    for (const settings::UnreadValue& value : state.unread) {
        if (std::string(value.name) == settings::messenger::kBottomAdValue) {
            ReportUnread(value, host);
        }
    }
    host.Out(StatusLines(state).back());
    return state.bottomAdKnown ? kExitDone : kExitRefused;
}

// Where a failed export left the files, when not where they were.
std::string WhereTheFilesAre(const FileWrite& written) {
    if (written.newAt.empty()) {
        return written.oldAt.empty() ? "" : " The old file is now " + written.oldAt + ".";
    }
    return " The new export is kept as " + written.newAt + "; the old file " +
           (written.oldAt.empty() ? std::string("was removed by the system.")
                                  : "is now " + written.oldAt + ".");
}

int Export(const Invocation& invocation, CliHost& host) {
    std::vector<ExportEntry> entries;
    std::size_t absent = 0;
    for (const settings::messenger::ValueRef& touched : settings::messenger::kTouchedValues) {
        StoredRead read = host.ReadStored(touched.key, touched.name);
        if (read.outcome == StoredRead::Outcome::kFailed) {
            host.Error("cannot read " + NamedValue(touched.key, touched.name) + ": " + read.reason +
                       " Nothing was written.");
            return kExitRefused;
        }
        const bool present = read.outcome == StoredRead::Outcome::kPresent;
        absent += present ? 0 : 1;
        entries.push_back({touched.key, touched.name,
                           present ? std::optional<StoredValue>(std::move(read.value))
                                   : std::nullopt});
    }
    const FileWrite written =
        host.WriteFile(invocation.file, RegFileBytes(RegFileText(entries)), invocation.force);
    switch (written.outcome) {
    case FileWrite::Outcome::kWritten:
        host.Out("Saved " + std::to_string(entries.size() - absent) +
                 (entries.size() - absent == 1 ? " value" : " values") + " and the absence of " +
                 std::to_string(absent) + " to " + invocation.file);
        if (!written.oldAt.empty()) {
            host.Error("the replaced file's copy " + written.oldAt + " could not be removed.");
        }
        return kExitDone;
    case FileWrite::Outcome::kExists:
        host.Error(invocation.file + " already exists; add --force to replace it.");
        return kExitRefused;
    case FileWrite::Outcome::kFailed:
        break;
    }
    host.Error("cannot write " + invocation.file + ": " + written.reason +
               WhereTheFilesAre(written));
    return kExitRefused;
}

int RunCommand(const std::vector<std::string>& args, const registry::RegistryMod& registry,
               CliHost& host) {
    using namespace settings::messenger;
    const ParsedArguments parsed = ParseArguments(args);
    if (!parsed.invocation) {
        host.Error(parsed.error);
        for (const std::string& line : UsageLines()) {
            host.Err(line);
        }
        return kExitUsage;
    }
    const Invocation& invocation = *parsed.invocation;
    switch (invocation.command) {
    case Command::kStatus:
        return ShowStatus(invocation, registry, host);
    case Command::kEnable:
        return RunButton(settings::EnableMultiInstance, {kEnableLines.done, kEnableLines.failed},
                         invocation, registry, host);
    case Command::kDisable:
        return RunButton(settings::DisableMultiInstance,
                         {kDisableLines.done, kDisableLines.failed}, invocation, registry, host);
    case Command::kRemoveAds:
        return RunButton(settings::RemoveAds, {kRemoveAdsLines.done, kRemoveAdsLines.failed},
                         invocation, registry, host);
    case Command::kReinstateAds:
        return RunButton(settings::ReinstateAds,
                         {kReinstateAdsLines.done, kReinstateAdsLines.failed}, invocation,
                         registry, host);
    case Command::kBottomAd:
        return SetBottomAd(invocation, registry, host);
    case Command::kExport:
        return Export(invocation, host);
    case Command::kHelp:
        for (const std::string& line : UsageLines()) {
            host.Out(line);
        }
        return kExitDone;
    case Command::kVersion:
        host.Out(std::string(kProgramName) + " " + CORVELLE_VERSION_TEXT);
        return kExitDone;
    }
    return kExitUsage;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args, const registry::RegistryMod& registry,
                   CliHost& host) {
    const int code = RunCommand(args, registry, host);
    const std::string failure = host.OutFailure();
    if (failure.empty()) {
        return code;
    }
    // What was done stays done, but the script did not get the output it asked for.
    host.Error("cannot write to standard output: " + failure);
    return code == kExitDone ? kExitRefused : code;
}

}  // namespace corvelle::cli
