// A uxtheme.dll planted beside the program (see tests/ui/PlantedUxtheme.cpp), with Wine told to
// prefer it to its own, as Windows prefers a DLL in the program's folder: every DLL the program
// loads itself comes from the system folder, neither the window layer nor the program ever calls
// into the planted one, and the window keeps its look. On Windows the planted DLL is not loaded
// at all. Under Wine it is: Wine's own window DLLs load a uxtheme.dll by name (with LoadLibrary)
// as the first windows are made, a known difference marked where it is checked.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "DllSearch.h"
#include "ui/FormLayout.h"
#include "ui/Form1TestSupport.h"

namespace corvelle::ui::testing {
namespace {

constexpr const char* kChildVariable = "CORVELLE_PLANTED_DLL_CHILD";
// The stand-in's traces: loaded, and called by the program.
constexpr const wchar_t* kLoadedTrace = L"planted-dll-loaded";
constexpr const wchar_t* kUsedTrace = L"planted-dll-used";
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

// Wine marks itself with an export of ntdll.
bool OnWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// A known difference from Windows, marked where it is checked as Wine's own tests mark theirs: on
// Windows the check must hold; under Wine it is known not to, and it holding there is reported as
// well, so that the marking goes once Wine no longer differs.
void ExpectExceptUnderWine(bool holds, const char* what) {
    if (OnWine()) {
        EXPECT_FALSE(holds) << "holds under Wine now too; remove the marking: " << what;
    } else {
        EXPECT_TRUE(holds) << what;
    }
}

// Every DLL this program's own code loads while the object lives: the entries of its import table
// for LoadLibraryW and LoadLibraryExW point here meanwhile (Wine's DLLs and the system's call
// through their own tables, which stay as they are). Records the file each load gave.
class OwnLoads {
public:
    OwnLoads() {
        Patch(Real().loadW, reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RecordW)));
        Patch(Real().loadExW, reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RecordExW)));
    }
    OwnLoads(const OwnLoads&) = delete;
    OwnLoads& operator=(const OwnLoads&) = delete;
    ~OwnLoads() {
        for (const auto& [slot, original] : patched_) {
            Set(slot, original);
        }
    }

    static std::vector<std::wstring>& Files() {
        static std::vector<std::wstring> files;
        return files;
    }

private:
    using LoadLibraryExWFunction = HMODULE(WINAPI*)(LPCWSTR, HANDLE, DWORD);

    // The functions themselves, looked up before any slot points elsewhere.
    struct Functions {
        FARPROC loadW;
        FARPROC loadExW;
    };
    static const Functions& Real() {
        static const Functions functions{
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW"),
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryExW")};
        return functions;
    }

    static HMODULE WINAPI RecordExW(LPCWSTR name, HANDLE file, DWORD flags) {
        const HMODULE module = DllFunction<LoadLibraryExWFunction>(
            GetModuleHandleW(L"kernel32.dll"), "LoadLibraryExW")(name, file, flags);
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(module, path, MAX_PATH);
        Files().emplace_back(module != nullptr ? path : L"(not loaded)");
        return module;
    }
    static HMODULE WINAPI RecordW(LPCWSTR name) { return RecordExW(name, nullptr, 0); }

    static void Set(FARPROC* slot, FARPROC value) {
        DWORD protection = 0;
        VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection);
        *slot = value;
        VirtualProtect(slot, sizeof(*slot), protection, &protection);
    }
    // Points every slot of the import table that holds the function at the replacement.
    void Patch(FARPROC function, FARPROC replacement) {
        auto* const base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        const auto* const nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports =
            nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
                 base + imports.VirtualAddress);
             dll->Name != 0; ++dll) {
            for (auto* slot = reinterpret_cast<FARPROC*>(base + dll->FirstThunk); *slot != nullptr;
                 ++slot) {
                if (*slot == function) {
                    patched_.emplace_back(slot, function);
                    Set(slot, replacement);
                }
            }
        }
    }

    std::vector<std::pair<FARPROC*, FARPROC>> patched_;
};

// Runs in a child process only, started from a folder that holds the planted DLL.
TEST_F(Form1Test, KeepsItsLookBesideAPlantedDllInChildProcess) {
    if (std::getenv(kChildVariable) == nullptr) {
        GTEST_SKIP() << "runs as the child of PlantedDll.IsNeverUsed";
    }
    OwnLoads::Files().clear();
    {
        const OwnLoads own;
        Start();
    }
    // What the window layer decides: every DLL it loads is the system folder's.
    const std::wstring system = SystemFolder();
    EXPECT_FALSE(OwnLoads::Files().empty()) << "the window layer loads its theme library itself";
    for (const std::wstring& file : OwnLoads::Files()) {
        EXPECT_EQ(_wcsnicmp(file.c_str(), system.c_str(), system.size()), 0) << file.c_str();
    }
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
        DeleteFileW((path_ + kLoadedTrace).c_str());
        DeleteFileW((path_ + kUsedTrace).c_str());
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
    ExpectExceptUnderWine(!folder.Has(kLoadedTrace), "the planted uxtheme.dll was loaded");
    EXPECT_FALSE(folder.Has(kUsedTrace)) << "the window layer used the planted uxtheme.dll";
    folder.Remove(kLoadedTrace);

    // The program as shipped, up to its window.
    const HANDLE running = Start(program, L"");
    ASSERT_NE(running, nullptr);
    const HWND window = WaitForWindowOf(running, 30000);
    EXPECT_NE(window, nullptr) << "the program showed no window";
    ExpectExceptUnderWine(!folder.Has(kLoadedTrace), "the planted uxtheme.dll was loaded");
    EXPECT_FALSE(folder.Has(kUsedTrace)) << "the program used the planted uxtheme.dll";
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
