/*
** State and entry points that cross the module's files.
*/
#ifndef ZTOA_MODULE_H
#define ZTOA_MODULE_H

#include <windows.h>

extern HINSTANCE g_hInstance;   /* this module, stored by DllMain */

/* The sort command behind the OnCommand export (sort/sortcmd.cpp). */
void SortSelection(HWND hwndView);

#endif
