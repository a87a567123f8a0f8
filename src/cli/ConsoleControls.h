#pragma once
// The control set of the command line: the commands' status lines go to the console as they are
// added (progress lines only when asked for), and a pause returns at once. The result line that
// tells a failure goes to standard error as an error line and is remembered, so that the exit
// code can tell it.
// Buttons, topmost state and clearing the list mean nothing on a console. Text1 and Text2 hold the
// texts the state is judged by, as in the window.

#include <string>

#include "cli/CliHost.h"
#include "settings/ControlSet.h"

namespace corvelle::cli {

// A command's result lines, from the messenger vocabulary; done may be null (the check box shows
// no line when it succeeds).
struct ResultLines {
    const char* done;
    const char* failed;
};

class ConsoleControls final : public settings::ControlSet {
public:
    ConsoleControls(CliHost& host, ResultLines result, bool verbose)
        : host_(host), result_(result), verbose_(verbose) {}

    // The command showed its failure line.
    bool Failed() const noexcept { return failed_; }

    void ClearList1() override {}
    void AddList1Line(const std::string& line) override;
    void SetRaveButtons1Enabled(bool /*enabled*/) override {}
    void SetRaveButtons2Enabled(bool /*enabled*/) override {}
    // The texts are held as the window's text boxes hold them: up to the first zero character.
    void SetText1(const std::string& text) override { text1_ = text.substr(0, text.find('\0')); }
    std::string Text1() const override { return text1_; }
    void SetText2(const std::string& text) override { text2_ = text.substr(0, text.find('\0')); }
    std::string Text2() const override { return text2_; }
    int Check1() const override { return check1_; }
    void SetCheck1(int state) override { check1_ = state; }
    void StayOnTop() override {}
    // Nothing to wait for: the progress lines are printed one after the other.
    [[nodiscard]] bool Pause(double /*seconds*/) override { return true; }

private:
    CliHost& host_;
    ResultLines result_;
    bool verbose_;
    bool failed_ = false;
    std::string text1_;
    std::string text2_;
    int check1_ = settings::kUnchecked;
};

}  // namespace corvelle::cli
