/*
** Chains of memory chunks, taken from the module's heap.
*/
#include "chunks.h"
#include "memory.h"

/* A new chunk of size bytes, none used, alone; NULL when no memory can be had. */
MemoryChunk* NewChunk(size_t size)
{
    if (size > (size_t)-1 - sizeof(MemoryChunk))
        return NULL;
    MemoryChunk* chunk = (MemoryChunk*)ZtoaAlloc(sizeof(MemoryChunk) + size);
    if (chunk == NULL)
        return NULL;
    chunk->next = NULL;
    chunk->used = 0;
    chunk->size = size;
    return chunk;
}

/* Gives back chunk and every chunk after it; NULL is an empty chain. */
void FreeChunks(MemoryChunk* chunk)
{
    while (chunk != NULL) {
        MemoryChunk* next = chunk->next;
        ZtoaFree(chunk);
        chunk = next;
    }
}
