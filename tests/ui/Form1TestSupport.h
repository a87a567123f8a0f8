#pragma once
// What the Form1 tests share: the real registry below "Software\Yahoo" read and written straight
// through advapi32 (independently of the program's own registry routines), the form created over
// it with its link recorded instead of opened, message pumping through the program's own loop
// step, a one-shot action run from the message queue (so it fires inside a command's pause), and
// reading back what a window draws.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "registry/RegistryMod.h"
#include "registry/Win32Registry.h"
#include "ui/Form1.h"
#include "ui/PixelCapture.h"

namespace corvelle::ui::testing {

// The messenger's keys that the tests plant values under.
inline constexpr const char* kTestKey = "Software\\Yahoo\\pager\\Test";
inline constexpr const char* kYUrlKey = "Software\\Yahoo\\pager\\YUrl";

// --- The messenger's registry, below HKEY_CURRENT_USER -------------------------------------------

void DeleteMessengerKeys();
std::optional<std::string> ReadString(const char* key, const char* value);
std::optional<DWORD> ReadDword(const char* key, const char* value);
void WriteString(const char* key, const char* value, const char* text);
void WriteDword(const char* key, const char* value, DWORD number);

// --- Messages ------------------------------------------------------------------------------------

// Dispatches everything queued, as the program's loop would, until the queue is empty.
void PumpMessages(HWND form);
// Removes everything queued without dispatching it; returns whether a WM_QUIT was among it.
bool DiscardMessages();
// Posts a key press (down and up) to the focused window, or to the form when nothing has focus.
void PostKey(HWND form, WPARAM virtualKey);
// Real input, as the user gives it (SendInput), then dispatched as the program's loop would: a key
// press, and a click of the left mouse button in the middle of a window.
void TypeKey(HWND form, WORD virtualKey);
void ClickWithMouse(HWND form, HWND window);
// Real input: the mouse moved to the middle of a window, then dispatched as above.
void MoveMouseOver(HWND form, HWND window);

// Runs an action once, the given milliseconds from now, from whichever message loop or pause is
// dispatching this thread's messages at that time.
class OneShot {
public:
    OneShot(UINT milliseconds, std::function<void()> action);
    OneShot(const OneShot&) = delete;
    OneShot& operator=(const OneShot&) = delete;
    ~OneShot();

    bool fired() const noexcept { return fired_; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    std::function<void()> action_;
    bool fired_ = false;
};

// --- Windows -------------------------------------------------------------------------------------

// The window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND window);
std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
std::vector<std::string> ListLines(HWND list);

// The pixels a window paints of its client area when asked to print it (WM_PRINTCLIENT).
Capture CaptureClient(HWND window);

// --- The form ------------------------------------------------------------------------------------

// A clean messenger registry before and after each test; the form under test with the banner's
// link recorded rather than opened.
class Form1Test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates and shows the form (the start-up state runs) and dispatches what that queued.
    void Start();
    HWND Form() const { return form_->hwnd(); }
    HWND Control(layout::ControlId id) const { return form_->Control(id); }
    // Presses a control as a click does, and returns once its command has run to the end.
    void Click(layout::ControlId id) const;
    std::vector<std::string> List1Lines() const { return ListLines(Control(layout::kIdList1)); }

    // What the form is told about High Contrast; the system's answer unless a test sets it.
    HighContrastQuery highContrastOn_ = SystemHighContrastOn;

    registry::Win32Registry api_;
    registry::RegistryMod registry_{api_};
    std::unique_ptr<Form1> form_;
    std::vector<std::string> openedUrls_;
};

}  // namespace corvelle::ui::testing
