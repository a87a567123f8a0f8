#pragma once
// Text conversions of the Windows program: UTF-8 for the command line's own texts, the ANSI code
// page for the registry names the messenger keys give, UTF-16 for the wide API. Windows only.

#include <windows.h>

#include <string>

namespace corvelle::cli {

std::wstring ToWide(const std::string& text, UINT codePage);
std::string ToUtf8(const std::wstring& text);
// The system's one-line description of a Win32 error code, with the code itself.
std::string SystemMessage(DWORD error);

}  // namespace corvelle::cli
