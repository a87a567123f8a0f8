// Measurements for the benchmark, run under Wine (or on Windows) by bench/bench.sh:
//   corvelle_bench startup RUNS EXE...  start each EXE in turn, RUNS rounds; per program the median
//                                     milliseconds from process start to its window shown and
//                                     painted, and its peak working set
//   corvelle_bench phases RUNS EXE      start EXE (corvelle.exe) RUNS times with its start-up
//                                     timeline on; the median milliseconds of each phase
//   corvelle_bench dlls EXE...          the DLLs each EXE has loaded once its window is painted
//   corvelle_bench wait               wait until the running program's window is up and idle
//   corvelle_bench enable             press "Enable Corvelle" in the running program, wait for the end
//   corvelle_bench soak COMMANDS      host the main window in this process and run COMMANDS commands
//                                     (Remove Ads, Reinstate Ads, check box on, off, ...), counting
//                                     GDI objects, USER objects and kernel handles after one round
//                                     of them and after the whole soak
// Results are printed as key=value lines for the script to read.

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "registry/RegistryMod.h"
#include "registry/Win32Registry.h"
#include "ui/Form1.h"
#include "ui/FormLayout.h"
#include "ui/MessageLoop.h"
#include "ui/PerformanceClock.h"
#include "ui/StartupTimeline.h"

namespace {

using Clock = corvelle::ui::PerformanceClock;

constexpr const wchar_t* kTitle = L" Corvelle + Ad Killer";

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct FindWindowOf {
    DWORD processId;
    HWND found = nullptr;
};

BOOL CALLBACK FindVisibleWindowOf(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<FindWindowOf*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) && GetWindow(window, GW_OWNER) == nullptr) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK NoteUnpaintedChild(HWND child, LPARAM context) {
    if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(context) = true;
        return FALSE;
    }
    return TRUE;
}

// Shown and painted: visible, with no update region left on it or on any visible child.
bool IsPainted(HWND window) {
    if (!IsWindowVisible(window) || GetUpdateRect(window, nullptr, FALSE)) {
        return false;
    }
    bool unpainted = false;
    EnumChildWindows(window, NoteUnpaintedChild, reinterpret_cast<LPARAM>(&unpainted));
    return !unpainted;
}

// A program started for one measurement, closed again (or ended) when this goes. With a timeline,
// the program is given the counter reading of its start in its environment and its standard output
// comes back through a pipe.
class StartedProgram {
public:
    StartedProgram(const std::wstring& exe, bool withTimeline) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        HANDLE childOutput = nullptr;
        if (withTimeline) {
            SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
            if (!CreatePipe(&output_, &childOutput, &inherited, 0)) {
                return;
            }
            SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdOutput = childOutput;
        }
        std::wstring commandLine = L"\"" + exe + L"\"";
        QueryPerformanceCounter(&startCount_);
        if (withTimeline) {
            SetEnvironmentVariableA(corvelle::ui::kStartupClockVariable,
                                    std::to_string(startCount_.QuadPart).c_str());
        }
        start_ = Clock::now();
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, withTimeline, 0,
                            nullptr, nullptr, &startup, &process_)) {
            std::fprintf(stderr, "cannot start the program (error %lu)\n", GetLastError());
            process_ = PROCESS_INFORMATION{};
        }
        if (withTimeline) {
            SetEnvironmentVariableA(corvelle::ui::kStartupClockVariable, nullptr);
            CloseHandle(childOutput);
        }
    }
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;
    ~StartedProgram() {
        if (window_ != nullptr) {
            PostMessageW(window_, WM_CLOSE, 0, 0);
        }
        if (process_.hProcess != nullptr) {
            if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) {
                TerminateProcess(process_.hProcess, 1);
            }
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
        if (output_ != nullptr) {
            CloseHandle(output_);
        }
    }

    bool started() const { return process_.hProcess != nullptr; }

    // The milliseconds from just before the process was created until its window was seen shown
    // and painted; negative when that did not happen within 30 s.
    double WaitUntilPainted() {
        WaitForInputIdle(process_.hProcess, 30000);
        FindWindowOf search{process_.dwProcessId};
        double elapsed = 0;
        while ((elapsed = MillisecondsSince(start_)) < 30000) {
            search.found = nullptr;
            EnumWindows(FindVisibleWindowOf, reinterpret_cast<LPARAM>(&search));
            if (search.found != nullptr && IsPainted(search.found)) {
                break;
            }
            Sleep(1);
        }
        window_ = search.found;
        return window_ != nullptr ? elapsed : -1;
    }

    double PeakWorkingSetKib() const {
        PROCESS_MEMORY_COUNTERS memory{};
        memory.cb = sizeof memory;
        GetProcessMemoryInfo(process_.hProcess, &memory, sizeof memory);
        return static_cast<double>(memory.PeakWorkingSetSize) / 1024.0;
    }

    // The DLLs the process has loaded, by file name in lower case, sorted.
    std::vector<std::string> Dlls() const {
        std::vector<HMODULE> modules(512);
        DWORD bytes = 0;
        if (!EnumProcessModules(process_.hProcess, modules.data(),
                                static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &bytes)) {
            return {};
        }
        modules.resize(std::min<std::size_t>(modules.size(), bytes / sizeof(HMODULE)));
        std::vector<std::string> names;
        for (HMODULE module : modules) {
            char name[MAX_PATH] = {};
            if (GetModuleBaseNameA(process_.hProcess, module, name, MAX_PATH) == 0) {
                continue;
            }
            std::string lower(name);
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".dll") == 0) {
                names.push_back(lower);
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // One line of the program's standard output, without its end; empty when none comes within
    // the time given.
    std::string ReadLine(double timeoutMs) const {
        std::string line;
        const Clock::time_point start = Clock::now();
        while (MillisecondsSince(start) < timeoutMs) {
            DWORD available = 0;
            if (!PeekNamedPipe(output_, nullptr, 0, nullptr, &available, nullptr)) {
                break;
            }
            if (available == 0) {
                Sleep(1);
                continue;
            }
            char c = 0;
            DWORD read = 0;
            if (!ReadFile(output_, &c, 1, &read, nullptr) || read == 0) {
                break;
            }
            if (c == '\n') {
                return line;
            }
            if (c != '\r') {
                line.push_back(c);
            }
        }
        return {};
    }

private:
    PROCESS_INFORMATION process_{};
    HANDLE output_ = nullptr;
    LARGE_INTEGER startCount_{};
    Clock::time_point start_;
    HWND window_ = nullptr;
};

// Starts the program once: the milliseconds until its window is shown and painted, and its peak
// working set then. Closes it again.
bool StartOnce(const std::wstring& exe, double& elapsed, double& peakKib) {
    StartedProgram program(exe, false);
    if (!program.started()) {
        return false;
    }
    elapsed = program.WaitUntilPainted();
    peakKib = program.PeakWorkingSetKib();
    return elapsed >= 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The programs are started in turn, run after run, so that whatever the machine is doing meanwhile
// falls on all of them alike. The first round pays for loading DLLs from disk and is left out.
int Startup(int runs, const std::vector<std::wstring>& exes) {
    std::vector<std::vector<double>> times(exes.size());
    std::vector<std::vector<double>> peaks(exes.size());
    for (int run = 0; run <= runs; ++run) {
        for (std::size_t i = 0; i < exes.size(); ++i) {
            double elapsed = 0;
            double peakKib = 0;
            if (!StartOnce(exes[i], elapsed, peakKib)) {
                return 1;
            }
            std::printf("run=%d program=%zu ms=%.1f peak_ws_kib=%.0f\n", run, i, elapsed, peakKib);
            if (run > 0) {
                times[i].push_back(elapsed);
                peaks[i].push_back(peakKib);
            }
        }
    }
    for (std::size_t i = 0; i < exes.size(); ++i) {
        std::printf("median_ms_%zu=%.1f\nmedian_peak_ws_kib_%zu=%.0f\n", i, Median(times[i]), i,
                    Median(peaks[i]));
    }
    return 0;
}

// Where the program's start-up time goes: RUNS starts (after one left out) with the timeline on;
// per phase the median milliseconds.
int Phases(int runs, const std::wstring& exe) {
    using corvelle::ui::StartupMoment;
    constexpr std::size_t kMoments = static_cast<std::size_t>(StartupMoment::kCount);
    // Each phase runs from the moment before it to its own; the last one is the benchmark's.
    const char* const kPhases[kMoments + 1] = {
        "process start to WinMain", "main window",   "banner",       "controls",
        "registry reads",           "made topmost and active", "first paint",
        "until seen painted"};
    std::vector<std::vector<double>> phases(kMoments + 1);
    for (int run = 0; run <= runs; ++run) {
        StartedProgram program(exe, true);
        const double painted = program.started() ? program.WaitUntilPainted() : -1;
        const std::string line = program.ReadLine(5000);
        const std::string prefix = "startup_moments_ms=";
        if (painted < 0 || line.rfind(prefix, 0) != 0) {
            std::fprintf(stderr, "no start-up moments from the program\n");
            return 1;
        }
        std::vector<double> moments;
        const char* next = line.c_str() + prefix.size();
        for (;;) {
            char* end = nullptr;
            const double moment = std::strtod(next, &end);
            if (end == next) {
                break;
            }
            moments.push_back(moment);
            next = *end == ',' ? end + 1 : end;
        }
        if (moments.size() != kMoments) {
            std::fprintf(stderr, "unexpected start-up moments: %s\n", line.c_str());
            return 1;
        }
        moments.push_back(painted);
        std::printf("run=%d moments_ms=%s,%.2f\n", run, line.c_str() + prefix.size(), painted);
        if (run > 0) {
            for (std::size_t i = 0; i < moments.size(); ++i) {
                phases[i].push_back(moments[i] - (i == 0 ? 0.0 : moments[i - 1]));
            }
        }
    }
    for (std::size_t i = 0; i < phases.size(); ++i) {
        std::printf("phase_%zu=%.1f %s\n", i, Median(phases[i]), kPhases[i]);
    }
    return 0;
}

// The DLLs each program has loaded once its window is shown and painted.
int Dlls(const std::vector<std::wstring>& exes) {
    for (std::size_t i = 0; i < exes.size(); ++i) {
        StartedProgram program(exes[i], false);
        if (!program.started() || program.WaitUntilPainted() < 0) {
            return 1;
        }
        std::string list;
        for (const std::string& name : program.Dlls()) {
            list += (list.empty() ? "" : " ") + name;
        }
        std::printf("dlls_%zu=%s\n", i, list.c_str());
    }
    return 0;
}

HWND WaitForMainWindow() {
    const Clock::time_point start = Clock::now();
    while (MillisecondsSince(start) < 60000) {
        HWND window = FindWindowW(nullptr, kTitle);
        if (window != nullptr && IsPainted(window)) {
            return window;
        }
        Sleep(10);
    }
    return nullptr;
}

HWND FindButton(HWND window, const wchar_t* caption) {
    return FindWindowExW(window, nullptr, L"Button", caption);
}

int Enable() {
    HWND window = WaitForMainWindow();
    HWND button = window != nullptr ? FindButton(window, L"Enable Corvelle") : nullptr;
    if (button == nullptr || !IsWindowEnabled(button)) {
        std::fprintf(stderr, "no enabled \"Enable Corvelle\" button\n");
        return 1;
    }
    const Clock::time_point start = Clock::now();
    PostMessageW(button, BM_CLICK, 0, 0);
    // The sequence ends by disabling the button it was started from.
    while (IsWindowEnabled(button)) {
        if (MillisecondsSince(start) > 20000) {
            std::fprintf(stderr, "the sequence did not end\n");
            return 1;
        }
        Sleep(5);
    }
    std::printf("enable_ms=%.0f\n", MillisecondsSince(start));
    return 0;
}

// Counting a process's own objects. GetGuiResources and GetProcessHandleCount answer on Windows;
// Wine 8 answers 0 for both, so then the handle values are probed one by one instead.
DWORD CountGdiObjects() {
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count == 0) {
        for (std::uintptr_t index = 1; index < 0x10000; ++index) {
            // Wine accepts a GDI handle's table index alone, whatever its generation.
            count += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0 ? 1 : 0;
        }
    }
    return count;
}

BOOL CALLBACK CountChildWindow(HWND, LPARAM context) {
    ++*reinterpret_cast<DWORD*>(context);
    return TRUE;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM context) {
    ++*reinterpret_cast<DWORD*>(context);
    EnumChildWindows(window, CountChildWindow, context);
    return TRUE;
}

DWORD CountUserObjects() {
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (count == 0) {
        EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    }
    return count;
}

DWORD CountKernelHandles() {
    DWORD count = 0;
    if (!GetProcessHandleCount(GetCurrentProcess(), &count) || count == 0) {
        count = 0;
        for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
            DWORD flags = 0;
            count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
        }
    }
    return count;
}

void DrainMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void PrintCounts(const char* when) {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("%s_gdi=%lu\n%s_user=%lu\n%s_handles=%lu\n%s_peak_ws_kib=%llu\n", when,
                CountGdiObjects(), when, CountUserObjects(), when, CountKernelHandles(), when,
                static_cast<unsigned long long>(memory.PeakWorkingSetSize / 1024));
}

int Soak(int commands) {
    using corvelle::ui::layout::ControlId;
    corvelle::registry::Win32Registry api;
    const corvelle::registry::RegistryMod registry(api);
    corvelle::ui::Form1 form(registry);
    if (!form.Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL)) {
        std::fprintf(stderr, "cannot create the window\n");
        return 1;
    }
    DrainMessages();
    const HWND targets[] = {form.Control(ControlId::kIdRaveButtons3),
                            form.Control(ControlId::kIdRaveButtons4),
                            form.Control(ControlId::kIdCheck1), form.Control(ControlId::kIdCheck1)};
    // One round first: what the system sets up once, the first time a command runs, is not growth
    // (under Wine 8 the first Remove Ads adds two kernel handles that stay at two).
    for (HWND target : targets) {
        SendMessageW(target, BM_CLICK, 0, 0);
        DrainMessages();
    }
    PrintCounts("before");
    const Clock::time_point start = Clock::now();
    for (int command = 0; command < commands; ++command) {
        // BM_CLICK presses the button or toggles the check box and notifies the window, as a
        // click does.
        SendMessageW(targets[command % 4], BM_CLICK, 0, 0);
        DrainMessages();
    }
    std::printf("soak_commands=%d\nsoak_ms=%.0f\n", commands, MillisecondsSince(start));
    PrintCounts("after");
    DestroyWindow(form.hwnd());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"startup" && argc >= 4) {
        return Startup(std::max(1, _wtoi(argv[2])), std::vector<std::wstring>(argv + 3, argv + argc));
    }
    if (mode == L"phases" && argc == 4) {
        return Phases(std::max(1, _wtoi(argv[2])), argv[3]);
    }
    if (mode == L"dlls" && argc >= 3) {
        return Dlls(std::vector<std::wstring>(argv + 2, argv + argc));
    }
    if (mode == L"wait" && argc == 2) {
        return WaitForMainWindow() != nullptr ? 0 : 1;
    }
    if (mode == L"enable" && argc == 2) {
        return Enable();
    }
    if (mode == L"soak" && argc == 3) {
        return Soak(_wtoi(argv[2]));
    }
    std::fprintf(stderr, "usage: corvelle_bench startup RUNS EXE... | phases RUNS EXE | dlls EXE... | wait | "
                         "enable | soak COMMANDS\n");
    return 2;
}
