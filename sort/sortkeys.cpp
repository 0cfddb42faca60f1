/*
** Sorting by sort keys. CompareStringW costs a full comparison at every
** step of a sort; instead each line gets one key from LCMapStringW, whose
** byte order is the order CompareStringW gives, and the keys are sorted.
** Ties fall back to document order, so the result is the same as a stable
** comparator sort, byte for byte.
**
** The keys live in one growing block; a small record per line holds the
** key's first eight bytes as an integer, so most comparisons never touch
** the block.
*/
#include "sortkeys.h"
#include "compare.h"

#include <stdlib.h>
#include <string.h>
#include <algorithm>

/* The flags that CompareStringW and LCMapStringW take the same way. */
#define KEY_FLAGS (NORM_IGNORECASE | NORM_IGNORENONSPACE | NORM_IGNORESYMBOLS | SORT_STRINGSORT \
                   | NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH)

#define PREFIX_BYTES 8
#define INITIAL_KEY_BYTES 64   /* per line; the store grows when keys are longer */

typedef struct KeyRecord {
    unsigned long long prefix;  /* the key's first bytes, big-endian, zero-padded */
    DWORD offset;               /* where the key starts in the store */
    DWORD length;               /* key bytes, terminator included */
    DWORD index;                /* the line's place in the range */
} KeyRecord;

/*
** Whether sort keys under these settings order lines exactly as the
** comparator does: only for flags both functions read alike, and only for
** settings CompareStringW accepts at all (otherwise every pair compares
** equal and the comparator path keeps the document order).
*/
BOOL KeysAgreeWithCompare(LCID locale, DWORD flags)
{
    if ((flags & ~(DWORD)KEY_FLAGS) != 0)
        return FALSE;
    return CompareStringW(locale, flags, L"a", 1, L"b", 1) != 0;
}

static unsigned long long PrefixOf(const BYTE* key, DWORD length)
{
    unsigned long long prefix = 0;
    for (DWORD i = 0; i < PREFIX_BYTES; i++)
        prefix = (prefix << 8) | (i < length ? key[i] : 0);
    return prefix;
}

/* The line's text without its line end, as the comparators see it. */
static int ComparedLength(const WCHAR* text)
{
    int len = lstrlenW(text);
    if (len > 0 && (text[len - 1] == L'\r' || text[len - 1] == L'\n'))
        len--;
    if (len > 0 && text[len - 1] == L'\r')
        len--;
    return len;
}

/*
** Appends the sort key of text to the store at *used, growing the store
** when the key does not fit. Returns the key's length, or 0 when no key
** can be made or the store cannot grow.
*/
static DWORD AppendKey(BYTE** store, size_t* capacity, size_t* used, const WCHAR* text,
                       LCID locale, DWORD flags)
{
    int len = ComparedLength(text);
    const WCHAR* source = len > 0 ? text : L"";
    int sourceLen = len > 0 ? len : -1;
    for (;;) {
        size_t room = *capacity - *used;
        int n = LCMapStringW(locale, LCMAP_SORTKEY | flags, source, sourceLen,
                             (LPWSTR)(*store + *used), room < 0x7FFFFFFF ? (int)room : 0x7FFFFFFF);
        if (n > 0)
            return (DWORD)n;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return 0;
        n = LCMapStringW(locale, LCMAP_SORTKEY | flags, source, sourceLen, NULL, 0);
        if (n <= 0 || *capacity > 0x7FFFFFFF - (size_t)n)
            return 0;
        size_t grown = *capacity + *capacity / 2 + (size_t)n;
        if (grown > 0xFFFFFFFF)
            grown = 0xFFFFFFFF;
        BYTE* larger = (BYTE*)realloc(*store, grown);
        if (larger == NULL)
            return 0;
        *store = larger;
        *capacity = grown;
    }
}

/* Orders records with the greater key first; equal keys keep document order. */
static bool RanksBefore(const BYTE* store, const KeyRecord& a, const KeyRecord& b)
{
    if (a.prefix != b.prefix)
        return a.prefix > b.prefix;
    DWORD shorter = a.length < b.length ? a.length : b.length;
    if (shorter > PREFIX_BYTES) {
        int c = memcmp(store + a.offset + PREFIX_BYTES, store + b.offset + PREFIX_BYTES, shorter - PREFIX_BYTES);
        if (c != 0)
            return c > 0;
    }
    if (a.length != b.length)
        return a.length > b.length;
    return a.index < b.index;
}

/*
** Sorts lines descending by their sort keys under locale and flags. The
** caller checks KeysAgreeWithCompare first. Returns FALSE, with lines as
** they were, when a key cannot be made or memory for the keys cannot be
** had; the caller then sorts with the comparator.
*/
BOOL SortLinesByKeys(WCHAR** lines, size_t count, LCID locale, DWORD flags)
{
    if (count == 0)
        return TRUE;
    if (count > 0x7FFFFFFF / INITIAL_KEY_BYTES)
        return FALSE;
    LARGE_INTEGER began, keyed, sorted;
    QueryPerformanceCounter(&began);

    KeyRecord* records = (KeyRecord*)malloc(count * sizeof(KeyRecord));
    if (records == NULL)
        return FALSE;
    size_t capacity = count * INITIAL_KEY_BYTES;
    BYTE* store = (BYTE*)malloc(capacity);
    if (store == NULL) {
        free(records);
        return FALSE;
    }

    size_t used = 0;
    for (size_t i = 0; i < count; i++) {
        DWORD length = AppendKey(&store, &capacity, &used, lines[i], locale, flags);
        if (length == 0 || used + length > 0xFFFFFFFF) {
            free(store);
            free(records);
            return FALSE;
        }
        records[i].offset = (DWORD)used;
        records[i].length = length;
        records[i].index = (DWORD)i;
        used += length;
    }
    for (size_t i = 0; i < count; i++)
        records[i].prefix = PrefixOf(store + records[i].offset, records[i].length);
    QueryPerformanceCounter(&keyed);

    std::sort(records, records + count, [store](const KeyRecord& a, const KeyRecord& b) {
        return RanksBefore(store, a, b);
    });

    /* The store is no longer needed and holds at least count pointers. */
    WCHAR** ordered = (WCHAR**)(void*)store;
    for (size_t i = 0; i < count; i++)
        ordered[i] = lines[records[i].index];
    memcpy(lines, ordered, count * sizeof(WCHAR*));
    free(store);
    free(records);
    QueryPerformanceCounter(&sorted);

    g_lastSortTimings.keys = keyed.QuadPart - began.QuadPart;
    g_lastSortTimings.sort = sorted.QuadPart - keyed.QuadPart;
    return TRUE;
}
