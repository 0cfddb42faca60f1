/*
** Small routines on UTF-16 text that the module keeps for itself rather
** than import.
*/
#ifndef ZTOA_TEXT_H
#define ZTOA_TEXT_H

#include <windows.h>

int TextLengthW(const WCHAR* text);
int CompareOrdinalW(const WCHAR* first, const WCHAR* second);

#endif
