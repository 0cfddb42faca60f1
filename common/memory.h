/*
** The module's memory: blocks of the process heap. The module takes
** nothing from the C runtime, whose DLL older Windows may lack.
*/
#ifndef ZTOA_MEMORY_H
#define ZTOA_MEMORY_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

void* ZtoaAlloc(size_t size);
void* ZtoaAllocZeroed(size_t count, size_t size);
void ZtoaFree(void* block);

#ifdef __cplusplus
}
#endif

#endif
