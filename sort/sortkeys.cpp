/*
** Sorting by sort keys. CompareStringW costs a full comparison at every
** step of a sort; instead each line gets one key from LCMapStringW, whose
** byte order is the order CompareStringW gives, and the keys are sorted.
** Ties fall back to document order, so the result is the same as a stable
** comparator sort, byte for byte.
**
** Only the first KEPT_BYTES of each key are kept, in a record beside the
** line's index; the records are sorted by those. Lines whose kept bytes
** tie and whose keys are longer are then ordered by their whole keys,
** made again run by run, once for each distinct text of the run. Keeping
** every whole key instead would cost more memory than the document itself,
** in a process that shares its address space with the editor.
**
** Records and keys live in blocks of at most a few megabytes, never in one
** block the size of the document: a 32-bit editor that has run for a while
** has its address space in pieces, and the lines themselves fit there.
*/
#include "sortkeys.h"
#include "compare.h"
#include "stages.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <algorithm>
#include <iterator>

/* The flags that CompareStringW and LCMapStringW take the same way. */
#define KEY_FLAGS (NORM_IGNORECASE | NORM_IGNORENONSPACE | NORM_IGNORESYMBOLS | SORT_STRINGSORT \
                   | NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH)

#ifndef KEPT_WORDS
#define KEPT_WORDS 4                          /* key bytes kept per line, in 8-byte words */
#endif
#define KEPT_BYTES (8 * KEPT_WORDS)
#define RECORD_BLOCK_SHIFT 15                 /* records per block: 32768, 1 MiB */
#define RECORD_BLOCK_SIZE ((size_t)1 << RECORD_BLOCK_SHIFT)
#define KEY_CHUNK_MAX_BYTES (1 << 20)         /* chunks grow by doubling up to this */
#define MAX_KEY_BYTES 0x7FFFFFFF              /* the largest size LCMapStringW takes */
#define MAX_RECORDS 0xFFFFFFFF                /* an index must fit a DWORD */
#define PREFETCH_AHEAD 8                      /* records read ahead when lines are picked in sorted order */

/*
** A line's record. The kept bytes are big-endian words, zero-padded, so
** that comparing words compares bytes. All records of a tied run share
** their kept bytes, so while the run is ordered the last word instead
** says where the line's whole key is.
*/
typedef struct KeyRecord {
    unsigned long long kept[KEPT_WORDS - 1];
    union {
        unsigned long long bytes;   /* the last kept word */
        const BYTE* whole;          /* in a tied run: the line's whole key */
    } last;
    DWORD length;                   /* key bytes, terminator included */
    DWORD index;                    /* the line's place in the range */
} KeyRecord;

/* A piece of the key store; chunks are chained and reused run after run. */
typedef struct KeyChunk {
    struct KeyChunk* next;
    size_t capacity;
    size_t used;
    BYTE data[1];
} KeyChunk;

/* Made keys, in chained chunks: first is kept, current takes the next key. */
typedef struct KeyStore {
    KeyChunk* first;
    KeyChunk* current;
} KeyStore;

/*
** A place in the records, which lie in blocks of RECORD_BLOCK_SIZE; what
** std::sort needs of an iterator so that it can sort them where they are.
*/
typedef struct RecordCursor {
    typedef std::random_access_iterator_tag iterator_category;
    typedef KeyRecord value_type;
    typedef ptrdiff_t difference_type;
    typedef KeyRecord* pointer;
    typedef KeyRecord& reference;

    KeyRecord** blocks;
    size_t at;

    KeyRecord& operator*() const { return blocks[at >> RECORD_BLOCK_SHIFT][at & (RECORD_BLOCK_SIZE - 1)]; }
    KeyRecord* operator->() const { return &**this; }
    KeyRecord& operator[](ptrdiff_t n) const { return *(*this + n); }
    RecordCursor& operator++() { at++; return *this; }
    RecordCursor& operator--() { at--; return *this; }
    RecordCursor operator++(int) { RecordCursor old = *this; at++; return old; }
    RecordCursor operator--(int) { RecordCursor old = *this; at--; return old; }
    RecordCursor& operator+=(ptrdiff_t n) { at += n; return *this; }
    RecordCursor& operator-=(ptrdiff_t n) { at -= n; return *this; }
    RecordCursor operator+(ptrdiff_t n) const { RecordCursor c = *this; c.at += n; return c; }
    RecordCursor operator-(ptrdiff_t n) const { RecordCursor c = *this; c.at -= n; return c; }
    ptrdiff_t operator-(const RecordCursor& o) const { return (ptrdiff_t)(at - o.at); }
    bool operator==(const RecordCursor& o) const { return at == o.at; }
    bool operator!=(const RecordCursor& o) const { return at != o.at; }
    bool operator<(const RecordCursor& o) const { return at < o.at; }
    bool operator>(const RecordCursor& o) const { return at > o.at; }
    bool operator<=(const RecordCursor& o) const { return at <= o.at; }
    bool operator>=(const RecordCursor& o) const { return at >= o.at; }
} RecordCursor;

static RecordCursor CursorAt(KeyRecord** blocks, size_t at)
{
    RecordCursor c;
    c.blocks = blocks;
    c.at = at;
    return c;
}

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
static unsigned long long WordOf(const BYTE* key, DWORD length, DWORD offset)
{
    unsigned long long word = 0;
    for (DWORD i = offset; i < offset + 8; i++)
        word = (word << 8) | (i < length ? key[i] : 0);
    return word;
}

/* A new empty chunk of capacity bytes after chunk (or alone); NULL when no memory. */
static KeyChunk* InsertChunk(KeyChunk* chunk, size_t capacity)
{
    KeyChunk* added = (KeyChunk*)malloc(offsetof(KeyChunk, data) + capacity);
    if (added == NULL)
        return NULL;
    added->capacity = capacity;
    added->used = 0;
    added->next = chunk != NULL ? chunk->next : NULL;
    if (chunk != NULL)
        chunk->next = added;
    return added;
}

static void FreeKeyStore(KeyStore* store)
{
    for (KeyChunk* chunk = store->first; chunk != NULL;) {
        KeyChunk* next = chunk->next;
        free(chunk);
        chunk = next;
    }
}

/*
** Makes the sort key of text (its line end left out) at the end of the
** store's current chunk, moving on to a following chunk, or a new one,
** when it does not fit. The key is not counted as used: the caller keeps
** it by adding its length to the chunk's used bytes. Returns the key and
** its length in *length, or NULL when no key can be made or no memory had.
*/
static const BYTE* MakeKey(KeyStore* store, const WCHAR* text, LCID locale, DWORD flags, DWORD* length)
{
    int len = ComparedLength(text);
    const WCHAR* source = len > 0 ? text : L"";
    int sourceLen = len > 0 ? len : -1;
    KeyChunk* chunk = store->current;
    /* A size of 0 would ask for the key's length and write nothing: a full
       chunk is passed over, never handed to LCMapStringW. */
    size_t room = chunk->capacity - chunk->used;
    if (room > 0) {
        int n = LCMapStringW(locale, LCMAP_SORTKEY | flags, source, sourceLen, (LPWSTR)(void*)(chunk->data + chunk->used),
                             room < MAX_KEY_BYTES ? (int)room : MAX_KEY_BYTES);
        if (n > 0) {
            *length = (DWORD)n;
            return chunk->data + chunk->used;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return NULL;
    }
    int n = LCMapStringW(locale, LCMAP_SORTKEY | flags, source, sourceLen, NULL, 0);
    if (n <= 0)
        return NULL;
    KeyChunk* next = chunk->next;
    if (next == NULL || next->capacity < (size_t)n) {
        size_t capacity = chunk->capacity < KEY_CHUNK_MAX_BYTES ? 2 * chunk->capacity : KEY_CHUNK_MAX_BYTES;
        next = InsertChunk(chunk, capacity > (size_t)n ? capacity : (size_t)n);
        if (next == NULL)
            return NULL;
    }
    next->used = 0;
    store->current = next;
    if (LCMapStringW(locale, LCMAP_SORTKEY | flags, source, sourceLen, (LPWSTR)(void*)next->data, n) != n)
        return NULL;
    *length = (DWORD)n;
    return next->data;
}

/*
** Orders records by their kept bytes, greater first. Records that tie form
** a run, which OrderRun puts in its final order, document order included.
*/
static bool KeptRanksBefore(const KeyRecord& a, const KeyRecord& b)
{
    for (int i = 0; i < KEPT_WORDS - 1; i++)
        if (a.kept[i] != b.kept[i])
            return a.kept[i] > b.kept[i];
    return a.last.bytes > b.last.bytes;
}

static bool KeptBytesTie(const KeyRecord& a, const KeyRecord& b)
{
    for (int i = 0; i < KEPT_WORDS - 1; i++)
        if (a.kept[i] != b.kept[i])
            return false;
    return a.last.bytes == b.last.bytes;
}

/*
** Orders records of one run (equal kept bytes) by their whole keys: greater
** first, a key that another begins with after it, and equal keys in
** document order. Keys no longer than the kept bytes were whole already.
*/
static bool WholeKeyRanksBefore(const KeyRecord& a, const KeyRecord& b)
{
    DWORD shorter = a.length < b.length ? a.length : b.length;
    if (shorter > KEPT_BYTES) {
        int c = memcmp(a.last.whole + KEPT_BYTES, b.last.whole + KEPT_BYTES, shorter - KEPT_BYTES);
        if (c != 0)
            return c > 0;
    }
    if (a.length != b.length)
        return a.length > b.length;
    return a.index < b.index;
}

/*
** Orders the records run[0..count) of a run whose kept bytes tie. The
** records are first put in the ordinal order of their texts, so that
** identical texts stand together and share one key, made once; the store
** is emptied first, and keeps its chunks for the next run. Adds the keys
** made to *made. Returns FALSE when a key cannot be made or no memory had.
*/
static BOOL OrderRun(RecordCursor run, size_t count, WCHAR** lines, KeyStore* store, LCID locale, DWORD flags,
                     size_t* made)
{
    BOOL whole = TRUE;
    for (size_t i = 0; i < count && whole; i++)
        whole = run[i].length <= KEPT_BYTES;
    if (!whole) {
        std::sort(run, run + count, [lines](const KeyRecord& a, const KeyRecord& b) {
            int c = wcscmp(lines[a.index], lines[b.index]);
            return c != 0 ? c < 0 : a.index < b.index;
        });
        store->current = store->first;
        store->first->used = 0;
        const WCHAR* previous = NULL;
        const BYTE* previousKey = NULL;
        for (size_t i = 0; i < count; i++) {
            const WCHAR* text = lines[run[i].index];
            if (run[i].length <= KEPT_BYTES)
                continue;
            if (previous != NULL && wcscmp(previous, text) == 0) {
                run[i].last.whole = previousKey;
                continue;
            }
            if (i + 1 < count)
                __builtin_prefetch(lines[run[i + 1].index]);
            DWORD length;
            const BYTE* key = MakeKey(store, text, locale, flags, &length);
            if (key == NULL || length != run[i].length)
                return FALSE;
            store->current->used += length;
            run[i].last.whole = key;
            previous = text;
            previousKey = key;
            (*made)++;
        }
    }
    std::sort(run, run + count, WholeKeyRanksBefore);
    return TRUE;
}

/* Frees the record blocks and the table of them. */
static void FreeRecords(KeyRecord** blocks, size_t blockCount)
{
    for (size_t b = 0; b < blockCount; b++)
        free(blocks[b]);
    free(blocks);
}

/*
** Gives every line its record: the kept bytes of its key, the key's length
** and its index. Returns FALSE when a line is too long for LCMapStringW
** or its key cannot be made.
*/
static BOOL KeepKeyBytes(RecordCursor records, WCHAR** lines, size_t count, KeyStore* store, LCID locale, DWORD flags)
{
    for (size_t i = 0; i < count; i++) {
        if (ComparedLength(lines[i]) > KEY_MAX_LINE_UNITS)
            return FALSE;
        DWORD length;
        const BYTE* key = MakeKey(store, lines[i], locale, flags, &length);
        if (key == NULL)
            return FALSE;
        KeyRecord& r = records[i];
        for (int w = 0; w < KEPT_WORDS - 1; w++)
            r.kept[w] = WordOf(key, length, 8 * w);
        r.last.bytes = WordOf(key, length, KEPT_BYTES - 8);
        r.length = length;
        r.index = (DWORD)i;
    }
    return TRUE;
}

/*
** Orders every run of records whose kept bytes tie by the whole keys.
** Returns FALSE when a run cannot be ordered.
*/
static BOOL BreakTies(RecordCursor records, WCHAR** lines, size_t count, KeyStore* store, LCID locale, DWORD flags)
{
    size_t tied = 0, made = 0;
    for (size_t i = 0, end; i < count; i = end) {
        end = i + 1;
        while (end < count && KeptBytesTie(records[end], records[i]))
            end++;
        if (end - i > 1) {
            tied += end - i;
            if (!OrderRun(records + i, end - i, lines, store, locale, flags, &made))
                return FALSE;
        }
    }
    SORT_STAGE(SORT_STAGE_TIED, tied);
    SORT_STAGE(SORT_STAGE_REMADE, made);
    (void)tied;
    (void)made;
    return TRUE;
}

/*
** Sorts lines descending by their sort keys under locale and flags. The
** caller checks KeysAgreeWithCompare first. Returns FALSE, with lines as
** they were, when a line is too long for a key, a key cannot be made or
** memory for the keys cannot be had; the caller then sorts with the
** comparator.
*/
BOOL SortLinesByKeys(WCHAR** lines, size_t count, LCID locale, DWORD flags)
{
    if (count == 0)
        return TRUE;
    if (count > MAX_RECORDS)
        return FALSE;
    size_t blockCount = (count + RECORD_BLOCK_SIZE - 1) >> RECORD_BLOCK_SHIFT;
    KeyRecord** blocks = (KeyRecord**)calloc(blockCount, sizeof(KeyRecord*));
    if (blocks == NULL)
        return FALSE;
    for (size_t b = 0; b < blockCount; b++) {
        size_t n = b + 1 < blockCount ? RECORD_BLOCK_SIZE : count - (b << RECORD_BLOCK_SHIFT);
        blocks[b] = (KeyRecord*)malloc(n * sizeof(KeyRecord));
        if (blocks[b] == NULL) {
            FreeRecords(blocks, b);
            return FALSE;
        }
    }
    KeyStore store;
    store.first = store.current = InsertChunk(NULL, KEY_CHUNK_FIRST_BYTES);
    if (store.first == NULL) {
        FreeRecords(blocks, blockCount);
        return FALSE;
    }

    RecordCursor records = CursorAt(blocks, 0);
    BOOL made = KeepKeyBytes(records, lines, count, &store, locale, flags);
    SORT_STAGE(SORT_STAGE_KEYED, count);
    if (made) {
        std::sort(records, records + count, KeptRanksBefore);
        SORT_STAGE(SORT_STAGE_SORTED, count);
        made = BreakTies(records, lines, count, &store, locale, flags);
    }
    FreeKeyStore(&store);
    if (!made) {
        FreeRecords(blocks, blockCount);
        return FALSE;
    }

    /* The lines in their new order go into the records' own memory, one
       pointer in each record, the record it replaces having been read. */
    static_assert(sizeof(KeyRecord) >= sizeof(WCHAR*), "a record holds a pointer");
    for (size_t i = 0; i < count; i++) {
        if (i + PREFETCH_AHEAD < count)
            __builtin_prefetch(&lines[records[i + PREFETCH_AHEAD].index]);
        WCHAR* line = lines[records[i].index];
        memcpy(&records[i], &line, sizeof(WCHAR*));
    }
    for (size_t i = 0; i < count; i++)
        memcpy(&lines[i], &records[i], sizeof(WCHAR*));
    FreeRecords(blocks, blockCount);
    return TRUE;
}
