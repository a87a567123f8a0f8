#pragma once
// Conversions between byte texts in a code page (the ANSI code page of the registry texts, UTF-8 of
// the command line) and the UTF-16 of the wide Windows API. Windows only.

#include <windows.h>

#include <string>

namespace corvelle::text {

std::wstring ToWide(const std::string& text, UINT codePage);
std::string FromWide(const std::wstring& text, UINT codePage);

}  // namespace corvelle::text
