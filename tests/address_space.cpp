/*
** Taking a process's address space away for the out-of-memory tests.
*/
#include "address_space.h"

std::vector<void*> TakeAddressSpace(SIZE_T left)
{
    std::vector<void*> reserved;
    reserved.reserve(1 << 16);   /* growing it later would need the memory taken away */
    for (SIZE_T size = 64 << 20; size >= (64 << 10); size /= 2) {
        void* block;
        while (reserved.size() < reserved.capacity()
               && (block = VirtualAlloc(NULL, size, MEM_RESERVE, PAGE_NOACCESS)) != NULL)
            reserved.push_back(block);
    }
    SIZE_T freed = 0;
    while (freed < left && !reserved.empty()) {
        MEMORY_BASIC_INFORMATION info;
        VirtualQuery(reserved.back(), &info, sizeof(info));
        freed += info.RegionSize;
        VirtualFree(reserved.back(), 0, MEM_RELEASE);
        reserved.pop_back();
    }
    return reserved;
}

void ReleaseAddressSpace(const std::vector<void*>& reserved)
{
    for (void* block : reserved)
        VirtualFree(block, 0, MEM_RELEASE);
}
