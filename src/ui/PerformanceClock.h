#pragma once
// A monotonic clock for std::chrono arithmetic, read from the performance counter, which counts
// steadily on every Windows version from XP on. The C++ runtime's std::chrono::steady_clock follows
// the wall clock in the program's build (the win32 thread model), so changing the system time
// would stretch or cut short anything it times.

#include <windows.h>

#include <chrono>

namespace corvelle::ui {

struct PerformanceClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<PerformanceClock>;
    static constexpr bool is_steady = true;

    static time_point now() noexcept {
        LARGE_INTEGER count{};
        LARGE_INTEGER frequency{};
        QueryPerformanceCounter(&count);
        QueryPerformanceFrequency(&frequency);
        // Whole seconds and the rest apart, so that the conversion cannot overflow.
        constexpr long long kNanoseconds = 1'000'000'000;
        const long long seconds = count.QuadPart / frequency.QuadPart;
        const long long rest = count.QuadPart % frequency.QuadPart;
        return time_point(duration(seconds * kNanoseconds + rest * kNanoseconds / frequency.QuadPart));
    }
};

}  // namespace corvelle::ui
