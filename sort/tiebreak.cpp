/*
** Breaking ties. Lines whose kept key bytes tie and whose keys are longer
** are ordered by their whole keys, made again run by run, once for each
** distinct text of the run; a run whose whole keys would take more than a
** few bytes a line is ordered slice by slice instead, or by the
** comparator where that costs less. Keeping every whole key would cost
** more memory than the document itself, in a process that shares its
** address space with the editor. Equal keys keep document order, so the
** result is the same as a stable comparator sort, byte for byte.
*/
#include "tiebreak.h"
#include "compare.h"
#include "costmodel.h"
#include "stablesort.h"
#include "stages.h"
#include "../common/memory.h"
#include "../common/text.h"

#include <string.h>
#include <algorithm>
#include <assert.h>

/* Whether two records' ranks and kept bytes tie. */
static bool KeptBytesTie(const KeyRecord& a, const KeyRecord& b)
{
    return a.rank == b.rank && CompareKeptBytes(a, b) == 0;
}

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
    EmptyKeyStore(tb->store);
    const WCHAR* previous = NULL;
    const BYTE* previousKey = NULL;
    for (size_t i = 0; i < count; i++) {
        const WCHAR* text = tb->lines[run[i].index];
        if (run[i].length <= offset)
            continue;
        if (previous == NULL || CompareOrdinalW(previous, text) != 0) {
            DWORD length;
            previousKey = MakeKey(tb->store, text, tb->settings, &length);
            if (previousKey == NULL || length != run[i].length)
                return FALSE;
            if (keepKeys)
                KeepMadeKey(tb->store, length);
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
** none of them. Groups that tie beyond SLICE_MAX_BYTES are ordered by
** whole keys after all, so that the steps stay few (and the stack
** shallow). Returns FALSE when a key cannot be made or no memory had.
*/
static BOOL OrderRunBySlices(RecordCursor run, size_t count, DWORD offset, TieBreak* tb)
{
    assert(count > 1);
    BOOL ended = TRUE;
    for (size_t i = 0; i < count && ended; i++)
        ended = run[i].length <= offset;
    if (ended || GroupIdenticalTexts(run, count, tb->lines)) {
        std::sort(run, run + count, LengthRanksBefore);
        return TRUE;
    }
    if (offset >= SLICE_MAX_BYTES)
        return OrderRunByWholeKeys(run, count, offset, tb);
    for (size_t i = 0; i < count; i++) {
        if (run[i].length <= offset) {
            memset(run[i].kept, 0, sizeof(run[i].kept));
            run[i].last.bytes = 0;
        }
    }
    BOOL made = MakeRunKeys(run, count, offset, FALSE, tb, [offset](KeyRecord& r, const BYTE* key) {
        KeepKeptBytes(&r, key, r.length, offset);
    });
    if (!made)
        return FALSE;
    std::sort(run, run + count, [](const KeyRecord& a, const KeyRecord& b) { return CompareKeptBytes(a, b) > 0; });
    for (size_t i = 0, end; i < count; i = end) {
        end = i + 1;
        while (end < count && CompareKeptBytes(run[end], run[i]) == 0)
            end++;
        if (end - i > 1 && !OrderRunBySlices(run + i, end - i, offset + KEPT_BYTES, tb))
            return FALSE;
    }
    return TRUE;
}

/* Orders two line slots (pointers into the range's lines) as the comparator does; context: CompareSettings. */
static int CompareLineSlots(const void* a, const void* b, const void* context)
{
    const CompareSettings* settings = (const CompareSettings*)context;
    return CompareLineTextsW(**(WCHAR** const*)a, **(WCHAR** const*)b, settings);
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
    BOOL sorted = StableSortPointersWith((void**)slots, count, CompareLineSlots, tb->settings);
    if (sorted)
        for (size_t i = 0; i < count; i++)
            run[i].index = (DWORD)(slots[i] - tb->lines);
    ZtoaFree(slots);
    return sorted;
}

/*
** Orders the records run[0..count) of a run whose kept bytes tie. Their
** whole keys are made into the store, once for each distinct text, when
** they fit the budget; otherwise the run is ordered slice by slice.
** Returns FALSE when a key cannot be made or no memory had.
*/
static BOOL OrderRun(RecordCursor run, size_t count, TieBreak* tb)
{
    assert(count > 1 && KeptBytesTie(run[0], run[count - 1]));
    DWORD tied = (run[0].rank == RANK_SHARED ? tb->shared : 0) + KEPT_BYTES;
    size_t need = 0;
    for (size_t i = 0; i < count; i++)
        if (run[i].length > tied)
            need += run[i].length;
    if (need == 0 || GroupIdenticalTexts(run, count, tb->lines)) {
        std::sort(run, run + count, LengthRanksBefore);
        return TRUE;
    }
    if (need > tb->budget && ComparatorCostsLessForRun(count, need, tied))
        return OrderRunByComparator(run, count, tb);
    if (need > tb->budget)
        return OrderRunBySlices(run, count, tied, tb);
    return OrderRunByWholeKeys(run, count, tied, tb);
}

/*
** Orders every run of records whose kept bytes tie by the whole keys.
** Returns FALSE when a run cannot be ordered.
*/
BOOL BreakTies(RecordCursor records, size_t count, TieBreak* tb)
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
