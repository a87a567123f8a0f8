// A stand-in for a uxtheme.dll that someone left beside the program. It leaves a trace file in its
// own folder when it is loaded, "planted-dll-loaded" (holding "static" when it came with the
// process's imports, "dynamic" when it was loaded later by name), and another, "planted-dll-used",
// when the function the program calls is called. The functions Wine's DLLs call answer "no theme",
// so that they draw unthemed.

#include <windows.h>

#include <cstring>
#include <cwchar>

using HTHEME = HANDLE;

namespace {

HMODULE self = nullptr;

// Writes a file of that name beside this DLL, holding the text.
void LeaveTrace(const wchar_t* name, const char* text) {
    wchar_t path[MAX_PATH + 32] = {};
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    wchar_t* slash = length > 0 && length < MAX_PATH ? std::wcsrchr(path, L'\\') : nullptr;
    if (slash == nullptr) {
        return;
    }
    std::wcscpy(slash + 1, name);
    const HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
        CloseHandle(file);
    }
}

}  // namespace

extern "C" {

// Only file calls of kernel32 here, which the loader allows while it holds its lock.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        // The system passes a non-null reserved for a DLL loaded with the process's imports.
        LeaveTrace(L"planted-dll-loaded", reserved != nullptr ? "static" : "dynamic");
    }
    return TRUE;
}

__declspec(dllexport) HRESULT WINAPI SetWindowTheme(HWND /*window*/, LPCWSTR /*subAppName*/,
                                                    LPCWSTR /*subIdList*/) {
    LeaveTrace(L"planted-dll-used", "SetWindowTheme");
    return S_OK;
}

__declspec(dllexport) HTHEME WINAPI OpenThemeData(HWND /*window*/, LPCWSTR /*classList*/) {
    return nullptr;
}
__declspec(dllexport) HTHEME WINAPI GetWindowTheme(HWND /*window*/) { return nullptr; }
__declspec(dllexport) HRESULT WINAPI CloseThemeData(HTHEME /*theme*/) { return S_OK; }
__declspec(dllexport) HRESULT WINAPI EnableThemeDialogTexture(HWND /*window*/, DWORD /*flags*/) {
    return E_NOTIMPL;
}
__declspec(dllexport) BOOL WINAPI IsThemeActive() { return FALSE; }
__declspec(dllexport) BOOL WINAPI IsAppThemed() { return FALSE; }

}  // extern "C"
