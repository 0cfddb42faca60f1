/*
** The comparison of two line texts under the running sort's settings.
*/
#ifndef ZTOA_COMPARE_H
#define ZTOA_COMPARE_H

#include <windows.h>

#include "../settings/settings.h"

/* Gives the comparators below the settings of the sort that is about to run. */
void UseCompareSettings(const CompareSettings* settings);

/* The length of a line's text without its line end: what is compared of it. */
int ComparedLength(const WCHAR* text);

/* qsort-style comparators over arrays of WCHAR* line texts: the greater
** line ranks first, so an ascending sort by them leaves lines descending. */
int CompareLinesW(const void* a, const void* b);
int CompareLinesA(const void* a, const void* b);

/* CompareLinesW for two texts under the given settings. */
int CompareLineTextsW(const WCHAR* first, const WCHAR* second, const CompareSettings* settings);

#endif
