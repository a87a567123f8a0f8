// Form1 at other DPIs: the twips conversion, a DPI change while running, and a whole process
// started with the system at 144 DPI.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "DllSearch.h"
#include "ui/FormLayout.h"
#include "ui/Form1TestSupport.h"

namespace corvelle::ui::testing {
namespace {

using namespace layout;

constexpr const char* kReportVariable = "CORVELLE_FORM1_LAYOUT_REPORT";

struct Expected144 {
    ControlId id;
    RECT pixels;
};

// The design at 144 DPI (1.5 pixels per 96-DPI pixel; halves rounded up), written out by hand.
constexpr Expected144 kAt144[] = {
    {kIdList1, {12, 12, 242, 96}},         {kIdRaveButtons1, {252, 12, 410, 50}},
    {kIdRaveButtons2, {252, 60, 410, 98}}, {kIdText1, {36, 276, 74, 305}},
    {kIdFrame1, {12, 108, 410, 182}},      {kIdRaveButtons3, {24, 24, 182, 62}},
    {kIdRaveButtons4, {216, 24, 374, 62}}, {kIdText2, {96, 276, 194, 305}},
    {kIdCheck1, {24, 324, 386, 350}},      {kIdImage1, {36, 192, 387, 251}},
};

// The major version of the Wine the test runs on (10 for "10.0"), or 0 on Windows.
int WineMajorVersion() {
    using WineGetVersion = const char*(CDECL*)();
    const auto version =
        DllFunction<WineGetVersion>(GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
    return version != nullptr ? std::atoi(version()) : 0;
}

std::string DescribeEdges(const RECT& r) {
    std::ostringstream text;
    text << r.left << " " << r.top << " " << r.right << " " << r.bottom;
    return text.str();
}

TEST(FormLayoutConversion, TwipsBecomePixelsRoundedAsMulDivDoes) {
    struct Case {
        int twips;
        UINT dpi;
        int pixels;
    };
    constexpr Case kCases[] = {
        {15, 96, 1},     {2295, 96, 153},  {4230, 96, 282},  {2610, 96, 174},
        {2295, 144, 230}, {375, 144, 38},  {585, 144, 59},   {4230, 144, 423},
        {2295, 120, 191}, {1575, 120, 131}, {1575, 192, 210}, {-15, 144, -2},
        {0, 144, 0},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi;
        EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), MulDiv(c.twips, static_cast<int>(c.dpi), 1440))
            << c.twips << " twips at " << c.dpi;
    }
}

TEST_F(Form1Test, DpiChangeLaysOutAndSizesTheFontsAgain) {
    Start();
    RECT suggested{};
    GetWindowRect(Form(), &suggested);
    SendMessageW(Form(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    PumpMessages(Form());

    ASSERT_EQ(form_->dpi(), 144U);
    // (The client size is checked by the real 144 DPI run below: here the title bar and borders
    // are still drawn at 96 DPI while the window is sized for them at 144.)
    for (const Expected144& expected : kAt144) {
        EXPECT_EQ(DescribeEdges(RectInParent(Control(expected.id))), DescribeEdges(expected.pixels))
            << "control " << static_cast<int>(expected.id);
    }
    const auto font = reinterpret_cast<HFONT>(SendMessageW(Control(kIdList1), WM_GETFONT, 0, 0));
    LOGFONTW logFont{};
    ASSERT_NE(GetObjectW(font, sizeof(logFont), &logFont), 0);
    EXPECT_EQ(logFont.lfHeight, -17);  // -MulDiv(825, 144, 7200)
    // Four lines still fill the list exactly.
    RECT listClient{};
    GetClientRect(Control(kIdList1), &listClient);
    EXPECT_EQ(SendMessageW(Control(kIdList1), LB_GETITEMHEIGHT, 0, 0), listClient.bottom / 4);
}

// Runs in a child process only: reports the form's DPI and rectangles to the file named by the
// environment, then closes the form.
// A minimised window has no client area to measure: a DPI change then (the window moved to
// another screen by the taskbar, say) must not take the whole client area for frame.
TEST_F(Form1Test, DpiChangeWhileMinimisedKeepsTheClientArea) {
    Start();
    ShowWindow(Form(), SW_MINIMIZE);
    PumpMessages(Form());
    ASSERT_TRUE(IsIconic(Form()));
    RECT suggested{};
    GetWindowRect(Form(), &suggested);
    SendMessageW(Form(), WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
    ShowWindow(Form(), SW_RESTORE);
    PumpMessages(Form());
    RECT client{};
    GetClientRect(Form(), &client);
    EXPECT_EQ(client.right, 282);
    EXPECT_EQ(client.bottom, 174);
}

TEST_F(Form1Test, ReportLayoutForParentProcess) {
    const char* report = std::getenv(kReportVariable);
    if (report == nullptr) {
        GTEST_SKIP() << "runs as the child of SystemAt144DpiScalesTheLayoutFromTwips";
    }
    Start();
    std::ofstream out(report);
    RECT client{};
    GetClientRect(Form(), &client);
    out << "dpi " << form_->dpi() << "\n";
    out << "client " << client.right << " " << client.bottom << "\n";
    for (const ControlPlacement& placement : kControls) {
        out << static_cast<int>(placement.id) << " " << DescribeEdges(RectInParent(Control(placement.id)))
            << "\n";
    }
}

// Sets the system DPI the way the display settings do and starts this test program again, which
// reads it when the process starts.
class SystemDpi {
public:
    explicit SystemDpi(DWORD dpi) {
        DWORD size = sizeof(previous_);
        hadPrevious_ = RegGetValueA(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_REG_DWORD, nullptr,
                                    &previous_, &size) == ERROR_SUCCESS;
        EXPECT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &dpi, sizeof(dpi)),
                  ERROR_SUCCESS);
    }
    SystemDpi(const SystemDpi&) = delete;
    SystemDpi& operator=(const SystemDpi&) = delete;
    ~SystemDpi() {
        if (hadPrevious_) {
            RegSetKeyValueA(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &previous_,
                            sizeof(previous_));
        } else {
            RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, kValue);
        }
    }

private:
    static constexpr const char* kKey = "Control Panel\\Desktop";
    static constexpr const char* kValue = "LogPixels";
    DWORD previous_ = 0;
    bool hadPrevious_ = false;
};

// Runs the test program again with one test selected and the report variable set; returns the
// child's exit code.
DWORD RunChild(const std::string& filter, const std::string& reportPath) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --gtest_filter=" +
                               std::wstring(filter.begin(), filter.end());
    SetEnvironmentVariableA(kReportVariable, reportPath.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableA(kReportVariable, nullptr);
    if (!started) {
        ADD_FAILURE() << "could not start the child: " << GetLastError();
        return 1;
    }
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

TEST_F(Form1Test, SystemAt144DpiScalesTheLayoutFromTwips) {
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    const std::string reportPath = std::string(directory) + "corvelle-form1-144.txt";
    DeleteFileA(reportPath.c_str());
    {
        const SystemDpi dpi(144);
        ASSERT_EQ(RunChild("Form1Test.ReportLayoutForParentProcess", reportPath), 0U);
    }
    std::ifstream in(reportPath);
    std::map<std::string, std::string> report;
    std::string line;
    while (std::getline(in, line)) {
        const auto space = line.find(' ');
        report[line.substr(0, space)] = line.substr(space + 1);
    }
    DeleteFileA(reportPath.c_str());
    if (WineMajorVersion() >= 10) {
        // A known difference of Wine 10: it gives the windows of a per-monitor aware program the
        // monitor's DPI, which it keeps at 96 whatever the system DPI says; Windows, and Wine 8,
        // give a single monitor's windows the system DPI. The window is then laid out at 96 DPI.
        EXPECT_EQ(report["dpi"], "96") << "Wine 10 gives the system DPI now; remove the marking";
        EXPECT_EQ(report["client"], "282 174");
        return;
    }
    ASSERT_EQ(report["dpi"], "144") << "the child did not run at 144 DPI";
    EXPECT_EQ(report["client"], "423 261");
    for (const Expected144& expected : kAt144) {
        EXPECT_EQ(report[std::to_string(static_cast<int>(expected.id))], DescribeEdges(expected.pixels))
            << "control " << static_cast<int>(expected.id);
    }
}

}  // namespace
}  // namespace corvelle::ui::testing
