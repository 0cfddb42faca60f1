/*
** Loading the plug-in module and reading what it tells the editor.
*/
#include "hostplugin.h"
#include "../settings/keypath.h"

#include <vector>

/* Resource strings the editor shows are short; longer ones are cut here. */
#define RESOURCE_TEXT_SIZE 512

/*
** Loads the module and looks up its seven exports by their undecorated
** names. FALSE when the module itself cannot be loaded; missing exports
** are left NULL for the caller to judge, since each use needs others.
*/
BOOL PlugInLoad(const wchar_t* path, PlugIn* plugIn)
{
    ZeroMemory(plugIn, sizeof(*plugIn));
    HMODULE module = LoadLibraryW(path);
    if (module == NULL)
        return FALSE;
    plugIn->module = module;
    plugIn->onCommand = (OnCommandProc)(void*)GetProcAddress(module, "OnCommand");
    plugIn->queryStatus = (QueryStatusProc)(void*)GetProcAddress(module, "QueryStatus");
    plugIn->onEvents = (OnEventsProc)(void*)GetProcAddress(module, "OnEvents");
    plugIn->getMenuTextID = (GetIdProc)(void*)GetProcAddress(module, "GetMenuTextID");
    plugIn->getStatusMessageID = (GetIdProc)(void*)GetProcAddress(module, "GetStatusMessageID");
    plugIn->getBitmapID = (GetIdProc)(void*)GetProcAddress(module, "GetBitmapID");
    plugIn->plugInProc = (PlugInProcProc)(void*)GetProcAddress(module, "PlugInProc");
    return TRUE;
}

void PlugInUnload(PlugIn* plugIn)
{
    if (plugIn->module != NULL)
        FreeLibrary(plugIn->module);
    ZeroMemory(plugIn, sizeof(*plugIn));
}

std::wstring WideFromAnsi(const char* text, int length)
{
    if (length <= 0)
        return std::wstring();
    int units = MultiByteToWideChar(CP_ACP, 0, text, length, NULL, 0);
    if (units <= 0)
        return std::wstring();
    std::wstring wide(units, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, length, &wide[0], units);
    return wide;
}

std::string Utf8FromWide(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
    if (bytes <= 0)
        return std::string();
    std::string utf8(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &utf8[0], bytes, NULL, NULL);
    return utf8;
}

/*
** The editor loads the module's strings with the ANSI function, as the
** module itself does, so they pass through the system's code page; they are
** widened only to be shown.
*/
std::wstring PlugInString(const PlugIn* plugIn, UINT id)
{
    char text[RESOURCE_TEXT_SIZE];
    int length = LoadStringA(plugIn->module, id, text, sizeof(text));
    return WideFromAnsi(text, length);
}

/*
** Asks the dispatcher for a text the way the editor does: once with no
** buffer for the size in bytes, terminator included, and once more with a
** buffer of exactly that size. *size gets the first answer.
*/
std::wstring PlugInRequestText(const PlugIn* plugIn, HWND hwnd, UINT request, LRESULT* size)
{
    LRESULT needed = plugIn->plugInProc(hwnd, request, 0, 0);
    *size = needed;
    if (needed <= 0 || needed > 0x10000)
        return std::wstring();
    std::vector<char> buffer((size_t)needed + 1, '\0');
    plugIn->plugInProc(hwnd, request, (WPARAM)needed, (LPARAM)buffer.data());
    buffer[(size_t)needed] = '\0';   /* a module that wrote no terminator cannot run us past the end */
    return WideFromAnsi(buffer.data(), lstrlenA(buffer.data()));
}

/* The size and depth that a bitmap resource's header gives, unconverted. */
BOOL PlugInBitmapShape(const PlugIn* plugIn, UINT id, BitmapShape* shape)
{
    HRSRC found = FindResourceW(plugIn->module, MAKEINTRESOURCEW(id), (LPCWSTR)RT_BITMAP);
    if (found == NULL || SizeofResource(plugIn->module, found) < sizeof(BITMAPINFOHEADER))
        return FALSE;
    HGLOBAL loaded = LoadResource(plugIn->module, found);
    const BITMAPINFOHEADER* header = loaded ? (const BITMAPINFOHEADER*)LockResource(loaded) : NULL;
    if (header == NULL || header->biSize < sizeof(BITMAPINFOHEADER))
        return FALSE;
    shape->width = header->biWidth;
    shape->height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    shape->bitCount = header->biBitCount;
    return TRUE;
}

/* A DIB section keeps the alpha channel of the true-colour bitmaps. */
HBITMAP PlugInLoadBitmap(const PlugIn* plugIn, UINT id)
{
    return (HBITMAP)LoadImageW(plugIn->module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0,
                               LR_CREATEDIBSECTION);
}

/* The module's settings key, by the rule the module itself follows. */
std::wstring SettingsKeyFor(const wchar_t* dllPath)
{
    WCHAR path[MAX_PATH];
    if (!SettingsKeyPathOfFile(dllPath, path))
        return std::wstring();
    return path;
}
