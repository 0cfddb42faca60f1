/*
** The comparison of two line texts under the current settings.
*/
#ifndef ZTOA_COMPARE_H
#define ZTOA_COMPARE_H

#include <windows.h>

typedef struct CompareSettings {
    LCID  locale;  /* passed unchanged to CompareString */
    DWORD flags;   /* passed unchanged to CompareString */
} CompareSettings;

extern CompareSettings g_compareSettings;   /* written by each sort, read by the comparators */

BOOL CompareSettingsAccepted(void);

/* The length of a line's text without its line end: what is compared of it. */
int ComparedLength(const WCHAR* text);

/* qsort-style comparators over arrays of WCHAR* line texts: the greater
** line ranks first, so an ascending sort by them leaves lines descending. */
int CompareLinesW(const void* a, const void* b);

/* CompareLinesW for two texts under the given locale and flags. */
int CompareLineTextsW(const WCHAR* first, const WCHAR* second, LCID locale, DWORD flags);
int CompareLinesA(const void* a, const void* b);

#endif
