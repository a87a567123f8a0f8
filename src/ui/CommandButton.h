#pragma once
// Our command button: a standard BUTTON with BS_OWNERDRAW | BS_NOTIFY | WS_TABSTOP, so that focus,
// tab order, the Space key, BN_CLICKED (and BN_SETFOCUS and BN_KILLFOCUS) through WM_COMMAND and
// screen readers (the window text is the caption) all come from the platform. Only the look is
// ours: the parent forwards WM_DRAWITEM to Draw().
//
// Use:
//   CommandButton enable(parent, kIdEnable, bounds, dpi, ButtonSettings{.btype = 2, .tx = L"Enable"});
//   case WM_DRAWITEM: if (enable.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
//   case WM_COMMAND:  LOWORD(wParam) == kIdEnable && HIWORD(wParam) == BN_CLICKED -> pressed.

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/ButtonPicture.h"
#include "ui/GdiHandles.h"

namespace corvelle::ui {

// The caption font. The height is in points and is converted with the window's DPI.
struct ButtonFont {
    std::wstring face = L"MS Sans Serif";
    double points = 8.25;
    int weight = FW_NORMAL;
    std::uint8_t charset = ANSI_CHARSET;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
};

// The stored settings, under their stored names, filled by name:
//   ButtonSettings{.btype = 2, .tx = L"Enable", .coltype = 2, .picn = 101}
// Colours are COLORREF: red in the lowest byte (RGB(r, g, b)).
struct ButtonSettings {
    std::int32_t _extentx = 2778;  // size in 0.01 mm; see ExtentToPixels
    std::int32_t _extenty = 661;
    std::int32_t btype = 2;        // style numbers: every type is drawn as a classic raised button
    std::wstring tx{};             // caption, also the window text
    bool enab = true;              // enabled at creation; later, SetEnabled
    ButtonFont font{};
    std::int32_t coltype = 2;
    bool focusr = true;            // draw a focus rectangle when focused
    COLORREF bcol = RGB(212, 208, 200);   // face
    COLORREF bcolo = RGB(212, 208, 200);  // face while the mouse is over the button
    COLORREF fcol = RGB(0, 0, 0);         // caption
    COLORREF fcolo = RGB(0, 0, 0);        // caption while the mouse is over the button
    COLORREF mcol = RGB(192, 192, 192);   // picture pixels of this colour are transparent...
    std::int16_t mptr = 1;
    WORD micon = 0;                // cursor resource id, used when mptr is 99; 0 for none
    WORD picn = 0;                 // 16 x 16 bitmap resource id of the executable; 0 for none
    bool umcol = true;             // ...when this is true
    bool soft = false;             // thin one-pixel edges instead of the two-pixel 3-D edge
    std::int32_t picpos = 0;       // 0 picture left of the caption, 1 right of it
    bool ngrey = false;            // keep the picture in colour when disabled
    std::int32_t fx = 0;
    bool hand = false;             // hand cursor over the button
    bool check = false;            // a toggle button: drawn pushed in while value is true
    bool value = false;
};

class CommandButton {
public:
    // No window.
    CommandButton() = default;
    // Creates the child window at bounds (pixels, parent's client coordinates) with the given
    // control id. dpi is the parent's: it sizes the font and the picture. hwnd() is null on failure.
    CommandButton(HWND parent, int id, const RECT& bounds, UINT dpi, ButtonSettings settings);
    CommandButton(const CommandButton&) = delete;
    CommandButton& operator=(const CommandButton&) = delete;
    CommandButton(CommandButton&& other) noexcept;
    CommandButton& operator=(CommandButton&& other) noexcept;
    // Destroys the window if it still exists.
    ~CommandButton();

    HWND hwnd() const noexcept { return hwnd_; }
    const ButtonSettings& settings() const noexcept { return settings_; }

    // Draws the button if the item is this button's; returns whether it was.
    bool Draw(const DRAWITEMSTRUCT& item) const;

    // Enables or disables the window (a disabled BUTTON ignores clicks, BM_CLICK and keys).
    void SetEnabled(bool enabled);
    bool IsEnabled() const;

    // Re-creates the font and rescales the picture for a new DPI (WM_DPICHANGED).
    void SetDpi(UINT dpi);
    // Replaces the picture with a copy of source (any bitmap; 16 x 16 expected). The caller keeps
    // source. A null source removes the picture.
    void SetPicture(HBITMAP source);
    // Marks the button as the default one (Enter): drawn with a dark outer frame.
    void SetDefault(bool isDefault);
    bool IsDefault() const noexcept { return isDefault_; }
    void SetValue(bool value);
    // In High Contrast the button is drawn in the system's colours only (ColourScheme.h), flat,
    // with a border; the stored colours are kept for when it is off again.
    void SetHighContrast(bool on);

    // Converts a stored extent in 0.01 mm to pixels at dpi (2778 -> 105 and 661 -> 25 at 96 DPI).
    static int ExtentToPixels(std::int32_t extent, UINT dpi);

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR subclassId, DWORD_PTR refData);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Attach();
    void Detach() noexcept;
    void MakeFont();
    // Where the picture and the caption go within content; no picture where both do not fit.
    struct Placement {
        RECT picture;
        RECT caption;
    };
    Placement PlaceContent(HDC dc, const RECT& content, UINT prefix,
                           bool pictureOnlyWhereItFits) const;
    void DrawHighContrast(const DRAWITEMSTRUCT& item) const;

    HWND hwnd_ = nullptr;
    ButtonSettings settings_;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    OwnedFont font_;
    ButtonPicture picture_;
    bool hot_ = false;
    bool isDefault_ = false;
    bool highContrast_ = false;
};

}  // namespace corvelle::ui
