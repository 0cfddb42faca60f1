/*
** The properties dialog on a Windows that rejects a flag. The dialog's
** code is the module's own, linked in, with CompareStringW replaced in its
** Windows table by one that rejects the flags in g_rejected; the
** resources are linked into this executable, whose name
** ("propdlg_rejected_test") picks the settings key.
*/
#include <gtest/gtest.h>

#include "common/instance.h"
#include "common/winapi.h"
#include "dialog_driver.h"
#include "registry_util.h"
#include "resources/resource.h"
#include "settings/propdlg.h"

namespace {

DWORD g_rejected;   /* the flags Windows takes as unknown here */
int(WINAPI* g_compareStringW)(LCID, DWORD, LPCWSTR, int, LPCWSTR, int);   /* the real one */

/* CompareStringW of a Windows that does not know the flags in g_rejected. */
int WINAPI RejectingCompareStringW(LCID locale, DWORD flags, LPCWSTR a, int aLen, LPCWSTR b, int bLen)
{
    if ((flags & g_rejected) != 0) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    return g_compareStringW(locale, flags, a, aLen, b, bLen);
}

const char kTitle[] = "propdlg_rejected_test";

/* What the digits box showed and what OK stored. */
struct DigitsRun {
    BOOL enabled;
    UINT checked;
    DWORD stored;
};

/*
** Opens the dialog over stored flags, reads the digits box, then checks it
** by force (as a stray message could) and presses OK.
*/
DigitsRun OpenAndPressOk(DWORD storedFlags)
{
    DigitsRun result = { FALSE, BST_UNCHECKED, 0xDEADBEEF };
    SetModuleDword(kTitle, "Locale", 0x0409);
    SetModuleDword(kTitle, "Flags", storedFlags);
    HWND owner = CreateOwnerWindow();
    DialogRun run;
    RunDialog([owner] {
        return (LRESULT)DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_PROPERTIES), owner, PropertiesDlgProc, 0);
    }, [&](HWND dialog) {
        HWND box = GetDlgItem(dialog, IDC_DIGITS_AS_NUMBERS);
        result.enabled = IsWindowEnabled(box);
        result.checked = IsDlgButtonChecked(dialog, IDC_DIGITS_AS_NUMBERS);
        SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
        return IDOK;
    }, &run);
    DestroyWindow(owner);
    EXPECT_NE(run.dialog, nullptr) << "the dialog did not show up";
    EXPECT_FALSE(run.stuck);
    std::vector<BYTE> data;
    DWORD type = 0;
    if (ReadModuleValue(kTitle, "Flags", &type, &data) && data.size() == 4)
        result.stored = *(const DWORD*)data.data();
    return result;
}

TEST(RejectedFlagTest, BoxIsGreyedUncheckedAndNeverStored)
{
    g_hInstance = GetModuleHandleW(NULL);   /* the module that holds the dialog: this executable */
    g_compareStringW = Win()->CompareStringW;
    Win()->CompareStringW = RejectingCompareStringW;
    bool pluginsKeyExisted = PluginsKeyExists();
    static const struct { DWORD rejected, stored; BOOL enabled; UINT checked; DWORD afterOk; } cases[] = {
        { SORT_DIGITSASNUMBERS, 0x00009, FALSE, BST_UNCHECKED, 0x00001 },
        { SORT_DIGITSASNUMBERS, 0x00000, FALSE, BST_UNCHECKED, 0x00000 },
        { 0,                    0x01008, TRUE,  BST_CHECKED,   0x01008 },   /* Windows knows it: offered */
        { 0,                    0x00001, TRUE,  BST_UNCHECKED, 0x00009 },
    };
    for (const auto& c : cases) {
        g_rejected = c.rejected;
        DigitsRun run = OpenAndPressOk(c.stored);
        SCOPED_TRACE(testing::Message() << "rejected 0x" << std::hex << c.rejected << ", stored 0x" << c.stored);
        EXPECT_EQ(run.enabled, c.enabled);
        EXPECT_EQ(run.checked, c.checked);
        EXPECT_EQ(run.stored, c.afterOk);
    }
    Win()->CompareStringW = g_compareStringW;
    DeleteModuleKey(kTitle);
    if (!pluginsKeyExisted)
        RemovePluginsKeys();
}

}  // namespace
