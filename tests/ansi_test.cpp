/*
** The non-NT platform: Wine reports Windows 98 to this executable, so the
** module compares lines in the ANSI code page (932 here) with
** CompareStringA.
*/
#include <gtest/gtest.h>

#include <algorithm>

#include "dialog_driver.h"
#include "host/host.h"
#include "registry_util.h"

namespace {

class AnsiPlatformTest : public testing::Test {
protected:
    void SetUp() override
    {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof(version);
        ASSERT_TRUE(GetVersionExA(&version));
        ASSERT_EQ(version.dwPlatformId, (DWORD)VER_PLATFORM_WIN32_WINDOWS)
            << "Wine must report Windows 98 to this executable";
        ASSERT_EQ(GetACP(), 932u) << "run under the ja_JP.UTF-8 locale";
        module = LoadLibraryA(g_dllPath.c_str());
        ASSERT_NE(module, nullptr);
        onCommand = (OnCommandProc)GetProcAddress(module, "OnCommand");
        ASSERT_NE(onCommand, nullptr);
        ASSERT_NE(HostCreateEditor(NULL), nullptr);
        HostSetWrapWidth(2);
        title = TitleOfPath(g_dllPath);
        DeleteModuleKey(title);
    }

    void TearDown() override
    {
        HostDestroyEditor();
        DeleteModuleKey(title);
        if (module != NULL)
            FreeLibrary(module);
    }

    HMODULE module = NULL;
    OnCommandProc onCommand = NULL;
    std::string title;
};

/* The order CompareStringA gives the lines' code page 932 bytes, descending. */
std::vector<std::wstring> ExpectedAnsiOrder(std::vector<std::wstring> lines, DWORD flags)
{
    std::stable_sort(lines.begin(), lines.end(), [flags](const std::wstring& x, const std::wstring& y) {
        char a[256], b[256];
        WideCharToMultiByte(932, 0, x.c_str(), -1, a, sizeof(a), NULL, NULL);
        WideCharToMultiByte(932, 0, y.c_str(), -1, b, sizeof(b), NULL, NULL);
        return CompareStringA(0x411, flags, a, -1, b, -1) == CSTR_GREATER_THAN;
    });
    return lines;
}

TEST_F(AnsiPlatformTest, JapaneseLinesSortInCodePage932)
{
    SetModuleDword(title, "Locale", 0x411);
    SetModuleDword(title, "Flags", 0);
    std::vector<std::wstring> lines = {
        L"\x3055\x304F\x3089",        /* さくら */
        L"\x30A2\x30A4\x30B9",        /* アイス */
        L"\x6771\x4EAC",              /* 東京 */
        L"\x3042\x3081",              /* あめ */
        L"Zebra", L"apple",
        L"\xFF76\xFF9E\xFF77",        /* halfwidth ｶﾞｷ */
        L"\x5927\x962A",              /* 大阪 */
    };
    std::vector<std::wstring> want = ExpectedAnsiOrder(lines, 0);
    ASSERT_NE(want, lines);
    HostSetText(JoinLines(lines, L"\r\n") + L"\r\n");
    POINT start = { 0, 0 }, end = { 0, (LONG)lines.size() };
    HostSelect(start, end);
    onCommand(HostEditorWindow());
    EXPECT_EQ(HostGetText(), JoinLines(want, L"\r\n") + L"\r\n");
}

TEST_F(AnsiPlatformTest, KanaTypeFlagAppliesToTheAnsiComparison)
{
    SetModuleDword(title, "Locale", 0x411);
    SetModuleDword(title, "Flags", NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH);
    std::vector<std::wstring> lines = {
        L"\x30AB\x30AD",       /* カキ */
        L"\x3042",             /* あ */
        L"\x304B\x304D",       /* かき: equal to カキ under the flags */
        L"\x30A2",             /* ア: equal to あ */
    };
    std::vector<std::wstring> want = ExpectedAnsiOrder(lines, NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH);
    HostSetText(JoinLines(lines, L"\n"));
    POINT start = { 0, 0 }, end = { 1, 3 };
    HostSelect(start, end);
    onCommand(HostEditorWindow());
    EXPECT_EQ(HostGetText(), JoinLines(want, L"\n") + L"\n");
    EXPECT_EQ(want[0], lines[0]) << "equal lines keep their order";
    EXPECT_EQ(want[1], lines[2]);
}

/* Windows 98 gives fr-FR's no-break space in its code page 1252 (0xA0), not in the system's 932. */
TEST_F(AnsiPlatformTest, LeadingNumbersWithTheLocaleSeparators)
{
    SetModuleDword(title, "Locale", 0x40C);
    SetModuleDword(title, "Numbers", 1);
    std::vector<std::wstring> lines = { L"99,9", L"1 234", L"1\x00A0" L"234,5", L"\x3042", L"-0,5" };
    std::vector<std::wstring> want = { L"1\x00A0" L"234,5", L"99,9", L"1 234", L"-0,5", L"\x3042" };
    HostSetText(JoinLines(lines, L"\r\n") + L"\r\n");
    POINT start = { 0, 0 }, end = { 0, 5 };
    HostSelect(start, end);
    onCommand(HostEditorWindow());
    EXPECT_EQ(HostGetText(), JoinLines(want, L"\r\n") + L"\r\n");
}

/*
** Windows 98 has no SORT_DIGITSASNUMBERS: its box is greyed and unchecked
** over a stored bit, and OK drops the bit even when the box is checked by
** force.
*/
TEST_F(AnsiPlatformTest, DigitsBoxIsGreyedAndNeverStored)
{
    typedef LRESULT (WINAPI *PlugInProcFn)(HWND, UINT, WPARAM, LPARAM);
    PlugInProcFn plugInProc = (PlugInProcFn)(void*)GetProcAddress(module, "PlugInProc");
    ASSERT_NE(plugInProc, nullptr);
    SetModuleDword(title, "Locale", 0x411);
    SetModuleDword(title, "Flags", SORT_DIGITSASNUMBERS | NORM_IGNORECASE);
    HWND owner = CreateOwnerWindow();
    BOOL enabled = TRUE;
    UINT checked = BST_CHECKED;
    DialogRun run;
    RunDialog([&] { return plugInProc(owner, 0x901, 0, 0); }, [&](HWND dialog) {
        enabled = IsWindowEnabled(GetDlgItem(dialog, 1007));
        checked = IsDlgButtonChecked(dialog, 1007);
        SendDlgItemMessageW(dialog, 1007, BM_SETCHECK, BST_CHECKED, 0);
        return IDOK;
    }, &run);
    DestroyWindow(owner);
    ASSERT_NE(run.dialog, nullptr) << "the dialog did not show up";
    EXPECT_FALSE(enabled);
    EXPECT_EQ(checked, (UINT)BST_UNCHECKED);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(ReadModuleValue(title, "Flags", &type, &data));
    ASSERT_EQ(data.size(), 4u);
    EXPECT_EQ(*(const DWORD*)data.data(), (DWORD)NORM_IGNORECASE);
}

/* A stored SORT_DIGITSASNUMBERS that CompareStringA rejects: told, and the document untouched. */
TEST_F(AnsiPlatformTest, RejectedDigitsFlagLeavesTheDocument)
{
    if (CompareStringA(0x411, SORT_DIGITSASNUMBERS, "a", 1, "b", 1) != 0)
        GTEST_SKIP() << "this CompareStringA takes the flag";
    SetModuleDword(title, "Locale", 0x411);
    SetModuleDword(title, "Flags", SORT_DIGITSASNUMBERS);
    const std::wstring text = L"file9\r\nfile10\r\nzebra\r\n";
    HostSetText(text);
    POINT start = { 0, 0 }, end = { 0, 3 };
    HostSelect(start, end);
    HostWatchMessageBoxes(TRUE);
    onCommand(HostEditorWindow());
    HostWatchMessageBoxes(FALSE);
    EXPECT_EQ(HostGetText(), text);
    EXPECT_EQ(HostMessageBoxCount(), 1) << "the user was not told";
}

}  // namespace
