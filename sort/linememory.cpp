/*
** The fetched lines' memory. One block a line would cost a heap header a
** line and a call to the heap for every line fetched and freed; the lines
** go end to end into chunks instead.
*/
#include "linememory.h"
#include <assert.h>

/* The fetched lines' memory is taken from the heap at most this much at a time. */
#define LINE_CHUNK_BYTES (1 << 20)
#define FIRST_CHUNK_BYTES (1 << 16)   /* before any line's length is known */

/*
** Takes bytes for one line from the newest chunk of the arena, or from a
** new chunk when that one lacks the room. A new chunk is as large as the
** lines still to come are expected to need (as long as those before them
** on average), a sixteenth more, and at most LINE_CHUNK_BYTES (the first
** at most FIRST_CHUNK_BYTES), so that a short range does not hold memory
** it never fills. A line too large for a chunk gets one of its own, put
** behind the newest so that the newest's room is not lost. Returns NULL
** when no memory can be had.
*/
WCHAR* TakeLineMemory(LineArena* arena, size_t bytes)
{
    MemoryChunk* chunk = arena->chunks;
    if (chunk == NULL || chunk->size - chunk->used < bytes) {
        size_t average = arena->linesTaken > 0 ? arena->bytesTaken / arena->linesTaken : bytes;
        size_t lines = arena->linesLeft > 0 ? arena->linesLeft : 1;
        size_t size = average <= LINE_CHUNK_BYTES / lines ? average * lines : LINE_CHUNK_BYTES;
        size += size / 16;
        /* One line says little of the others: the first chunk stays small. */
        size_t most = arena->linesTaken > 0 ? LINE_CHUNK_BYTES : FIRST_CHUNK_BYTES;
        if (size > most)
            size = most;
        if (size < bytes)
            size = bytes;
        MemoryChunk* added = NewChunk(size);
        if (added == NULL)
            return NULL;
        if (chunk != NULL && bytes >= LINE_CHUNK_BYTES) {
            added->next = chunk->next;
            chunk->next = added;
        } else {
            added->next = chunk;
            arena->chunks = added;
        }
        chunk = added;
    }
    assert(chunk->size - chunk->used >= bytes);
    WCHAR* memory = (WCHAR*)(ChunkData(chunk) + chunk->used);
    chunk->used += bytes;
    arena->bytesTaken += bytes;
    arena->linesTaken++;
    if (arena->linesLeft > 0)
        arena->linesLeft--;
    return memory;
}
