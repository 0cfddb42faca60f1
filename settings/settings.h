/*
** The comparison settings: "Locale" and "Flags" in the registry under
** HKEY_CURRENT_USER\Software\Norvale\QuillonPlugIns\<module title>, read
** as one value with the defaults filled in.
*/
#ifndef ZTOA_SETTINGS_H
#define ZTOA_SETTINGS_H

#include <windows.h>

/* The settings one sort runs under. */
typedef struct CompareSettings {
    LCID  locale;    /* passed unchanged to CompareString and LCMapString */
    DWORD flags;     /* likewise */
    BOOL  accepted;  /* whether this Windows compares under them at all */
} CompareSettings;

CompareSettings LoadCompareSettings(void);
CompareSettings CompareSettingsOf(LCID locale, DWORD flags);
BOOL SaveSettings(DWORD locale, DWORD flags);
BOOL DeleteSettings(void);
BOOL GetSettingsKeyPath(char* path);

#endif
