/*
** What the module takes from Windows beyond the functions it imports: the
** wide-character functions, found at run time on the NT family (a DLL that
** imported them would not load on Windows 95 at all), and whether this is
** the NT family. One table, filled the first time it is asked for. On
** other Windows each wide entry fails as Windows 95's own stubs do, with
** ERROR_CALL_NOT_IMPLEMENTED, so a call through it never crashes.
**
** Call sites name the table (Win()->CompareStringW(...)), so that each
** shows that its call can fail on the 9x family. Tests replace single
** entries to make Windows answer otherwise.
*/
#ifndef ZTOA_WINAPI_H
#define ZTOA_WINAPI_H

#include <windows.h>

typedef struct WindowsApi {
    BOOL isNt;   /* the NT family, whose wide-character functions are complete */
    int(WINAPI* CompareStringW)(LCID, DWORD, LPCWSTR, int, LPCWSTR, int);
    int(WINAPI* LCMapStringW)(LCID, DWORD, LPCWSTR, int, LPWSTR, int);
    int(WINAPI* GetLocaleInfoW)(LCID, LCTYPE, LPWSTR, int);
    DWORD(WINAPI* GetModuleFileNameW)(HMODULE, LPWSTR, DWORD);
    DWORD(WINAPI* GetFullPathNameW)(LPCWSTR, DWORD, LPWSTR, LPWSTR*);
    int(WINAPI* LoadStringW)(HINSTANCE, UINT, LPWSTR, int);
    int(WINAPI* MessageBoxW)(HWND, LPCWSTR, LPCWSTR, UINT);
    LONG(WINAPI* RegCreateKeyExW)(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD);
    LONG(WINAPI* RegOpenKeyExW)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
    LONG(WINAPI* RegEnumKeyW)(HKEY, DWORD, LPWSTR, DWORD);
    LONG(WINAPI* RegDeleteKeyW)(HKEY, LPCWSTR);
} WindowsApi;

WindowsApi* Win(void);

#endif
