/*
** The comparison settings: "Locale", "Flags" and "Numbers" in the registry
** under HKEY_CURRENT_USER\Software\Norvale\QuillonPlugIns\<module title>,
** read as one value with the defaults filled in.
*/
#ifndef ZTOA_SETTINGS_H
#define ZTOA_SETTINGS_H

#include <windows.h>

#define SEPARATOR_UNITS 8   /* room for a number separator of the locale, terminator included */

/* The settings one sort runs under. */
typedef struct CompareSettings {
    LCID  locale;    /* passed unchanged to CompareString and LCMapString */
    DWORD flags;     /* likewise */
    BOOL  accepted;  /* whether this Windows compares under them at all */
    BOOL  numbers;   /* lines are ordered by the numbers they begin with first */
    WCHAR decimalSeparator[SEPARATOR_UNITS];   /* the locale's, read when numbers is set */
    WCHAR groupSeparator[SEPARATOR_UNITS];     /* likewise; empty when it cannot be read */
} CompareSettings;

CompareSettings LoadCompareSettings(void);
CompareSettings CompareSettingsOf(LCID locale, DWORD flags);
void UseLeadingNumbers(CompareSettings* settings);
BOOL SaveSettings(DWORD locale, DWORD flags, BOOL numbers);
BOOL DeleteSettings(void);
BOOL GetSettingsKeyPath(char* path);

#endif
