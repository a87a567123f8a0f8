#include "ui/SystemDll.h"

namespace corvelle::ui {

HMODULE LoadSystemDllForGood(const wchar_t* name) {
    if (LoadLibraryW(name) == nullptr) {
        return nullptr;
    }
    // Pinned, the module stays whatever FreeLibrary calls follow, so the reference just taken is
    // never given back.
    HMODULE module = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, name, &module) ? module : nullptr;
}

}  // namespace corvelle::ui
