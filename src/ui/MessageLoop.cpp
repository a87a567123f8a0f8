#include "ui/MessageLoop.h"

#include "ui/Form1.h"

namespace corvelle::ui {

void DispatchLoopMessage(HWND form, MSG& message) {
    if (form != nullptr && IsDialogMessageW(form, &message)) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

int RunMessageLoop(const Form1& form) {
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            return static_cast<int>(message.wParam);
        }
        if (got == -1) {
            return 1;
        }
        // Looked up each time: the window is gone once it has been closed.
        DispatchLoopMessage(form.hwnd(), message);
    }
}

}  // namespace corvelle::ui
