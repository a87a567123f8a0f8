#ifndef CORVELLE_TESTS_GTEST_CUSTOM_PORT_H
#define CORVELLE_TESTS_GTEST_CUSTOM_PORT_H
// GoogleTest's own hook for platform adjustments, found before its empty default by the Windows
// builds. Their C++ runtime (the win32 thread model, the one the programs ship with) has no
// std::mutex or std::condition_variable, which GoogleTest's Notification is made of; this one is a
// Win32 event. Its other locks are Win32 critical sections already.

#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
public:
    Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    ~Notification() { CloseHandle(event_); }

    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

}  // namespace testing::internal

#endif
