/*
** The settings store. Every call opens the module's key, uses it and
** closes it again, so no handle outlives a call. Failures are silent:
** a missing or unreadable value gives its default.
*/
#include "settings.h"
#include "keypath.h"
#include "../common/instance.h"
#include "../common/memory.h"
#include "../common/winapi.h"

#include <string.h>

/* How deep a settings key may nest keys of its own and still be deleted. */
#define MAX_KEY_DEPTH 32
/* The longest name of a registry key, terminator included. */
#define MAX_KEY_NAME 256

/* The module's path, its full form, and its key, in the ANSI code page or in UTF-16. */
static DWORD ModuleFileName(char* path, DWORD size) { return GetModuleFileNameA(g_hInstance, path, size); }
static DWORD ModuleFileName(WCHAR* path, DWORD size) { return Win()->GetModuleFileNameW(g_hInstance, path, size); }
static DWORD FullPathName(const char* path, DWORD size, char* full) { return GetFullPathNameA(path, size, full, NULL); }
static DWORD FullPathName(const WCHAR* path, DWORD size, WCHAR* full)
{
    return Win()->GetFullPathNameW(path, size, full, NULL);
}
static LONG OpenKey(const char* path, REGSAM access, HKEY* key)
{
    return RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, key);
}
static LONG OpenKey(const WCHAR* path, REGSAM access, HKEY* key)
{
    return Win()->RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, access, key);
}
static LONG CreateKey(const char* path, REGSAM access, HKEY* key)
{
    return RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, NULL, REG_OPTION_NON_VOLATILE, access, NULL, key, NULL);
}
static LONG CreateKey(const WCHAR* path, REGSAM access, HKEY* key)
{
    return Win()->RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, NULL, REG_OPTION_NON_VOLATILE, access, NULL, key, NULL);
}

/* The longest path, in characters, that the module's path is looked for in. */
#define MAX_LONG_PATH 32768

/*
** Returns this module's full path in a buffer that the caller frees. The
** buffers grow until the path fits, so that a module deep in folders (a
** path of MAX_PATH characters and more) still finds its key. Returns NULL
** when the path cannot be had or no memory can be had for it.
*/
template <typename Char>
static Char* GetModuleFullPath(void)
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
        DWORD room = FullPathName(modulePath, 0, (Char*)NULL);
        fullPath = room > 0 ? (Char*)ZtoaAlloc(room * sizeof(Char)) : NULL;
        DWORD got = fullPath != NULL ? FullPathName(modulePath, room, fullPath) : 0;
        if (got == 0 || got >= room) {
            ZtoaFree(fullPath);
            fullPath = NULL;
        }
    }
    ZtoaFree(modulePath);
    return fullPath;
}

/*
** Fills path (MAX_PATH characters) with the key path of this module's
** settings, formed from the module's file name in the character set of
** Char. On the NT family the key is formed from the wide name: two copies
** whose names differ only in characters that the ANSI code page lacks so
** get keys of their own, while every name the code page can spell keeps
** the key that its ANSI form names. Returns FALSE when the path cannot be
** formed (see SettingsKeyPathOfFile).
*/
template <typename Char>
static BOOL GetKeyPath(Char* path)
{
    Char* fullPath = GetModuleFullPath<Char>();
    BOOL formed = fullPath != NULL && SettingsKeyPathOfFile(fullPath, path);
    ZtoaFree(fullPath);
    return formed;
}

/* The key path of this module's settings in the ANSI code page; see GetKeyPath. */
BOOL GetSettingsKeyPath(char* path)
{
    return GetKeyPath(path);
}

/*
** Opens the key at path with access, creating it when it is missing. A
** key that exists is opened, not created, so that a key the user may read
** but not write still gives its settings. Returns NULL when the path
** cannot be formed or the key cannot be opened.
*/
template <typename Char>
static HKEY OpenKeyOfModule(REGSAM access)
{
    Char path[MAX_PATH];
    if (!GetKeyPath(path))
        return NULL;
    HKEY key = NULL;
    LONG rc = OpenKey(path, access, &key);
    if (rc == ERROR_FILE_NOT_FOUND)
        rc = CreateKey(path, access, &key);
    return rc == ERROR_SUCCESS ? key : NULL;
}

/* This module's settings key, named by its wide file name on the NT family, by its ANSI one elsewhere. */
static HKEY OpenSettingsKey(REGSAM access)
{
    return Win()->isNt ? OpenKeyOfModule<WCHAR>(access) : OpenKeyOfModule<char>(access);
}

/*
** Returns the value name of key as a DWORD, or defaultValue when key is
** NULL or the value is missing or of a kind that holds no DWORD. A
** REG_DWORD or REG_BINARY of at most 4 bytes is taken, the bytes that a
** shorter one leaves unfilled reading as 0. Text ("411" as REG_SZ would read
** as 0x313134) and longer values are not numbers the dialog stored.
*/
static DWORD ReadDwordValue(HKEY key, const char* name, DWORD defaultValue)
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

/* Writes a REG_DWORD value; returns whether the registry took it. */
static BOOL WriteDwordValue(HKEY key, const char* name, DWORD value)
{
    if (key == NULL)
        return FALSE;
    return RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value)) == ERROR_SUCCESS;
}

/*
** Whether this Windows compares under locale and flags: a locale it does
** not know, or a flag it does not, makes every comparison fail, and the
** lines would merely be rewritten in the order they had. The 9x family
** compares in the ANSI code page, the NT family in UTF-16.
*/
CompareSettings CompareSettingsOf(LCID locale, DWORD flags)
{
    CompareSettings settings;
    ZeroMemory(&settings, sizeof(settings));
    settings.locale = locale;
    settings.flags = flags;
    if (Win()->isNt)
        settings.accepted = Win()->CompareStringW(locale, flags, L"a", 1, L"b", 1) != 0;
    else
        settings.accepted = CompareStringA(locale, flags, "a", 1, "b", 1) != 0;
    return settings;
}

/*
** Reads the number separator of locale that type names (LOCALE_SDECIMAL or
** LOCALE_STHOUSAND) into separator, SEPARATOR_UNITS units; leaves it empty
** when it cannot be read. The 9x family gives it in the locale's ANSI code
** page (none for a Unicode-only locale: then the system's).
*/
static void ReadSeparator(LCID locale, LCTYPE type, WCHAR* separator)
{
    separator[0] = 0;
    if (Win()->isNt) {
        if (Win()->GetLocaleInfoW(locale, type, separator, SEPARATOR_UNITS) == 0)
            separator[0] = 0;
        return;
    }
    char text[2 * SEPARATOR_UNITS], page[8];
    if (GetLocaleInfoA(locale, type, text, sizeof(text)) == 0)
        return;
    UINT codePage = 0;
    if (GetLocaleInfoA(locale, LOCALE_IDEFAULTANSICODEPAGE, page, sizeof(page)) > 0)
        for (const char* c = page; *c >= '0' && *c <= '9'; c++)
            codePage = codePage * 10 + (UINT)(*c - '0');
    if (MultiByteToWideChar(codePage != 0 ? codePage : CP_ACP, 0, text, -1, separator, SEPARATOR_UNITS) == 0)
        separator[0] = 0;
}

/* Makes settings order lines by their leading numbers first, as the settings' locale writes numbers. */
void UseLeadingNumbers(CompareSettings* settings)
{
    settings->numbers = TRUE;
    ReadSeparator(settings->locale, LOCALE_SDECIMAL, settings->decimalSeparator);
    ReadSeparator(settings->locale, LOCALE_STHOUSAND, settings->groupSeparator);
}

/*
** The stored locale, flags and number option, and whether this Windows
** accepts them. A missing or unreadable value, or a key that can be
** neither opened nor created, gives the default: the system's default
** locale, no flags, numbers off. "Numbers" is on only when it is 1.
*/
CompareSettings LoadCompareSettings(void)
{
    LCID locale = GetSystemDefaultLCID();
    DWORD flags = 0;
    DWORD numbers = 0;
    HKEY key = OpenSettingsKey(KEY_READ);
    if (key != NULL) {
        locale = ReadDwordValue(key, "Locale", locale);
        flags = ReadDwordValue(key, "Flags", flags);
        numbers = ReadDwordValue(key, "Numbers", numbers);
        RegCloseKey(key);
    }
    CompareSettings settings = CompareSettingsOf(locale, flags);
    if (numbers == 1)
        UseLeadingNumbers(&settings);
    return settings;
}

BOOL SaveSettings(DWORD locale, DWORD flags, BOOL numbers)
{
    HKEY key = OpenSettingsKey(KEY_READ | KEY_WRITE);
    if (key == NULL)
        return FALSE;
    BOOL saved = WriteDwordValue(key, "Locale", locale);
    saved = WriteDwordValue(key, "Flags", flags) && saved;
    saved = WriteDwordValue(key, "Numbers", numbers ? 1 : 0) && saved;
    RegCloseKey(key);
    return saved;
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
    LONG rc = Win()->RegOpenKeyExW(parent, name, 0, KEY_READ | KEY_WRITE, &key);
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
    while (emptied && Win()->RegEnumKeyW(key, 0, child, ARRAYSIZE(child)) == ERROR_SUCCESS)
        emptied = DeleteKeyTreeW(key, child, depth + 1);
    RegCloseKey(key);
    if (!emptied)
        return FALSE;
    rc = Win()->RegDeleteKeyW(parent, name);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

/*
** Deletes this module's key with everything in it; the keys above it stay.
** Returns FALSE when the key could not be deleted. A path that cannot be
** formed names no key of this module, so there is nothing to delete.
*/
BOOL DeleteSettings(void)
{
    if (Win()->isNt) {
        WCHAR path[MAX_PATH];
        return !GetKeyPath(path) || DeleteKeyTreeW(HKEY_CURRENT_USER, path, 0);
    }
    /* The other family's RegDeleteKey takes the keys below with it. */
    char path[MAX_PATH];
    if (!GetKeyPath(path))
        return TRUE;
    LONG rc = RegDeleteKeyA(HKEY_CURRENT_USER, path);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}
