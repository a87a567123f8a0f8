#include "ui/FormButtonSettings.h"

#include <array>

#include "ui/res/resource.h"

namespace corvelle::ui::layout {

ButtonSettings StoredButtonSettings(ControlId id) {
    // What sets the four apart; every other setting is the same for all of them.
    struct Differences {
        ControlId id;
        std::int32_t btype;
        const wchar_t* tx;
        std::int32_t coltype;
        WORD picn;
    };
    constexpr std::array<Differences, 4> kButtons = {{
        {kIdRaveButtons1, 2, L"Enable Corvelle", 2, IDB_BUTTON1},
        {kIdRaveButtons2, 2, L"Disable Corvelle", 2, IDB_BUTTON2},
        {kIdRaveButtons3, 3, L"Remove Ads", 1, IDB_BUTTON3},
        {kIdRaveButtons4, 1, L"Reinstate Ads", 2, IDB_BUTTON4},
    }};
    const Differences* button = kButtons.data();
    for (const Differences& candidate : kButtons) {
        if (candidate.id == id) {
            button = &candidate;
        }
    }
    return ButtonSettings{
        ._extentx = 2778,
        ._extenty = 661,
        .btype = button->btype,
        .tx = button->tx,
        .enab = true,
        .font = ButtonFont{.face = kFontFace,
                           .points = 8.25,
                           .weight = FW_NORMAL,
                           .charset = ANSI_CHARSET,
                           .italic = false,
                           .underline = false,
                           .strikeout = false},
        .coltype = button->coltype,
        .focusr = true,
        .bcol = RGB(0xD4, 0xD0, 0xC8),
        .bcolo = RGB(0xD4, 0xD0, 0xC8),
        .fcol = RGB(0x00, 0x00, 0x00),
        .fcolo = RGB(0x00, 0x00, 0x00),
        .mcol = RGB(0xC0, 0xC0, 0xC0),
        .mptr = 1,
        .micon = 0,
        .picn = button->picn,
        .umcol = true,
        .soft = false,
        .picpos = 0,
        .ngrey = false,
        .fx = 0,
        .hand = false,
        .check = false,
        .value = false,
    };
}

}  // namespace corvelle::ui::layout
