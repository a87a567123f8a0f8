#pragma once
// Form1, the program's one window: the status list, the four command buttons (two of them in the
// frame "YM Ad Killer: "), the banner, and the two text boxes and the check box that lie below the
// client area. It builds its controls from the layout table at its DPI, owns every GDI object it
// makes, presents itself to the messenger commands as their control set, and routes each control's
// notification to its command. Where the focus goes and which button Enter presses is FormFocus's.

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "registry/RegistryMod.h"
#include "settings/ControlSet.h"
#include "ui/BannerPicture.h"
#include "ui/ColourScheme.h"
#include "ui/CommandButton.h"
#include "ui/FormFocus.h"
#include "ui/FormLayout.h"
#include "ui/GdiHandles.h"
#include "ui/Module1.h"
#include "ui/StartupTimeline.h"

namespace corvelle::ui {

inline constexpr const wchar_t* kForm1WindowClass = L"CorvelleForm1";

class Form1 final : public settings::ControlSet {
public:
    // Opens a web address; the banner's click hands it the toolbar page.
    using UrlOpener = std::function<void(const std::string&)>;

    // registry serves every command; it must outlive the window. highContrastOn tells whether
    // High Contrast is on, at start-up and whenever the system says the setting or its colours
    // changed.
    explicit Form1(const registry::RegistryMod& registry, UrlOpener openUrl = OpenUrl,
                   HighContrastQuery highContrastOn = SystemHighContrastOn);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;
    // Destroys the window if it still exists.
    ~Form1() override;

    // Creates the window and its controls, runs the start-up state detection (the load event),
    // then shows the window centred on its screen. The window is a fixed size: a maximising show
    // command shows it normally. Returns false when the window could not be created; whatever
    // was made is destroyed again, and no quit message is left in the caller's queue. Each step is
    // marked on the timeline, when one is given.
    bool Create(HINSTANCE instance, int showCommand, StartupTimeline* timeline = nullptr);

    // Null once the window is destroyed.
    HWND hwnd() const noexcept { return hwnd_; }
    // The child window of a control (RaveButtons3 and RaveButtons4 are Frame1's children); null
    // once the window is destroyed.
    HWND Control(layout::ControlId id) const noexcept;
    UINT dpi() const noexcept { return dpi_; }

    // The control set.
    void ClearList1() override;
    void AddList1Line(const std::string& line) override;
    void SetRaveButtons1Enabled(bool enabled) override;
    void SetRaveButtons2Enabled(bool enabled) override;
    void SetText1(const std::string& text) override;
    std::string Text1() const override;
    void SetText2(const std::string& text) override;
    std::string Text2() const override;
    int Check1() const override;
    void SetCheck1(int state) override;
    void StayOnTop() override;
    // False when the window was closed (or the program told to quit) during the pause.
    [[nodiscard]] bool Pause(double seconds) override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam,
                                      LPARAM lParam) noexcept;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void OnCommand(int id, int code);
    bool OnDrawItem(const DRAWITEMSTRUCT& item);
    void OnMeasureItem(MEASUREITEMSTRUCT& item) const;
    LRESULT OnControlColour(UINT message, HDC dc, HWND control);
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void OnGetMinMaxInfo(MINMAXINFO& info) const;
    void OnSetCursor(HWND under);
    void OnNcDestroy();
    void UseColourScheme();
    void PaintContent(HDC dc, const RECT& area) const;

    bool CreateControls();
    HWND CreateChild(const layout::ControlPlacement& placement, HWND parent);
    void MakeFonts();
    void PlaceControls();
    void FitList1Lines();
    void ShowNewestList1Line();
    void DrawList1Item(const DRAWITEMSTRUCT& item) const;
    SIZE WindowSize() const;
    void SizeToClientArea(int x, int y, UINT flags);
    void Centre();
    void RunSequence(void (*command)(const registry::RegistryMod&, settings::ControlSet&));

    static std::string WindowTextOf(HWND window);

    const registry::RegistryMod& registry_;
    UrlOpener openUrl_;
    HINSTANCE instance_ = nullptr;
    HWND hwnd_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    // What the frame takes beyond what the system says it takes at dpi_ (see SizeToClientArea).
    SIZE frameBeyondDpi_{};

    HighContrastQuery highContrastOn_;
    FormColours colours_;
    // In colours_'s form and list colours; made again when the colours change.
    OwnedBrush backgroundBrush_;
    OwnedBrush list1Brush_;
    OwnedFont font_;
    OwnedFont boldFont_;
    BannerPicture banner_;

    // Children the window destroys with itself; the handles are forgotten when it is destroyed.
    HWND list1_ = nullptr;
    HWND text1_ = nullptr;
    HWND frame1_ = nullptr;
    HWND text2_ = nullptr;
    HWND check1_ = nullptr;
    HWND image1_ = nullptr;
    // The banner's tooltip, made on the first hover over the banner.
    HWND tooltip_ = nullptr;
    // RaveButtons1 to RaveButtons4.
    std::array<CommandButton, 4> raveButtons_;
    // Where the focus goes and which button Enter presses.
    FormFocus focus_;

    // The start-up timeline while the load event runs, else null.
    StartupTimeline* timeline_ = nullptr;
    // Create succeeded: from then on, destroying the window ends the program.
    bool created_ = false;
    // An enable or disable sequence is running (inside its pauses): presses of the four buttons
    // and of the check box are ignored.
    bool sequenceRunning_ = false;
};

}  // namespace corvelle::ui
