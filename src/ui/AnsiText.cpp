#include "ui/AnsiText.h"

#include <windows.h>

#include "text/WideText.h"

namespace corvelle::ui {

std::wstring FromAnsi(const std::string& text) {
    return text::ToWide(text, CP_ACP);
}

std::string ToAnsi(const std::wstring& text) {
    return text::FromWide(text, CP_ACP);
}

}  // namespace corvelle::ui
