#include "ui/Tooltip.h"

#include <commctrl.h>

namespace corvelle::ui {

HWND CreateTooltip(HWND owner, HWND tool, const std::wstring& text) {
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
    HWND tooltip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance, nullptr);
    if (tooltip == nullptr) {
        return nullptr;
    }
    // The version 5 size of the structure is accepted by every common controls version.
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    // TTF_SUBCLASS: the tooltip watches the tool's mouse messages itself.
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    std::wstring buffer = text;  // the API takes a non-const pointer
    info.lpszText = buffer.data();
    if (!SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info))) {
        DestroyWindow(tooltip);
        return nullptr;
    }
    return tooltip;
}

}  // namespace corvelle::ui
