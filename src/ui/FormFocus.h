#pragma once
// Form1's keyboard rules, in one place. As the README puts them:
//   - Enter presses the button that has the focus, however it got there, and that button is drawn
//     as the default; with the focus anywhere else, Enter presses Enable Corvelle while it is
//     enabled.
//   - While Enable or Disable shows its progress, the buttons and the check box ignore presses.
// Enter goes through the dialog manager (IsDialogMessage in the message loop): it asks the focused
// push button whether it is the default (WM_GETDLGCODE), or else the window (DM_GETDEFID), and
// presses that button only while it is enabled. This unit keeps the button marked as the default
// in step with the focus: the focused command button, else Enable while it is enabled, else none;
// it settles once each focus change is complete, and not while the window is inactive, which keeps
// the look it had. It keeps the focus where Enter means something: never on a disabled control or
// on the window itself (then it goes to the first tab stop), and back on the control that had it
// when the user returns to the window. Enter's press is a click like any other, so Form1 ignores
// it during a sequence as it does the rest (Form1::OnCommand).
//
// Form1 owns one, hands it the window, the command buttons (Enable first) and the controls in tab
// order once they exist, and routes every message through HandleMessage first.

#include <windows.h>

#include <optional>
#include <span>
#include <vector>

#include "ui/CommandButton.h"

namespace corvelle::ui {

class FormFocus {
public:
    // form: the window. buttons: its command buttons, first the one Enter presses when the focus is
    // on no button; they must stay where they are. tabOrder: the window's controls in tab order
    // (null ones are skipped). The first button is the default until the focus settles it.
    void Attach(HWND form, std::span<CommandButton> buttons, std::vector<HWND> tabOrder);
    // The window is being destroyed: every handle is forgotten.
    void Detach() noexcept;

    // Answers DM_GETDEFID, WM_ACTIVATE, WM_SETFOCUS and the unit's own settling message, and takes
    // the controls' focus notifications (BN_SETFOCUS and the like) out of WM_COMMAND; nullopt for
    // every other message, and for all of them before Attach.
    std::optional<LRESULT> HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Marks the default button for the focus as it is now (before the first painting).
    void SettleDefaultButton();
    // Settles the default button once the messages already queued are handled (after the first
    // button is enabled or disabled, or the focus moves).
    void SettleLater() const;
    // Moves the focus to the first tab stop when it is on a disabled control or the window itself
    // (after a press: a button can disable itself).
    void KeepFocusOnEnabledControl();

private:
    void OnActivate(bool active);
    HWND FirstTabStop() const;

    HWND form_ = nullptr;
    std::span<CommandButton> buttons_;
    std::vector<HWND> tabOrder_;
    int defaultId_ = 0;
    HWND focusWhenDeactivated_ = nullptr;
};

}  // namespace corvelle::ui
