#pragma once
// A control set that records every call in order and keeps the state a window would show. Its
// pause does not wait: it counts, can run a callback inside (as a press during a real pause runs
// another command), and can report the window closed at a chosen pause.

#include <functional>
#include <string>
#include <vector>

#include "settings/ControlSet.h"

namespace corvelle::settings::testing {

class FakeControlSet final : public ControlSet {
public:
    // State as the window has it when created: everything empty, both buttons enabled, the box
    // unchecked.
    std::vector<std::string> list;
    bool button1Enabled = true;
    bool button2Enabled = true;
    std::string text1;
    std::string text2;
    int check1 = kUnchecked;
    int stayOnTopCount = 0;
    int pauseCount = 0;

    // The pause with this number (counting from 1) reports the window closed; 0 never does.
    int closeAtPause = 0;
    // Runs inside every pause, before it returns.
    std::function<void()> duringPause;
    // What a text box keeps of a text set into it; by default all of it.
    std::function<std::string(const std::string&)> textBoxKeeps;

    // Every call, e.g. "AddList1Line(Done!)", "Pause(0.75)", "SetRaveButtons1Enabled(false)";
    // reads are recorded as "Text1()", "Text2()", "Check1()".
    mutable std::vector<std::string> calls;

    // The calls less the reads: what the command did to the window.
    std::vector<std::string> Actions() const {
        std::vector<std::string> actions;
        for (const std::string& call : calls) {
            if (call != "Text1()" && call != "Text2()" && call != "Check1()") {
                actions.push_back(call);
            }
        }
        return actions;
    }

    void ClearList1() override {
        calls.push_back("ClearList1");
        list.clear();
    }
    void AddList1Line(const std::string& line) override {
        calls.push_back("AddList1Line(" + line + ")");
        list.push_back(line);
    }
    void SetRaveButtons1Enabled(bool enabled) override {
        calls.push_back(std::string("SetRaveButtons1Enabled(") + BoolText(enabled) + ")");
        button1Enabled = enabled;
    }
    void SetRaveButtons2Enabled(bool enabled) override {
        calls.push_back(std::string("SetRaveButtons2Enabled(") + BoolText(enabled) + ")");
        button2Enabled = enabled;
    }
    void SetText1(const std::string& text) override {
        calls.push_back("SetText1(" + text + ")");
        text1 = textBoxKeeps ? textBoxKeeps(text) : text;
    }
    std::string Text1() const override {
        calls.push_back("Text1()");
        return text1;
    }
    void SetText2(const std::string& text) override {
        calls.push_back("SetText2(" + text + ")");
        text2 = textBoxKeeps ? textBoxKeeps(text) : text;
    }
    std::string Text2() const override {
        calls.push_back("Text2()");
        return text2;
    }
    int Check1() const override {
        calls.push_back("Check1()");
        return check1;
    }
    void SetCheck1(int state) override {
        calls.push_back("SetCheck1(" + std::to_string(state) + ")");
        check1 = state;
    }
    void StayOnTop() override {
        calls.push_back("StayOnTop");
        ++stayOnTopCount;
    }
    bool Pause(double seconds) override {
        // Seconds are recorded to two places, enough to tell 0.75 from anything else a caller
        // might pass by mistake.
        const int hundredths = static_cast<int>(seconds * 100 + 0.5);
        calls.push_back("Pause(" + std::to_string(hundredths / 100) + "." +
                        (hundredths % 100 < 10 ? "0" : "") + std::to_string(hundredths % 100) +
                        ")");
        ++pauseCount;
        if (duringPause) {
            duringPause();
        }
        return pauseCount != closeAtPause;
    }

private:
    static const char* BoolText(bool value) { return value ? "true" : "false"; }
};

}  // namespace corvelle::settings::testing
