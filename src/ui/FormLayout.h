#pragma once
// Form1's stored design: the window's client size and every control's kind, container, place and
// text, in twips (1/1440 inch) as designed. Pixels come only from TwipsToPixels with the window's
// DPI, so at 96 DPI (15 twips to a pixel) every rectangle is the designed pixel figure exactly and
// at other DPIs the layout scales instead of being stretched as a bitmap. The four command
// buttons' other stored settings are in FormButtonSettings.h.

#include <windows.h>

#include <array>
#include <cstdint>

namespace corvelle::ui::layout {

// Converts twips to pixels at dpi, rounding halves away from zero as MulDiv does.
constexpr int TwipsToPixels(int twips, UINT dpi) {
    constexpr std::int64_t kTwipsPerInch = 1440;
    const std::int64_t scaled = static_cast<std::int64_t>(twips) * dpi;
    const std::int64_t half = kTwipsPerInch / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch
                                        : -((-scaled + half) / kTwipsPerInch));
}

struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

// A rectangle in pixels at dpi: each figure converted on its own, as the design gives them.
constexpr RECT ToPixels(const TwipsRect& twips, UINT dpi) {
    const int left = TwipsToPixels(twips.left, dpi);
    const int top = TwipsToPixels(twips.top, dpi);
    return RECT{left, top, left + TwipsToPixels(twips.width, dpi),
                top + TwipsToPixels(twips.height, dpi)};
}

// The window's client area. Text1, Text2 and Check1 lie wholly below it.
inline constexpr int kClientWidthTwips = 4230;
inline constexpr int kClientHeightTwips = 2610;

inline constexpr const wchar_t* kTitle = L" Corvelle + Ad Killer";
inline constexpr const wchar_t* kImage1Tooltip =
    L"Click here for an info page about our sweet toolbar for IE and Firefox!";

inline constexpr COLORREF kFormBackground = RGB(0x8B, 0xA2, 0xC2);
inline constexpr COLORREF kList1Background = RGB(0xE0, 0xE0, 0xE0);
inline constexpr COLORREF kCheck1Text = RGB(0x80, 0x00, 0x00);

// "MS Sans Serif" 8.25 points; the height in hundredths of a point so that the font height is
// -MulDiv(825, dpi, 7200) pixels.
inline constexpr const wchar_t* kFontFace = L"MS Sans Serif";
inline constexpr int kFontHundredthsOfPoint = 825;

// Control ids, used as the child windows' ids. None is IDOK (1) or IDCANCEL (2): the dialog
// manager sends those for Enter and Escape when nothing else claims the key.
enum ControlId : int {
    kIdList1 = 101,
    kIdRaveButtons1,
    kIdRaveButtons2,
    kIdText1,
    kIdFrame1,
    kIdRaveButtons3,
    kIdRaveButtons4,
    kIdText2,
    kIdCheck1,
    kIdImage1,
};

enum class Kind { kListBox, kCommandButton, kTextBox, kFrame, kCheckBox, kImage };
enum class Container { kWindow, kFrame1 };

struct ControlPlacement {
    ControlId id;
    Kind kind;
    Container container;  // the place is relative to this container's client area
    TwipsRect twips;
    const wchar_t* text;  // at creation; a button's caption
};

// In tab order (creation order gives the windows' z-order, which is the order Tab follows); the
// image takes no focus and comes last.
inline constexpr std::array<ControlPlacement, 10> kControls = {{
    {kIdList1, Kind::kListBox, Container::kWindow, {120, 120, 2295, 840}, L""},
    {kIdRaveButtons1, Kind::kCommandButton, Container::kWindow, {2520, 120, 1575, 375},
     L"Enable Corvelle"},
    {kIdRaveButtons2, Kind::kCommandButton, Container::kWindow, {2520, 600, 1575, 375},
     L"Disable Corvelle"},
    {kIdText1, Kind::kTextBox, Container::kWindow, {360, 2760, 375, 285}, L""},
    {kIdFrame1, Kind::kFrame, Container::kWindow, {120, 1080, 3975, 735}, L"YM Ad Killer: "},
    {kIdRaveButtons3, Kind::kCommandButton, Container::kFrame1, {240, 240, 1575, 375},
     L"Remove Ads"},
    {kIdRaveButtons4, Kind::kCommandButton, Container::kFrame1, {2160, 240, 1575, 375},
     L"Reinstate Ads"},
    {kIdText2, Kind::kTextBox, Container::kWindow, {960, 2760, 975, 285}, L""},
    {kIdCheck1, Kind::kCheckBox, Container::kWindow, {240, 3240, 3615, 255},
     L"Remove YM ad [bottom of Yahoo Messenger]"},
    {kIdImage1, Kind::kImage, Container::kWindow, {360, 1920, 3510, 585}, L""},
}};

constexpr const ControlPlacement& PlacementOf(ControlId id) {
    for (const ControlPlacement& placement : kControls) {
        if (placement.id == id) {
            return placement;
        }
    }
    return kControls.front();  // unreachable for the ids above
}

}  // namespace corvelle::ui::layout
