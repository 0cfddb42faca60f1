/*
** Chains of memory chunks: a few large blocks instead of one block an
** item, which costs a heap header an item and time to give back.
*/
#ifndef ZTOA_CHUNKS_H
#define ZTOA_CHUNKS_H

#include <windows.h>

/* A chunk's header; its size bytes follow it, the first used of them given out. */
typedef struct MemoryChunk {
    struct MemoryChunk* next;
    size_t used;
    size_t size;
} MemoryChunk;

/* The first byte after a chunk's header. */
static inline BYTE* ChunkData(MemoryChunk* chunk)
{
    return (BYTE*)(chunk + 1);
}

MemoryChunk* NewChunk(size_t size);
void FreeChunks(MemoryChunk* chunk);

#endif
