#include "ui/Form1TestSupport.h"

#include <algorithm>
#include <set>

#include "ui/GdiHandles.h"
#include "ui/MessageLoop.h"

namespace corvelle::ui::testing {

namespace {

constexpr const char* kMessengerRoot = "Software\\Yahoo";

std::optional<std::vector<BYTE>> ReadRaw(const char* key, const char* value, DWORD wantedType) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, key, value, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr,
                     &size) != ERROR_SUCCESS ||
        type != wantedType) {
        return std::nullopt;
    }
    std::vector<BYTE> data(size);
    if (RegGetValueA(HKEY_CURRENT_USER, key, value, RRF_RT_ANY | RRF_NOEXPAND, &type, data.data(),
                     &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    data.resize(size);
    return data;
}

void WriteRaw(const char* key, const char* value, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, key, value, type, data, size), ERROR_SUCCESS)
        << key << " " << value;
}

}  // namespace

void DeleteMessengerKeys() {
    const LSTATUS status = RegDeleteTreeA(HKEY_CURRENT_USER, kMessengerRoot);
    ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status;
    RegDeleteKeyA(HKEY_CURRENT_USER, kMessengerRoot);
}

std::optional<std::string> ReadString(const char* key, const char* value) {
    const auto data = ReadRaw(key, value, REG_SZ);
    if (!data) {
        return std::nullopt;
    }
    std::string text(data->begin(), data->end());
    if (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    return text;
}

std::optional<DWORD> ReadDword(const char* key, const char* value) {
    const auto data = ReadRaw(key, value, REG_DWORD);
    if (!data || data->size() != sizeof(DWORD)) {
        return std::nullopt;
    }
    return static_cast<DWORD>((*data)[0] | ((*data)[1] << 8) | ((*data)[2] << 16) |
                              (static_cast<DWORD>((*data)[3]) << 24));
}

void WriteString(const char* key, const char* value, const char* text) {
    WriteRaw(key, value, REG_SZ, text, static_cast<DWORD>(std::string(text).size() + 1));
}

void WriteDword(const char* key, const char* value, DWORD number) {
    WriteRaw(key, value, REG_DWORD, &number, sizeof(number));
}

void PumpMessages(HWND form) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ASSERT_NE(message.message, static_cast<UINT>(WM_QUIT)) << "the program was told to quit";
        DispatchLoopMessage(form, message);
    }
}

bool DiscardMessages() {
    bool quit = false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        quit = quit || message.message == WM_QUIT;
        if (message.message == WM_PAINT) {
            ValidateRect(message.hwnd, nullptr);
        }
    }
    return quit;
}

void PostKey(HWND form, WPARAM virtualKey) {
    const HWND focus = GetFocus();
    const HWND target = focus != nullptr ? focus : form;
    const UINT scanCode = MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | (static_cast<LPARAM>(scanCode) << 16);
    const LPARAM up = down | (1LL << 30) | (1LL << 31);
    PostMessageW(target, WM_KEYDOWN, virtualKey, down);
    PostMessageW(target, WM_KEYUP, virtualKey, up);
}

namespace {

void SendAndDispatch(HWND form, std::vector<INPUT> inputs) {
    ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)),
              inputs.size());
    // Real input reaches the queue through the system's input handling, not necessarily at once:
    // dispatch until neither input nor posted messages have come for a while.
    constexpr DWORD kQuietMilliseconds = 100;
    do {
        PumpMessages(form);
    } while (MsgWaitForMultipleObjectsEx(0, nullptr, kQuietMilliseconds,
                                         QS_INPUT | QS_POSTMESSAGE,
                                         MWMO_INPUTAVAILABLE) != WAIT_TIMEOUT);
}

INPUT KeyInput(WORD virtualKey, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki = KEYBDINPUT{virtualKey, 0, flags, 0, 0};
    return input;
}

INPUT MouseInput(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi = MOUSEINPUT{0, 0, 0, flags, 0, 0};
    return input;
}

}  // namespace

void TypeKey(HWND form, WORD virtualKey) {
    SendAndDispatch(form, {KeyInput(virtualKey, 0), KeyInput(virtualKey, KEYEVENTF_KEYUP)});
}

void ClickWithMouse(HWND form, HWND window) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    ASSERT_TRUE(SetCursorPos((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2));
    SendAndDispatch(form, {MouseInput(MOUSEEVENTF_LEFTDOWN), MouseInput(MOUSEEVENTF_LEFTUP)});
}

void MoveMouseOver(HWND form, HWND window) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    // Absolute positions run from 0 to 65535 across the primary screen.
    const auto scale = [](LONG pixel, int screen) {
        return static_cast<LONG>(MulDiv(pixel, 65535, std::max(1, screen - 1)));
    };
    INPUT move = MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE);
    move.mi.dx = scale((bounds.left + bounds.right) / 2, GetSystemMetrics(SM_CXSCREEN));
    move.mi.dy = scale((bounds.top + bounds.bottom) / 2, GetSystemMetrics(SM_CYSCREEN));
    SendAndDispatch(form, {move});
}

OneShot::OneShot(UINT milliseconds, std::function<void()> action) : action_(std::move(action)) {
    constexpr const wchar_t* kClassName = L"CorvelleTestOneShot";
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);  // already registered by an earlier test: fine
    window_ = CreateWindowExW(0, kClassName, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), this);
    EXPECT_NE(window_, nullptr);
    EXPECT_NE(SetTimer(window_, 1, milliseconds, nullptr), 0U);
}

OneShot::~OneShot() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

LRESULT CALLBACK OneShot::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(
                              reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<OneShot*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_TIMER && self != nullptr && !self->fired_) {
        KillTimer(window, wParam);
        self->fired_ = true;
        self->action_();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

RECT RectInParent(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::vector<std::string> ListLines(HWND list) {
    std::vector<std::string> lines;
    const auto count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::string line(static_cast<std::size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)) + 1,
                         '\0');
        line.resize(static_cast<std::size_t>(
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()))));
        lines.push_back(line);
    }
    return lines;
}

Capture CaptureClient(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    // Magenta marks what nothing painted. As painting does: the background first (some controls
    // print only their content).
    return CaptureDrawing(client.right, client.bottom, RGB(255, 0, 255), [window](HDC dc) {
        SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                     PRF_CLIENT | PRF_ERASEBKGND);
    });
}

void Form1Test::SetUp() {
    DeleteMessengerKeys();
    DiscardMessages();
}

void Form1Test::TearDown() {
    form_.reset();
    SetCursorPos(0, 0);  // out of the way of the next test's window
    DiscardMessages();  // the WM_QUIT the closed window posted must not reach the next test
    DeleteMessengerKeys();
}

void Form1Test::Start() {
    form_ = std::make_unique<Form1>(
        registry_, [this](const std::string& url) { openedUrls_.push_back(url); }, highContrastOn_);
    ASSERT_TRUE(form_->Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL));
    PumpMessages(Form());
}

void Form1Test::Click(layout::ControlId id) const {
    SendMessageW(Control(id), BM_CLICK, 0, 0);
}

}  // namespace corvelle::ui::testing
