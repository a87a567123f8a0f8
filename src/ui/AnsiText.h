#pragma once
// Conversions between the commands' texts, which are in the system's ANSI code page, and the
// UTF-16 of the window API.

#include <string>

namespace corvelle::ui {

std::wstring FromAnsi(const std::string& text);
std::string ToAnsi(const std::wstring& text);

}  // namespace corvelle::ui
