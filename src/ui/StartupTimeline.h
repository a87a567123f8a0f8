#pragma once
// The moments of the program's start-up, for the benchmark's account of where the time goes. The
// benchmark starts the program with CORVELLE_STARTUP_CLOCK set to the performance counter it read
// just before creating the process; the program then records each moment on the same counter and,
// once its window is shown and painted, writes the milliseconds from that reading to each moment on
// its standard output. Without the variable nothing is recorded or written.

#include <windows.h>

#include <array>
#include <cstddef>

namespace corvelle::ui {

enum class StartupMoment : std::size_t {
    kWinMain,         // the C and C++ run time started, the program's own code begins
    kWindowCreated,   // the main window exists, without its controls
    kBannerDecoded,   // the banner's first frame is a bitmap
    kControlsCreated, // the controls, their fonts, the window's size and place
    kStateRead,       // the start-up state read from the registry and shown
    kMadeTopmost,     // the window made topmost, which also activates it and gives it the focus
    kPainted,         // the window shown and painted
    kCount
};

inline constexpr const char* kStartupClockVariable = "CORVELLE_STARTUP_CLOCK";

class StartupTimeline {
public:
    // Active when the benchmark's variable is set.
    static StartupTimeline FromEnvironment();

    void Mark(StartupMoment moment) noexcept;
    // "startup_moments_ms=" and the milliseconds to each moment in order, comma-separated, as one
    // line on the standard output; nothing when inactive.
    void Report() const;

private:
    bool active_ = false;
    LONGLONG origin_ = 0;
    std::array<LONGLONG, static_cast<std::size_t>(StartupMoment::kCount)> counts_{};
};

// Marks the moment on a timeline, if there is one.
inline void MarkStartup(StartupTimeline* timeline, StartupMoment moment) noexcept {
    if (timeline != nullptr) {
        timeline->Mark(moment);
    }
}

}  // namespace corvelle::ui
