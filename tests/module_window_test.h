/*
** A fixture shared by the tests of the windows the module opens: the
** module loaded once as the host loads it, its settings key cleared, and
** the stand-in editor inside a top-level window that owns what the module
** opens.
*/
#ifndef ZTOA_TESTS_MODULE_WINDOW_TEST_H
#define ZTOA_TESTS_MODULE_WINDOW_TEST_H

#include <gtest/gtest.h>
#include <string>

#include "dialog_driver.h"
#include "host/host.h"
#include "registry_util.h"

typedef void (WINAPI *OnCommandFn)(HWND);
typedef LRESULT (WINAPI *PlugInProcFn)(HWND, UINT, WPARAM, LPARAM);

class ModuleWindowTest : public testing::Test {
protected:
    static HMODULE TestModule()
    {
        static HMODULE module = LoadLibraryA(g_dllPath.c_str());
        return module;
    }

    void SetUp() override
    {
        ASSERT_NE(TestModule(), nullptr) << "cannot load " << g_dllPath;
        plugInProc = (PlugInProcFn)(void*)GetProcAddress(TestModule(), "PlugInProc");
        onCommand = (OnCommandFn)(void*)GetProcAddress(TestModule(), "OnCommand");
        ASSERT_TRUE(plugInProc && onCommand);
        title = TitleOfPath(g_dllPath);
        pluginsKeyExisted = PluginsKeyExists();
        DeleteModuleKey(title);
        owner = CreateOwnerWindow();
        ASSERT_NE(owner, nullptr) << "cannot create a top-level window, error " << GetLastError();
        ASSERT_NE(HostCreateEditor(owner), nullptr);
    }

    void TearDown() override
    {
        HostDestroyEditor();
        if (owner != NULL)
            DestroyWindow(owner);
        DeleteModuleKey(title);
        if (!pluginsKeyExisted)
            RemovePluginsKeys();
    }

    /* Sorts the whole of text on the stand-in editor through OnCommand. */
    std::wstring Sort(const std::wstring& text)
    {
        HostSetText(text);
        POINT start = { 0, 0 }, end = { 0, HostLineCount() - 1 };
        HostSelect(start, end);
        onCommand(HostEditorWindow());
        return HostGetText();
    }

    PlugInProcFn plugInProc = NULL;
    OnCommandFn onCommand = NULL;
    std::string title;
    bool pluginsKeyExisted = false;
    HWND owner = NULL;
};

#endif
