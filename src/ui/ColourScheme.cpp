#include "ui/ColourScheme.h"

#include <algorithm>
#include <cmath>

#include "ui/FormLayout.h"

namespace corvelle::ui {

namespace {

// The relative luminance of an sRGB colour, as WCAG 2 defines it.
double Luminance(COLORREF colour) {
    const auto linear = [](int channel) {
        const double value = channel / 255.0;
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(GetRValue(colour)) + 0.7152 * linear(GetGValue(colour)) +
           0.0722 * linear(GetBValue(colour));
}

// wanted where it is readable on background, else the scheme's own text colour for it.
COLORREF ReadableOr(COLORREF wanted, COLORREF fallback, COLORREF background) {
    return ContrastRatio(wanted, background) >= kReadableContrast ? wanted : fallback;
}

}  // namespace

bool SystemHighContrastOn() {
    HIGHCONTRASTW highContrast{};
    highContrast.cbSize = sizeof(highContrast);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(highContrast), &highContrast, 0) !=
               FALSE &&
           (highContrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

double ContrastRatio(COLORREF a, COLORREF b) {
    const double first = Luminance(a);
    const double second = Luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

FormColours FormColoursFor(bool highContrast, const SysColourLookup& sysColour) {
    if (!highContrast) {
        return FormColours{false,
                           layout::kFormBackground,
                           sysColour(COLOR_BTNTEXT),
                           layout::kCheck1Text,
                           layout::kList1Background,
                           sysColour(COLOR_WINDOWTEXT),
                           sysColour(COLOR_GRAYTEXT)};
    }
    const COLORREF face = sysColour(COLOR_BTNFACE);
    const COLORREF faceText = sysColour(COLOR_BTNTEXT);
    const COLORREF window = sysColour(COLOR_WINDOW);
    const COLORREF windowText = sysColour(COLOR_WINDOWTEXT);
    return FormColours{true,
                       face,
                       faceText,
                       faceText,
                       window,
                       windowText,
                       ReadableOr(sysColour(COLOR_GRAYTEXT), windowText, window)};
}

ButtonColours HighContrastButtonColours(bool disabled, bool emphasised, bool hot,
                                        const SysColourLookup& sysColour) {
    const COLORREF face = sysColour(COLOR_BTNFACE);
    const COLORREF faceText = sysColour(COLOR_BTNTEXT);
    if (disabled) {
        // Where the greyed text would be unreadable, the caption keeps the face's text colour and
        // the grey border alone tells the state.
        const COLORREF grey = sysColour(COLOR_GRAYTEXT);
        return ButtonColours{face, ReadableOr(grey, faceText, face), grey};
    }
    const COLORREF hotLight = sysColour(COLOR_HOTLIGHT);
    if (emphasised) {
        // In the selection's colours; where those are too close for text, the face keeps its own
        // and the selection's colour becomes the border.
        const COLORREF highlight = sysColour(COLOR_HIGHLIGHT);
        const COLORREF highlightText = sysColour(COLOR_HIGHLIGHTTEXT);
        if (ContrastRatio(highlightText, highlight) >= kReadableContrast) {
            return ButtonColours{highlight, highlightText, hot ? hotLight : faceText};
        }
        return ButtonColours{face, faceText, hot ? hotLight : highlight};
    }
    return ButtonColours{face, hot ? ReadableOr(hotLight, faceText, face) : faceText,
                         hot ? hotLight : faceText};
}

}  // namespace corvelle::ui
