/*
** The settings store. Every call opens the module's key, uses it and
** closes it again, so no handle outlives a call. Failures are silent:
** a missing or unreadable value gives its default.
*/
#include "settings.h"
#include "../plugin/module.h"

#include <string.h>

/*
** Fills title (MAX_PATH bytes) with the file name of this module cut at
** its first dot, so that Tools.Sort.dll gives "Tools". The dot is looked
** for character by character in the ANSI code page, so the trail byte of
** a double-byte character is never taken for a dot.
** Returns FALSE when the module's path cannot be had.
*/
BOOL GetModuleTitle(char* title)
{
    char modulePath[MAX_PATH];
    char fullPath[MAX_PATH];
    char* fileName = NULL;

    DWORD n = GetModuleFileNameA(g_hInstance, modulePath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return FALSE;
    n = GetFullPathNameA(modulePath, MAX_PATH, fullPath, &fileName);
    if (n == 0 || n >= MAX_PATH)
        return FALSE;
    if (fileName == NULL)
        fileName = fullPath;

    char* p = fileName;
    while (*p != '\0' && *p != '.') {
        if (IsDBCSLeadByte((BYTE)*p) && p[1] != '\0')
            p += 2;
        else
            p += 1;
    }
    *p = '\0';
    lstrcpynA(title, fileName, MAX_PATH);
    return TRUE;
}

/*
** Fills path (MAX_PATH bytes) with the key path of this module's settings.
** Returns FALSE when the title cannot be formed or the whole path would not
** fit: a cut-off path would name some other key.
*/
BOOL GetSettingsKeyPath(char* path)
{
    char title[MAX_PATH];
    if (!GetModuleTitle(title))
        return FALSE;
    size_t prefixLen = sizeof(SETTINGS_KEY_PREFIX) - 1;
    size_t titleLen = strlen(title);
    if (prefixLen + titleLen >= MAX_PATH)
        return FALSE;
    memcpy(path, SETTINGS_KEY_PREFIX, prefixLen);
    memcpy(path + prefixLen, title, titleLen + 1);
    return TRUE;
}

/*
** Opens this module's settings key, creating it when it is missing.
** Returns NULL when the path cannot be formed or the key cannot be opened.
*/
HKEY OpenSettingsKey(void)
{
    char path[MAX_PATH];
    if (!GetSettingsKeyPath(path))
        return NULL;
    HKEY key = NULL;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, NULL, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, NULL, &key, &disposition) != ERROR_SUCCESS)
        return NULL;
    return key;
}

/*
** Returns the 4-byte value name of key, or defaultValue when key is NULL or
** the value is missing or larger than 4 bytes. The value's type is not
** examined; bytes that a shorter value leaves unfilled read as 0.
*/
DWORD ReadDwordValue(HKEY key, const char* name, DWORD defaultValue)
{
    if (key == NULL)
        return defaultValue;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExA(key, name, NULL, NULL, (BYTE*)&value, &size) != ERROR_SUCCESS)
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
    HKEY key = OpenSettingsKey();
    if (key == NULL)
        return FALSE;
    *locale = ReadDwordValue(key, "Locale", GetSystemDefaultLCID());
    *flags = ReadDwordValue(key, "Flags", 0);
    RegCloseKey(key);
    return TRUE;
}

BOOL SaveSettings(DWORD locale, DWORD flags)
{
    HKEY key = OpenSettingsKey();
    if (key == NULL)
        return FALSE;
    WriteDwordValue(key, "Locale", locale);
    WriteDwordValue(key, "Flags", flags);
    RegCloseKey(key);
    return TRUE;
}

/* Deletes this module's key; the keys above it stay. */
void DeleteSettings(void)
{
    char path[MAX_PATH];
    if (GetSettingsKeyPath(path))
        RegDeleteKeyA(HKEY_CURRENT_USER, path);
}
