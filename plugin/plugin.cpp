/*
** The seven exports the host calls: the command itself, and those through
** which the host learns about it, asks whether it is available, passes it
** events, and makes requests.
*/
#include "plugin.h"
#include "../common/hostmsg.h"
#include "../common/instance.h"
#include "../resources/resource.h"
#include "../settings/propdlg.h"
#include "../settings/settings.h"
#include "../sort/sortcmd.h"

#define SHORT_TEXT_SIZE 80
#define MAX_COPY_SIZE 0x7FFFFFFF   /* lstrcpynA counts in an int */

static LPARAM g_eventValue;   /* the value of the last EVT_SET_VALUE event */

/*
** Sorts the lines that the selection in the host's editor window touches
** into descending order. Nothing is returned; a run that cannot sort
** leaves the document as it was and tells the user why.
*/
extern "C" void WINAPI OnCommand(HWND hwndView)
{
    SortSelection(hwndView);
}

/*
** Whether the sort command is available: not while the host's guard
** command is set, and only for selection types 1 and 2. The command never
** reports a checked state.
*/
extern "C" BOOL WINAPI QueryStatus(HWND hwndView, BOOL* pbState)
{
    if (pbState != NULL)
        *pbState = FALSE;
    BOOL guard = FALSE;
    SendMessageA(hwndView, HM_QUERY_COMMAND_STATUS, HOST_CMD_GUARD, (LPARAM)&guard);
    if (guard)
        return FALSE;
    LRESULT type = SendMessageA(hwndView, HM_GET_SEL_TYPE, 0, 0) & SEL_TYPE_MASK;
    return type >= SEL_TYPE_SORTABLE_FIRST && type <= SEL_TYPE_SORTABLE_LAST;
}

/* Remembers the value of a set event and hands it back on a send event. */
extern "C" void WINAPI OnEvents(HWND hwndView, UINT nEvent, LPARAM lParam)
{
    if (nEvent & EVT_SET_VALUE)
        g_eventValue = lParam;
    if (nEvent & EVT_SEND_VALUE)
        SendMessageA(hwndView, HM_PASS_EVENT_VALUE, (WPARAM)g_eventValue, 0);
}

extern "C" UINT WINAPI GetMenuTextID(void)
{
    return IDS_MENU_TEXT;
}

extern "C" UINT WINAPI GetStatusMessageID(void)
{
    return IDS_STATUS_MESSAGE;
}

extern "C" UINT WINAPI GetBitmapID(void)
{
    return IDB_TOOLBAR;
}

/* The bitmap for a combination of request bits. */
static UINT BitmapForRequest(WPARAM bits)
{
    BOOL large = (bits & BMP_LARGE) != 0;
    if (bits & BMP_TRUE_COLOR) {
        if (bits & BMP_GRAYED)
            return large ? IDB_LARGE_TRUE_GRAYED : IDB_TRUE_GRAYED;
        if (bits & BMP_DARK)
            return large ? IDB_LARGE_TRUE_DARK : IDB_TRUE_DARK;
        return large ? IDB_LARGE_TRUE : IDB_TRUE;
    }
    if (bits & BMP_256_COLORS) {
        if (bits & BMP_GRAYED)
            return large ? IDB_LARGE_256_GRAYED : IDB_256_GRAYED;
        if (bits & BMP_DARK)
            return large ? IDB_LARGE_256_DARK : IDB_256_DARK;
        return large ? IDB_LARGE_256 : IDB_256;
    }
    return large ? IDB_LARGE : IDB_TOOLBAR;
}

/* The transparent colour of those bitmaps: none for true colour (alpha). */
static COLORREF MaskColorForRequest(WPARAM bits)
{
    if (bits & BMP_TRUE_COLOR)
        return NO_MASK_COLOR;
    if (bits & BMP_256_COLORS)
        return RGB(255, 0, 255);
    return 0;
}

/*
** Hands out a string resource in the ANSI code page: returns its size in
** bytes with the terminator, and copies at most size - 1 bytes and a
** terminator into buffer when there is one, so that a host can ask for the
** size first and for the text next.
*/
static LRESULT CopyStringResource(UINT id, char* buffer, WPARAM size)
{
    char text[SHORT_TEXT_SIZE];
    text[0] = '\0';
    LoadStringA(g_hInstance, id, text, ARRAYSIZE(text));
    if (buffer != NULL && size > 0)
        lstrcpynA(buffer, text, (int)(size < MAX_COPY_SIZE ? size : MAX_COPY_SIZE));
    return lstrlenA(text) + 1;
}

/*
** Asks the user to confirm; on yes deletes the settings and returns 1.
** Returns 0 when the user says no, or when the settings key stays because
** it could not be deleted: the host must not report an uninstall that
** left the settings behind.
*/
static LRESULT Uninstall(HWND hwnd)
{
    char prompt[SHORT_TEXT_SIZE];
    char name[SHORT_TEXT_SIZE];
    prompt[0] = name[0] = '\0';
    LoadStringA(g_hInstance, IDS_UNINSTALL_PROMPT, prompt, ARRAYSIZE(prompt));
    LoadStringA(g_hInstance, IDS_MENU_TEXT, name, ARRAYSIZE(name));
    if (MessageBoxA(hwnd, prompt, name, MB_YESNO | MB_ICONWARNING) != IDYES)
        return 0;
    return DeleteSettings() ? 1 : 0;
}

extern "C" LRESULT WINAPI PlugInProc(HWND hwnd, UINT nRequest, WPARAM wParam, LPARAM lParam)
{
    switch (nRequest) {
    case PP_QUERY_PROPERTIES:
    case PP_QUERY_UNINSTALL:
        return 1;
    case PP_SHOW_PROPERTIES:
        DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_PROPERTIES), hwnd, PropertiesDlgProc, 0);
        return 1;
    case PP_GET_NAME:
        return CopyStringResource(IDS_MENU_TEXT, (char*)lParam, wParam);
    case PP_GET_VERSION:
        return CopyStringResource(IDS_VERSION, (char*)lParam, wParam);
    case PP_UNINSTALL:
        return Uninstall(hwnd);
    case PP_GET_BITMAP_ID:
        return BitmapForRequest(wParam);
    case PP_GET_MASK_COLOR:
        return (LRESULT)(LONG)MaskColorForRequest(wParam);
    }
    return 0;
}
