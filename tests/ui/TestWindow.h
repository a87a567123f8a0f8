#pragma once
// A plain top-level window for tests whose messages go to a handler given at construction. The
// handler returns true when it answered the message (its result in the LRESULT); otherwise the
// default window procedure runs. Destroyed with its owner object.

#include <windows.h>

#include <functional>

namespace corvelle::ui::testing {

class TestWindow {
public:
    using Handler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)>;

    explicit TestWindow(Handler handler, RECT bounds = {100, 120, 500, 420},
                        DWORD style = WS_OVERLAPPEDWINDOW, DWORD exStyle = 0)
        : handler_(std::move(handler)) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kClassName;
        RegisterClassExW(&windowClass);  // fails harmlessly when a previous test registered it
        hwnd_ = CreateWindowExW(exStyle, kClassName, L"test", style, bounds.left, bounds.top,
                                bounds.right - bounds.left, bounds.bottom - bounds.top, nullptr,
                                nullptr, GetModuleHandleW(nullptr), this);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    ~TestWindow() {
        if (hwnd_ != nullptr) {
            DestroyWindow(hwnd_);
        }
    }

    HWND hwnd() const noexcept { return hwnd_; }

private:
    static constexpr const wchar_t* kClassName = L"CorvelleUiTestWindow";

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr) {
            if (message == WM_NCDESTROY) {
                self->hwnd_ = nullptr;
            }
            LRESULT result = 0;
            if (self->handler_ && self->handler_(window, message, wParam, lParam, result)) {
                return result;
            }
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    Handler handler_;
    HWND hwnd_ = nullptr;
};

// Removes every message waiting in this thread's queue without dispatching it (including a WM_QUIT
// a test provoked), so that one test cannot leak into the next. WM_PAINT stays in the queue until
// the window is validated, so it is validated instead.
inline void DiscardMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_PAINT) {
            ValidateRect(message.hwnd, nullptr);
        }
    }
}

}  // namespace corvelle::ui::testing
