/*
** The properties dialog: the comparison locale and its options.
*/
#ifndef ZTOA_PROPDLG_H
#define ZTOA_PROPDLG_H

#include <windows.h>

INT_PTR CALLBACK PropertiesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#ifdef ZTOA_TEST_SEAMS
extern DWORD g_flagsRejectedForTest;   /* flags the test build takes as rejected */
#endif

#endif
