/*
** Message boxes over the editor or the properties dialog.
*/
#include "message.h"
#include "instance.h"
#include "winapi.h"
#include "../resources/resource.h"

/* Room for a message to the user and its caption, in characters or bytes. */
#define MESSAGE_TEXT_SIZE 256

/* The string resource and the message box in the ANSI code page or in UTF-16. */
static void LoadText(UINT id, char* text, int size) { LoadStringA(g_hInstance, id, text, size); }
static void LoadText(UINT id, WCHAR* text, int size) { Win()->LoadStringW(g_hInstance, id, text, size); }
static void ShowBox(HWND owner, const char* text, const char* caption)
{
    MessageBoxA(owner, text, caption, MB_OK | MB_ICONWARNING);
}
static void ShowBox(HWND owner, const WCHAR* text, const WCHAR* caption)
{
    Win()->MessageBoxW(owner, text, caption, MB_OK | MB_ICONWARNING);
}

/* Shows string id as a warning over owner, in the character set of Char. */
template <typename Char>
static void ShowMessageIn(HWND owner, UINT id)
{
    Char text[MESSAGE_TEXT_SIZE], caption[MESSAGE_TEXT_SIZE];
    text[0] = caption[0] = 0;
    LoadText(id, text, MESSAGE_TEXT_SIZE);
    LoadText(IDS_MENU_TEXT, caption, MESSAGE_TEXT_SIZE);
    ShowBox(owner, text, caption);
}

/*
** Tells the user string id in a message box over owner. The NT family
** shows the text as the module holds it; the others can show it only in
** the ANSI code page.
*/
void ShowModuleMessage(HWND owner, UINT id)
{
    if (Win()->isNt)
        ShowMessageIn<WCHAR>(owner, id);
    else
        ShowMessageIn<char>(owner, id);
}
