#pragma once
// The program's message loop. Messages for the form pass through IsDialogMessage first, which
// gives the window the dialog keys: Tab and Shift+Tab between controls, Space on the focused
// control, and Enter for the default button.

#include <windows.h>

namespace corvelle::ui {

class Form1;

// Handles one retrieved message as the loop does.
void DispatchLoopMessage(HWND form, MSG& message);

// Runs until WM_QUIT and returns its exit code (1 if retrieving messages fails).
int RunMessageLoop(const Form1& form);

}  // namespace corvelle::ui
