/*
** The order on Windows without CompareStringW (95, 98, Me).
*/
#ifndef ZTOA_ANSISORT_H
#define ZTOA_ANSISORT_H

#include <windows.h>

#include "../settings/settings.h"

BOOL SortLinesInAnsi(WCHAR** lines, size_t count, const CompareSettings* settings);

#endif
