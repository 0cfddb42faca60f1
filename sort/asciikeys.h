/*
** Sort keys of plain-ASCII texts composed from a table of the keys of
** single characters, where composing is proven to give the very bytes
** that LCMapStringW gives under the sort's locale and flags.
*/
#ifndef ZTOA_ASCIIKEYS_H
#define ZTOA_ASCIIKEYS_H

#include <windows.h>

#define ASCII_KEY_CHARS 128       /* the characters the table covers */
#define ASCII_KEY_MAX_PRIMARY 4   /* primary weight bytes a character may have */
#define ASCII_KEY_MAX_SECTIONS 8  /* sections a key may have */

/* Fewer lines than this are not worth the proof (30 to 90 ms under Wine). */
#define ASCII_KEY_MIN_LINES 131072

/* What ComposeAsciiKey answers for a text whose key it does not compose. */
#define ASCII_KEY_NOT_COMPOSABLE 0

/* What one character puts into a key. */
typedef struct AsciiKeyChar {
    BYTE primary[ASCII_KEY_MAX_PRIMARY];       /* its primary weights, zero-padded */
    BYTE primaryLength;
    BYTE admitted;                             /* whether its keys compose */
    BYTE weight[ASCII_KEY_MAX_SECTIONS - 1];   /* a byte in each later section; 0: none */
} AsciiKeyChar;

/* The table for one locale and set of flags; the caller owns it. */
typedef struct AsciiKeys {
    AsciiKeyChar chars[ASCII_KEY_CHARS];
    BYTE ends[ASCII_KEY_MAX_SECTIONS];            /* the byte that closes each section */
    BYTE minimal[ASCII_KEY_MAX_SECTIONS - 1];     /* each later section's weight that trails trimmed */
    BYTE active[ASCII_KEY_MAX_SECTIONS - 1];      /* later sections that any admitted character writes into */
    BYTE activeList[ASCII_KEY_MAX_SECTIONS - 1];  /* their numbers */
    int activeCount;
    int sections;
    int admittedCount;
} AsciiKeys;

BOOL BuildAsciiKeys(AsciiKeys* keys, LCID locale, DWORD flags);
BOOL AsciiKeysAgreeOnLines(const AsciiKeys* keys, WCHAR* const* lines, size_t count, LCID locale, DWORD flags);
int ComposeAsciiKey(const AsciiKeys* keys, const WCHAR* text, int length, BYTE* key, int room);

#ifdef ZTOA_SORT_STAGES
extern BOOL g_asciiKeysOff;   /* the benchmark's switch: compose no key */
#endif

#endif
