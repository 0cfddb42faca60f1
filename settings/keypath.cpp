/*
** The rule that turns a module file's path into its settings key.
*/
#include "keypath.h"

#include <string.h>

/*
** Fills path (MAX_PATH characters) with the settings key of the module
** file at modulePath: the prefix followed by the file name cut at its
** first dot, so that Tools.Sort.dll reads and writes "...\Tools".
** Returns FALSE when the title is empty (".dll", ".hidden.dll"), which
** would name the plug-ins key that all plug-ins share, or when the whole
** path would not fit: a cut-off path would name some other key.
*/
BOOL SettingsKeyPathOfFileW(const WCHAR* modulePath, WCHAR* path)
{
    const WCHAR* name = modulePath;
    for (const WCHAR* p = modulePath; *p != L'\0'; p++) {
        if (*p == L'\\' || *p == L'/')
            name = p + 1;
    }
    size_t titleLen = 0;
    while (name[titleLen] != L'\0' && name[titleLen] != L'.')
        titleLen++;
    size_t prefixLen = ARRAYSIZE(SETTINGS_KEY_PREFIX_W) - 1;
    if (titleLen == 0 || prefixLen + titleLen >= MAX_PATH)
        return FALSE;
    memcpy(path, SETTINGS_KEY_PREFIX_W, prefixLen * sizeof(WCHAR));
    memcpy(path + prefixLen, name, titleLen * sizeof(WCHAR));
    path[prefixLen + titleLen] = L'\0';
    return TRUE;
}
