/*
** DllMain and the exports that the host calls.
*/
#include "../common/instance.h"
#include "../sort/sortcmd.h"

HINSTANCE g_hInstance;   /* this module, for resources and the settings key */

BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved)
{
    (void)lpvReserved;
    if (fdwReason == DLL_PROCESS_ATTACH)
        g_hInstance = hinstDLL;
    return TRUE;
}

/*
** Sorts the lines that the selection in the host's editor window touches
** into descending order. Nothing is returned; failures leave the document
** as it was (apart from a final line end supplied before the sort).
*/
extern "C" void WINAPI OnCommand(HWND hwndView)
{
    SortSelection(hwndView);
}
