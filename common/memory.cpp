/*
** Blocks of the process heap, the one the editor's own code also uses.
*/
#include "memory.h"

/* A block of size bytes; NULL when none can be had. */
void* ZtoaAlloc(size_t size)
{
    return HeapAlloc(GetProcessHeap(), 0, size);
}

/* A zeroed block of count items of size bytes; NULL when none can be had or the size overflows. */
void* ZtoaAllocZeroed(size_t count, size_t size)
{
    if (size != 0 && count > (size_t)-1 / size)
        return NULL;
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * size);
}

/* Gives a block back; NULL is ignored. */
void ZtoaFree(void* block)
{
    if (block != NULL)
        HeapFree(GetProcessHeap(), 0, block);
}
