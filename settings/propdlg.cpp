/*
** The properties dialog. It shows the stored settings when it opens and
** stores the new ones when the user presses OK; Cancel stores nothing.
*/
#include "propdlg.h"
#include "settings.h"
#include "../common/instance.h"
#include "../common/message.h"
#include "../common/winapi.h"
#include "../resources/resource.h"

#define LOCALE_TEXT_SIZE 1016

/* The locale combo box being filled: the enumeration callback is given
   nothing but the locale's name. */
static HWND g_hwndLocaleList;

/* Which check box sets which CompareString flag. */
static const struct FlagBox {
    int id;
    DWORD bit;
} g_flagBoxes[] = {
    { IDC_IGNORE_CASE,       NORM_IGNORECASE },
    { IDC_IGNORE_KANA,       NORM_IGNOREKANATYPE },
    { IDC_IGNORE_NONSPACE,   NORM_IGNORENONSPACE },
    { IDC_IGNORE_SYMBOLS,    NORM_IGNORESYMBOLS },
    { IDC_IGNORE_WIDTH,      NORM_IGNOREWIDTH },
    { IDC_STRING_SORT,       SORT_STRINGSORT },
    { IDC_DIGITS_AS_NUMBERS, SORT_DIGITSASNUMBERS },
};

/* The index of the first item whose data is lcid, or CB_ERR. */
static LRESULT FindLocaleItem(HWND list, LCID lcid)
{
    LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++) {
        if ((LCID)SendMessageA(list, CB_GETITEMDATA, (WPARAM)i, 0) == lcid)
            return i;
    }
    return CB_ERR;
}

/* The LCID that the locale enumeration writes as hexadecimal digits. */
static LCID LcidOfString(const char* text)
{
    LCID lcid = 0;
    for (;; text++) {
        if (*text >= '0' && *text <= '9')
            lcid = lcid * 16 + (LCID)(*text - '0');
        else if ((*text | 0x20) >= 'a' && (*text | 0x20) <= 'f')
            lcid = lcid * 16 + (LCID)((*text | 0x20) - 'a' + 10);
        else
            return lcid;
    }
}

/*
** The locale enumeration's callback: adds one locale to the list as its
** language name, followed for an alternate sort by a space and the sort's
** name, with the LCID as the item's data. A locale whose name cannot be
** read, or that the list already holds, is left out. Always returns TRUE
** so that the enumeration runs to its end.
*/
static BOOL CALLBACK AddLocaleToList(LPSTR localeString)
{
    LCID lcid = LcidOfString(localeString);
    char text[LOCALE_TEXT_SIZE];
    if (GetLocaleInfoA(lcid, LOCALE_USE_CP_ACP | LOCALE_SLANGUAGE, text, ARRAYSIZE(text)) <= 0)
        return TRUE;
    if (FindLocaleItem(g_hwndLocaleList, lcid) != CB_ERR)
        return TRUE;

    if (SORTIDFROMLCID(lcid) != 0) {
        int len = lstrlenA(text);
        if (len + 2 <= LOCALE_TEXT_SIZE) {
            text[len] = ' ';
            text[len + 1] = '\0';
            if (GetLocaleInfoA(lcid, LOCALE_USE_CP_ACP | LOCALE_SSORTNAME, text + len + 1,
                               LOCALE_TEXT_SIZE - len - 1) <= 0)
                text[len + 1] = '\0';
        }
    }

    LRESULT index = SendMessageA(g_hwndLocaleList, CB_ADDSTRING, 0, (LPARAM)text);
    if (index >= 0)
        SendMessageA(g_hwndLocaleList, CB_SETITEMDATA, (WPARAM)index, (LPARAM)lcid);
    return TRUE;
}

/*
** Fills the list with the supported locales and the alternate sorts. Some
** platforms reject the alternate sorts (ERROR_INVALID_FLAGS), and Wine
** enumerates nothing but them for the combined flags, so the two kinds are
** asked for one after the other.
*/
static void FillLocaleList(void)
{
    EnumSystemLocalesA(AddLocaleToList, LCID_SUPPORTED);
    EnumSystemLocalesA(AddLocaleToList, LCID_ALTERNATE_SORTS);
}

/*
** Whether this Windows compares under the flag bit. Windows 7 brought
** SORT_DIGITSASNUMBERS and earlier versions reject it, which a comparison
** under it tells; the 9x family has no such flag even where its
** CompareStringA lets the bit pass. The older flags are known everywhere.
*/
static BOOL IsFlagAccepted(DWORD bit)
{
    if (bit != SORT_DIGITSASNUMBERS)
        return TRUE;
    return Win()->isNt && CompareSettingsOf(LOCALE_SYSTEM_DEFAULT, bit).accepted;
}

/*
** Sets each box from its bit of flags. A box whose flag this Windows
** rejects is greyed and left unchecked, so that OK cannot store the bit.
*/
static void ShowFlags(HWND dialog, DWORD flags)
{
    for (size_t i = 0; i < ARRAYSIZE(g_flagBoxes); i++) {
        BOOL accepted = IsFlagAccepted(g_flagBoxes[i].bit);
        BOOL checked = accepted && (flags & g_flagBoxes[i].bit) != 0;
        CheckDlgButton(dialog, g_flagBoxes[i].id, checked ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(GetDlgItem(dialog, g_flagBoxes[i].id), accepted);
    }
}

static void OnInitDialog(HWND dialog)
{
    char caption[256];
    if (LoadStringA(g_hInstance, IDS_MENU_TEXT, caption, ARRAYSIZE(caption)) > 0)
        SetWindowTextA(dialog, caption);

    /* Without a readable key the dialog shows the defaults. */
    CompareSettings settings = LoadCompareSettings();

    HWND list = GetDlgItem(dialog, IDC_LOCALE);
    g_hwndLocaleList = list;
    FillLocaleList();
    g_hwndLocaleList = NULL;
    SendMessageA(list, CB_SETCURSEL, (WPARAM)FindLocaleItem(list, settings.locale), 0);
    ShowFlags(dialog, settings.flags);
    CheckDlgButton(dialog, IDC_LEADING_NUMBER, settings.numbers ? BST_CHECKED : BST_UNCHECKED);
}

/*
** Stores the chosen locale (0 when none is chosen), the options whose
** boxes are checked, and whether lines are ordered by their leading
** numbers, and closes the dialog; a greyed box stores nothing, whatever
** its check. When the registry does not take them, the user is told and
** the dialog stays open, so that the choice is not lost unseen.
** The list is this dialog's own: another properties dialog opened over
** this one has filled the module-wide handle with its list since.
*/
static void OnOK(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_LOCALE);
    LCID locale = 0;
    LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (index != CB_ERR)
        locale = (LCID)SendMessageA(list, CB_GETITEMDATA, (WPARAM)index, 0);

    DWORD flags = 0;
    for (size_t i = 0; i < ARRAYSIZE(g_flagBoxes); i++) {
        HWND box = GetDlgItem(dialog, g_flagBoxes[i].id);
        if (IsWindowEnabled(box) && IsDlgButtonChecked(dialog, g_flagBoxes[i].id) == BST_CHECKED)
            flags |= g_flagBoxes[i].bit;
    }
    if (!SaveSettings(locale, flags, IsDlgButtonChecked(dialog, IDC_LEADING_NUMBER) == BST_CHECKED)) {
        ShowModuleMessage(dialog, IDS_SAVE_FAILED);
        return;
    }
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK PropertiesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            OnOK(dialog);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
        }
        return FALSE;
    }
    return FALSE;
}
