/*
** The cost model: what each way of ordering lines costs, so that the key
** path can take the cheaper one: making a key for each line, or comparing
** lines with CompareStringW.
** The costs are counted in the cost of one unit of text made into a key,
** as measured under Wine.
*/
#ifndef ZTOA_COSTMODEL_H
#define ZTOA_COSTMODEL_H

#include <windows.h>

#define SLICE_MAX_BYTES 2048                  /* how far into the keys a run is ordered slice by slice */

BOOL ComparatorCostsLessForRange(WCHAR** lines, size_t count, size_t units);
BOOL ComparatorCostsLessForRun(size_t count, size_t need, DWORD tied);

#endif
