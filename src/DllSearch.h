#pragma once
// Where DLLs that are loaded by name may come from; both programs call this first thing. And
// functions looked up at run time, converted to their type.

#include <windows.h>

namespace corvelle {

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

// Where the system has SetDefaultDllDirectories (Windows 8 on, and Vista and 7 with their update),
// DLLs loaded by name from now on come from the system folder only: a DLL of the same name beside
// the program (in a Downloads folder, say) or in the current folder is never loaded in its place.
// Elsewhere nothing changes; the programs load their few DLLs that are not always taken from the
// system folder by their full path anyway.
inline void LoadDllsFromSystemFolderOnly() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories = DllFunction<SetDefaultDllDirectoriesFunction>(
        GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (setDefaultDllDirectories != nullptr) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

}  // namespace corvelle
