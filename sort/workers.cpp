/*
** A range of lines split between threads: the caller's thread does the
** first part, and one more thread for each further processor does one
** more. Only work that needs nothing of the editor and writes nothing
** shared is split (each line's key, each pair's comparison): the editor's
** messages stay on its own thread. Every thread has ended, and every
** handle is closed, before RunSplit returns. A thread that cannot be
** started leaves its part to the caller's thread, so the result never
** depends on how many run. The Windows 9x family sorts on one thread.
*/
#include "workers.h"
#include "../common/winapi.h"

#define SPLIT_MIN_LINES 16384   /* fewer lines are done in less time than a thread takes to start */

size_t g_splitMinLines = SPLIT_MIN_LINES;   /* lowered by the tests alone */

/* How many parts a range of count lines is split into: one for each processor, within bounds. */
size_t SplitParts(size_t count)
{
    if (!Win()->isNt || count < g_splitMinLines || count < 2)
        return 1;
    SYSTEM_INFO system;
    ZeroMemory(&system, sizeof(system));
    GetSystemInfo(&system);
    size_t parts = system.dwNumberOfProcessors;
    if (parts > SPLIT_MAX_PARTS)
        parts = SPLIT_MAX_PARTS;
    if (parts > count)
        parts = count;
    return parts >= 1 ? parts : 1;
}

/* What a worker thread is given: the job and its part. */
typedef struct WorkerStart {
    RangeJob job;
    RangePart* part;
} WorkerStart;

static DWORD WINAPI WorkerMain(LPVOID parameter)
{
    WorkerStart* start = (WorkerStart*)parameter;
    start->job(start->part);
    return 0;
}

/*
** Runs job over [0, count), split into SplitParts(count) parts of nearly
** equal size. Returns TRUE when every part's job succeeded.
*/
BOOL RunSplit(size_t count, RangeJob job, void* context)
{
    RangePart parts[SPLIT_MAX_PARTS];
    WorkerStart starts[SPLIT_MAX_PARTS];
    HANDLE threads[SPLIT_MAX_PARTS];
    size_t n = SplitParts(count);
    for (size_t p = 0; p < n; p++) {
        parts[p].first = count / n * p;
        parts[p].end = p + 1 < n ? count / n * (p + 1) : count;
        parts[p].context = context;
        parts[p].done = FALSE;
        starts[p].job = job;
        starts[p].part = &parts[p];
        threads[p] = NULL;
        if (p > 0) {
            DWORD id;
            threads[p] = CreateThread(NULL, 0, WorkerMain, &starts[p], 0, &id);
        }
    }
    for (size_t p = 0; p < n; p++) {
        if (threads[p] == NULL)
            job(&parts[p]);
    }
    BOOL done = TRUE;
    for (size_t p = 0; p < n; p++) {
        if (threads[p] != NULL) {
            WaitForSingleObject(threads[p], INFINITE);
            CloseHandle(threads[p]);
        }
        done = done && parts[p].done;
    }
    return done;
}
