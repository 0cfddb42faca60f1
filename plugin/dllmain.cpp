/*
** The module's entry point: it keeps the instance handle that resources
** and the settings key's name come from.
*/
#include "../common/instance.h"

BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved)
{
    (void)lpvReserved;
    if (fdwReason == DLL_PROCESS_ATTACH)
        g_hInstance = hinstDLL;
    return TRUE;
}
