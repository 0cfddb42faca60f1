/*
** A stable sort of an array of pointers by a qsort-style comparator.
*/
#ifndef ZTOA_STABLESORT_H
#define ZTOA_STABLESORT_H

#include <windows.h>

/* A comparator that also gets what the caller passes along (settings, say). */
typedef int (*ContextComparator)(const void* a, const void* b, const void* context);

BOOL StableSortPointersWith(void** items, size_t count, ContextComparator comparator, const void* context);

#endif
