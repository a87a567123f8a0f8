#pragma once
// Where DLLs that are loaded by name later may come from; both programs call this first thing. And
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
// the loads by name that follow this call (LoadLibrary, and LoadLibraryEx without search flags of
// its own) look in the system folder only, not beside the program (in a Downloads folder, say) nor
// in the current folder. It cannot reach back: the program's imports, and theirs, were found by
// the system's own search order before its first line ran. Elsewhere nothing changes; the DLLs the
// programs load themselves that are not always taken from the system folder, they load by their
// full path there anyway.
inline void LoadDllsFromSystemFolderOnly() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories = DllFunction<SetDefaultDllDirectoriesFunction>(
        GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (setDefaultDllDirectories != nullptr) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

}  // namespace corvelle
