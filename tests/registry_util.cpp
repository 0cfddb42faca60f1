#include "registry_util.h"

#include <algorithm>

std::string TitleOfPath(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.substr(0, name.find('.'));
}

std::string ModuleKeyPath(const std::string& title)
{
    return std::string(TEST_PLUGINS_KEY "\\") + title;
}

void DeleteModuleKey(const std::string& title)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, ModuleKeyPath(title).c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, ModuleKeyPath(title).c_str());
}

bool ModuleKeyExists(const std::string& title)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ModuleKeyPath(title).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void SetModuleValue(const std::string& title, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, ModuleKeyPath(title).c_str(), 0, NULL, 0, KEY_WRITE, NULL,
                        &key, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, (const BYTE*)data, size);
    RegCloseKey(key);
}

void SetModuleDword(const std::string& title, const char* name, DWORD value)
{
    SetModuleValue(title, name, REG_DWORD, &value, sizeof(value));
}

bool ReadModuleValue(const std::string& title, const char* name, DWORD* type, std::vector<BYTE>* data)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ModuleKeyPath(title).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, name, NULL, type, NULL, &size);
    if (rc == ERROR_SUCCESS) {
        data->resize(size);
        rc = RegQueryValueExA(key, name, NULL, type, data->data(), &size);
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

DWORD CountValues(const std::string& title)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ModuleKeyPath(title).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    DWORD values = 0;
    RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return values;
}

std::wstring JoinLines(const std::vector<std::wstring>& lines, const wchar_t* eol)
{
    std::wstring text;
    for (size_t i = 0; i < lines.size(); i++) {
        if (i > 0)
            text += eol;
        text += lines[i];
    }
    return text;
}

std::vector<std::wstring> StableDescending(std::vector<std::wstring> lines, LCID locale, DWORD flags)
{
    std::stable_sort(lines.begin(), lines.end(), [&](const std::wstring& a, const std::wstring& b) {
        return CompareStringW(locale, flags, a.c_str(), -1, b.c_str(), -1) == CSTR_GREATER_THAN;
    });
    return lines;
}
