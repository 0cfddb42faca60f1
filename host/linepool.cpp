/*
** The pool behind the stand-in host's line texts (see linepool.h).
*/
#include "linepool.h"

#include <new>

#define POOL_GRAIN 16            /* bytes; pooled block sizes are multiples of this */
#define POOL_CLASSES 64          /* blocks up to POOL_GRAIN * POOL_CLASSES bytes are pooled */
#define POOL_CHUNK (1 << 20)     /* bytes taken from the heap at a time */

static void* g_freeBlocks[POOL_CLASSES];   /* freed blocks by size class, linked through their first word */
static BYTE* g_chunkNext;                  /* the unused rest of the newest chunk */
static size_t g_chunkLeft;                 /* its size */

static size_t PoolClass(size_t bytes)
{
    return bytes == 0 ? 1 : (bytes + POOL_GRAIN - 1) / POOL_GRAIN;
}

/* A block of at least bytes, from the pool when it is small. */
void* PoolAlloc(size_t bytes)
{
    size_t cls = PoolClass(bytes);
    void* block;
    if (cls > POOL_CLASSES) {
        block = malloc(bytes);
    } else if (g_freeBlocks[cls - 1] != NULL) {
        block = g_freeBlocks[cls - 1];
        g_freeBlocks[cls - 1] = *(void**)block;
    } else {
        size_t size = cls * POOL_GRAIN;
        if (g_chunkLeft < size) {
            g_chunkNext = (BYTE*)malloc(POOL_CHUNK);
            g_chunkLeft = g_chunkNext != NULL ? POOL_CHUNK : 0;
        }
        block = g_chunkLeft >= size ? g_chunkNext : NULL;
        if (block != NULL) {
            g_chunkNext += size;
            g_chunkLeft -= size;
        }
    }
    if (block == NULL)
        throw std::bad_alloc();
    return block;
}

void PoolFree(void* block, size_t bytes)
{
    size_t cls = PoolClass(bytes);
    if (cls > POOL_CLASSES) {
        free(block);
        return;
    }
    *(void**)block = g_freeBlocks[cls - 1];
    g_freeBlocks[cls - 1] = block;
}
