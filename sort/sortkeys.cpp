/*
** Sorting by sort keys. CompareStringW costs a full comparison at every
** step of a sort; instead each line gets one key from LCMapStringW, whose
** byte order is the order CompareStringW gives, and the keys are sorted.
** Ties fall back to document order, so the result is the same as a stable
** comparator sort, byte for byte.
**
** Only the first bytes of each key are kept, in a small record beside the
** line's index; the records are sorted by those. Lines whose kept bytes
** tie and whose keys are longer are then ordered by their whole keys,
** made again run by run into one reused block. Keeping every whole key
** instead would cost more memory than the document itself, in a process
** that shares its address space with the editor.
*/
#include "sortkeys.h"
#include "compare.h"

#include <stdlib.h>
#include <string.h>
#include <algorithm>

/* The flags that CompareStringW and LCMapStringW take the same way. */
#define KEY_FLAGS (NORM_IGNORECASE | NORM_IGNORENONSPACE | NORM_IGNORESYMBOLS | SORT_STRINGSORT \
                   | NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH)

#define PREFIX_BYTES 16
#define PREFETCH_AHEAD 8   /* records read ahead when lines are picked in sorted order */

/*
** A line's record. While a run of records with equal kept bytes is ordered
** by whole keys, low (the same in all of them) says instead where the
** record's whole key starts in the key block.
*/
typedef struct KeyRecord {
    unsigned long long high;    /* the key's first 8 bytes, big-endian, zero-padded */
    unsigned long long low;     /* its next 8 bytes, likewise */
    DWORD length;               /* key bytes, terminator included */
    DWORD index;                /* the line's place in the range */
} KeyRecord;

/* Made keys, end to end, in one block that grows when a key does not fit. */
typedef struct KeyBlock {
    BYTE* data;
    size_t capacity;
    size_t used;
} KeyBlock;

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

/* Eight key bytes from offset on, big-endian, as one integer; zeros past the end. */
static unsigned long long PrefixOf(const BYTE* key, DWORD length, DWORD offset)
{
    unsigned long long prefix = 0;
    for (DWORD i = offset; i < offset + 8; i++)
        prefix = (prefix << 8) | (i < length ? key[i] : 0);
    return prefix;
}

/*
** Appends the sort key of text to the block, growing the block when the
** key does not fit. Returns the key's length, or 0 when no key can be made
** or the block cannot grow.
*/
static DWORD AppendKey(KeyBlock* block, const WCHAR* text, LCID locale, DWORD flags)
{
    int len = ComparedLength(text);
    const WCHAR* source = len > 0 ? text : L"";
    int sourceLen = len > 0 ? len : -1;
    for (;;) {
        /* A size of 0 would ask for the key's length and write nothing: a
           full block is grown first, never handed over. */
        size_t room = block->capacity - block->used;
        if (room > 0) {
            int n = LCMapStringW(locale, LCMAP_SORTKEY | flags, source, sourceLen,
                                 (LPWSTR)(void*)(block->data + block->used), room < 0x7FFFFFFF ? (int)room : 0x7FFFFFFF);
            if (n > 0)
                return (DWORD)n;
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
                return 0;
        }
        int n = LCMapStringW(locale, LCMAP_SORTKEY | flags, source, sourceLen, NULL, 0);
        if (n <= 0 || block->capacity > 0x7FFFFFFF - (size_t)n)
            return 0;
        size_t grown = block->capacity + block->capacity / 2 + (size_t)n;
        BYTE* larger = (BYTE*)realloc(block->data, grown);
        if (larger == NULL)
            return 0;
        block->data = larger;
        block->capacity = grown;
    }
}

/* Orders records by their kept bytes, greater first, then by document order. */
static bool PrefixRanksBefore(const KeyRecord& a, const KeyRecord& b)
{
    if (a.high != b.high)
        return a.high > b.high;
    if (a.low != b.low)
        return a.low > b.low;
    return a.index < b.index;
}

/*
** Orders records of one run (equal kept bytes) by their whole keys in the
** block: greater first, a key that another begins with after it, and
** equal keys in document order.
*/
static bool KeyRanksBefore(const BYTE* keys, const KeyRecord& a, const KeyRecord& b)
{
    DWORD shorter = a.length < b.length ? a.length : b.length;
    if (shorter > PREFIX_BYTES) {
        int c = memcmp(keys + a.low + PREFIX_BYTES, keys + b.low + PREFIX_BYTES, shorter - PREFIX_BYTES);
        if (c != 0)
            return c > 0;
    }
    if (a.length != b.length)
        return a.length > b.length;
    return a.index < b.index;
}

/*
** Orders the records of a run whose kept bytes tie: the whole keys are
** made again into the block, which is emptied first. Keys no longer than
** the kept bytes are whole already, and need no block. Returns FALSE
** when a key cannot be made or the block cannot grow.
*/
static BOOL OrderRun(KeyRecord* run, size_t count, WCHAR** lines, KeyBlock* block, LCID locale, DWORD flags)
{
    BOOL whole = TRUE;
    for (size_t i = 0; i < count; i++)
        if (run[i].length > PREFIX_BYTES)
            whole = FALSE;
    block->used = 0;
    if (!whole) {
        for (size_t i = 0; i < count; i++) {
            if (i + 1 < count)
                __builtin_prefetch(lines[run[i + 1].index]);
            DWORD length = AppendKey(block, lines[run[i].index], locale, flags);
            if (length != run[i].length || block->used + length > 0xFFFFFFFF)
                return FALSE;
            run[i].low = block->used;
            block->used += length;
        }
    }
    const BYTE* keys = block->data;
    std::sort(run, run + count, [keys](const KeyRecord& a, const KeyRecord& b) {
        return KeyRanksBefore(keys, a, b);
    });
    return TRUE;
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
    if (count > 0xFFFFFFFF / sizeof(KeyRecord))
        return FALSE;
    LARGE_INTEGER began, keyed, sorted;
    QueryPerformanceCounter(&began);

    KeyRecord* records = (KeyRecord*)malloc(count * sizeof(KeyRecord));
    if (records == NULL)
        return FALSE;
    KeyBlock block = { (BYTE*)malloc(KEY_BLOCK_FIRST_BYTES), KEY_BLOCK_FIRST_BYTES, 0 };
    if (block.data == NULL) {
        free(records);
        return FALSE;
    }

    BOOL made = TRUE;
    for (size_t i = 0; i < count && made; i++) {
        block.used = 0;
        DWORD length = AppendKey(&block, lines[i], locale, flags);
        made = length != 0;
        records[i].high = PrefixOf(block.data, length, 0);
        records[i].low = PrefixOf(block.data, length, 8);
        records[i].length = length;
        records[i].index = (DWORD)i;
    }
    QueryPerformanceCounter(&keyed);

    if (made) {
        std::sort(records, records + count, PrefixRanksBefore);
        for (size_t i = 0, end; i < count && made; i = end) {
            end = i + 1;
            while (end < count && records[end].high == records[i].high && records[end].low == records[i].low)
                end++;
            if (end - i > 1)
                made = OrderRun(records + i, end - i, lines, &block, locale, flags);
        }
    }
    free(block.data);
    if (!made) {
        free(records);
        return FALSE;
    }

    /* The lines in their new order go into the records' own memory: the
       pointer for place i lands in a record at or before record i, which
       has been read by then. */
    static_assert(sizeof(KeyRecord) >= sizeof(WCHAR*), "a record holds a pointer");
    BYTE* ordered = (BYTE*)records;
    for (size_t i = 0; i < count; i++) {
        if (i + PREFETCH_AHEAD < count)
            __builtin_prefetch(&lines[records[i + PREFETCH_AHEAD].index]);
        WCHAR* line = lines[records[i].index];
        memcpy(ordered + i * sizeof(WCHAR*), &line, sizeof(WCHAR*));
    }
    memcpy(lines, ordered, count * sizeof(WCHAR*));
    free(records);
    QueryPerformanceCounter(&sorted);

    g_lastSortTimings.keys = keyed.QuadPart - began.QuadPart;
    g_lastSortTimings.sort = sorted.QuadPart - keyed.QuadPart;
    return TRUE;
}
