// Form1's wiring: each control's press or click runs its command on the real registry, the
// keyboard reaches every control, the enable and disable sequences ignore presses while they run,
// and closing the window inside a pause ends the program at once.

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <type_traits>

#include "ui/FormLayout.h"
#include "ui/Form1TestSupport.h"
#include "ui/MessageLoop.h"
#include "ui/Module1.h"
#include "ui/PerformanceClock.h"

namespace corvelle::ui::testing {
namespace {

using namespace layout;


constexpr const char* kAdValues[] = {"Change Room Banner",   "Chat Adurl",
                                     "Webcam Upload Ad",     "Webcam Viewer Ad",
                                     "Webcam Viewer Ad Big", "Webcam Viewer Ad Medium"};

TEST_F(Form1Test, AdButtonsWriteAndDeleteTheSixValuesAndTheListShowsItsNewestLine) {
    Start();
    Click(kIdRaveButtons3);
    EXPECT_EQ(List1Lines(), (std::vector<std::string>{"YM not patched.", "Initializing...",
                                                      "Removing Ads...", "Ads removed..."}));
    for (const char* value : kAdValues) {
        EXPECT_TRUE(ReadString(kYUrlKey, value).has_value()) << value;
    }
    EXPECT_EQ(ReadString(kYUrlKey, "Chat Adurl"), "*");
    EXPECT_EQ(ReadString(kYUrlKey, "Webcam Viewer Ad Medium"), "about:blank");
    EXPECT_FALSE(ReadString(kYUrlKey, "Messenger Ad").has_value());

    Click(kIdRaveButtons4);
    for (const char* value : kAdValues) {
        EXPECT_FALSE(ReadString(kYUrlKey, value).has_value()) << value;
    }
    const std::vector<std::string> lines = List1Lines();
    ASSERT_EQ(lines.size(), 7U);
    EXPECT_EQ(lines.back(), "Ads reinstated...");
    // Seven lines in a list that shows four: the last four are the ones in view.
    EXPECT_EQ(SendMessageW(Control(kIdList1), LB_GETTOPINDEX, 0, 0), 3);
    EXPECT_TRUE(IsWindowEnabled(Control(kIdRaveButtons3)));
    EXPECT_TRUE(IsWindowEnabled(Control(kIdRaveButtons4)));
    EXPECT_TRUE(openedUrls_.empty());
}

TEST_F(Form1Test, DisabledButtonIgnoresPresses) {
    Start();
    Click(kIdRaveButtons2);  // disabled on a fresh registry
    PumpMessages(Form());
    EXPECT_EQ(List1Lines(), std::vector<std::string>{"YM not patched."});
    EXPECT_FALSE(IsWindowEnabled(Control(kIdRaveButtons2)));
}

// Whether a command button is the default: the dialog manager asks it so when Enter is pressed
// while it has the focus. It is drawn so too, with a dark frame, or neither.
bool IsDefaultButton(HWND button) {
    const bool answers = (SendMessageW(button, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) != 0;
    const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME) & 0xFFFFFF;
    const bool drawn = CaptureClient(button).At(0, 0) == frame;
    EXPECT_EQ(answers, drawn) << "answers as the default but is drawn otherwise, or the reverse";
    return answers;
}

// Real mouse and keyboard input. Enter presses the button the mouse or Tab gave the focus, and
// that button is the default meanwhile; none other is.
TEST_F(Form1Test, EnterPressesTheButtonThatHasTheFocus) {
    Start();
    ASSERT_EQ(GetFocus(), Control(kIdRaveButtons1));
    EXPECT_TRUE(IsDefaultButton(Control(kIdRaveButtons1)));

    ClickWithMouse(Form(), Control(kIdRaveButtons3));
    ASSERT_EQ(GetFocus(), Control(kIdRaveButtons3));
    EXPECT_EQ(List1Lines().size(), 4U) << "the click pressed Remove Ads";
    TypeKey(Form(), VK_RETURN);
    EXPECT_EQ(List1Lines().size(), 7U) << "Enter pressed Remove Ads again";
    EXPECT_EQ(List1Lines().back(), "Ads removed...");
    EXPECT_FALSE(ReadDword(kTestKey, "Plural").has_value()) << "Enter pressed Enable";

    TypeKey(Form(), VK_TAB);
    ASSERT_EQ(GetFocus(), Control(kIdRaveButtons4));
    TypeKey(Form(), VK_RETURN);
    EXPECT_EQ(List1Lines().back(), "Ads reinstated...");
    EXPECT_FALSE(ReadString(kYUrlKey, "Chat Adurl").has_value());

    ClickWithMouse(Form(), Control(kIdRaveButtons4));
    for (const ControlId id : {kIdRaveButtons1, kIdRaveButtons3, kIdRaveButtons4}) {
        EXPECT_EQ(IsDefaultButton(Control(id)), id == kIdRaveButtons4) << id;
    }
    // On a control that is no button, RaveButtons1 is the default again.
    TypeKey(Form(), VK_TAB);
    ASSERT_EQ(GetFocus(), Control(kIdText2));
    for (const ControlId id : {kIdRaveButtons1, kIdRaveButtons3, kIdRaveButtons4}) {
        EXPECT_EQ(IsDefaultButton(Control(id)), id == kIdRaveButtons1) << id;
    }
    EXPECT_FALSE(ReadDword(kTestKey, "Plural").has_value());
}

// Switching to another window and back gives the focus, and with it the default, back to the
// control that had it; while away the window keeps its look. A control disabled meanwhile hands
// the focus to the first tab stop.
TEST_F(Form1Test, SwitchingAwayAndBackRestoresTheFocus) {
    Start();
    SetFocus(Control(kIdRaveButtons4));
    PumpMessages(Form());
    const std::unique_ptr<std::remove_pointer_t<HWND>, decltype(&DestroyWindow)> other(
        CreateWindowExW(0, WC_STATICW, L"other", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                        nullptr, GetModuleHandleW(nullptr), nullptr),
        &DestroyWindow);
    auto activate = [this](HWND window) {
        ShowWindow(window, SW_SHOW);
        SetActiveWindow(window);
        PumpMessages(Form());
        EXPECT_EQ(GetActiveWindow(), window);
    };

    activate(other.get());
    EXPECT_TRUE(IsDefaultButton(Control(kIdRaveButtons4)));
    activate(Form());
    EXPECT_EQ(GetFocus(), Control(kIdRaveButtons4));
    EXPECT_TRUE(IsDefaultButton(Control(kIdRaveButtons4)));

    activate(other.get());
    EnableWindow(Control(kIdRaveButtons4), FALSE);
    activate(Form());
    EXPECT_EQ(GetFocus(), Control(kIdRaveButtons1));
    EXPECT_TRUE(IsDefaultButton(Control(kIdRaveButtons1)));
    EXPECT_FALSE(IsDefaultButton(Control(kIdRaveButtons4)));
}

// The two sequences take about three seconds each, for their real pauses.
TEST_F(Form1Test, EnterOnNoButtonEnablesIgnoringPressesMeanwhileAndDisableUndoesIt) {
    Start();
    SetFocus(Control(kIdText1));
    PumpMessages(Form());
    // Inside Enable's first pause: a press on Remove Ads, which must be ignored.
    const OneShot pressDuringPause(300, [this] {
        SendMessageW(Control(kIdRaveButtons3), BM_CLICK, 0, 0);
    });
    // In the next one, Space on the hidden check box, which must be ignored too.
    const OneShot spaceOnCheck1(1000, [this] {
        SetFocus(Control(kIdCheck1));
        PostKey(Form(), VK_SPACE);
    });
    // In a later pause the dialog keys still work: Tab moves on to Enable.
    const OneShot tabDuringPause(1800, [this] { PostKey(Form(), VK_TAB); });
    TypeKey(Form(), VK_RETURN);  // the whole sequence runs inside

    EXPECT_TRUE(pressDuringPause.fired());
    EXPECT_TRUE(spaceOnCheck1.fired());
    EXPECT_TRUE(tabDuringPause.fired());
    EXPECT_EQ(ReadDword(kTestKey, "Plural"), 1U);
    EXPECT_FALSE(ReadString(kYUrlKey, "Change Room Banner").has_value())
        << "Remove Ads ran during the sequence";
    EXPECT_EQ(SendMessageW(Control(kIdCheck1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(ReadString(kYUrlKey, "Messenger Ad").has_value())
        << "the check box command ran during the sequence";
    EXPECT_EQ(List1Lines(), std::vector<std::string>{"YM now patched!"});
    EXPECT_FALSE(IsWindowEnabled(Control(kIdRaveButtons1)));
    EXPECT_TRUE(IsWindowEnabled(Control(kIdRaveButtons2)));
    // Enable disabled itself while it had the focus; the keyboard moved on to Disable, which is
    // now the default.
    ASSERT_EQ(GetFocus(), Control(kIdRaveButtons2));
    EXPECT_TRUE(IsDefaultButton(Control(kIdRaveButtons2)));

    // On a control that is no button Enter would press Enable, which is disabled: nothing happens,
    // and no button is the default.
    TypeKey(Form(), VK_TAB);
    ASSERT_EQ(GetFocus(), Control(kIdText1));
    EXPECT_FALSE(IsDefaultButton(Control(kIdRaveButtons1)));
    EXPECT_FALSE(IsDefaultButton(Control(kIdRaveButtons2)));
    TypeKey(Form(), VK_RETURN);
    EXPECT_EQ(List1Lines(), std::vector<std::string>{"YM now patched!"});

    ClickWithMouse(Form(), Control(kIdRaveButtons2));
    EXPECT_FALSE(ReadDword(kTestKey, "Plural").has_value());
    EXPECT_EQ(List1Lines(), std::vector<std::string>{"YM patch removed."});
    EXPECT_TRUE(IsWindowEnabled(Control(kIdRaveButtons1)));
    EXPECT_FALSE(IsWindowEnabled(Control(kIdRaveButtons2)));
    // The pressed button disabled itself; the keyboard moved on to the enabled one.
    EXPECT_EQ(GetFocus(), Control(kIdRaveButtons1));
    EXPECT_TRUE(IsDefaultButton(Control(kIdRaveButtons1)));
    EXPECT_FALSE(IsDefaultButton(Control(kIdRaveButtons2)));

    // Once the sequences are over, the check box takes presses again.
    SetFocus(Control(kIdCheck1));
    PostKey(Form(), VK_SPACE);
    PumpMessages(Form());
    EXPECT_EQ(SendMessageW(Control(kIdCheck1), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(ReadString(kYUrlKey, "Messenger Ad"), "*");
}

TEST_F(Form1Test, TabReachesTheHiddenControlsAndSpaceTogglesCheck1) {
    Start();
    ASSERT_EQ(GetFocus(), Control(kIdRaveButtons1));
    // RaveButtons2 is disabled and List1 and Image1 take no focus; the order wraps around.
    const ControlId expectedOrder[] = {kIdText1, kIdRaveButtons3, kIdRaveButtons4,
                                       kIdText2, kIdCheck1,       kIdRaveButtons1};
    for (const ControlId expected : expectedOrder) {
        PostKey(Form(), VK_TAB);
        PumpMessages(Form());
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), expected);
    }
    for (int i = 0; i < 5; ++i) {  // round again to Check1
        PostKey(Form(), VK_TAB);
        PumpMessages(Form());
    }
    ASSERT_EQ(GetFocus(), Control(kIdCheck1));

    PostKey(Form(), VK_SPACE);
    PumpMessages(Form());
    EXPECT_EQ(SendMessageW(Control(kIdCheck1), BM_GETCHECK, 0, 0), BST_CHECKED);
    for (const char* key : {"Software\\Yahoo\\pager\\YUrl", "Software\\Yahoo\\pager",
                            "Software\\Yahoo\\yui", "Software\\Yahoo"}) {
        EXPECT_EQ(ReadString(key, "Messenger Ad"), "*") << key;
    }

    PostKey(Form(), VK_SPACE);
    PumpMessages(Form());
    EXPECT_EQ(SendMessageW(Control(kIdCheck1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(ReadString(kYUrlKey, "Messenger Ad").has_value());
    EXPECT_EQ(ReadString("Software\\Yahoo\\yui", "Messenger Ad"), "*") << "only one copy goes";
    EXPECT_EQ(List1Lines(), std::vector<std::string>{"YM not patched."});
}

TEST_F(Form1Test, Image1ClickOpensTheToolbarPageAndChangesNothingElse) {
    Start();
    const HWND image = Control(kIdImage1);
    SendMessageW(image, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageW(image, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    PumpMessages(Form());
    EXPECT_EQ(openedUrls_, std::vector<std::string>{kToolbarPageUrl});
    EXPECT_EQ(List1Lines(), std::vector<std::string>{"YM not patched."});
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Yahoo", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
}

// Records when a window receives WM_DESTROY.
class DestroyWatch {
public:
    explicit DestroyWatch(HWND window) {
        SetWindowSubclass(window, Proc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    std::optional<PerformanceClock::time_point> destroyedAt;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                 UINT_PTR id, DWORD_PTR data) {
        if (message == WM_DESTROY) {
            reinterpret_cast<DestroyWatch*>(data)->destroyedAt = PerformanceClock::now();
        } else if (message == WM_NCDESTROY) {
            RemoveWindowSubclass(window, Proc, id);
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }
};

TEST_F(Form1Test, ClosingDuringAPauseEndsTheProgramAtOnce) {
    Start();
    const HWND window = Form();
    DestroyWatch watch(window);
    const OneShot close(100, [window] { PostMessageW(window, WM_CLOSE, 0, 0); });
    // Should the loop never end, this ends it with a code the test rejects.
    const OneShot rescue(10000, [] { PostQuitMessage(99); });
    PostMessageW(Control(kIdRaveButtons1), BM_CLICK, 0, 0);

    const int exitCode = RunMessageLoop(*form_);
    const auto ended = PerformanceClock::now();

    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(close.fired());
    ASSERT_TRUE(watch.destroyedAt.has_value());
    // The rest of the sequence (two more pauses at least) did not run once the window was gone.
    // Measured from the destruction: withdrawing a window can itself take a while.
    EXPECT_LT(ended - *watch.destroyedAt, std::chrono::milliseconds(500));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(form_->hwnd(), nullptr);
    EXPECT_EQ(FindWindowW(kForm1WindowClass, nullptr), nullptr) << "a window came back";
    // The registry change came before the sequence.
    EXPECT_EQ(ReadDword(kTestKey, "Plural"), 1U);
    // Nothing is left for the command to touch: its calls on the closed window do nothing.
    form_->AddList1Line("late");
    form_->SetRaveButtons1Enabled(true);
    EXPECT_FALSE(form_->Pause(0.01));
}

// Refuses to create the child window with one control id, as long as it lives.
class RefuseControl {
public:
    explicit RefuseControl(ControlId id)
        : hook_(SetWindowsHookExW(WH_CBT, Proc, nullptr, GetCurrentThreadId())) {
        refused_ = id;
    }
    RefuseControl(const RefuseControl&) = delete;
    RefuseControl& operator=(const RefuseControl&) = delete;
    ~RefuseControl() { UnhookWindowsHookEx(hook_); }

private:
    static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND) {
            const CREATESTRUCTW& create = *reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
            if ((create.style & WS_CHILD) != 0 &&
                create.hMenu == reinterpret_cast<HMENU>(static_cast<INT_PTR>(refused_))) {
                return 1;
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline ControlId refused_ = kIdList1;
    HHOOK hook_;
};

TEST_F(Form1Test, FailedCreationLeavesNoWindowAndNoQuitMessage) {
    form_ = std::make_unique<Form1>(registry_, [](const std::string&) {});
    {
        const RefuseControl refuse(kIdFrame1);  // the window and the controls before it exist
        EXPECT_FALSE(form_->Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL));
    }
    EXPECT_EQ(form_->hwnd(), nullptr);
    EXPECT_EQ(FindWindowW(kForm1WindowClass, nullptr), nullptr);
    EXPECT_FALSE(DiscardMessages()) << "a quit message was left for the caller";
}

TEST_F(Form1Test, ClosingTouchesNoRegistryValue) {
    WriteDword(kTestKey, "Plural", 1);
    Start();
    SendMessageW(Form(), WM_CLOSE, 0, 0);
    EXPECT_EQ(form_->hwnd(), nullptr);
    EXPECT_TRUE(DiscardMessages()) << "closing must post WM_QUIT";
    EXPECT_EQ(ReadDword(kTestKey, "Plural"), 1U);
    EXPECT_FALSE(ReadString(kYUrlKey, "Messenger Ad").has_value());
}

}  // namespace
}  // namespace corvelle::ui::testing
