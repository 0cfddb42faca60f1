/*
** The memory of the stand-in host's line texts.
**
** Line texts come from a pool that keeps freed blocks by size for the next
** line of that size. Rewriting every line of a large document so reuses the
** memory of the lines just deleted, where the process heap would give the
** memory back to the system and fault in fresh pages. The pool's chunks
** are kept for the life of the process, so it holds the largest
** document's worth of memory at most. One thread only.
*/
#ifndef ZTOA_LINEPOOL_H
#define ZTOA_LINEPOOL_H

#include <windows.h>
#include <string>

void* PoolAlloc(size_t bytes);   /* throws std::bad_alloc as operator new does */
void PoolFree(void* block, size_t bytes);

template <typename T> struct PoolAllocator {
    typedef T value_type;
    PoolAllocator() {}
    template <typename U> PoolAllocator(const PoolAllocator<U>&) {}
    T* allocate(size_t n) { return (T*)PoolAlloc(n * sizeof(T)); }
    void deallocate(T* p, size_t n) { PoolFree(p, n * sizeof(T)); }
};

template <typename T, typename U> bool operator==(const PoolAllocator<T>&, const PoolAllocator<U>&) { return true; }
template <typename T, typename U> bool operator!=(const PoolAllocator<T>&, const PoolAllocator<U>&) { return false; }

typedef std::basic_string<WCHAR, std::char_traits<WCHAR>, PoolAllocator<WCHAR> > LineText;

#endif
