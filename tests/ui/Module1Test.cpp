#include "ui/Module1.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <limits>
#include <string>
#include <string_view>

#include "ui/PerformanceClock.h"
#include "ui/TestWindow.h"

namespace corvelle::ui {
namespace {

using testing::DiscardMessages;
using testing::TestWindow;
using Clock = PerformanceClock;

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kNestedPause = WM_APP + 2;
constexpr UINT_PTR kTimer = 1;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU time (user + kernel) this thread has used, in seconds.
double ThreadCpuSeconds() {
    FILETIME created{}, exited{}, kernel{}, user{};
    EXPECT_TRUE(GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user));
    const auto toSeconds = [](const FILETIME& time) {
        const ULONGLONG ticks = (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
        return static_cast<double>(ticks) / 1e7;  // 100 ns units
    };
    return toSeconds(kernel) + toSeconds(user);
}

// A hidden window that counts what reaches it.
class Receiver {
public:
    Receiver()
        : window_([this](HWND window, UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
              switch (message) {
              case kPing:
                  ++pings;
                  lastPingAt = Clock::now();
                  result = 0;
                  return true;
              case kNestedPause:
                  // A second command starting inside the first one's pause, pausing in turn.
                  nestedResult = Pause(0.1);
                  ++nestedPauses;
                  return true;
              case WM_TIMER:
                  ++timerTicks;
                  if (quitOnTick != 0 && timerTicks == quitOnTick) {
                      PostQuitMessage(static_cast<int>(wParam) + 40);  // 41 for kTimer
                  }
                  return true;
              default:
                  (void)window;
                  return false;
              }
          }) {}
    ~Receiver() { DiscardMessages(); }

    HWND hwnd() const { return window_.hwnd(); }

    int pings = 0;
    int timerTicks = 0;
    int quitOnTick = 0;
    int nestedPauses = 0;
    bool nestedResult = false;
    Clock::time_point lastPingAt{};

private:
    TestWindow window_;
};

TEST(Pause, LastsAtLeastTheRequestedTimeAndNotMuchMore) {
    for (const double seconds : {0.05, 0.2, 0.75}) {
        const Clock::time_point start = Clock::now();
        EXPECT_TRUE(Pause(seconds));
        const double elapsed = SecondsSince(start);
        EXPECT_GE(elapsed, seconds) << "requested " << seconds;
        EXPECT_LT(elapsed, seconds + 0.3) << "requested " << seconds;
    }
}

TEST(Pause, ZeroNegativeOrNanReturnsAtOnceWithoutDispatching) {
    Receiver receiver;
    ASSERT_NE(receiver.hwnd(), nullptr);
    for (const double seconds : {0.0, -0.0, -0.75, -1e9, std::numeric_limits<double>::quiet_NaN(),
                                 -std::numeric_limits<double>::infinity()}) {
        ASSERT_TRUE(PostMessageW(receiver.hwnd(), kPing, 0, 0));
        const Clock::time_point start = Clock::now();
        EXPECT_TRUE(Pause(seconds)) << seconds;
        EXPECT_LT(SecondsSince(start), 0.01) << seconds;
        EXPECT_EQ(receiver.pings, 0) << seconds;
        DiscardMessages();
    }
}

TEST(Pause, DispatchesPostedSentAndTimerMessagesMeanwhile) {
    Receiver receiver;
    ASSERT_NE(receiver.hwnd(), nullptr);
    ASSERT_TRUE(PostMessageW(receiver.hwnd(), kPing, 0, 0));
    ASSERT_NE(SetTimer(receiver.hwnd(), kTimer, 30, nullptr), 0u);

    // From another thread, halfway through: one message sent (it blocks until our thread handles
    // it) and one posted; the wait must wake for each rather than sleep through.
    struct Other {
        HWND target;
        Clock::time_point postedAt{};
        LRESULT sentResult = -1;
        static DWORD WINAPI Run(void* data) {
            auto* self = static_cast<Other*>(data);
            Sleep(150);
            self->sentResult = SendMessageW(self->target, kPing, 0, 0);
            self->postedAt = Clock::now();
            PostMessageW(self->target, kPing, 0, 0);
            return 0;
        }
    } other{receiver.hwnd()};
    const HANDLE thread = CreateThread(nullptr, 0, Other::Run, &other, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    const bool finished = Pause(0.4);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    const Clock::time_point postedAt = other.postedAt;
    const LRESULT sentResult = other.sentResult;
    KillTimer(receiver.hwnd(), kTimer);

    EXPECT_TRUE(finished);
    EXPECT_EQ(receiver.pings, 3);
    EXPECT_EQ(sentResult, 0);
    EXPECT_LT(std::chrono::duration<double>(receiver.lastPingAt - postedAt).count(), 0.05)
        << "a message posted during the pause waited for the pause to end";
    // 30 ms ticks over 0.4 s; a generous floor, as the timer's resolution varies.
    EXPECT_GE(receiver.timerTicks, 5);
}

TEST(Pause, AnotherCommandCanPauseInsideAPause) {
    Receiver receiver;
    ASSERT_NE(receiver.hwnd(), nullptr);
    ASSERT_TRUE(PostMessageW(receiver.hwnd(), kNestedPause, 0, 0));
    const Clock::time_point start = Clock::now();
    EXPECT_TRUE(Pause(0.2));
    EXPECT_GE(SecondsSince(start), 0.2);
    EXPECT_EQ(receiver.nestedPauses, 1);
    EXPECT_TRUE(receiver.nestedResult);
}

TEST(Pause, UsesLittleCpu) {
    // First show that the measure sees a busy loop at all, so that a low figure below means
    // something: the pause must sleep on the message queue, not poll.
    // (Spinning until the measure shows 0.1 s, as on a loaded machine the wall time says little.)
    const double spinBefore = ThreadCpuSeconds();
    const Clock::time_point spinStart = Clock::now();
    double spin = 0.0;
    while (spin < 0.1 && SecondsSince(spinStart) < 5.0) {
        spin = ThreadCpuSeconds() - spinBefore;
    }
    ASSERT_GE(spin, 0.1) << "GetThreadTimes does not see this thread's CPU time";

    const double cpuBefore = ThreadCpuSeconds();
    const Clock::time_point start = Clock::now();
    EXPECT_TRUE(Pause(0.75));
    const double wall = SecondsSince(start);
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    ::testing::Test::RecordProperty("pause_wall_ms", std::to_string(static_cast<int>(wall * 1000)));
    ::testing::Test::RecordProperty("pause_cpu_ms", std::to_string(static_cast<int>(cpu * 1000)));
    std::cout << "Pause(0.75): wall " << wall * 1000 << " ms, CPU of this thread " << cpu * 1000
              << " ms (a busy loop of 100 ms CPU measured " << spin * 1000 << " ms)\n";
    EXPECT_GE(wall, 0.75);
    EXPECT_LT(cpu, 0.05 * wall);
}

TEST(Pause, QuitPostedBeforeThePauseEndsItAndIsKept) {
    Receiver receiver;
    ASSERT_NE(receiver.hwnd(), nullptr);
    ASSERT_TRUE(PostMessageW(receiver.hwnd(), kPing, 0, 0));
    PostQuitMessage(7);

    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(Pause(5.0));
    EXPECT_LT(SecondsSince(start), 0.5);
    EXPECT_EQ(receiver.pings, 1) << "messages ahead of the quit are still dispatched";

    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "the quit message was swallowed by the pause";
    EXPECT_EQ(message.wParam, 7u);
}

TEST(Pause, QuitPostedDuringThePauseEndsItAndIsKept) {
    Receiver receiver;
    ASSERT_NE(receiver.hwnd(), nullptr);
    receiver.quitOnTick = 2;
    ASSERT_NE(SetTimer(receiver.hwnd(), kTimer, 20, nullptr), 0u);

    const Clock::time_point start = Clock::now();
    const bool finished = Pause(5.0);
    const double elapsed = SecondsSince(start);
    KillTimer(receiver.hwnd(), kTimer);

    EXPECT_FALSE(finished);
    EXPECT_LT(elapsed, 1.0);
    EXPECT_EQ(receiver.timerTicks, 2) << "nothing after the quit is dispatched";
    // The message loop after the pause finds the quit with its exit code. (PeekMessage rather
    // than GetMessage, which would wait for ever if the quit had been lost.)
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "the quit message was swallowed by the pause";
    EXPECT_EQ(message.wParam, 41u);
}

TEST(StayOnTop, MakesTheWindowTopmostKeepingPositionAndSize) {
    TestWindow window(nullptr, RECT{130, 140, 430, 340});
    ASSERT_NE(window.hwnd(), nullptr);
    ShowWindow(window.hwnd(), SW_SHOWNOACTIVATE);
    RECT before{};
    ASSERT_TRUE(GetWindowRect(window.hwnd(), &before));
    ASSERT_EQ(GetWindowLongPtrW(window.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    StayOnTop(window.hwnd());

    EXPECT_NE(GetWindowLongPtrW(window.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    RECT after{};
    ASSERT_TRUE(GetWindowRect(window.hwnd(), &after));
    EXPECT_TRUE(EqualRect(&before, &after))
        << "(" << before.left << "," << before.top << ")-(" << before.right << "," << before.bottom
        << ") became (" << after.left << "," << after.top << ")-(" << after.right << ","
        << after.bottom << ")";
    DiscardMessages();
}

TEST(OpenUrl, ToolbarPageIsTheFixedPathAndQueryOnTheConfiguredHttpsSite) {
    const std::string_view url = kToolbarPageUrl;
    const std::string_view site = CORVELLE_SITE;
    constexpr std::string_view scheme = "https://";
    ASSERT_EQ(site.substr(0, scheme.size()), scheme);
    EXPECT_GT(site.size(), scheme.size()) << "no host";
    EXPECT_EQ(site.find('/', scheme.size()), std::string_view::npos) << "the site has a path";
    ASSERT_EQ(url.substr(0, site.size()), site);
    EXPECT_EQ(url.substr(site.size()), "/www/index.php?name=toolbar");
}

}  // namespace
}  // namespace corvelle::ui
