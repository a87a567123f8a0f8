#pragma once
// The window's colours. While High Contrast is off, the window keeps its designed colours (the
// layout's). While it is on, it draws only in the system's colours, in the pairs the system means
// to go together (BTNTEXT on BTNFACE, WINDOWTEXT on WINDOW, HIGHLIGHTTEXT on HIGHLIGHT), and a
// colour that would only mark a state (GRAYTEXT, HOTLIGHT) is used for text only where it stays
// readable against what is behind it; elsewhere the pair's own text colour takes its place.

#include <windows.h>

#include <functional>

namespace corvelle::ui {

// Whether High Contrast is on. The window asks through this, so that a test can give the answer
// the system under test cannot (Wine always says it is off).
using HighContrastQuery = std::function<bool()>;

// The system's answer: SystemParametersInfoW(SPI_GETHIGHCONTRAST) reports HCF_HIGHCONTRASTON.
bool SystemHighContrastOn();

// A system colour by its COLOR_ index: GetSysColor, or a scheme a test writes out.
using SysColourLookup = std::function<COLORREF(int)>;

// WCAG's contrast ratio of two colours, from 1 (the same) to 21 (black and white).
double ContrastRatio(COLORREF a, COLORREF b);
// Text at least this far from its background: WCAG's higher level.
inline constexpr double kReadableContrast = 7.0;

// The form's colours. Text colours are for text on the background named before them.
struct FormColours {
    bool highContrast = false;
    COLORREF form = 0;         // the window, Frame1 and Check1
    COLORREF frameText = 0;    // Frame1's caption, and in High Contrast its line
    COLORREF check1Text = 0;
    COLORREF list1 = 0;
    COLORREF list1Text = 0;    // a line of the list while it is enabled
    COLORREF list1Greyed = 0;  // a line of the idle (disabled) list
};

FormColours FormColoursFor(bool highContrast, const SysColourLookup& sysColour = GetSysColor);

// A command button's colours in High Contrast.
struct ButtonColours {
    COLORREF face = 0;
    COLORREF text = 0;
    COLORREF border = 0;
};

// emphasised: the button has the focus or is the default one; hot: the mouse is over it.
ButtonColours HighContrastButtonColours(bool disabled, bool emphasised, bool hot,
                                        const SysColourLookup& sysColour = GetSysColor);

}  // namespace corvelle::ui
