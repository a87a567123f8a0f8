#include "ui/FormFocus.h"

#include <utility>

namespace corvelle::ui {

namespace {

// Posted to the window to settle which button is the default once a focus change is complete.
constexpr UINT kSettleDefaultButton = WM_APP + 1;

bool IsFocusNotification(int code) {
    return code == BN_SETFOCUS || code == BN_KILLFOCUS || code == EN_SETFOCUS ||
           code == EN_KILLFOCUS;
}

}  // namespace

void FormFocus::Attach(HWND form, std::span<CommandButton> buttons, std::vector<HWND> tabOrder) {
    form_ = form;
    buttons_ = buttons;
    tabOrder_ = std::move(tabOrder);
    focusWhenDeactivated_ = nullptr;
    defaultId_ = 0;
    if (!buttons_.empty()) {
        defaultId_ = GetDlgCtrlID(buttons_.front().hwnd());
        buttons_.front().SetDefault(true);
    }
}

void FormFocus::Detach() noexcept {
    form_ = nullptr;
    buttons_ = {};
    tabOrder_.clear();
    focusWhenDeactivated_ = nullptr;
}

std::optional<LRESULT> FormFocus::HandleMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    if (form_ == nullptr) {
        return std::nullopt;
    }
    switch (message) {
    case DM_GETDEFID:
        // The dialog manager asks this when Enter reaches no push button (the focus is elsewhere);
        // it presses the default only while that is enabled.
        return defaultId_ != 0 ? MAKELRESULT(defaultId_, DC_HASDEFID) : 0;
    case kSettleDefaultButton:
        SettleDefaultButton();
        return 0;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_SETFOCUS:
        KeepFocusOnEnabledControl();
        return 0;
    case WM_COMMAND:
        // The command buttons and the text boxes report the focus coming and going. The default
        // button is settled once the change is complete: the dialog manager restyles push buttons
        // after it has moved the focus with Tab.
        if (IsFocusNotification(HIWORD(wParam))) {
            SettleLater();
            return 0;
        }
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

void FormFocus::SettleDefaultButton() {
    // A command button with the focus is the default; with the focus on any other control the
    // first button is, while it is enabled. While the window is inactive nothing changes: it keeps
    // the look it had when the user switched away, and gets its focus back on return.
    if (form_ == nullptr || GetActiveWindow() != form_) {
        return;
    }
    const HWND focus = GetFocus();
    const CommandButton* chosen = nullptr;
    for (const CommandButton& button : buttons_) {
        if (focus != nullptr && button.hwnd() == focus) {
            chosen = &button;
        }
    }
    if (chosen == nullptr && !buttons_.empty() && buttons_.front().IsEnabled()) {
        chosen = &buttons_.front();
    }
    for (CommandButton& button : buttons_) {
        if (button.IsDefault() != (&button == chosen)) {
            button.SetDefault(&button == chosen);
        }
    }
}

void FormFocus::SettleLater() const {
    if (form_ != nullptr) {
        PostMessageW(form_, kSettleDefaultButton, 0, 0);
    }
}

void FormFocus::KeepFocusOnEnabledControl() {
    // A control that is disabled while it has the focus leaves the keyboard with nowhere to go
    // (the enable button disables itself when pressed with the Space key).
    if (form_ == nullptr || GetActiveWindow() != form_) {
        return;
    }
    const HWND focus = GetFocus();
    if (focus == nullptr || focus == form_ || !IsWindowEnabled(focus)) {
        SetFocus(FirstTabStop());
    }
}

void FormFocus::OnActivate(bool active) {
    // The focus goes back to the control that had it when the user switched away.
    if (!active) {
        const HWND focus = GetFocus();
        focusWhenDeactivated_ = focus != nullptr && IsChild(form_, focus) ? focus : nullptr;
        return;
    }
    if (focusWhenDeactivated_ != nullptr && IsWindow(focusWhenDeactivated_) &&
        IsWindowEnabled(focusWhenDeactivated_)) {
        SetFocus(focusWhenDeactivated_);
    } else {
        SetFocus(FirstTabStop());
    }
}

HWND FormFocus::FirstTabStop() const {
    for (const HWND control : tabOrder_) {
        if (control != nullptr && IsWindowEnabled(control) &&
            (GetWindowLongPtrW(control, GWL_STYLE) & WS_TABSTOP) != 0) {
            return control;
        }
    }
    return form_;
}

}  // namespace corvelle::ui
