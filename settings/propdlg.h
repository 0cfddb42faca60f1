/*
** The properties dialog: the comparison locale and its options.
*/
#ifndef ZTOA_PROPDLG_H
#define ZTOA_PROPDLG_H

#include <windows.h>

INT_PTR CALLBACK PropertiesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
