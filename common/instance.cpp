/*
** This module's instance handle.
*/
#include "instance.h"

HINSTANCE g_hInstance;   /* this module, for resources and the settings key */
