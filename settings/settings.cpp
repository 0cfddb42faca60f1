/*
** The settings store. Every call opens the module's key, uses it and
** closes it again, so no handle outlives a call. Failures are silent:
** a missing or unreadable value gives its default.
*/
#include "settings.h"
#include "keypath.h"
#include "../common/platform.h"
#include "../common/instance.h"
#include "../common/memory.h"
#include "../common/widefunc.h"

#include <string.h>

/* How deep a settings key may nest keys of its own and still be deleted. */
#define MAX_KEY_DEPTH 32
/* The longest name of a registry key, terminator included. */
#define MAX_KEY_NAME 256

/* The module's path and its full form, in the ANSI code page or in UTF-16. */
static DWORD ModuleFileName(char* path, DWORD size) { return GetModuleFileNameA(g_hInstance, path, size); }
static DWORD ModuleFileName(WCHAR* path, DWORD size) { return GetModuleFileNameW(g_hInstance, path, size); }
static DWORD FullPathName(const char* path, DWORD size, char* full, char** name)
{
    return GetFullPathNameA(path, size, full, name);
}
static DWORD FullPathName(const WCHAR* path, DWORD size, WCHAR* full, WCHAR** name)
{
    return GetFullPathNameW(path, size, full, name);
}

/* The longest path, in characters, that the module's path is looked for in. */
#define MAX_LONG_PATH 32768

/*
** Returns this module's full path in a buffer that the caller frees, and
** points *fileName at its file name within it. The buffers grow until the
** path fits, so that a module deep in folders (a path of MAX_PATH
** characters and more) still finds its key. Returns NULL when the path
** cannot be had or no memory can be had for it.
*/
template <typename Char>
static Char* GetModuleFullPath(Char** fileName)
{
    Char* modulePath = NULL;
    BOOL fits = FALSE;
    for (DWORD room = MAX_PATH; !fits && room <= MAX_LONG_PATH; room *= 2) {
        ZtoaFree(modulePath);
        modulePath = (Char*)ZtoaAlloc(room * sizeof(Char));
        if (modulePath == NULL)
            return NULL;
        DWORD n = ModuleFileName(modulePath, room);
        if (n == 0)
            break;
        /* A path cut to the room is as long as the room. */
        fits = n < room;
    }
    Char* fullPath = NULL;
    if (fits) {
        DWORD room = FullPathName(modulePath, 0, NULL, NULL);
        fullPath = room > 0 ? (Char*)ZtoaAlloc(room * sizeof(Char)) : NULL;
        *fileName = NULL;
        DWORD got = fullPath != NULL ? FullPathName(modulePath, room, fullPath, fileName) : 0;
        if (got == 0 || got >= room) {
            ZtoaFree(fullPath);
            fullPath = NULL;
        } else if (*fileName == NULL) {
            *fileName = fullPath;
        }
    }
    ZtoaFree(modulePath);
    return fullPath;
}

/*
** Fills title (MAX_PATH bytes) with the file name of this module cut at
** its first dot, so that Tools.Sort.dll gives "Tools". The dot is looked
** for character by character in the ANSI code page, so the trail byte of
** a double-byte character is never taken for a dot.
** Returns FALSE when the module's path cannot be had.
*/
BOOL GetModuleTitle(char* title)
{
    char* fileName;
    char* fullPath = GetModuleFullPath(&fileName);
    if (fullPath == NULL)
        return FALSE;

    char* p = fileName;
    while (*p != '\0' && *p != '.') {
        if (IsDBCSLeadByte((BYTE)*p) && p[1] != '\0')
            p += 2;
        else
            p += 1;
    }
    *p = '\0';
    lstrcpynA(title, fileName, MAX_PATH);
    ZtoaFree(fullPath);
    return TRUE;
}

/*
** Fills path (MAX_PATH bytes) with the key path of this module's settings
** in the ANSI code page. Returns FALSE when the title cannot be formed, is
** empty (it would name the key all plug-ins share) or the whole path would
** not fit: a cut-off path would name some other key.
*/
BOOL GetSettingsKeyPath(char* path)
{
    char title[MAX_PATH];
    if (!GetModuleTitle(title))
        return FALSE;
    size_t prefixLen = ARRAYSIZE(SETTINGS_KEY_PREFIX) - 1;
    size_t titleLen = (size_t)lstrlenA(title);
    if (titleLen == 0 || prefixLen + titleLen >= MAX_PATH)
        return FALSE;
    memcpy(path, SETTINGS_KEY_PREFIX, prefixLen);
    memcpy(path + prefixLen, title, titleLen + 1);
    return TRUE;
}

/*
** Fills path (MAX_PATH characters) with the key path of this module's
** settings, formed from the module's wide file name. Two copies whose
** names differ only in characters that the ANSI code page lacks so get
** keys of their own, while every name the code page can spell keeps the
** key that its ANSI form names. Returns FALSE as GetSettingsKeyPath does.
*/
static BOOL GetSettingsKeyPathW(WCHAR* path)
{
    WCHAR* fileName;
    WCHAR* fullPath = GetModuleFullPath(&fileName);
    BOOL formed = fullPath != NULL && SettingsKeyPathOfFileW(fullPath, path);
    ZtoaFree(fullPath);
    return formed;
}

/*
** Opens this module's settings key with access, creating it when it is
** missing. A key that exists is opened, not created, so that a key the
** user may read but not write still gives its settings. The NT family
** names it by the module's wide file name, the others by its ANSI one.
** Returns NULL when the path cannot be formed or the key cannot be opened.
*/
HKEY OpenSettingsKey(REGSAM access)
{
    HKEY key = NULL;
    DWORD disposition = 0;
    LONG rc;
    if (IsNtPlatform()) {
        WCHAR path[MAX_PATH];
        if (!GetSettingsKeyPathW(path))
            return NULL;
        rc = RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, access, &key);
        if (rc == ERROR_FILE_NOT_FOUND)
            rc = RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, NULL, REG_OPTION_NON_VOLATILE, access, NULL, &key,
                                 &disposition);
    } else {
        char path[MAX_PATH];
        if (!GetSettingsKeyPath(path))
            return NULL;
        rc = RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, &key);
        if (rc == ERROR_FILE_NOT_FOUND)
            rc = RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, NULL, REG_OPTION_NON_VOLATILE, access, NULL, &key,
                                 &disposition);
    }
    return rc == ERROR_SUCCESS ? key : NULL;
}

/*
** Returns the value name of key as a DWORD, or defaultValue when key is
** NULL or the value is missing or of a kind that holds no DWORD. A
** REG_DWORD or REG_BINARY of at most 4 bytes is taken, the bytes that a
** shorter one leaves unfilled reading as 0. Text ("411" as REG_SZ would read
** as 0x313134) and longer values are not numbers the dialog stored.
*/
DWORD ReadDwordValue(HKEY key, const char* name, DWORD defaultValue)
{
    if (key == NULL)
        return defaultValue;
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = REG_NONE;
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE*)&value, &size) != ERROR_SUCCESS)
        return defaultValue;
    if (type != REG_DWORD && type != REG_BINARY)
        return defaultValue;
    return value;
}

void WriteDwordValue(HKEY key, const char* name, DWORD value)
{
    if (key == NULL)
        return;
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value));
}

/*
** Reads the locale and flags. Returns FALSE, writing neither output, when
** the key can be neither opened nor created.
*/
BOOL LoadSettings(DWORD* locale, DWORD* flags)
{
    HKEY key = OpenSettingsKey(KEY_READ);
    if (key == NULL)
        return FALSE;
    *locale = ReadDwordValue(key, "Locale", GetSystemDefaultLCID());
    *flags = ReadDwordValue(key, "Flags", 0);
    RegCloseKey(key);
    return TRUE;
}

BOOL SaveSettings(DWORD locale, DWORD flags)
{
    HKEY key = OpenSettingsKey(KEY_READ | KEY_WRITE);
    if (key == NULL)
        return FALSE;
    WriteDwordValue(key, "Locale", locale);
    WriteDwordValue(key, "Flags", flags);
    RegCloseKey(key);
    return TRUE;
}

/*
** Deletes the key name under parent with every key below it. The NT
** family's RegDeleteKey refuses a key that has keys of its own, so those
** go first, deepest first. Returns FALSE when the key is still there (it
** nests deeper than MAX_KEY_DEPTH, or a deletion failed); a key that does
** not exist counts as deleted.
*/
static BOOL DeleteKeyTreeW(HKEY parent, const WCHAR* name, int depth)
{
    HKEY key;
    LONG rc = RegOpenKeyExW(parent, name, 0, KEY_READ | KEY_WRITE, &key);
    if (rc == ERROR_FILE_NOT_FOUND)
        return TRUE;
    if (rc != ERROR_SUCCESS || depth >= MAX_KEY_DEPTH) {
        if (rc == ERROR_SUCCESS)
            RegCloseKey(key);
        return FALSE;
    }
    BOOL emptied = TRUE;
    WCHAR child[MAX_KEY_NAME];
    /* Always the first child: deleting one renumbers the rest. */
    while (emptied && RegEnumKeyW(key, 0, child, ARRAYSIZE(child)) == ERROR_SUCCESS)
        emptied = DeleteKeyTreeW(key, child, depth + 1);
    RegCloseKey(key);
    if (!emptied)
        return FALSE;
    rc = RegDeleteKeyW(parent, name);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

/*
** Deletes this module's key with everything in it; the keys above it stay.
** Returns FALSE when the key could not be deleted. A path that cannot be
** formed names no key of this module, so there is nothing to delete.
*/
BOOL DeleteSettings(void)
{
    if (IsNtPlatform()) {
        WCHAR path[MAX_PATH];
        return !GetSettingsKeyPathW(path) || DeleteKeyTreeW(HKEY_CURRENT_USER, path, 0);
    }
    /* The other family's RegDeleteKey takes the keys below with it. */
    char path[MAX_PATH];
    if (!GetSettingsKeyPath(path))
        return TRUE;
    LONG rc = RegDeleteKeyA(HKEY_CURRENT_USER, path);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}
