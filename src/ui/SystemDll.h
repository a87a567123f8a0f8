#pragma once
// Functions of system DLLs looked up at run time: those that only newer systems have, those of DLLs
// that Windows does not always take from the system folder, and those that only a click needs, whose
// DLLs are then not loaded while the program starts.

#include <windows.h>

#include "DllSearch.h"  // DllFunction

namespace corvelle::ui {

// Loads a DLL from the system folder by its full path, or finds it loaded, and keeps it for the
// rest of the process's life (pinned): work it starts may still run in its code after the call that
// needed it has returned. Never a DLL of that name from the program's folder or the current one.
// Null when it cannot be loaded.
HMODULE LoadSystemDllForGood(const wchar_t* name);

}  // namespace corvelle::ui
