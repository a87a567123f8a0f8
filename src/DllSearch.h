#pragma once
// Where DLLs that are loaded by name may come from; both programs call this first thing.

#include <windows.h>

namespace corvelle {

// Where the system has SetDefaultDllDirectories (Windows 8 on, and Vista and 7 with their update),
// DLLs loaded by name from now on come from the system folder only: a DLL of the same name beside
// the program (in a Downloads folder, say) or in the current folder is never loaded in its place.
// Elsewhere nothing changes; the programs load their few DLLs that are not always taken from the
// system folder by their full path anyway.
inline void LoadDllsFromSystemFolderOnly() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const FARPROC found =
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (found != nullptr) {
        // The detour through a function type without parameters is the one conversion the
        // compiler accepts between function types.
        const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
            reinterpret_cast<void (*)()>(found));
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

}  // namespace corvelle
