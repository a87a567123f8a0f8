#include "ui/StartupTimeline.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace corvelle::ui {

StartupTimeline StartupTimeline::FromEnvironment() {
    StartupTimeline timeline;
    char origin[32] = {};
    const DWORD length = GetEnvironmentVariableA(kStartupClockVariable, origin, sizeof origin);
    if (length > 0 && length < sizeof origin) {
        timeline.origin_ = std::strtoll(origin, nullptr, 10);
        timeline.active_ = timeline.origin_ > 0;
    }
    return timeline;
}

void StartupTimeline::Mark(StartupMoment moment) noexcept {
    if (!active_) {
        return;
    }
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    counts_.at(static_cast<std::size_t>(moment)) = now.QuadPart;
}

void StartupTimeline::Report() const {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!active_ || output == nullptr || output == INVALID_HANDLE_VALUE) {
        return;
    }
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    // Seven moments of at most a few dozen characters each fit with room to spare.
    char line[512] = "startup_moments_ms=";
    std::size_t used = std::strlen(line);
    for (std::size_t i = 0; i < counts_.size(); ++i) {
        const double ms = counts_.at(i) == 0 ? -1.0
                                             : static_cast<double>(counts_.at(i) - origin_) * 1000.0 /
                                                   static_cast<double>(frequency.QuadPart);
        const int written =
            std::snprintf(line + used, sizeof line - used, "%s%.2f", i == 0 ? "" : ",", ms);
        if (written < 0 || static_cast<std::size_t>(written) + 1 >= sizeof line - used) {
            return;
        }
        used += static_cast<std::size_t>(written);
    }
    line[used++] = '\n';
    DWORD done = 0;
    WriteFile(output, line, static_cast<DWORD>(used), &done, nullptr);
}

}  // namespace corvelle::ui
