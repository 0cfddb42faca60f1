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
#include "workers.h"
#include "../common/winapi.h"
#include "../common/memory.h"
#include "../common/text.h"

#include <assert.h>
#include <string.h>
#include <algorithm>

/* The flags that CompareStringW and LCMapStringW take the same way. */
#define KEY_FLAGS (NORM_IGNORECASE | NORM_IGNORENONSPACE | NORM_IGNORESYMBOLS | SORT_STRINGSORT | SORT_DIGITSASNUMBERS \
                   | NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH)

#define KEY_STORE_BYTES_PER_LINE 4            /* whole keys a tied run may keep, per line of the range */
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

/* The line of a range of count lines that is the j-th of the shared-bytes sample. */
size_t SharedSampleLine(size_t j, size_t count)
{
    return j * (count - 1) / SHARED_SAMPLE_LINES;
}

/*
** Finds the key bytes that the keys of a sample of the lines all begin
** with: log lines of one day, paths under one folder, rows that begin with
** one value. Records then keep the bytes after those, which tell the lines
** apart, instead of bytes that every line has. samples holds the texts of
** the lines SharedSampleLine names, 0 to SHARED_SAMPLE_LINES. The first
** one's key, kept in the store, is the reference that the other keys are
** held against. Sets *shared to 0 when the sample shares too little to
** matter. Returns FALSE when a key cannot be made.
*/
static BOOL FindSharedBytes(const WCHAR* const* samples, KeyStore* store, const CompareSettings* settings,
                            DWORD* shared, const BYTE** reference)
{
    DWORD length;
    *shared = 0;
    *reference = NULL;
    const BYTE* first = MakeLineKey(store, samples[0], settings, &length);
    if (first == NULL)
        return FALSE;
    KeepMadeKey(store, length);
    DWORD same = length - 1;
    for (size_t j = 1; j <= SHARED_SAMPLE_LINES && same >= MIN_SHARED_BYTES; j++) {
        const BYTE* key = MakeLineKey(store, samples[j], settings, &length);
        if (key == NULL)
            return FALSE;
        DWORD k = 0;
        while (k < same && k + 1 < length && key[k] == first[k])
            k++;
        same = k;
    }
    if (same >= MIN_SHARED_BYTES) {
        *shared = same;
        *reference = first;
    }
    return TRUE;
}

/*
** Gives lines [first, end) their records: the key's rank against the
** shared bytes, the kept bytes, the key's length and the line's index. A
** record depends on its line alone, so parts of a range may be done on
** threads of their own, each with its own store. Returns FALSE when a line
** is too long for LCMapStringW or its key cannot be made.
*/
static BOOL KeepRecords(RecordCursor records, WCHAR** lines, size_t first, size_t end, KeyStore* store,
                        const CompareSettings* settings, DWORD shared, const BYTE* reference)
{
    for (size_t i = first; i < end; i++) {
        DWORD length;
        const BYTE* key = MakeLineKey(store, lines[i], settings, &length);
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

/* What each part of the range needs to give its lines their records. */
typedef struct KeyingJob {
    RecordCursor records;
    const TieBreak* tb;
    const BYTE* reference;   /* the key the shared bytes are held against */
} KeyingJob;

/* Gives the lines of one part their records, in a store of the part's own. */
static void KeepPartKeyBytes(RangePart* part)
{
    const KeyingJob* job = (const KeyingJob*)part->context;
    KeyStore store;
    if (!OpenKeyStore(&store))
        return;
    part->done = KeepRecords(job->records, job->tb->lines, part->first, part->end, &store, job->tb->settings,
                             job->tb->shared, job->reference);
    CloseKeyStore(&store);
}

/*
** Gives every line its record, the range split between threads where it
** is long enough. Returns FALSE when a line is too long for LCMapStringW
** or its key cannot be made.
*/
static BOOL KeepKeyBytes(RecordCursor records, size_t count, TieBreak* tb)
{
    KeyingJob job = { records, tb, NULL };
    tb->shared = 0;
    if (count >= 2 * SHARED_SAMPLE_LINES) {
        const WCHAR* samples[SHARED_SAMPLE_LINES + 1];
        for (size_t j = 0; j <= SHARED_SAMPLE_LINES; j++)
            samples[j] = tb->lines[SharedSampleLine(j, count)];
        if (!FindSharedBytes(samples, tb->store, tb->settings, &tb->shared, &job.reference))
            return FALSE;
    }
    return RunSplit(count, KeepPartKeyBytes, &job);
}

/* ---- Keys made while the lines are read ---------------------------------- */

#define AHEAD_CHUNK_LINES 1024   /* lines a thread claims at a time, and the read publishes at a time */
#define AHEAD_NAP_MS 2           /* how long a thread that has caught up with the read waits for more */

/*
** The keys of a range made on worker threads while the editor's thread is
** still reading its lines, and by that thread too once the read is over.
** Threads claim chunks of lines in turn and wait until the read has passed
** a chunk before keying it; the records come out as the one-thread path
** makes them, whatever thread made which.
*/
struct KeyingAhead {
    WCHAR** lines;                 /* filled by the editor's thread as it reads */
    size_t count;
    CompareSettings settings;      /* a copy: the workers may outlive the caller's */
    KeyRecord** blocks;            /* the records, taken over by SortLinesByKeys */
    size_t blockCount;
    KeyStore store;                /* holds the reference key */
    DWORD shared;                  /* key bytes the sample shares, 0: none passed over */
    const BYTE* reference;         /* the sample's first key, which the shared bytes are held against */
    volatile LONG fetched;         /* lines read so far, as the editor's thread last told */
    volatile LONG nextChunk;       /* the chunk the next claim takes */
    volatile LONG failed;          /* a key could not be made, or the read was given up */
    HANDLE readOver;               /* set when the read has ended, whichever way */
    HANDLE threads[SPLIT_MAX_PARTS];
    size_t threadCount;
    BOOL joined;                   /* every worker has ended and its handle is closed */
};

/* Whether lines [0, end) are read; waits for the read until then, or until it is given up. */
static BOOL WaitForLines(KeyingAhead* ahead, size_t end)
{
    for (;;) {
        if (InterlockedCompareExchange(&ahead->failed, 0, 0) != 0)
            return FALSE;
        if ((size_t)InterlockedCompareExchange(&ahead->fetched, 0, 0) >= end)
            return TRUE;
        WaitForSingleObject(ahead->readOver, AHEAD_NAP_MS);
    }
}

/*
** Claims chunks of lines and gives them their records until none is left
** or one fails; run by every worker and, after the read, by the editor's
** thread. A key that cannot be made fails the whole range.
*/
static void KeyClaimedChunks(KeyingAhead* ahead)
{
    KeyStore store;
    if (!OpenKeyStore(&store)) {
        InterlockedExchange(&ahead->failed, 1);
        return;
    }
    RecordCursor records = CursorAt(ahead->blocks, 0);
    for (;;) {
        size_t first = (size_t)(InterlockedIncrement(&ahead->nextChunk) - 1) * AHEAD_CHUNK_LINES;
        if (first >= ahead->count)
            break;
        size_t end = ahead->count - first > AHEAD_CHUNK_LINES ? first + AHEAD_CHUNK_LINES : ahead->count;
        if (!WaitForLines(ahead, end))
            break;
        if (!KeepRecords(records, ahead->lines, first, end, &store, &ahead->settings, ahead->shared,
                         ahead->reference)) {
            InterlockedExchange(&ahead->failed, 1);
            break;
        }
    }
    CloseKeyStore(&store);
}

static DWORD WINAPI KeyingWorkerMain(LPVOID parameter)
{
    KeyClaimedChunks((KeyingAhead*)parameter);
    return 0;
}

/* Waits for every worker to end and closes its handle. */
static void JoinWorkers(KeyingAhead* ahead)
{
    if (ahead->joined)
        return;
    for (size_t t = 0; t < ahead->threadCount; t++) {
        WaitForSingleObject(ahead->threads[t], INFINITE);
        CloseHandle(ahead->threads[t]);
    }
    ahead->threadCount = 0;
    ahead->joined = TRUE;
}

/*
** Starts making the keys of a range of count lines on worker threads, one
** for each processor but the caller's, before its lines are read into
** lines: the caller tells each step of the read with LinesRead, and ends
** it with EndKeyingAhead on every path. samples holds the texts of the
** lines SharedSampleLine names, read before the others. Returns NULL, and
** the range is keyed after the read as ever, when the range is short, the
** machine has one processor, the keys cannot be used for these settings,
** or memory or a thread cannot be had.
*/
KeyingAhead* BeginKeyingAhead(WCHAR** lines, size_t count, const CompareSettings* settings,
                              const WCHAR* const* samples)
{
    if (!Win()->isNt || !KeysAgreeWithCompare(settings) || count > MAX_RECORDS || count < 2 * SHARED_SAMPLE_LINES
        || SplitParts(count) < 2 || !KeysAgreeOnProbe(settings))
        return NULL;
    KeyingAhead* ahead = (KeyingAhead*)ZtoaAllocZeroed(1, sizeof(KeyingAhead));
    if (ahead == NULL)
        return NULL;
    ahead->lines = lines;
    ahead->count = count;
    ahead->settings = *settings;
    ahead->blockCount = (count + RECORD_BLOCK_SIZE - 1) >> RECORD_BLOCK_SHIFT;
    ahead->blocks = AllocateRecords(count, ahead->blockCount);
    BOOL ready = ahead->blocks != NULL && OpenKeyStore(&ahead->store);
    if (ready && !FindSharedBytes(samples, &ahead->store, &ahead->settings, &ahead->shared, &ahead->reference))
        ready = FALSE;
    if (ready)
        ready = (ahead->readOver = CreateEventA(NULL, TRUE, FALSE, NULL)) != NULL;
    for (size_t t = 0; ready && t + 1 < SplitParts(count); t++) {
        DWORD id;
        HANDLE thread = CreateThread(NULL, 0, KeyingWorkerMain, ahead, 0, &id);
        if (thread == NULL)
            break;
        ahead->threads[ahead->threadCount++] = thread;
    }
    if (ahead->threadCount == 0) {
        EndKeyingAhead(ahead);
        return NULL;
    }
    return ahead;
}

/* Tells the workers that lines [0, read) are read and will not change. */
void LinesRead(KeyingAhead* ahead, size_t read)
{
    if (ahead == NULL)
        return;
    InterlockedExchange(&ahead->fetched, (LONG)read);
    if (read == ahead->count)
        SetEvent(ahead->readOver);
}

/* Gives up the keys being made: the workers end at their next claim. */
static void StopKeyingAhead(KeyingAhead* ahead)
{
    InterlockedExchange(&ahead->failed, 1);
    if (ahead->readOver != NULL)
        SetEvent(ahead->readOver);
    JoinWorkers(ahead);
}

/*
** Ends what BeginKeyingAhead started, whatever became of the read: every
** worker has ended and all its memory is back when it returns.
*/
void EndKeyingAhead(KeyingAhead* ahead)
{
    if (ahead == NULL)
        return;
    StopKeyingAhead(ahead);
    if (ahead->readOver != NULL)
        CloseHandle(ahead->readOver);
    if (ahead->blocks != NULL)
        FreeRecords(ahead->blocks, ahead->blockCount);
    CloseKeyStore(&ahead->store);
    ZtoaFree(ahead);
}

/*
** Joins the workers in keying the chunks that are left, once the whole
** range is read, and waits for them. Returns FALSE when a key could not
** be made.
*/
static BOOL FinishKeyingAhead(KeyingAhead* ahead)
{
    KeyClaimedChunks(ahead);
    JoinWorkers(ahead);
    return InterlockedCompareExchange(&ahead->failed, 0, 0) == 0;
}

/* What each part of the check of the sorted records needs. */
typedef struct CheckJob {
    RecordCursor records;
    WCHAR** lines;
    const CompareSettings* settings;
} CheckJob;

/*
** Checks the pairs that end in one part of the sorted records: no line
** ranks below the one after it, and lines that tie are in document order.
** Texts that are the same to the unit tie without asking.
*/
static void CheckPartOrder(RangePart* part)
{
    const CheckJob* job = (const CheckJob*)part->context;
    for (size_t i = part->first > 0 ? part->first : 1; i < part->end; i++) {
        const KeyRecord& a = job->records[i - 1];
        const KeyRecord& b = job->records[i];
        const WCHAR* first = job->lines[a.index];
        const WCHAR* second = job->lines[b.index];
        int c = CompareOrdinalW(first, second) == 0 ? 0 : CompareLineTextsW(first, second, job->settings);
        if (c > 0 || (c == 0 && a.index > b.index))
            return;
    }
    part->done = TRUE;
}

/*
** Whether the sorted records stand in the comparator's order, every pair
** of neighbours checked. Keys are meant to order lines as CompareStringW
** does, but they do not always (characters that expand into several
** diacritic weights, and whatever a Windows version does differently), so
** the order is checked before it is used. Where CompareStringW is
** transitive, a sequence that passes is exactly the comparator's stable
** order. The pairs are split between threads where the range is long.
*/
static BOOL RecordOrderHolds(RecordCursor records, size_t count, WCHAR** lines, const CompareSettings* settings)
{
    CheckJob job = { records, lines, settings };
    return RunSplit(count, CheckPartOrder, &job);
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
** Sorts lines by their records, made here or by the keying that ran
** ahead of the read, breaks the ties and checks the order. Returns FALSE,
** with lines as they were, when a key or memory cannot be had or the
** order does not hold.
*/
static BOOL SortRecords(WCHAR** lines, size_t count, const CompareSettings* settings, KeyingAhead* ahead)
{
    size_t blockCount = (count + RECORD_BLOCK_SIZE - 1) >> RECORD_BLOCK_SHIFT;
    KeyRecord** blocks = ahead != NULL ? ahead->blocks : AllocateRecords(count, blockCount);
    if (blocks == NULL)
        return FALSE;
    KeyStore store;
    if (!OpenKeyStore(&store)) {
        if (ahead == NULL)
            FreeRecords(blocks, blockCount);
        return FALSE;
    }

    RecordCursor records = CursorAt(blocks, 0);
    TieBreak tb = { lines, settings, &store, 0, KEY_STORE_BYTES_PER_LINE * count, 0 };
    if (tb.budget < KEY_CHUNK_MAX_BYTES)
        tb.budget = KEY_CHUNK_MAX_BYTES;
    BOOL made;
    if (ahead != NULL) {
        made = FinishKeyingAhead(ahead);
        tb.shared = ahead->shared;
    } else {
        made = KeepKeyBytes(records, count, &tb);
    }
    SORT_STAGE(SORT_STAGE_KEYED, SplitParts(count));
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
    if (ahead == NULL)
        FreeRecords(blocks, blockCount);
    return made;
}

/*
** Sorts lines descending by their sort keys under settings, or
** by the comparator where that costs less (the order is the same). The
** caller checks KeysAgreeWithCompare first. Returns FALSE, with lines as
** they were, when the keys under settings failed the probe of awkward
** texts, when the keys' order of these lines does not hold against the
** comparator, when a line is too long for a key, a key cannot be made or
** memory for the keys cannot be had; the caller then sorts with the
** comparator, whose order stands. ahead, the keys begun while the lines
** were read (NULL: none), is ended whatever it returns.
*/
BOOL SortLinesByKeys(WCHAR** lines, size_t count, const CompareSettings* settings, KeyingAhead* ahead)
{
    assert(ahead == NULL || (ahead->lines == lines && ahead->count == count));
    BOOL made = FALSE;
    size_t units;
    if (count == 0) {
        made = TRUE;
    } else if (count > MAX_RECORDS || !CountUnits(lines, count, &units)) {
        made = FALSE;
    } else if (count < KEY_MIN_LINES || ComparatorCostsLessForRange(lines, count, units)) {
        EndKeyingAhead(ahead);
        return StableSortPointersWith((void**)lines, count, CompareLinePointers, settings);
    } else if (KeysAgreeOnProbe(settings)) {
        made = SortRecords(lines, count, settings, ahead);
    }
    EndKeyingAhead(ahead);
    return made;
}
