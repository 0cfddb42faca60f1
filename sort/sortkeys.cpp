/*
** Sorting by sort keys. CompareStringW costs a full comparison at every
** step of a sort; instead each line gets one key from LCMapStringW, whose
** byte order is the order CompareStringW gives, and the keys are sorted.
** Ties fall back to document order, so the result is the same as a stable
** comparator sort, byte for byte.
**
** Only KEPT_BYTES of each key are kept, in a record beside the line's
** index: the bytes after those that a sample of the keys all begin with
** (a date that starts every log line), or the first ones for keys that do
** not begin that way. The records are sorted by those. Lines whose kept
** bytes tie and whose keys are longer are then ordered by their whole
** keys, made again run by run, once for each distinct text of the run;
** a run whose whole keys would take more than a few bytes a line is
** ordered window by window instead. Keeping every whole key would cost
** more memory than the document itself, in a process that shares its
** address space with the editor.
**
** Making a key costs about half what comparing the same text with a line
** that shares it does, but a comparison stops soon after the first unit
** that differs, and a key never does. A range of long lines that differ
** early, or of a handful of lines, is ordered by CompareStringW with the
** stable sort instead, which gives the same order; so is a run whose keys
** are long against its count, which would otherwise be made into keys
** window after window, dozens of times over, where the comparator reads
** each line only about log2(count) times.
**
** Records and keys live in blocks of at most a few megabytes, never in one
** block the size of the document: a 32-bit editor that has run for a while
** has its address space in pieces, and the lines themselves fit there.
*/
#include "sortkeys.h"
#include "compare.h"
#include "stablesort.h"
#include "stages.h"
#include "../common/memory.h"
#include "../common/widefunc.h"

#include <string.h>
#include <algorithm>
#include <iterator>

/* The flags that CompareStringW and LCMapStringW take the same way. */
#define KEY_FLAGS (NORM_IGNORECASE | NORM_IGNORENONSPACE | NORM_IGNORESYMBOLS | SORT_STRINGSORT | SORT_DIGITSASNUMBERS \
                   | NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH)

#ifndef KEPT_WORDS
#define KEPT_WORDS 4                          /* key bytes kept per line, in 8-byte words */
#endif
#define KEPT_BYTES (8 * KEPT_WORDS)
#define RECORD_BLOCK_SHIFT 15                 /* records per block: 32768, 1 MiB */
#define RECORD_BLOCK_SIZE ((size_t)1 << RECORD_BLOCK_SHIFT)
#define KEY_CHUNK_MAX_BYTES (1 << 20)         /* chunks grow by doubling up to this */
#define KEY_STORE_BYTES_PER_LINE 4            /* whole keys a tied run may keep, per line of the range */
#define WINDOWS_MAX_BYTES 2048                /* how far into the keys a run is ordered window by window */
#define MAX_KEY_BYTES 0x7FFFFFFF              /* the largest size LCMapStringW takes */
#define MAX_RECORD_KEY_BYTES 0x3FFFFFFF       /* the largest length a record holds */
#define SAMPLE_LINES 32                       /* lines whose keys decide the shared bytes */
#define MIN_SHARED_BYTES 8                    /* fewer shared bytes are not worth passing over */
#define MAX_RECORDS 0xFFFFFFFF                /* an index must fit a DWORD */
/* What the roads cost under Wine, counted in the cost of one unit of text made into a key. */
#define KEY_CALL_COST 10                      /* a call of LCMapStringW */
#define COMPARE_CALL_COST 11                  /* a call of CompareStringW */
#define COMPARE_SCAN_UNITS 64                 /* it reads both texts, one cost for this many units */
#define COMPARE_SHARED_COST 2                 /* and compares each unit the texts share, at this cost */
#define PREFETCH_AHEAD 8                      /* records read ahead when lines are picked in sorted order */

/* Where a key stands against the key bytes that most lines share. */
enum KeyRank {
    RANK_BELOW = 0,    /* it ranks below every key that has the shared bytes */
    RANK_SHARED = 1,   /* it begins with the shared bytes; the kept ones follow them */
    RANK_ABOVE = 2     /* it ranks above every key that has the shared bytes */
};

/*
** A line's record. The kept bytes are big-endian words, zero-padded, so
** that comparing words compares bytes; they follow the shared bytes in a
** key of RANK_SHARED, and start at the key's beginning in the others. All
** records of a tied run share their rank and kept bytes, so while the run
** is ordered the last word instead says where the line's whole key is.
*/
typedef struct KeyRecord {
    unsigned long long kept[KEPT_WORDS - 1];
    union {
        unsigned long long bytes;   /* the last kept word */
        const BYTE* whole;          /* in a tied run: the line's whole key */
    } last;
    DWORD length : 30;              /* key bytes, terminator included */
    DWORD rank : 2;                 /* a KeyRank */
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
    KeyChunk* added = (KeyChunk*)ZtoaAlloc(offsetof(KeyChunk, data) + capacity);
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
        ZtoaFree(chunk);
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
    if (a.rank != b.rank)
        return a.rank > b.rank;
    for (int i = 0; i < KEPT_WORDS - 1; i++)
        if (a.kept[i] != b.kept[i])
            return a.kept[i] > b.kept[i];
    return a.last.bytes > b.last.bytes;
}

static bool KeptBytesTie(const KeyRecord& a, const KeyRecord& b)
{
    if (a.rank != b.rank)
        return false;
    for (int i = 0; i < KEPT_WORDS - 1; i++)
        if (a.kept[i] != b.kept[i])
            return false;
    return a.last.bytes == b.last.bytes;
}

/*
** What breaking the ties of one range needs: the lines, the settings, the
** store the keys are made into, how many bytes of keys a run may keep at
** once, and a count of the keys made.
*/
typedef struct TieBreak {
    WCHAR** lines;
    LCID locale;
    DWORD flags;
    KeyStore* store;
    DWORD shared;      /* the key bytes that records of RANK_SHARED pass over */
    size_t budget;
    size_t made;
} TieBreak;

/*
** Orders records of one run, whose keys tie on their first tied bytes, by
** their whole keys: greater first, a key that another begins with after
** it, and equal keys in document order. Keys no longer than the tied
** bytes were whole already.
*/
static bool WholeKeyRanksBefore(const KeyRecord& a, const KeyRecord& b, DWORD tied)
{
    DWORD shorter = a.length < b.length ? a.length : b.length;
    if (shorter > tied) {
        int c = memcmp(a.last.whole + tied, b.last.whole + tied, shorter - tied);
        if (c != 0)
            return c > 0;
    }
    if (a.length != b.length)
        return a.length > b.length;
    return a.index < b.index;
}

/*
** Orders records whose keys all end within the bytes that tie: the longer
** key first (the shorter is where it begins), then document order.
*/
static bool LengthRanksBefore(const KeyRecord& a, const KeyRecord& b)
{
    if (a.length != b.length)
        return a.length > b.length;
    return a.index < b.index;
}

/*
** Puts run[0..count) in the ordinal order of the texts, so that identical
** texts stand together and can share one key. Returns whether all the
** texts are identical, when their order is document order and no key is
** needed at all.
*/
static BOOL GroupIdenticalTexts(RecordCursor run, size_t count, WCHAR** lines)
{
    std::sort(run, run + count, [lines](const KeyRecord& a, const KeyRecord& b) {
        int c = CompareOrdinalW(lines[a.index], lines[b.index]);
        return c != 0 ? c < 0 : a.index < b.index;
    });
    return CompareOrdinalW(lines[run[0].index], lines[run[count - 1].index]) == 0;
}

/*
** Calls keep(record, key) for every record of run[0..count) whose key is
** longer than offset bytes, with its key made into the store once for
** each distinct text (the run is grouped by text). The store is emptied
** first when emptyFirst, and the keys stay in it when keepKeys. Returns
** FALSE when a key cannot be made or no memory had.
*/
template <typename Keep>
static BOOL MakeRunKeys(RecordCursor run, size_t count, DWORD offset, BOOL keepKeys, TieBreak* tb, Keep keep)
{
    tb->store->current = tb->store->first;
    tb->store->first->used = 0;
    const WCHAR* previous = NULL;
    const BYTE* previousKey = NULL;
    for (size_t i = 0; i < count; i++) {
        const WCHAR* text = tb->lines[run[i].index];
        if (run[i].length <= offset)
            continue;
        if (previous == NULL || CompareOrdinalW(previous, text) != 0) {
            if (i + 1 < count)
                __builtin_prefetch(tb->lines[run[i + 1].index]);
            DWORD length;
            previousKey = MakeKey(tb->store, text, tb->locale, tb->flags, &length);
            if (previousKey == NULL || length != run[i].length)
                return FALSE;
            if (keepKeys)
                tb->store->current->used += length;
            previous = text;
            tb->made++;
        }
        keep(run[i], previousKey);
    }
    return TRUE;
}

/*
** Orders run[0..count), whose keys tie on their first tied bytes and which
** is grouped by text, by the whole keys, which are made into the store and
** kept there until the run is in order. Returns FALSE when a key cannot be
** made or no memory had.
*/
static BOOL OrderRunByWholeKeys(RecordCursor run, size_t count, DWORD tied, TieBreak* tb)
{
    BOOL made = MakeRunKeys(run, count, tied, TRUE, tb, [](KeyRecord& r, const BYTE* key) {
        r.last.whole = key;
    });
    if (!made)
        return FALSE;
    std::sort(run, run + count, [tied](const KeyRecord& a, const KeyRecord& b) {
        return WholeKeyRanksBefore(a, b, tied);
    });
    return TRUE;
}

/*
** Orders a run whose keys tie on their first offset bytes when its whole
** keys are more than the store may keep: the next KEPT_BYTES of each key
** take the place of the kept bytes, the run is sorted by them, and the
** groups that still tie are ordered the same way from further on. Each
** step makes the keys again, once for each distinct text, but keeps
** none of them. Groups that tie beyond WINDOWS_MAX_BYTES are ordered by
** whole keys after all, so that the steps stay few (and the stack
** shallow). Returns FALSE when a key cannot be made or no memory had.
*/
static BOOL OrderRunByWindows(RecordCursor run, size_t count, DWORD offset, TieBreak* tb)
{
    BOOL ended = TRUE;
    for (size_t i = 0; i < count && ended; i++)
        ended = run[i].length <= offset;
    if (ended || GroupIdenticalTexts(run, count, tb->lines)) {
        std::sort(run, run + count, LengthRanksBefore);
        return TRUE;
    }
    if (offset >= WINDOWS_MAX_BYTES)
        return OrderRunByWholeKeys(run, count, offset, tb);
    for (size_t i = 0; i < count; i++) {
        if (run[i].length <= offset) {
            memset(run[i].kept, 0, sizeof(run[i].kept));
            run[i].last.bytes = 0;
        }
    }
    BOOL made = MakeRunKeys(run, count, offset, FALSE, tb, [offset](KeyRecord& r, const BYTE* key) {
        for (int w = 0; w < KEPT_WORDS - 1; w++)
            r.kept[w] = WordOf(key, r.length, offset + 8 * w);
        r.last.bytes = WordOf(key, r.length, offset + KEPT_BYTES - 8);
    });
    if (!made)
        return FALSE;
    std::sort(run, run + count, [](const KeyRecord& a, const KeyRecord& b) {
        for (int i = 0; i < KEPT_WORDS - 1; i++)
            if (a.kept[i] != b.kept[i])
                return a.kept[i] > b.kept[i];
        return a.last.bytes > b.last.bytes;
    });
    for (size_t i = 0, end; i < count; i = end) {
        end = i + 1;
        while (end < count && memcmp(run[end].kept, run[i].kept, sizeof(run[i].kept)) == 0
               && run[end].last.bytes == run[i].last.bytes)
            end++;
        if (end - i > 1 && !OrderRunByWindows(run + i, end - i, offset + KEPT_BYTES, tb))
            return FALSE;
    }
    return TRUE;
}

/* Orders two line slots (pointers into the range's lines) as the comparator does; context: CompareSettings. */
static int CompareLineSlots(const void* a, const void* b, const void* context)
{
    const CompareSettings* settings = (const CompareSettings*)context;
    return CompareLineTextsW(**(WCHAR** const*)a, **(WCHAR** const*)b, settings->locale, settings->flags);
}

/* Orders two lines as the comparator does; context: CompareSettings. */
static int CompareLineAt(const void* a, const void* b, const void* context)
{
    const CompareSettings* settings = (const CompareSettings*)context;
    return CompareLineTextsW(*(WCHAR* const*)a, *(WCHAR* const*)b, settings->locale, settings->flags);
}

/* The smallest n with 2^n >= count. */
static size_t CeilLog2(size_t count)
{
    size_t log2 = 0;
    while (log2 < 8 * sizeof(size_t) && ((size_t)1 << log2) < count)
        log2++;
    return log2;
}

/* The units two texts share before the first that differs. */
static size_t SharedUnits(const WCHAR* a, const WCHAR* b)
{
    size_t n = 0;
    while (a[n] != L'\0' && a[n] == b[n])
        n++;
    return n;
}

/*
** Sets *units to the units of text that the lines compare. Returns FALSE
** when a line is too long for LCMapStringW.
*/
static BOOL CountUnits(WCHAR** lines, size_t count, size_t* units)
{
    *units = 0;
    for (size_t i = 0; i < count; i++) {
        int len = ComparedLength(lines[i]);
        if (len > KEY_MAX_LINE_UNITS)
            return FALSE;
        *units += (unsigned)len;
    }
    return TRUE;
}

/*
** Whether ordering the whole range by CompareStringW costs less than
** making a key for every line. A key costs KEY_CALL_COST and one for each
** unit of its line; the stable sort makes about count * log2(count)
** comparisons, each of which reads both lines and compares the units they
** share. How far sorted neighbours share is judged from a sample of the
** lines in ordinal order. Lines that only compare equal (case variants
** under ignore case, say) share more than that, which makes the
** comparator look cheaper than it is, never dearer.
*/
static BOOL ComparatorCostsLessForRange(WCHAR** lines, size_t count, size_t units)
{
    const WCHAR* sample[SAMPLE_LINES + 1];
    size_t samples = count < SAMPLE_LINES + 1 ? count : SAMPLE_LINES + 1;
    for (size_t j = 0; j < samples; j++)
        sample[j] = lines[j * (count - 1) / (samples - 1)];
    std::sort(sample, sample + samples, [](const WCHAR* a, const WCHAR* b) { return CompareOrdinalW(a, b) < 0; });
    size_t shared = 0;
    for (size_t j = 1; j < samples; j++)
        shared += SharedUnits(sample[j - 1], sample[j]);
    size_t perKey = KEY_CALL_COST + units / count;
    size_t perComparison = COMPARE_CALL_COST + units / count / (COMPARE_SCAN_UNITS / 2)
                           + COMPARE_SHARED_COST * (shared / (samples - 1));
    return perKey > CeilLog2(count) * perComparison;
}

/*
** Orders run[0..count) by CompareStringW: the records are put in document
** order and the lines sorted stably from there, which is the comparator
** path's order. Only the records' indexes follow that order; nothing else
** of them is read again. Returns FALSE when no memory had.
*/
static BOOL OrderRunByComparator(RecordCursor run, size_t count, TieBreak* tb)
{
    WCHAR*** slots = (WCHAR***)ZtoaAlloc(count * sizeof(WCHAR**));
    if (slots == NULL)
        return FALSE;
    std::sort(run, run + count, [](const KeyRecord& a, const KeyRecord& b) { return a.index < b.index; });
    for (size_t i = 0; i < count; i++)
        slots[i] = &tb->lines[run[i].index];
    CompareSettings settings = { tb->locale, tb->flags };
    BOOL sorted = StableSortPointersWith((void**)slots, count, CompareLineSlots, &settings);
    if (sorted)
        for (size_t i = 0; i < count; i++)
            run[i].index = (DWORD)(slots[i] - tb->lines);
    ZtoaFree(slots);
    return sorted;
}

/*
** Whether a run whose whole keys are more than the store may keep costs
** less by the comparator than window by window. Windows that keep tying
** make every key again each KEPT_BYTES, up to WINDOWS_MAX_BYTES and once
** whole after that; the stable sort compares each line about log2(count)
** times, each unit compared costing COMPARE_SHARED_COST units of a key.
*/
static BOOL ComparatorCostsLess(size_t count, size_t need, DWORD tied)
{
    size_t average = need / count;
    size_t windowed = average < WINDOWS_MAX_BYTES ? average : WINDOWS_MAX_BYTES;
    size_t steps = windowed > tied ? (windowed - tied + KEPT_BYTES - 1) / KEPT_BYTES : 0;
    if (average > WINDOWS_MAX_BYTES || tied >= WINDOWS_MAX_BYTES)
        steps++;
    return COMPARE_SHARED_COST * CeilLog2(count) < steps;
}

/*
** Orders the records run[0..count) of a run whose kept bytes tie. Their
** whole keys are made into the store, once for each distinct text, when
** they fit the budget; otherwise the run is ordered window by window.
** Returns FALSE when a key cannot be made or no memory had.
*/
static BOOL OrderRun(RecordCursor run, size_t count, TieBreak* tb)
{
    DWORD tied = (run[0].rank == RANK_SHARED ? tb->shared : 0) + KEPT_BYTES;
    size_t need = 0;
    for (size_t i = 0; i < count; i++)
        if (run[i].length > tied)
            need += run[i].length;
    if (need == 0 || GroupIdenticalTexts(run, count, tb->lines)) {
        std::sort(run, run + count, LengthRanksBefore);
        return TRUE;
    }
    if (need > tb->budget && ComparatorCostsLess(count, need, tied))
        return OrderRunByComparator(run, count, tb);
    if (need > tb->budget)
        return OrderRunByWindows(run, count, tied, tb);
    return OrderRunByWholeKeys(run, count, tied, tb);
}

/* Frees the record blocks and the table of them. */
static void FreeRecords(KeyRecord** blocks, size_t blockCount)
{
    for (size_t b = 0; b < blockCount; b++)
        ZtoaFree(blocks[b]);
    ZtoaFree(blocks);
}

/* The sort key of a line that LCMapStringW can be trusted with; NULL otherwise. */
static const BYTE* MakeLineKey(KeyStore* store, const WCHAR* text, LCID locale, DWORD flags, DWORD* length)
{
    if (ComparedLength(text) > KEY_MAX_LINE_UNITS)
        return NULL;
    const BYTE* key = MakeKey(store, text, locale, flags, length);
    return key != NULL && *length <= MAX_RECORD_KEY_BYTES ? key : NULL;
}

/*
** Finds the key bytes that the keys of a sample of the lines all begin
** with: log lines of one day, paths under one folder, rows that begin with
** one value. Records then keep the bytes after those, which tell the lines
** apart, instead of bytes that every line has. The first line's key, kept
** in the store, is the reference that the other keys are held against.
** Sets *shared to 0 when the sample shares too little to matter. Returns
** FALSE when a key cannot be made.
*/
static BOOL FindSharedBytes(WCHAR** lines, size_t count, TieBreak* tb, const BYTE** reference)
{
    DWORD length;
    tb->shared = 0;
    *reference = NULL;
    if (count < 2 * SAMPLE_LINES)
        return TRUE;
    const BYTE* first = MakeLineKey(tb->store, lines[0], tb->locale, tb->flags, &length);
    if (first == NULL)
        return FALSE;
    tb->store->current->used += length;
    DWORD shared = length - 1;
    for (size_t j = 1; j <= SAMPLE_LINES && shared >= MIN_SHARED_BYTES; j++) {
        const BYTE* key = MakeLineKey(tb->store, lines[j * (count - 1) / SAMPLE_LINES], tb->locale, tb->flags, &length);
        if (key == NULL)
            return FALSE;
        DWORD same = 0;
        while (same < shared && same + 1 < length && key[same] == first[same])
            same++;
        shared = same;
    }
    if (shared >= MIN_SHARED_BYTES) {
        tb->shared = shared;
        *reference = first;
    }
    return TRUE;
}

/*
** Gives every line its record: its key's rank against the shared bytes,
** the kept bytes, the key's length and the line's index. Returns FALSE
** when a line is too long for LCMapStringW or its key cannot be made.
*/
static BOOL KeepKeyBytes(RecordCursor records, size_t count, TieBreak* tb)
{
    const BYTE* reference;
    if (!FindSharedBytes(tb->lines, count, tb, &reference))
        return FALSE;
    DWORD shared = tb->shared;
    for (size_t i = 0; i < count; i++) {
        DWORD length;
        const BYTE* key = MakeLineKey(tb->store, tb->lines[i], tb->locale, tb->flags, &length);
        if (key == NULL)
            return FALSE;
        KeyRecord& r = records[i];
        DWORD from = 0;
        r.rank = RANK_SHARED;
        if (shared > 0) {
            int c = memcmp(key, reference, length < shared ? length : shared);
            if (c == 0 && length > shared)
                from = shared;
            else
                r.rank = c > 0 ? RANK_ABOVE : RANK_BELOW;
        }
        for (int w = 0; w < KEPT_WORDS - 1; w++)
            r.kept[w] = WordOf(key, length, from + 8 * w);
        r.last.bytes = WordOf(key, length, from + KEPT_BYTES - 8);
        r.length = length;
        r.index = (DWORD)i;
    }
    return TRUE;
}

/*
** Orders every run of records whose kept bytes tie by the whole keys.
** Returns FALSE when a run cannot be ordered.
*/
static BOOL BreakTies(RecordCursor records, size_t count, TieBreak* tb)
{
    size_t tied = 0;
    for (size_t i = 0, end; i < count; i = end) {
        end = i + 1;
        while (end < count && KeptBytesTie(records[end], records[i]))
            end++;
        if (end - i > 1) {
            tied += end - i;
            if (!OrderRun(records + i, end - i, tb))
                return FALSE;
        }
    }
    SORT_STAGE(SORT_STAGE_TIED, tied);
    SORT_STAGE(SORT_STAGE_REMADE, tb->made);
    (void)tied;
    return TRUE;
}

/*
** The records for count lines, in blockCount blocks of RECORD_BLOCK_SIZE
** (the last one shorter), and the table of them. Returns NULL when any
** cannot be had, with nothing left allocated.
*/
static KeyRecord** AllocateRecords(size_t count, size_t blockCount)
{
    KeyRecord** blocks = (KeyRecord**)ZtoaAllocZeroed(blockCount, sizeof(KeyRecord*));
    if (blocks == NULL)
        return NULL;
    for (size_t b = 0; b < blockCount; b++) {
        size_t n = b + 1 < blockCount ? RECORD_BLOCK_SIZE : count - (b << RECORD_BLOCK_SHIFT);
        blocks[b] = (KeyRecord*)ZtoaAlloc(n * sizeof(KeyRecord));
        if (blocks[b] == NULL) {
            FreeRecords(blocks, b);
            return NULL;
        }
    }
    return blocks;
}

/*
** Puts the lines in the order of the sorted records. The pointers go into
** the records' own memory first, one in each record, the record it
** replaces having been read; then into lines.
*/
static void PlaceLines(RecordCursor records, WCHAR** lines, size_t count)
{
    static_assert(sizeof(KeyRecord) >= sizeof(WCHAR*), "a record holds a pointer");
    for (size_t i = 0; i < count; i++) {
        if (i + PREFETCH_AHEAD < count)
            __builtin_prefetch(&lines[records[i + PREFETCH_AHEAD].index]);
        WCHAR* line = lines[records[i].index];
        memcpy(&records[i], &line, sizeof(WCHAR*));
    }
    for (size_t i = 0; i < count; i++)
        memcpy(&lines[i], &records[i], sizeof(WCHAR*));
}

/*
** Sorts lines descending by their sort keys under locale and flags, or
** by the comparator where that costs less (the order is the same). The
** caller checks KeysAgreeWithCompare first. Returns FALSE, with lines as
** they were, when a line is too long for a key, a key cannot be made or
** memory for the keys cannot be had; the caller then sorts with the
** comparator.
*/
BOOL SortLinesByKeys(WCHAR** lines, size_t count, LCID locale, DWORD flags)
{
    if (count == 0)
        return TRUE;
    size_t units;
    if (count > MAX_RECORDS || !CountUnits(lines, count, &units))
        return FALSE;
    if (count < KEY_MIN_LINES || ComparatorCostsLessForRange(lines, count, units)) {
        CompareSettings settings = { locale, flags };
        return StableSortPointersWith((void**)lines, count, CompareLineAt, &settings);
    }
    size_t blockCount = (count + RECORD_BLOCK_SIZE - 1) >> RECORD_BLOCK_SHIFT;
    KeyRecord** blocks = AllocateRecords(count, blockCount);
    if (blocks == NULL)
        return FALSE;
    KeyStore store;
    store.first = store.current = InsertChunk(NULL, KEY_CHUNK_FIRST_BYTES);
    if (store.first == NULL) {
        FreeRecords(blocks, blockCount);
        return FALSE;
    }

    RecordCursor records = CursorAt(blocks, 0);
    TieBreak tb = { lines, locale, flags, &store, 0, KEY_STORE_BYTES_PER_LINE * count, 0 };
    if (tb.budget < KEY_CHUNK_MAX_BYTES)
        tb.budget = KEY_CHUNK_MAX_BYTES;
    BOOL made = KeepKeyBytes(records, count, &tb);
    SORT_STAGE(SORT_STAGE_KEYED, count);
    if (made) {
        std::sort(records, records + count, KeptRanksBefore);
        SORT_STAGE(SORT_STAGE_SORTED, count);
        made = BreakTies(records, count, &tb);
    }
    FreeKeyStore(&store);
    if (made)
        PlaceLines(records, lines, count);
    FreeRecords(blocks, blockCount);
    return made;
}
