/*
** The sort command behind the OnCommand export.
*/
#ifndef ZTOA_SORTCMD_H
#define ZTOA_SORTCMD_H

#include <windows.h>

void SortSelection(HWND hwndView);

#endif
