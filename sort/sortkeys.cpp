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
** not begin that way. The records are sorted by those, and the runs whose
** kept bytes tie are put in order by tiebreak.cpp. A range that costs less
** by the comparator (costmodel.cpp) is sorted by CompareStringW with the
** stable sort instead, which gives the same order.
*/
#include "sortkeys.h"
#include "compare.h"
#include "keyprobe.h"
#include "keystore.h"
#include "records.h"
#include "costmodel.h"
#include "stablesort.h"
#include "stages.h"
#include "tiebreak.h"
#include "../common/memory.h"
#include "../common/text.h"

#include <assert.h>
#include <string.h>
#include <algorithm>

/* The flags that CompareStringW and LCMapStringW take the same way. */
#define KEY_FLAGS (NORM_IGNORECASE | NORM_IGNORENONSPACE | NORM_IGNORESYMBOLS | SORT_STRINGSORT | SORT_DIGITSASNUMBERS \
                   | NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH)

#define KEY_STORE_BYTES_PER_LINE 4            /* whole keys a tied run may keep, per line of the range */
#define SHARED_SAMPLE_LINES 32                /* lines whose keys decide the shared bytes */
#define MIN_SHARED_BYTES 8                    /* fewer shared bytes are not worth passing over */
#define MAX_RECORDS 0xFFFFFFFF                /* an index must fit a DWORD */

/*
** Whether sort keys under these settings order lines exactly as the
** comparator does: only for flags both functions read alike, and only for
** settings CompareStringW accepts at all (otherwise every pair compares
** equal and the comparator path keeps the document order).
*/
BOOL KeysAgreeWithCompare(const CompareSettings* settings)
{
    return (settings->flags & ~(DWORD)KEY_FLAGS) == 0 && settings->accepted;
}

/*
** Orders records by their kept bytes, greater first. Records that tie form
** a run, which BreakTies puts in its final order, document order included.
*/
static bool KeptRanksBefore(const KeyRecord& a, const KeyRecord& b)
{
    if (a.rank != b.rank)
        return a.rank > b.rank;
    return CompareKeptBytes(a, b) > 0;
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

/* The sort key of a line that LCMapStringW can be trusted with; NULL otherwise. */
static const BYTE* MakeLineKey(KeyStore* store, const WCHAR* text, const CompareSettings* settings, DWORD* length)
{
    if (ComparedLength(text) > KEY_MAX_LINE_UNITS)
        return NULL;
    const BYTE* key = MakeKey(store, text, settings, length);
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
    if (count < 2 * SHARED_SAMPLE_LINES)
        return TRUE;
    const BYTE* first = MakeLineKey(tb->store, lines[0], tb->settings, &length);
    if (first == NULL)
        return FALSE;
    KeepMadeKey(tb->store, length);
    DWORD shared = length - 1;
    for (size_t j = 1; j <= SHARED_SAMPLE_LINES && shared >= MIN_SHARED_BYTES; j++) {
        const BYTE* key = MakeLineKey(tb->store, lines[j * (count - 1) / SHARED_SAMPLE_LINES], tb->settings, &length);
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
        const BYTE* key = MakeLineKey(tb->store, tb->lines[i], tb->settings, &length);
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
        KeepKeptBytes(&r, key, length, from);
        r.length = length;
        r.index = (DWORD)i;
    }
    return TRUE;
}

/*
** Whether the sorted records stand in the comparator's order: no line
** ranks below the one after it, and lines that tie are in document order.
** Keys are meant to order lines as CompareStringW does, but they do not
** always (characters that expand into several diacritic weights, and
** whatever a Windows version does differently), so the order is checked
** pair by pair before it is used. Where CompareStringW is transitive, a
** sequence that passes is exactly the comparator's stable order. Texts
** that are the same to the unit tie without asking.
*/
static BOOL RecordOrderHolds(RecordCursor records, size_t count, WCHAR** lines, const CompareSettings* settings)
{
    for (size_t i = 1; i < count; i++) {
        const KeyRecord& a = records[i - 1];
        const KeyRecord& b = records[i];
        int c = CompareOrdinalW(lines[a.index], lines[b.index]) == 0
            ? 0 : CompareLineTextsW(lines[a.index], lines[b.index], settings);
        if (c > 0 || (c == 0 && a.index > b.index))
            return FALSE;
    }
    return TRUE;
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
        assert(records[i].index < count);
        WCHAR* line = lines[records[i].index];
        memcpy(&records[i], &line, sizeof(WCHAR*));
    }
    for (size_t i = 0; i < count; i++)
        memcpy(&lines[i], &records[i], sizeof(WCHAR*));
}

/*
** Sorts lines descending by their sort keys under settings, or
** by the comparator where that costs less (the order is the same). The
** caller checks KeysAgreeWithCompare first. Returns FALSE, with lines as
** they were, when the keys under settings failed the probe of awkward
** texts, when the keys' order of these lines does not hold against the
** comparator, when a line is too long for a key, a key cannot be made or
** memory for the keys cannot be had; the caller then sorts with the
** comparator, whose order stands.
*/
BOOL SortLinesByKeys(WCHAR** lines, size_t count, const CompareSettings* settings)
{
    if (count == 0)
        return TRUE;
    size_t units;
    if (count > MAX_RECORDS || !CountUnits(lines, count, &units))
        return FALSE;
    if (count < KEY_MIN_LINES || ComparatorCostsLessForRange(lines, count, units)) {
        return StableSortPointersWith((void**)lines, count, CompareLinePointers, settings);
    }
    if (!KeysAgreeOnProbe(settings))
        return FALSE;
    size_t blockCount = (count + RECORD_BLOCK_SIZE - 1) >> RECORD_BLOCK_SHIFT;
    KeyRecord** blocks = AllocateRecords(count, blockCount);
    if (blocks == NULL)
        return FALSE;
    KeyStore store;
    if (!OpenKeyStore(&store)) {
        FreeRecords(blocks, blockCount);
        return FALSE;
    }

    RecordCursor records = CursorAt(blocks, 0);
    TieBreak tb = { lines, settings, &store, 0, KEY_STORE_BYTES_PER_LINE * count, 0 };
    if (tb.budget < KEY_CHUNK_MAX_BYTES)
        tb.budget = KEY_CHUNK_MAX_BYTES;
    BOOL made = KeepKeyBytes(records, count, &tb);
    SORT_STAGE(SORT_STAGE_KEYED, count);
    if (made) {
        std::sort(records, records + count, KeptRanksBefore);
        SORT_STAGE(SORT_STAGE_SORTED, count);
        made = BreakTies(records, count, &tb);
    }
    CloseKeyStore(&store);
    if (made) {
        made = RecordOrderHolds(records, count, lines, settings);
        SORT_STAGE(SORT_STAGE_CHECKED, made);
    }
    if (made)
        PlaceLines(records, lines, count);
    FreeRecords(blocks, blockCount);
    return made;
}
