#pragma once
// What the messenger commands need of the main window: the status list, the enabled states of the
// two multi-instance buttons, the two hidden text boxes, the hidden check box, and the window's
// services (keeping it topmost, pausing while it stays responsive). The window implements it; tests
// use a recording fake. Nothing here runs a command by itself.

#include <string>

namespace corvelle::settings {

// Check box states.
inline constexpr int kUnchecked = 0;
inline constexpr int kChecked = 1;
inline constexpr int kGreyed = 2;

class ControlSet {
public:
    ControlSet() = default;
    ControlSet(const ControlSet&) = delete;
    ControlSet& operator=(const ControlSet&) = delete;
    virtual ~ControlSet() = default;

    // List1, the status list.
    virtual void ClearList1() = 0;
    virtual void AddList1Line(const std::string& line) = 0;

    // RaveButtons1 (enable multi-instance) and RaveButtons2 (disable it).
    virtual void SetRaveButtons1Enabled(bool enabled) = 0;
    virtual void SetRaveButtons2Enabled(bool enabled) = 0;

    // Text1 and Text2, the hidden text boxes holding the values read at start-up.
    virtual void SetText1(const std::string& text) = 0;
    virtual std::string Text1() const = 0;
    virtual void SetText2(const std::string& text) = 0;
    virtual std::string Text2() const = 0;

    // Check1, the hidden check box: kUnchecked, kChecked or kGreyed. Setting the state only changes
    // the box; the caller decides whether the check box command runs (see ChangeCheck1).
    virtual int Check1() const = 0;
    virtual void SetCheck1(int state) = 0;

    // Keeps the window above all non-topmost windows.
    virtual void StayOnTop() = 0;

    // Waits the given seconds while the window goes on processing its events. Returns false when
    // the window was closed meanwhile: the caller then stops at once and touches no control again.
    [[nodiscard]] virtual bool Pause(double seconds) = 0;
};

}  // namespace corvelle::settings
