/*
** Facts about the running Windows that several parts of the module need.
*/
#ifndef ZTOA_PLATFORM_H
#define ZTOA_PLATFORM_H

#include <windows.h>

BOOL IsNtPlatform(void);

#endif
