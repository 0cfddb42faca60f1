/*
** Splitting a job over a range of lines between threads.
*/
#ifndef ZTOA_WORKERS_H
#define ZTOA_WORKERS_H

#include <windows.h>

#define SPLIT_MAX_PARTS 8   /* threads beyond this gain nothing that was measured */

/* The part of a range that one thread does: [first, end), and what it needs. */
typedef struct RangePart {
    size_t first;
    size_t end;
    void* context;   /* the job's own, shared by every part */
    BOOL done;       /* set by the job: the part succeeded */
} RangePart;

typedef void (*RangeJob)(RangePart* part);

/* Ranges shorter than this run on the caller's thread alone; the tests set it lower. */
extern size_t g_splitMinLines;   /* SPLIT_MIN_LINES unless a test changes it */

size_t SplitParts(size_t count);
BOOL RunSplit(size_t count, RangeJob job, void* context);

#endif
