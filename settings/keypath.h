/*
** The settings key's path: the fixed prefix under HKEY_CURRENT_USER and
** the module's title. Shared by the module and by the stand-in host, which
** must name the same key for a module file.
*/
#ifndef ZTOA_KEYPATH_H
#define ZTOA_KEYPATH_H

#include <windows.h>

#define SETTINGS_KEY_PREFIX   "Software\\Norvale\\QuillonPlugIns\\"
#define SETTINGS_KEY_PREFIX_W L"Software\\Norvale\\QuillonPlugIns\\"

BOOL SettingsKeyPathOfFileW(const WCHAR* modulePath, WCHAR* path);

#endif
