/*
** The settings key's path: the fixed prefix under HKEY_CURRENT_USER and
** the module's title. Shared by the module and by the stand-in host, which
** must name the same key for a module file.
*/
#ifndef ZTOA_KEYPATH_H
#define ZTOA_KEYPATH_H

#include <windows.h>

#define PLUGINS_KEY_PATH      "Software\\Norvale\\QuillonPlugIns"   /* the host's, shared by all plug-ins */
#define SETTINGS_KEY_PREFIX   PLUGINS_KEY_PATH "\\"

BOOL SettingsKeyPathOfFile(const char* modulePath, char* path);
BOOL SettingsKeyPathOfFile(const WCHAR* modulePath, WCHAR* path);

#endif
