// corvelle-cli.exe itself on the real registry: exit codes and output streams as a script sees
// them, the export file on disk, and the round trip through the system's own registry editor.

#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "RegistryProbe.h"
#include "TestRegistry.h"
#include "Win32RegistryKeys.h"

namespace corvelle::cli {
namespace {

using settings::testing::Dword;
using settings::testing::Plant;
using settings::testing::Raw;
using settings::testing::ReadStored;
using settings::testing::Stored;
using settings::testing::Sz;
namespace type = registry::type;

std::wstring Directory(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::wstring SelfDirectory() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return Directory(self);
}

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs a command line to its end with standard output and error sent to files (standard output
// opened with the access given); returns the exit code.
DWORD RunProcess(std::wstring commandLine, const std::wstring& outPath = L"NUL",
                 const std::wstring& errPath = L"NUL", DWORD outAccess = GENERIC_WRITE) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    const HANDLE out = CreateFileW(outPath.c_str(), outAccess, FILE_SHARE_READ, &inherit,
                                   CREATE_ALWAYS, 0, nullptr);
    const HANDLE err = CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                   CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    CloseHandle(out);
    CloseHandle(err);
    if (!started) {
        ADD_FAILURE() << "could not start: " << GetLastError();
        return 99;
    }
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

// Wine marks itself with an export of ntdll; the known differences from Windows hang on it.
bool OnWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

class CliProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        registry_ = settings::testing::MakeTestRegistry(settings::testing::RegistryKind::kWin32);
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"corvelle-cli-test-" +
                  std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(folder_.c_str(), nullptr);
    }
    void TearDown() override {
        // Whatever a test left, and never a temporary file of the export.
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW((folder_ + L"*").c_str(), &found);
        std::vector<std::wstring> left;
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name != L"." && name != L"..") {
                    left.push_back(name);
                    DeleteFileW((folder_ + name).c_str());
                }
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        for (const std::wstring& name : left) {
            EXPECT_EQ(name.find(L".tmp"), std::wstring::npos) << "temporary file left";
        }
        RemoveDirectoryW(folder_.c_str());
        registry_.reset();
    }

    struct Result {
        DWORD exit;
        std::string out;
        std::string err;
    };
    Result Cli(const std::wstring& args, DWORD outAccess = GENERIC_WRITE) {
        const std::wstring exe = SelfDirectory() + CORVELLE_CLI_FROM_TESTS;
        // Fresh names each run: under Wine a file the child wrote may stay open a moment after
        // it ends, so it can be neither deleted nor truncated at once.
        ++runs_;
        const std::wstring out = folder_ + L"stdout" + std::to_wstring(runs_) + L".txt";
        const std::wstring err = folder_ + L"stderr" + std::to_wstring(runs_) + L".txt";
        const DWORD exit = RunProcess(L"\"" + exe + L"\" " + args, out, err, outAccess);
        return {exit, ReadAll(out), ReadAll(err)};
    }

    registry::RegistryApi& Api() { return registry_->Api(); }
    settings::testing::TestRegistry& Registry() { return *registry_; }
    std::wstring folder_;

private:
    std::unique_ptr<settings::testing::TestRegistry> registry_;
    int runs_ = 0;
};

TEST_F(CliProgramTest, ExitCodesAndStreamsAsAScriptSeesThem) {
    struct Case {
        const wchar_t* args;
        DWORD exit;
        std::string out;
        std::string err;  // its first line
    };
    const std::vector<Case> cases = {
        {L"", 0, "Multi-instance: off\r\nAds removed: 0 of 6\r\nBottom ad removed: no\r\n", ""},
        {L"--version", 0, "corvelle-cli 1.05\r\n", ""},
        {L"enabel", 2, "", "corvelle-cli: unknown command: enabel\r\n"},
        {L"export", 2, "", "corvelle-cli: export needs a file name\r\n"},
        // The parent of the switch's key is volatile: the key cannot be created.
        {L"enable -v", 1,
         "Initializing...\r\nScanning Registry...\r\nApplying Patch...\r\nDone!\r\n",
         "corvelle-cli: Patch failed!\r\n"},
    };
    for (const Case& c : cases) {
        if (c.exit == 1) {
            ASSERT_TRUE(Registry().CreateVolatileKey("Software\\Yahoo\\pager"));
        }
        const Result result = Cli(c.args);
        EXPECT_EQ(result.exit, c.exit) << c.out;
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err.substr(0, result.err.find('\n') + 1), c.err);
    }
    EXPECT_EQ(ReadStored(Api(), "Software\\Yahoo\\pager\\Test", "Plural"), std::nullopt);
}

TEST_F(CliProgramTest, WhatCannotBeReadOrWrittenIsAFailureNotAState) {
    // A key the user may not read: its state is unknown, not off.
    const std::string key = "Software\\Yahoo\\pager\\Test";
    Plant(Api(), key, "Plural", Dword(1));
    ASSERT_TRUE(corvelle::testing::SetEveryonesAccess(key, WRITE_DAC));
    Result result = Cli(L"status");
    ASSERT_TRUE(corvelle::testing::SetEveryonesAccess(key, KEY_ALL_ACCESS));
    EXPECT_EQ(result.exit, 1U);
    EXPECT_EQ(result.out,
              "Multi-instance: unknown\r\nAds removed: 0 of 6\r\nBottom ad removed: no\r\n");
    EXPECT_EQ(result.err.rfind("corvelle-cli: cannot read \"Plural\" under "
                               "HKEY_CURRENT_USER\\Software\\Yahoo\\pager\\Test: ",
                               0),
              0U)
        << result.err;

    // Standard output that refuses writes: the change is made, and the exit code says the
    // output was lost.
    result = Cli(L"enable", GENERIC_READ);
    EXPECT_EQ(result.exit, 1U);
    EXPECT_EQ(result.err.rfind("corvelle-cli: cannot write to standard output: ", 0), 0U)
        << result.err;
    EXPECT_EQ(ReadStored(Api(), key, "Plural"), Dword(1));
}

TEST_F(CliProgramTest, ExportNeverLeavesPartOfAFileAndReplacesOnlyWithForce) {
    Plant(Api(), "Software\\Yahoo\\pager\\YUrl", "Chat Adurl", Sz("*"));
    const auto before = settings::testing::TakeSnapshot(Api());
    const std::wstring missing = folder_ + L"no such folder\\undo.reg";
    Result result = Cli(L"export \"" + missing + L"\"");
    EXPECT_EQ(result.exit, 1U);
    EXPECT_NE(result.err.find("no such folder\\undo.reg"), std::string::npos) << result.err;
    EXPECT_EQ(GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES);

    // A folder in the file's place cannot be replaced, not even with --force.
    const std::wstring folder = folder_ + L"a folder.reg";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    result = Cli(L"export --force \"" + folder + L"\"");
    EXPECT_EQ(result.exit, 1U);
    EXPECT_NE(result.err.find("corvelle-cli: cannot write "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("a folder.reg"), std::string::npos) << result.err;
    EXPECT_TRUE(RemoveDirectoryW(folder.c_str())) << "the folder was changed";
    EXPECT_EQ(settings::testing::TakeSnapshot(Api()), before);

    const std::wstring kept = folder_ + L"kept.reg";
    std::ofstream(kept.c_str(), std::ios::binary) << "mine";
    result = Cli(L"export \"" + kept + L"\"");
    EXPECT_EQ(result.exit, 1U);
    EXPECT_EQ(result.err.rfind("corvelle-cli: ", 0), 0U) << result.err;
    EXPECT_NE(result.err.find("already exists; add --force"), std::string::npos) << result.err;
    EXPECT_EQ(ReadAll(kept), "mine");

    result = Cli(L"export --force \"" + kept + L"\"");
    EXPECT_EQ(result.exit, 0U) << result.err;
    EXPECT_EQ(ReadAll(kept).substr(0, 4), std::string("\xFF\xFEW\0", 4));
}

// The text as the system's OEM code page has it, the code page of a new console.
std::string InOemCodePage(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_OEMCP, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_OEMCP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

TEST_F(CliProgramTest, ExportTakesAnyFileName) {
    const std::wstring name = folder_ + L"r\u00fcckg\u00e4ngig Jos\u00e9 \u65e5\u672c \u0436.reg";
    const Result result = Cli(L"export \"" + name + L"\"");
    EXPECT_EQ(result.exit, 0U) << result.err;
    // The name comes back on the redirected output in the console's code page, as scripts read it
    // (under Wine as on most Windows systems, an OEM code page other than UTF-8).
    EXPECT_NE(result.out.find(InOemCodePage(name)), std::string::npos) << result.out;
    const std::string text = ReadAll(name);
    const std::string header = "Windows Registry Editor Version 5.00\r\n";
    ASSERT_GE(text.size(), 2 + header.size() * 2);
    for (std::size_t i = 0; i < header.size(); ++i) {
        EXPECT_EQ(text[2 + 2 * i], header[i]);
    }
}

// The access list of a file, as text.
std::wstring AccessList(const std::wstring& path) {
    std::wstring text;
    DWORD needed = 0;
    GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    const PSECURITY_DESCRIPTOR descriptor = buffer.data();
    LPWSTR sddl = nullptr;
    if (needed != 0 &&
        GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor, needed, &needed) &&
        ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                             DACL_SECURITY_INFORMATION, &sddl,
                                                             nullptr)) {
        text = sddl;
        LocalFree(sddl);
    }
    return text;
}

TEST_F(CliProgramTest, ExportWaitsForAHeldFileKeepsItsAccessListAndTakesLongNames) {
    // Held open for a moment by another program, as a virus scanner does.
    const std::wstring held = folder_ + L"held.reg";
    std::ofstream(held.c_str(), std::ios::binary) << "mine";
    const HANDLE hold = CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    struct Release {
        static DWORD WINAPI Run(void* handle) {
            Sleep(400);
            CloseHandle(static_cast<HANDLE>(handle));
            return 0;
        }
    };
    const HANDLE release = CreateThread(nullptr, 0, Release::Run, hold, 0, nullptr);
    ASSERT_NE(release, nullptr);
    Result result = Cli(L"export --force \"" + held + L"\"");
    WaitForSingleObject(release, INFINITE);
    CloseHandle(release);
    EXPECT_EQ(result.exit, 0U) << result.err;
    EXPECT_EQ(ReadAll(held).substr(0, 4), std::string("\xFF\xFEW\0", 4));
    if (OnWine()) {
        // Wine's ReplaceFileW moves the replaced file aside to a name from GetTempFileNameW
        // ("rfXXXX.tmp"); when that move fails it leaves the empty file the name was taken with.
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW((folder_ + L"rf*.tmp").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileW((folder_ + found.cFileName).c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }

    // Replaced with --force, the file keeps the access list it had.
    const std::wstring kept = folder_ + L"kept.reg";
    std::ofstream(kept.c_str(), std::ios::binary) << "mine";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:P(A;;FA;;;WD)(A;;FR;;;BU)", SDDL_REVISION_1, &descriptor, nullptr));
    const BOOL set = SetFileSecurityW(kept.c_str(), DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    ASSERT_TRUE(set);
    const std::wstring before = AccessList(kept);
    result = Cli(L"export --force \"" + kept + L"\"");
    EXPECT_EQ(result.exit, 0U) << result.err;
    if (before.find(L"(A;;FR;;;BU)") != std::wstring::npos) {
        EXPECT_EQ(AccessList(kept), before);
    } else {
        // Wine keeps no access list of its own for a file where the Linux file system stores no
        // extended attributes; it shows one made from the file's mode, which does not say this.
        EXPECT_TRUE(OnWine()) << "the access list did not take";
    }

    // A name as long as a folder entry may be (255 characters): the temporary file's name is
    // never the one that is too long. With the folder, the path is longer than MAX_PATH.
    const std::wstring longName = folder_ + std::wstring(251, L'n') + L".reg";
    result = Cli(L"export \"" + longName + L"\"");
    EXPECT_EQ(result.exit, 0U) << result.err;
    EXPECT_EQ(ReadAll(L"\\\\?\\" + longName).substr(0, 4), std::string("\xFF\xFEW\0", 4));
    DeleteFileW((L"\\\\?\\" + longName).c_str());
}

struct TouchedValue {
    const char* key;
    const char* name;
    std::optional<Stored> atExport;
    std::optional<Stored> changedTo;
};

// The file's text as ASCII (every value and name in it is).
std::string AsciiOf(const std::string& utf16) {
    std::string text;
    for (std::size_t i = 2; i + 1 < utf16.size(); i += 2) {
        text += utf16[i];
    }
    return text;
}

TEST_F(CliProgramTest, MergingTheExportWithTheRegistryEditorPutsEveryValueBack) {
    const std::string yurl = "Software\\Yahoo\\pager\\YUrl";
    const std::vector<TouchedValue> values = {
        {"Software\\Yahoo\\pager\\Test", "Plural", Raw(type::kDword, std::string("\x01\x00", 2)),
         std::nullopt},
        {yurl.c_str(), "Change Room Banner", Raw(type::kBinary, std::string("\x0A\xFF\x00", 3)),
         Sz("*")},
        {yurl.c_str(), "Chat Adurl", Raw(type::kExpandSz, std::string("%TEMP%\\ad\0", 10)),
         std::nullopt},
        {yurl.c_str(), "Webcam Upload Ad", Sz(""), Sz("about:blank")},
        {yurl.c_str(), "Webcam Viewer Ad", Raw(type::kSz, ""), Dword(7)},
        {yurl.c_str(), "Webcam Viewer Ad Big", Sz("say \"hi\" to C:\\ads\\"), std::nullopt},
        {yurl.c_str(), "Webcam Viewer Ad Medium", std::nullopt, Sz("about:blank")},
        {yurl.c_str(), "Messenger Ad", Sz("*"), std::nullopt},
        {"Software\\Yahoo\\pager", "Messenger Ad", std::nullopt, Sz("*")},
        {"Software\\Yahoo\\yui", "Messenger Ad", Raw(type::kSz, "abc"), Sz("*")},
        {"Software\\Yahoo", "Messenger Ad", Dword(1), Raw(type::kBinary, "\x01")},
    };
    for (const TouchedValue& value : values) {
        if (value.atExport) {
            Plant(Api(), value.key, value.name, *value.atExport);
        }
        ASSERT_EQ(ReadStored(Api(), value.key, value.name), value.atExport) << value.name;
    }

    const std::wstring file = folder_ + L"undo.reg";
    const Result exported = Cli(L"export \"" + file + L"\"");
    ASSERT_EQ(exported.exit, 0U) << exported.err;
    const std::string text = AsciiOf(ReadAll(file));

    for (const TouchedValue& value : values) {
        if (value.changedTo) {
            Plant(Api(), value.key, value.name, *value.changedTo);
        } else {
            settings::testing::PlantKey(Api(), value.key);
            RegDeleteKeyValueA(HKEY_CURRENT_USER, value.key, value.name);
        }
    }

    ASSERT_EQ(RunProcess(L"regedit.exe /s \"" + file + L"\""), 0U);

    for (const TouchedValue& value : values) {
        std::optional<Stored> expected = value.atExport;
        if (value.atExport == Raw(type::kSz, "abc")) {
            // Stored without its terminating zero: exported byte for byte, as Windows' editor
            // imports it; Wine's importer appends a zero to such data.
            EXPECT_NE(text.find("\"Messenger Ad\"=hex(1):61,00,62,00,63,00\r\n"),
                      std::string::npos)
                << text;
            if (OnWine()) {
                expected = Raw(type::kSz, std::string("abc\0", 4));
            }
        }
        EXPECT_EQ(ReadStored(Api(), value.key, value.name), expected)
            << value.key << " | " << value.name << "\n"
            << text;
    }
}

}  // namespace
}  // namespace corvelle::cli
