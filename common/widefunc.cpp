/*
** The wide-character functions, found with GetProcAddress on the NT
** family. The DLLs that export them are loaded already: the module
** imports ANSI functions from each.
*/
#include "widefunc.h"
#include "platform.h"

enum WideFunction {
    WF_COMPARE_STRING,
    WF_LCMAP_STRING,
    WF_GET_LOCALE_INFO,
    WF_GET_MODULE_FILE_NAME,
    WF_GET_FULL_PATH_NAME,
    WF_LOAD_STRING,
    WF_MESSAGE_BOX,
    WF_REG_CREATE_KEY_EX,
    WF_REG_OPEN_KEY_EX,
    WF_REG_ENUM_KEY,
    WF_REG_DELETE_KEY,
    WF_COUNT
};

typedef struct WideName {
    const char* dll;
    const char* name;
} WideName;

static const WideName g_wideNames[WF_COUNT] = {   /* by WideFunction */
    { "KERNEL32.DLL", "CompareStringW" },
    { "KERNEL32.DLL", "LCMapStringW" },
    { "KERNEL32.DLL", "GetLocaleInfoW" },
    { "KERNEL32.DLL", "GetModuleFileNameW" },
    { "KERNEL32.DLL", "GetFullPathNameW" },
    { "USER32.DLL", "LoadStringW" },
    { "USER32.DLL", "MessageBoxW" },
    { "ADVAPI32.DLL", "RegCreateKeyExW" },
    { "ADVAPI32.DLL", "RegOpenKeyExW" },
    { "ADVAPI32.DLL", "RegEnumKeyW" },
    { "ADVAPI32.DLL", "RegDeleteKeyW" },
};

static void* volatile g_wideProcs[WF_COUNT];   /* found so far, by WideFunction */

/*
** The address of one wide function; found the first time on the NT family.
** Returns NULL, with ERROR_CALL_NOT_IMPLEMENTED as the last error, on
** other Windows or when the function cannot be found. Threads that look
** one up at once store the same address.
*/
static void* WideProc(WideFunction which)
{
    void* proc = g_wideProcs[which];
    if (proc == NULL && IsNtPlatform()) {
        HMODULE module = GetModuleHandleA(g_wideNames[which].dll);
        if (module != NULL)
            proc = (void*)GetProcAddress(module, g_wideNames[which].name);
        g_wideProcs[which] = proc;
    }
    if (proc == NULL)
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return proc;
}

/* Whether two function names are the same (without importing lstrcmpA). */
static BOOL SameName(const char* a, const char* b)
{
    while (*a != '\0' && *a == *b) {
        a++;
        b++;
    }
    return *a == *b;
}

/*
** Puts proc in the place of the wide function name (as Windows names it)
** and returns the one that was there, found first if need be; NULL for a
** name the module does not call.
*/
void* ReplaceWideProc(const char* name, void* proc)
{
    for (int i = 0; i < WF_COUNT; i++) {
        if (SameName(g_wideNames[i].name, name)) {
            void* old = WideProc((WideFunction)i);
            g_wideProcs[i] = proc;
            return old;
        }
    }
    return NULL;
}

int WINAPI LateCompareStringW(LCID locale, DWORD flags, LPCWSTR first, int firstLen, LPCWSTR second, int secondLen)
{
    typedef int(WINAPI * Proc)(LCID, DWORD, LPCWSTR, int, LPCWSTR, int);
    Proc proc = (Proc)WideProc(WF_COMPARE_STRING);
    return proc != NULL ? proc(locale, flags, first, firstLen, second, secondLen) : 0;
}

int WINAPI LateLCMapStringW(LCID locale, DWORD flags, LPCWSTR source, int sourceLen, LPWSTR dest, int destLen)
{
    typedef int(WINAPI * Proc)(LCID, DWORD, LPCWSTR, int, LPWSTR, int);
    Proc proc = (Proc)WideProc(WF_LCMAP_STRING);
    return proc != NULL ? proc(locale, flags, source, sourceLen, dest, destLen) : 0;
}

int WINAPI LateGetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size)
{
    typedef int(WINAPI * Proc)(LCID, LCTYPE, LPWSTR, int);
    Proc proc = (Proc)WideProc(WF_GET_LOCALE_INFO);
    return proc != NULL ? proc(locale, type, data, size) : 0;
}

DWORD WINAPI LateGetModuleFileNameW(HMODULE module, LPWSTR path, DWORD size)
{
    typedef DWORD(WINAPI * Proc)(HMODULE, LPWSTR, DWORD);
    Proc proc = (Proc)WideProc(WF_GET_MODULE_FILE_NAME);
    return proc != NULL ? proc(module, path, size) : 0;
}

DWORD WINAPI LateGetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR full, LPWSTR* name)
{
    typedef DWORD(WINAPI * Proc)(LPCWSTR, DWORD, LPWSTR, LPWSTR*);
    Proc proc = (Proc)WideProc(WF_GET_FULL_PATH_NAME);
    return proc != NULL ? proc(path, size, full, name) : 0;
}

int WINAPI LateLoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size)
{
    typedef int(WINAPI * Proc)(HINSTANCE, UINT, LPWSTR, int);
    Proc proc = (Proc)WideProc(WF_LOAD_STRING);
    return proc != NULL ? proc(instance, id, buffer, size) : 0;
}

int WINAPI LateMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    typedef int(WINAPI * Proc)(HWND, LPCWSTR, LPCWSTR, UINT);
    Proc proc = (Proc)WideProc(WF_MESSAGE_BOX);
    return proc != NULL ? proc(owner, text, caption, type) : 0;
}

LONG WINAPI LateRegCreateKeyExW(HKEY parent, LPCWSTR name, DWORD reserved, LPWSTR keyClass, DWORD options,
                                REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition)
{
    typedef LONG(WINAPI * Proc)(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD);
    Proc proc = (Proc)WideProc(WF_REG_CREATE_KEY_EX);
    return proc != NULL ? proc(parent, name, reserved, keyClass, options, access, security, key, disposition)
                        : ERROR_CALL_NOT_IMPLEMENTED;
}

LONG WINAPI LateRegOpenKeyExW(HKEY parent, LPCWSTR name, DWORD options, REGSAM access, PHKEY key)
{
    typedef LONG(WINAPI * Proc)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
    Proc proc = (Proc)WideProc(WF_REG_OPEN_KEY_EX);
    return proc != NULL ? proc(parent, name, options, access, key) : ERROR_CALL_NOT_IMPLEMENTED;
}

LONG WINAPI LateRegEnumKeyW(HKEY key, DWORD index, LPWSTR name, DWORD size)
{
    typedef LONG(WINAPI * Proc)(HKEY, DWORD, LPWSTR, DWORD);
    Proc proc = (Proc)WideProc(WF_REG_ENUM_KEY);
    return proc != NULL ? proc(key, index, name, size) : ERROR_CALL_NOT_IMPLEMENTED;
}

LONG WINAPI LateRegDeleteKeyW(HKEY parent, LPCWSTR name)
{
    typedef LONG(WINAPI * Proc)(HKEY, LPCWSTR);
    Proc proc = (Proc)WideProc(WF_REG_DELETE_KEY);
    return proc != NULL ? proc(parent, name) : ERROR_CALL_NOT_IMPLEMENTED;
}
