/*
** Bottom-up merge sort: short runs are sorted by insertion, then merged
** pairwise through one scratch array. Elements that compare equal keep
** their order, which qsort does not promise.
*/
#include "stablesort.h"

#include "../common/memory.h"

#include <string.h>

#define INSERTION_RUN 16

/* Sorts items[0..count) by insertion; stable. */
template <typename Compare>
static void InsertionSort(void** items, size_t count, Compare comparator)
{
    for (size_t i = 1; i < count; i++) {
        void* item = items[i];
        size_t j = i;
        while (j > 0 && comparator(&items[j - 1], &item) > 0) {
            items[j] = items[j - 1];
            j--;
        }
        items[j] = item;
    }
}

/* Merges the sorted runs from[lo..mid) and from[mid..hi) into to[lo..hi). */
template <typename Compare>
static void Merge(void** from, void** to, size_t lo, size_t mid, size_t hi, Compare comparator)
{
    size_t i = lo, j = mid, k = lo;
    while (i < mid && j < hi) {
        if (comparator(&from[j], &from[i]) < 0)
            to[k++] = from[j++];
        else
            to[k++] = from[i++];
    }
    while (i < mid)
        to[k++] = from[i++];
    while (j < hi)
        to[k++] = from[j++];
}

/*
** Sorts items ascending by comparator, keeping equal elements in order.
** Returns FALSE, leaving items as they were, when the scratch array of
** count pointers cannot be allocated.
*/
template <typename Compare>
static BOOL StableSort(void** items, size_t count, Compare comparator)
{
    if (count <= INSERTION_RUN) {
        InsertionSort(items, count, comparator);
        return TRUE;
    }
    void** scratch = (void**)ZtoaAlloc(count * sizeof(void*));
    if (scratch == NULL)
        return FALSE;

    for (size_t lo = 0; lo < count; lo += INSERTION_RUN)
        InsertionSort(items + lo, (count - lo < INSERTION_RUN) ? count - lo : INSERTION_RUN, comparator);

    void** from = items;
    void** to = scratch;
    for (size_t width = INSERTION_RUN; width < count; width *= 2) {
        for (size_t lo = 0; lo < count; lo += 2 * width) {
            size_t mid = (lo + width < count) ? lo + width : count;
            size_t hi = (lo + 2 * width < count) ? lo + 2 * width : count;
            Merge(from, to, lo, mid, hi, comparator);
        }
        void** t = from;
        from = to;
        to = t;
    }
    if (from != items)
        memcpy(items, from, count * sizeof(void*));
    ZtoaFree(scratch);
    return TRUE;
}

/* Sorts items ascending by comparator, which gets context with each pair; stable. */
BOOL StableSortPointersWith(void** items, size_t count, ContextComparator comparator, const void* context)
{
    return StableSort(items, count, [comparator, context](const void* a, const void* b) {
        return comparator(a, b, context);
    });
}
