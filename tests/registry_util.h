/*
** Test helpers: the module's settings key in the test prefix's registry,
** and loading the built module as the host does.
*/
#ifndef ZTOA_TESTS_REGISTRY_UTIL_H
#define ZTOA_TESTS_REGISTRY_UTIL_H

#include <windows.h>

#include "settings/keypath.h"
#include <string>
#include <vector>

extern std::string g_dllPath;

#define TEST_PLUGINS_KEY PLUGINS_KEY_PATH

std::string TitleOfPath(const std::string& path);      /* file name cut at its first dot */
std::string ModuleKeyPath(const std::string& title);
void DeleteModuleKey(const std::string& title);
bool ModuleKeyExists(const std::string& title);
void SetModuleValue(const std::string& title, const char* name, DWORD type, const void* data, DWORD size);
void SetModuleDword(const std::string& title, const char* name, DWORD value);
bool ReadModuleValue(const std::string& title, const char* name, DWORD* type, std::vector<BYTE>* data);
DWORD CountValues(const std::string& title);

typedef void (WINAPI *OnCommandProc)(HWND);

/* Lines as UTF-16 text joined with the given line end. */
std::wstring JoinLines(const std::vector<std::wstring>& lines, const wchar_t* eol);

/* The lines in CompareStringW's descending order under locale and flags, ties in their order: the model. */
std::vector<std::wstring> StableDescending(std::vector<std::wstring> lines, LCID locale, DWORD flags);

#endif
