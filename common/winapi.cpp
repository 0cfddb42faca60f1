/*
** The table of what the module takes from Windows at run time. The DLLs
** that export the wide functions are loaded already: the module imports
** ANSI functions from each.
*/
#include "winapi.h"

static WindowsApi g_windows;      /* filled by FillWindowsApi */
static volatile LONG g_filled;    /* whether g_windows is filled */

/* Stand-ins for the wide functions where Windows has none: each fails as Windows 95's stubs do. */
static int Unimplemented(void)
{
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return 0;
}
static int WINAPI NoCompareStringW(LCID, DWORD, LPCWSTR, int, LPCWSTR, int) { return Unimplemented(); }
static int WINAPI NoLCMapStringW(LCID, DWORD, LPCWSTR, int, LPWSTR, int) { return Unimplemented(); }
static int WINAPI NoGetLocaleInfoW(LCID, LCTYPE, LPWSTR, int) { return Unimplemented(); }
static DWORD WINAPI NoGetModuleFileNameW(HMODULE, LPWSTR, DWORD) { return (DWORD)Unimplemented(); }
static DWORD WINAPI NoGetFullPathNameW(LPCWSTR, DWORD, LPWSTR, LPWSTR*) { return (DWORD)Unimplemented(); }
static int WINAPI NoLoadStringW(HINSTANCE, UINT, LPWSTR, int) { return Unimplemented(); }
static int WINAPI NoMessageBoxW(HWND, LPCWSTR, LPCWSTR, UINT) { return Unimplemented(); }
static LONG WINAPI NoRegCreateKeyExW(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY,
                                     LPDWORD)
{
    return ERROR_CALL_NOT_IMPLEMENTED;
}
static LONG WINAPI NoRegOpenKeyExW(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY) { return ERROR_CALL_NOT_IMPLEMENTED; }
static LONG WINAPI NoRegEnumKeyW(HKEY, DWORD, LPWSTR, DWORD) { return ERROR_CALL_NOT_IMPLEMENTED; }
static LONG WINAPI NoRegDeleteKeyW(HKEY, LPCWSTR) { return ERROR_CALL_NOT_IMPLEMENTED; }

/* Whether Windows is of the NT family. Windows 95, 98 and Me are not; a failed query counts as them. */
static BOOL AskIsNt(void)
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

/*
** Sets *entry to the function name of dll where the NT family has it,
** else to stand-in. GetProcAddress's FARPROC is cast through void*, as
** the entry's own type is the function's.
*/
template <typename Proc>
static void FindWide(Proc* entry, HMODULE dll, const char* name, Proc standIn)
{
    void* found = g_windows.isNt && dll != NULL ? (void*)GetProcAddress(dll, name) : NULL;
    *entry = found != NULL ? (Proc)found : standIn;
}

static void FillWindowsApi(void)
{
    g_windows.isNt = AskIsNt();
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    HMODULE user = GetModuleHandleA("USER32.DLL");
    HMODULE advapi = GetModuleHandleA("ADVAPI32.DLL");
    FindWide(&g_windows.CompareStringW, kernel, "CompareStringW", NoCompareStringW);
    FindWide(&g_windows.LCMapStringW, kernel, "LCMapStringW", NoLCMapStringW);
    FindWide(&g_windows.GetLocaleInfoW, kernel, "GetLocaleInfoW", NoGetLocaleInfoW);
    FindWide(&g_windows.GetModuleFileNameW, kernel, "GetModuleFileNameW", NoGetModuleFileNameW);
    FindWide(&g_windows.GetFullPathNameW, kernel, "GetFullPathNameW", NoGetFullPathNameW);
    FindWide(&g_windows.LoadStringW, user, "LoadStringW", NoLoadStringW);
    FindWide(&g_windows.MessageBoxW, user, "MessageBoxW", NoMessageBoxW);
    FindWide(&g_windows.RegCreateKeyExW, advapi, "RegCreateKeyExW", NoRegCreateKeyExW);
    FindWide(&g_windows.RegOpenKeyExW, advapi, "RegOpenKeyExW", NoRegOpenKeyExW);
    FindWide(&g_windows.RegEnumKeyW, advapi, "RegEnumKeyW", NoRegEnumKeyW);
    FindWide(&g_windows.RegDeleteKeyW, advapi, "RegDeleteKeyW", NoRegDeleteKeyW);
}

/*
** The table, filled the first time it is asked for. The module runs on
** the editor's one thread; were two threads to ask at once, both would
** fill it with the same values.
*/
WindowsApi* Win(void)
{
    if (!g_filled) {
        FillWindowsApi();
        g_filled = TRUE;
    }
    return &g_windows;
}
