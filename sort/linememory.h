/*
** The memory the fetched lines are read into: the lines end to end in a
** few chunks, given back all at once when the command ends.
*/
#ifndef ZTOA_LINEMEMORY_H
#define ZTOA_LINEMEMORY_H

#include "../common/chunks.h"

/* The chunks of one run, and what sizes the next. */
typedef struct LineArena {
    MemoryChunk* chunks;    /* newest first */
    size_t linesLeft;       /* lines still to be fetched */
    size_t linesTaken;      /* lines fetched so far */
    size_t bytesTaken;      /* and the bytes they took */
} LineArena;

WCHAR* TakeLineMemory(LineArena* arena, size_t bytes);

#endif
