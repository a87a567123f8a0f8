// A uxtheme.dll planted beside the program, with Wine told to prefer it to its own, as Windows
// prefers a DLL in the program's folder: neither the window layer nor the program uses it, and the
// window keeps its look. (Wine's own window DLLs load it by name as the program starts, before its
// first line runs; see tests/ui/PlantedUxtheme.cpp.)

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "ui/FormLayout.h"
#include "ui/Form1TestSupport.h"
#include "ui/SystemDll.h"

namespace corvelle::ui::testing {
namespace {

constexpr const char* kChildVariable = "CORVELLE_PLANTED_DLL_CHILD";
constexpr const wchar_t* kTrace = L"planted-dll-used";
// The names of the copies, which no other test runs.
constexpr const wchar_t* kTestsName = L"corvelle-planted-tests.exe";
constexpr const wchar_t* kProgramName = L"corvelle-planted.exe";

std::wstring FolderOf(const wchar_t* path) {
    const std::wstring text(path);
    return text.substr(0, text.find_last_of(L'\\') + 1);
}

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + L"\\";
}

// Runs in a child process only, started from a folder that holds the planted DLL.
TEST_F(Form1Test, KeepsItsLookBesideAPlantedDllInChildProcess) {
    if (std::getenv(kChildVariable) == nullptr) {
        GTEST_SKIP() << "runs as the child of PlantedDll.IsNeverUsed";
    }
    Start();
    // The theme library the window layer loads is the system's.
    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(LoadSystemDllForGood(L"uxtheme.dll"), path, MAX_PATH), 0U);
    const std::wstring system = SystemFolder();
    EXPECT_EQ(_wcsnicmp(path, system.c_str(), system.size()), 0) << path;
    // The check box in the look the form gives it through that library: its text dark red on the
    // window's colour.
    const Capture check = CaptureClient(Control(layout::kIdCheck1));
    EXPECT_GT(check.Count(RGB(0x8B, 0xA2, 0xC2)), check.width * check.height / 2);
    EXPECT_GT(check.Count(RGB(0x80, 0x00, 0x00)), 10);
}

// A fresh folder in the temporary folder, removed with what was put in it.
class Folder {
public:
    Folder() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"corvelle-planted-" + std::to_wstring(GetCurrentProcessId()) +
                L"\\";
        EXPECT_TRUE(CreateDirectoryW(path_.c_str(), nullptr));
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    ~Folder() {
        for (const std::wstring& name : names_) {
            DeleteFileW((path_ + name).c_str());
        }
        DeleteFileW((path_ + kTrace).c_str());
        RemoveDirectoryW(path_.c_str());
    }

    std::wstring Put(const std::wstring& from, const std::wstring& name) {
        names_.push_back(name);
        EXPECT_TRUE(CopyFileW(from.c_str(), (path_ + name).c_str(), FALSE)) << name.c_str();
        return path_ + name;
    }
    bool Has(const wchar_t* name) const {
        return GetFileAttributesW((path_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    void Remove(const wchar_t* name) const { DeleteFileW((path_ + name).c_str()); }

private:
    std::wstring path_;
    std::vector<std::wstring> names_;
};

// Starts a program; null on failure.
HANDLE Start(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

// The visible main window of a process, waited for up to the given time; null if none came.
HWND WaitForWindowOf(HANDLE process, DWORD milliseconds) {
    const DWORD id = GetProcessId(process);
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
        for (HWND window = FindWindowW(kForm1WindowClass, nullptr); window != nullptr;
             window = FindWindowExW(nullptr, window, kForm1WindowClass, nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == id && IsWindowVisible(window)) {
                return window;
            }
        }
        if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) {
            return nullptr;
        }
    }
    return nullptr;
}

// Tells Wine to prefer a native uxtheme.dll to its own in the programs of one file name, as Windows
// prefers a DLL in the program's folder; for as long as the object lives.
class PreferNativeUxtheme {
public:
    explicit PreferNativeUxtheme(const std::wstring& exeName)
        : key_(L"Software\\Wine\\AppDefaults\\" + exeName) {
        HKEY overrides = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (key_ + L"\\DllOverrides").c_str(), 0, nullptr,
                                  0, KEY_SET_VALUE, nullptr, &overrides, nullptr),
                  ERROR_SUCCESS);
        constexpr wchar_t kOrder[] = L"native,builtin";
        EXPECT_EQ(RegSetValueExW(overrides, L"uxtheme", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(kOrder), sizeof(kOrder)),
                  ERROR_SUCCESS);
        RegCloseKey(overrides);
    }
    PreferNativeUxtheme(const PreferNativeUxtheme&) = delete;
    PreferNativeUxtheme& operator=(const PreferNativeUxtheme&) = delete;
    ~PreferNativeUxtheme() {
        RegDeleteKeyW(HKEY_CURRENT_USER, (key_ + L"\\DllOverrides").c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, key_.c_str());
    }

private:
    std::wstring key_;
};

TEST(PlantedDll, IsNeverUsed) {
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0U);
    const std::wstring built = FolderOf(self);
    Folder folder;
    folder.Put(built + L"planted-uxtheme.dll", L"uxtheme.dll");
    const std::wstring tests = folder.Put(self, kTestsName);
    const std::wstring program = folder.Put(built + CORVELLE_PROGRAM_FROM_TESTS, kProgramName);

    // Both children would find the planted DLL first, were they to load one by its name. (Wine
    // reads WINEDLLOVERRIDES from the Linux environment, which a child started here does not get.)
    const PreferNativeUxtheme testsPreferIt(kTestsName);
    const PreferNativeUxtheme programPrefersIt(kProgramName);
    SetEnvironmentVariableA(kChildVariable, "1");

    // The window layer, with the form's look checked in the child.
    const HANDLE child =
        Start(tests, L"--gtest_filter=Form1Test.KeepsItsLookBesideAPlantedDllInChildProcess");
    SetEnvironmentVariableA(kChildVariable, nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(WaitForSingleObject(child, 60000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(child, &exitCode);
    CloseHandle(child);
    EXPECT_EQ(exitCode, 0U) << "the form's look beside the planted DLL (the child's test failed)";
    EXPECT_FALSE(folder.Has(kTrace)) << "the window layer used the planted uxtheme.dll";
    folder.Remove(kTrace);

    // The program as shipped, up to its window.
    const HANDLE running = Start(program, L"");
    ASSERT_NE(running, nullptr);
    const HWND window = WaitForWindowOf(running, 30000);
    EXPECT_NE(window, nullptr) << "the program showed no window";
    EXPECT_FALSE(folder.Has(kTrace)) << "the program used the planted uxtheme.dll";
    if (window != nullptr) {
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(running, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(running, 1);
        WaitForSingleObject(running, 5000);
    }
    CloseHandle(running);
}

}  // namespace
}  // namespace corvelle::ui::testing
