/*
** A stable sort of an array of pointers by a qsort-style comparator.
*/
#ifndef ZTOA_STABLESORT_H
#define ZTOA_STABLESORT_H

#include <windows.h>

typedef int (*PointerComparator)(const void* a, const void* b);

BOOL StableSortPointers(void** items, size_t count, PointerComparator comparator);

#endif
