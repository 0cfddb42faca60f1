/*
** Sorting lines by their locale sort keys instead of comparing pairs.
*/
#ifndef ZTOA_SORTKEYS_H
#define ZTOA_SORTKEYS_H

#include <windows.h>

/* The first size of the block that whole keys are made into; it grows as needed. */
#define KEY_BLOCK_FIRST_BYTES 4096

BOOL KeysAgreeWithCompare(LCID locale, DWORD flags);
BOOL SortLinesByKeys(WCHAR** lines, size_t count, LCID locale, DWORD flags);

/* Where the last sort command spent its time, in counter ticks. */
typedef struct SortTimings {
    LONGLONG fetch;     /* reading the lines from the host */
    LONGLONG keys;      /* making sort keys (0 on the comparator path) */
    LONGLONG sort;      /* ordering the lines */
    LONGLONG rewrite;   /* replacing the lines in the host */
    BOOL byKeys;        /* whether the key path ran */
} SortTimings;

extern SortTimings g_lastSortTimings;

#endif
