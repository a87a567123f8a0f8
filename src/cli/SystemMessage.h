#pragma once
// The system's description of a Win32 error code, for the command line's messages. Windows only.

#include <windows.h>

#include <string>

namespace corvelle::cli {

// One line in UTF-8, with the code itself: "Access is denied. (error 5)".
std::string SystemMessage(DWORD error);

}  // namespace corvelle::cli
