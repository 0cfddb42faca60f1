/*
** This module's instance handle, which DllMain stores: resources and the
** settings key's name come from it.
*/
#ifndef ZTOA_INSTANCE_H
#define ZTOA_INSTANCE_H

#include <windows.h>

extern HINSTANCE g_hInstance;   /* this module, stored by DllMain */

#endif
