/*
** What the key path's roads cost, so that it can take the cheaper one:
** making a key for each line, or comparing lines with CompareStringW.
** The costs are counted in the cost of one unit of text made into a key,
** as measured under Wine.
*/
#ifndef ZTOA_ROADCOST_H
#define ZTOA_ROADCOST_H

#include <windows.h>

#define WINDOWS_MAX_BYTES 2048                /* how far into the keys a run is ordered window by window */

BOOL ComparatorCostsLessForRange(WCHAR** lines, size_t count, size_t units);
BOOL ComparatorCostsLessForRun(size_t count, size_t need, DWORD tied);

#endif
