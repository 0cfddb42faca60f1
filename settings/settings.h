/*
** The comparison settings in the registry: "Locale" and "Flags" under
** HKEY_CURRENT_USER\Software\Norvale\QuillonPlugIns\<module title>.
*/
#ifndef ZTOA_SETTINGS_H
#define ZTOA_SETTINGS_H

#include <windows.h>

#include "keypath.h"

BOOL GetModuleTitle(char* title);
BOOL GetSettingsKeyPath(char* path);
HKEY OpenSettingsKey(REGSAM access);
DWORD ReadDwordValue(HKEY key, const char* name, DWORD defaultValue);
void WriteDwordValue(HKEY key, const char* name, DWORD value);
BOOL LoadSettings(DWORD* locale, DWORD* flags);
BOOL SaveSettings(DWORD locale, DWORD flags);
BOOL DeleteSettings(void);

#endif
