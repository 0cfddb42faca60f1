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

/* The sample of lines whose keys decide the key bytes most lines share:
** SharedSampleLine(j, count) for j from 0 to SHARED_SAMPLE_LINES. */
#define SHARED_SAMPLE_LINES 32

/* Keys being made on other threads while the lines are read. */
typedef struct KeyingAhead KeyingAhead;

BOOL KeysAgreeWithCompare(const CompareSettings* settings);
size_t SharedSampleLine(size_t j, size_t count);
KeyingAhead* BeginKeyingAhead(WCHAR** lines, size_t count, const CompareSettings* settings,
                              const WCHAR* const* samples);
void LinesRead(KeyingAhead* ahead, size_t read);
void EndKeyingAhead(KeyingAhead* ahead);
BOOL SortLinesByKeys(WCHAR** lines, size_t count, const CompareSettings* settings, KeyingAhead* ahead);

#endif
