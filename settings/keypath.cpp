/*
** The rule that turns a module file's path into its settings key, for a
** path in the ANSI code page and for one in UTF-16.
*/
#include "keypath.h"

#include <string.h>

static const char g_prefixA[] = SETTINGS_KEY_PREFIX;         /* the key prefix in each character set */
static const WCHAR g_prefixW[] = L"" SETTINGS_KEY_PREFIX;

static const char* KeyPrefix(const char*) { return g_prefixA; }
static const WCHAR* KeyPrefix(const WCHAR*) { return g_prefixW; }

/* The character after the one at p: in the ANSI code page a double-byte
   character counts as one, so that its trail byte is never taken for a
   dot or a backslash. */
static const char* NextChar(const char* p)
{
    return IsDBCSLeadByte((BYTE)*p) && p[1] != '\0' ? p + 2 : p + 1;
}
static const WCHAR* NextChar(const WCHAR* p) { return p + 1; }

/*
** Fills path (MAX_PATH characters) with the settings key of the module
** file at modulePath: the prefix followed by the file name cut at its
** first dot, so that Tools.Sort.dll reads and writes "...\Tools".
** Returns FALSE when the title is empty (".dll", ".hidden.dll"), which
** would name the plug-ins key that all plug-ins share, or when the whole
** path would not fit: a cut-off path would name some other key.
*/
template <typename Char>
static BOOL KeyPathOfFile(const Char* modulePath, Char* path)
{
    const Char* name = modulePath;
    for (const Char* p = modulePath; *p != 0; p = NextChar(p)) {
        if (*p == '\\' || *p == '/')
            name = p + 1;
    }
    const Char* end = name;
    while (*end != 0 && *end != '.')
        end = NextChar(end);
    size_t titleLen = (size_t)(end - name);
    size_t prefixLen = sizeof(SETTINGS_KEY_PREFIX) - 1;
    if (titleLen == 0 || prefixLen + titleLen >= MAX_PATH)
        return FALSE;
    memcpy(path, KeyPrefix(path), prefixLen * sizeof(Char));
    memcpy(path + prefixLen, name, titleLen * sizeof(Char));
    path[prefixLen + titleLen] = 0;
    return TRUE;
}

BOOL SettingsKeyPathOfFile(const char* modulePath, char* path)
{
    return KeyPathOfFile(modulePath, path);
}

BOOL SettingsKeyPathOfFile(const WCHAR* modulePath, WCHAR* path)
{
    return KeyPathOfFile(modulePath, path);
}
