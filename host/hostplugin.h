/*
** The plug-in module as the editor sees it: loaded with LoadLibrary, its
** exports found by name, its texts and bitmaps read from its resources and
** asked of its request dispatcher.
*/
#ifndef ZTOA_HOSTPLUGIN_H
#define ZTOA_HOSTPLUGIN_H

#include <windows.h>
#include <string>

#include "../plugin/plugin.h"

typedef void (WINAPI *OnCommandProc)(HWND);
typedef BOOL (WINAPI *QueryStatusProc)(HWND, BOOL*);
typedef void (WINAPI *OnEventsProc)(HWND, UINT, LPARAM);
typedef UINT (WINAPI *GetIdProc)(void);
typedef LRESULT (WINAPI *PlugInProcProc)(HWND, UINT, WPARAM, LPARAM);

/* A loaded module and its exports; an export it lacks is NULL. */
typedef struct PlugIn {
    HMODULE module;
    OnCommandProc onCommand;
    QueryStatusProc queryStatus;
    OnEventsProc onEvents;
    GetIdProc getMenuTextID;
    GetIdProc getStatusMessageID;
    GetIdProc getBitmapID;
    PlugInProcProc plugInProc;
} PlugIn;

/* What a bitmap resource's header says. */
typedef struct BitmapShape {
    LONG width, height;
    WORD bitCount;
} BitmapShape;

BOOL PlugInLoad(const wchar_t* path, PlugIn* plugIn);
void PlugInUnload(PlugIn* plugIn);

/* A string resource, loaded in the ANSI code page as the editor does. */
std::wstring PlugInString(const PlugIn* plugIn, UINT id);

/* PP_GET_NAME or PP_GET_VERSION: the size first, then a buffer of that size. */
std::wstring PlugInRequestText(const PlugIn* plugIn, HWND hwnd, UINT request, LRESULT* size);

BOOL PlugInBitmapShape(const PlugIn* plugIn, UINT id, BitmapShape* shape);
HBITMAP PlugInLoadBitmap(const PlugIn* plugIn, UINT id);

/* The module's settings key for the module file at dllPath; empty when its name gives it none. */
std::wstring SettingsKeyFor(const wchar_t* dllPath);

/* Text conversions between the ANSI code page, UTF-16 and UTF-8. */
std::wstring WideFromAnsi(const char* text, int length);
std::string Utf8FromWide(const std::wstring& text);

#endif
