#include "ui/SystemDll.h"

#include <string>

namespace corvelle::ui {

HMODULE LoadSystemDllForGood(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    const std::wstring path = std::wstring(folder, length) + L'\\' + name;
    // The DLL's own imports are then looked for in its folder first, too.
    HMODULE loaded = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (loaded == nullptr) {
        return nullptr;
    }
    // Pinned, the module stays whatever FreeLibrary calls follow, so the reference just taken is
    // never given back.
    HMODULE module = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCWSTR>(loaded), &module)
               ? module
               : nullptr;
}

}  // namespace corvelle::ui
