/*
** The wide-character functions of Windows that the module calls. They
** are looked up when first called, and only on the NT family: a DLL that
** imported them would not load at all on a Windows that lacks one, even
** where the module never calls it. Elsewhere each fails as Windows 95's
** own stubs do, with ERROR_CALL_NOT_IMPLEMENTED.
**
** A file that includes this header calls them by their usual names, and
** lstrlenW is the module's own (the ANSI paths measure UTF-16 text too).
*/
#ifndef ZTOA_WIDEFUNC_H
#define ZTOA_WIDEFUNC_H

#include <windows.h>
#include "text.h"

int WINAPI LateCompareStringW(LCID locale, DWORD flags, LPCWSTR first, int firstLen, LPCWSTR second, int secondLen);
int WINAPI LateLCMapStringW(LCID locale, DWORD flags, LPCWSTR source, int sourceLen, LPWSTR dest, int destLen);
int WINAPI LateGetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size);
DWORD WINAPI LateGetModuleFileNameW(HMODULE module, LPWSTR path, DWORD size);
DWORD WINAPI LateGetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR full, LPWSTR* name);
int WINAPI LateLoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size);
int WINAPI LateMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
LONG WINAPI LateRegCreateKeyExW(HKEY parent, LPCWSTR name, DWORD reserved, LPWSTR keyClass, DWORD options,
                                REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition);
LONG WINAPI LateRegOpenKeyExW(HKEY parent, LPCWSTR name, DWORD options, REGSAM access, PHKEY key);
LONG WINAPI LateRegEnumKeyW(HKEY key, DWORD index, LPWSTR name, DWORD size);
LONG WINAPI LateRegDeleteKeyW(HKEY parent, LPCWSTR name);

/* The tests' way to make Windows answer otherwise: proc stands in for the wide function name from then on. */
void* ReplaceWideProc(const char* name, void* proc);

#define CompareStringW LateCompareStringW
#define LCMapStringW LateLCMapStringW
#define GetLocaleInfoW LateGetLocaleInfoW
#define GetModuleFileNameW LateGetModuleFileNameW
#define GetFullPathNameW LateGetFullPathNameW
#define LoadStringW LateLoadStringW
#define MessageBoxW LateMessageBoxW
#define RegCreateKeyExW LateRegCreateKeyExW
#define RegOpenKeyExW LateRegOpenKeyExW
#define RegEnumKeyW LateRegEnumKeyW
#define RegDeleteKeyW LateRegDeleteKeyW
#define lstrlenW TextLengthW

#endif
