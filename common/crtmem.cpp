/*
** The four memory routines that the compiler calls by itself (for
** structure copies, std::sort, zeroed arrays) and that the module calls
** for byte ranges. The DLL links only this file for them, not the C
** runtime; whatever else links the module's code uses its own runtime's.
** Built freestanding, so that the compiler does not turn these loops back
** into calls to themselves.
*/
#include <stddef.h>

/* A machine word read or written at any address, as x86 allows. */
typedef size_t __attribute__((__may_alias__, __aligned__(1))) LooseWord;

extern "C" {

/* Copies a word at a time, then the bytes that remain. */
void* memcpy(void* to, const void* from, size_t size)
{
    unsigned char* d = (unsigned char*)to;
    const unsigned char* s = (const unsigned char*)from;
    for (; size >= sizeof(size_t); size -= sizeof(size_t), d += sizeof(size_t), s += sizeof(size_t))
        *(LooseWord*)d = *(const LooseWord*)s;
    while (size-- > 0)
        *d++ = *s++;
    return to;
}

/* Copies correctly whichever way the two ranges overlap. */
void* memmove(void* to, const void* from, size_t size)
{
    unsigned char* d = (unsigned char*)to;
    const unsigned char* s = (const unsigned char*)from;
    if (d <= s || d >= s + size) {
        while (size-- > 0)
            *d++ = *s++;
    } else {
        d += size;
        s += size;
        while (size-- > 0)
            *--d = *--s;
    }
    return to;
}

void* memset(void* to, int value, size_t size)
{
    unsigned char* d = (unsigned char*)to;
    while (size-- > 0)
        *d++ = (unsigned char)value;
    return to;
}

/* Passes over equal words first (sort keys that tie share long stretches), then compares bytes. */
int memcmp(const void* first, const void* second, size_t size)
{
    const unsigned char* a = (const unsigned char*)first;
    const unsigned char* b = (const unsigned char*)second;
    for (; size >= sizeof(size_t) && *(const LooseWord*)a == *(const LooseWord*)b;
         size -= sizeof(size_t), a += sizeof(size_t), b += sizeof(size_t))
        ;
    for (; size > 0; size--, a++, b++)
        if (*a != *b)
            return (int)*a - (int)*b;
    return 0;
}

}
