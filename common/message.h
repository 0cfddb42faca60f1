/*
** The module's message boxes: one of its strings, as a warning, under the
** command's name.
*/
#ifndef ZTOA_MESSAGE_H
#define ZTOA_MESSAGE_H

#include <windows.h>

void ShowModuleMessage(HWND owner, UINT id);

#endif
