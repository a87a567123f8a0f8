#pragma once
// Functions of system DLLs looked up at run time: those that only newer systems have, those of DLLs
// that Windows does not always take from the system folder, and those that only a click needs, whose
// DLLs are then not loaded while the program starts.

#include <windows.h>

namespace corvelle::ui {

// GetProcAddress's result converted to the function's real type (the detour through a function
// type without parameters is the one conversion the compiler accepts between function types).
// Null when the module is null or lacks the function.
template <typename Function>
Function DllFunction(HMODULE module, const char* name) {
    if (module == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Loads a DLL from the system folder by its full path, or finds it loaded, and keeps it for the
// rest of the process's life (pinned): work it starts may still run in its code after the call that
// needed it has returned. Never a DLL of that name from the program's folder or the current one.
// Null when it cannot be loaded.
HMODULE LoadSystemDllForGood(const wchar_t* name);

}  // namespace corvelle::ui
