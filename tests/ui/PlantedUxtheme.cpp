// A stand-in for a uxtheme.dll that someone left beside the program. Wine's own window DLLs load a
// uxtheme.dll by name while the program starts, before its first line runs, and call into it, so
// merely being loaded proves nothing about the program: what the program uses of it is what counts.
// The function the program calls, once called, leaves a file named "planted-dll-used" in the DLL's
// own folder. The functions Wine's DLLs call answer "no theme", so that they draw unthemed.

#include <windows.h>

#include <cwchar>

using HTHEME = HANDLE;

extern "C" {

__declspec(dllexport) HRESULT WINAPI SetWindowTheme(HWND /*window*/, LPCWSTR /*subAppName*/,
                                                    LPCWSTR /*subIdList*/) {
    constexpr const wchar_t* kTrace = L"planted-dll-used";
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&SetWindowTheme), &self);
    wchar_t path[MAX_PATH + 32] = {};
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    wchar_t* slash = length > 0 && length < MAX_PATH ? std::wcsrchr(path, L'\\') : nullptr;
    if (slash != nullptr) {
        std::wcscpy(slash + 1, kTrace);
        const HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
    }
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
