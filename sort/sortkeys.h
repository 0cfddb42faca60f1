/*
** Sorting lines by their locale sort keys instead of comparing pairs.
*/
#ifndef ZTOA_SORTKEYS_H
#define ZTOA_SORTKEYS_H

#include <windows.h>

#include "../settings/settings.h"

/* Lines whose compared text is longer than this, in UTF-16 units, are not
** given to LCMapStringW (lines of some 70 million units crash it under
** Wine while 55 million work); a range holding one is sorted by the
** comparator instead. */
#define KEY_MAX_LINE_UNITS (1 << 24)

/* A range of fewer lines is ordered by the comparator: it needs too few
** comparisons for keys to pay. */
#define KEY_MIN_LINES 16

BOOL KeysAgreeWithCompare(const CompareSettings* settings);
BOOL SortLinesByKeys(WCHAR** lines, size_t count, const CompareSettings* settings);

#endif
