/*
** The properties dialog, opened through PlugInProc as the host opens it
** and driven from inside its own message loop under the X server: what it
** shows of the stored settings, what OK and Cancel store, the locale list,
** its texts in the module's four languages, and the sort that follows.
**
** Registered under ja_JP, zh_CN, zh_TW and en_US (UTF-8); the texts
** are checked in the language that the ANSI code page selects (932, 936,
** 950 for Traditional Chinese, or 1252 for English).
*/
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdlib.h>
#include <string>
#include <vector>

#include "module_window_test.h"
#include "resources/resource.h"

namespace {

const UINT kShowProperties = 0x901;   /* PlugInProc's request */
const int kLocaleList = 1000;         /* the combo box */


/* Which box stands for which CompareString flag. */
const struct FlagBox {
    int id;
    DWORD bit;
    const char* name;
} kBoxes[] = {
    { 1001, 0x00001, "NORM_IGNORECASE" },
    { 1002, 0x10000, "NORM_IGNOREKANATYPE" },
    { 1003, 0x00002, "NORM_IGNORENONSPACE" },
    { 1004, 0x00004, "NORM_IGNORESYMBOLS" },
    { 1005, 0x20000, "NORM_IGNOREWIDTH" },
    { 1006, 0x01000, "SORT_STRINGSORT" },
    { 1007, 0x00008, "SORT_DIGITSASNUMBERS" },   /* offered: Wine's CompareStringW takes it */
};

/* The dialog's texts in one of the module's four languages. */
struct DialogTexts {
    UINT codePage;             /* the ANSI code page that goes with the language */
    const wchar_t* caption;
    const wchar_t* label;      /* the static text above the list */
    const wchar_t* boxes[7];   /* 1001 to 1007 */
    const wchar_t* ok;
    const wchar_t* cancel;
};

const DialogTexts kLanguages[] = {
    { 932, L"文字列を降順に並べ替え", L"ロケール(&L):",
      { L"大文字、小文字を区別しない(&I)", L"ひらがな、カタカナを区別しない(&K)",
        L"場所を取らない文字を区別しない(&N)", L"記号を区別しない(&S)",
        L"全角、半角を区別しない(&W)", L"句読点を記号と同様に扱う(&T)",
        L"数字を数値として扱う(&D)" },
      L"OK", L"キャンセル" },
    { 936, L"字符排序 (降序)", L"国家(&L):",
      { L"忽略大小写(&I)", L"不区分平假名和片假名字符(&K)", L"忽略非空格字符(&N)",
        L"忽略符号(&S)", L"不区分半角和全角字符(&W)", L"将标点符号作为符号处理",
        L"将数字作为数值处理(&D)" },
      L"确定", L"取消" },
    { 950, L"字元排序 (遞減)", L"地區設定(&L):",
      { L"忽略大小寫(&I)", L"不區分平假名與片假名(&K)", L"忽略非間距字元(&N)",
        L"忽略符號(&S)", L"不區分全形與半形字元(&W)", L"將標點符號視為符號(&T)",
        L"將數字視為數值(&D)" },
      L"確定", L"取消" },
    { 1252, L"Sort Lines (Descending)", L"&Locale:",
      { L"Ignore &case", L"Ignore &kana type (hiragana = katakana)",
        L"Ignore &nonspacing characters (accents)", L"Ignore &symbols",
        L"Ignore &width (full width = half width)", L"&Treat punctuation as symbols",
        L"Treat &digits as numbers" },
      L"OK", L"Cancel" },
};

/* One item of the locale list. */
struct LocaleItem {
    std::string text;     /* as an ANSI caller reads it */
    std::wstring wide;    /* as the list holds it */
    LCID lcid;            /* the item's data */
};

/* What the open dialog showed. */
struct DialogView {
    std::wstring caption;
    std::wstring label;
    LRESULT selection;               /* CB_GETCURSEL */
    LCID selectedLocale;             /* that item's data */
    std::vector<LocaleItem> items;
    std::map<int, UINT> checks;      /* box id: BST_CHECKED or BST_UNCHECKED */
    std::map<int, std::wstring> texts;
};

DialogView ReadDialog(HWND dialog)
{
    DialogView view;
    view.caption = WindowTextW(dialog);
    view.label = WindowTextW(FindChildOfClass(dialog, L"Static"));
    HWND list = GetDlgItem(dialog, kLocaleList);
    view.selection = SendMessageW(list, CB_GETCURSEL, 0, 0);
    view.selectedLocale = view.selection == CB_ERR
        ? 0 : (LCID)SendMessageW(list, CB_GETITEMDATA, (WPARAM)view.selection, 0);
    LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++) {
        LocaleItem item;
        std::vector<char> text(SendMessageA(list, CB_GETLBTEXTLEN, (WPARAM)i, 0) * 2 + 1, '\0');
        SendMessageA(list, CB_GETLBTEXT, (WPARAM)i, (LPARAM)text.data());
        item.text = text.data();
        std::vector<WCHAR> wide(SendMessageW(list, CB_GETLBTEXTLEN, (WPARAM)i, 0) + 1, L'\0');
        SendMessageW(list, CB_GETLBTEXT, (WPARAM)i, (LPARAM)wide.data());
        item.wide = wide.data();
        item.lcid = (LCID)SendMessageW(list, CB_GETITEMDATA, (WPARAM)i, 0);
        view.items.push_back(item);
    }
    for (const FlagBox& box : kBoxes) {
        view.checks[box.id] = IsDlgButtonChecked(dialog, box.id);
        view.texts[box.id] = WindowTextW(GetDlgItem(dialog, box.id));
    }
    view.texts[IDOK] = WindowTextW(GetDlgItem(dialog, IDOK));
    view.texts[IDCANCEL] = WindowTextW(GetDlgItem(dialog, IDCANCEL));
    return view;
}

/* The index of the first item with this locale, or CB_ERR. */
LRESULT IndexOfLocale(HWND dialog, LCID lcid)
{
    HWND list = GetDlgItem(dialog, kLocaleList);
    LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++)
        if ((LCID)SendMessageW(list, CB_GETITEMDATA, (WPARAM)i, 0) == lcid)
            return i;
    return CB_ERR;
}

/* The flags that the check boxes of a view stand for. */
DWORD CheckedFlags(const DialogView& view)
{
    DWORD flags = 0;
    for (const FlagBox& box : kBoxes)
        if (view.checks.at(box.id) == BST_CHECKED)
            flags |= box.bit;
    return flags;
}

std::set<LCID>* g_enumerated;   /* the locales that EnumSystemLocalesA hands out */

BOOL CALLBACK CollectLocale(LPSTR text)
{
    LCID lcid = (LCID)strtoul(text, NULL, 16);
    char name[256];
    if (GetLocaleInfoA(lcid, LOCALE_USE_CP_ACP | LOCALE_SLANGUAGE, name, sizeof(name)) > 0)
        g_enumerated->insert(lcid);
    return TRUE;
}

/* The locales with a readable name that the system enumerates with flags. */
std::set<LCID> SystemLocales(DWORD flags)
{
    std::set<LCID> locales;
    g_enumerated = &locales;
    EnumSystemLocalesA(CollectLocale, flags);
    g_enumerated = NULL;
    return locales;
}

std::string LocaleText(LCID lcid, LCTYPE type)
{
    char text[1016];
    if (GetLocaleInfoA(lcid, LOCALE_USE_CP_ACP | type, text, sizeof(text)) <= 0)
        return std::string();
    return text;
}

class PropertiesDialogTest : public ModuleWindowTest {
protected:
    void Store(DWORD locale, DWORD flags)
    {
        SetModuleDword(title, "Locale", locale);
        SetModuleDword(title, "Flags", flags);
    }

    /* A stored value that must be a REG_DWORD; fails the test otherwise. */
    void ReadStored(const char* name, DWORD* value)
    {
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(ReadModuleValue(title, name, &type, &data)) << "no value " << name;
        ASSERT_EQ(type, (DWORD)REG_DWORD) << name;
        ASSERT_EQ(data.size(), 4u) << name;
        *value = *(const DWORD*)data.data();
    }

    /*
    ** Opens the dialog through PlugInProc over the owner window and runs
    ** action on it once it shows; the dialog must close by the button that
    ** action returns and PlugInProc must answer 1.
    */
    void Open(const DialogAction& action)
    {
        DialogRun run;
        LRESULT result = RunDialog([this] { return plugInProc(owner, kShowProperties, 0, 0); }, action, &run);
        ASSERT_FALSE(run.timedOut) << "the dialog did not show up";
        ASSERT_NE(run.dialog, nullptr) << "the dialog did not show up";
        ASSERT_FALSE(run.stuck) << "the dialog did not close";
        EXPECT_EQ(run.owner, owner);
        EXPECT_EQ(result, 1);
    }

    /* Opens the dialog, reads what it shows and presses button. */
    void Look(DialogView* view, int button)
    {
        Open([=](HWND dialog) { *view = ReadDialog(dialog); return button; });
    }
};

TEST_F(PropertiesDialogTest, ShowsTheStoredLocaleAndFlags)
{
    static const struct { LCID locale; DWORD flags; } stored[] = {
        { 0x0411, 0x01001 }, { 0x0804, 0x20006 }, { 0x0409, 0x00000 },
        { 0x20804, 0x10000 }, { 0x0409, 0x31007 },
    };
    for (const auto& s : stored) {
        Store(s.locale, s.flags);
        DialogView view;
        ASSERT_NO_FATAL_FAILURE(Look(&view, IDCANCEL));
        EXPECT_NE(view.selection, CB_ERR) << "locale 0x" << std::hex << s.locale;
        EXPECT_EQ(view.selectedLocale, s.locale);
        EXPECT_EQ(CheckedFlags(view), s.flags) << "stored 0x" << std::hex << s.flags;
    }
}

TEST_F(PropertiesDialogTest, EachStoredBitChecksExactlyItsBox)
{
    for (const FlagBox& box : kBoxes) {
        Store(0x0409, box.bit);
        DialogView view;
        ASSERT_NO_FATAL_FAILURE(Look(&view, IDCANCEL));
        for (const FlagBox& other : kBoxes)
            EXPECT_EQ(view.checks[other.id], other.id == box.id ? (UINT)BST_CHECKED : (UINT)BST_UNCHECKED)
                << "stored " << box.name << ", box " << other.id;
    }
}

TEST_F(PropertiesDialogTest, EachCheckedBoxStoresExactlyItsBit)
{
    for (const FlagBox& box : kBoxes) {
        Store(0x0409, 0);
        DWORD shownBefore = ~0u;
        UINT afterClick = BST_UNCHECKED;
        ASSERT_NO_FATAL_FAILURE(Open([&](HWND dialog) {
            shownBefore = CheckedFlags(ReadDialog(dialog));
            ClickDialogButton(dialog, box.id);
            afterClick = IsDlgButtonChecked(dialog, box.id);
            return IDOK;
        }));
        EXPECT_EQ(shownBefore, 0u);
        EXPECT_EQ(afterClick, (UINT)BST_CHECKED) << "clicking box " << box.id;
        DWORD flags = 0, locale = 0;
        ASSERT_NO_FATAL_FAILURE(ReadStored("Flags", &flags));
        ASSERT_NO_FATAL_FAILURE(ReadStored("Locale", &locale));
        EXPECT_EQ(flags, box.bit) << "box " << box.id << " should store " << box.name;
        EXPECT_EQ(locale, 0x0409u);
    }
}

TEST_F(PropertiesDialogTest, OkStoresTheChoiceAsDwords)
{
    /* Without stored settings the dialog shows the defaults. */
    LCID chosen = GetSystemDefaultLCID() == 0x0804 ? 0x0411 : 0x0804;
    DialogView shown;
    LRESULT chosenIndex = CB_ERR;
    ASSERT_NO_FATAL_FAILURE(Open([&](HWND dialog) {
        shown = ReadDialog(dialog);
        chosenIndex = IndexOfLocale(dialog, chosen);
        SendDlgItemMessageW(dialog, kLocaleList, CB_SETCURSEL, (WPARAM)chosenIndex, 0);
        ClickDialogButton(dialog, 1001);
        ClickDialogButton(dialog, 1006);
        return IDOK;
    }));
    EXPECT_EQ(shown.selectedLocale, GetSystemDefaultLCID());
    EXPECT_EQ(CheckedFlags(shown), 0u);
    ASSERT_NE(chosenIndex, CB_ERR) << "locale 0x" << std::hex << chosen << " is not listed";
    DWORD locale = 0, flags = 0;
    ASSERT_NO_FATAL_FAILURE(ReadStored("Locale", &locale));
    ASSERT_NO_FATAL_FAILURE(ReadStored("Flags", &flags));
    EXPECT_EQ(locale, chosen);
    EXPECT_EQ(flags, 0x1001u);
    EXPECT_EQ(CountValues(title), 3u) << "Locale, Flags and Numbers";
}

TEST_F(PropertiesDialogTest, CancelStoresNothing)
{
    /* A change of every kind, then Cancel. */
    DialogAction changeAndCancel = [](HWND dialog) {
        SendDlgItemMessageW(dialog, kLocaleList, CB_SETCURSEL, (WPARAM)IndexOfLocale(dialog, 0x0411), 0);
        ClickDialogButton(dialog, 1001);
        ClickDialogButton(dialog, 1004);
        ClickDialogButton(dialog, 1005);
        return IDCANCEL;
    };

    Store(0x0409, 0x4);
    ASSERT_NO_FATAL_FAILURE(Open(changeAndCancel));
    DWORD locale = 0, flags = 0;
    ASSERT_NO_FATAL_FAILURE(ReadStored("Locale", &locale));
    ASSERT_NO_FATAL_FAILURE(ReadStored("Flags", &flags));
    EXPECT_EQ(locale, 0x0409u);
    EXPECT_EQ(flags, 0x4u);
    EXPECT_EQ(CountValues(title), 2u);

    DeleteModuleKey(title);
    ASSERT_NO_FATAL_FAILURE(Open(changeAndCancel));
    EXPECT_EQ(CountValues(title), 0u) << "Cancel created values";
}

TEST_F(PropertiesDialogTest, UnlistedLocaleShowsNoSelectionAndOkStoresZero)
{
    const LCID unlisted = 0x1234;
    Store(unlisted, NORM_IGNORECASE);
    DialogView view;
    ASSERT_NO_FATAL_FAILURE(Look(&view, IDOK));
    for (const LocaleItem& item : view.items)
        ASSERT_NE(item.lcid, unlisted) << "the locale must not be listed for this test";
    EXPECT_EQ(view.selection, CB_ERR);
    DWORD locale = 0xFFFFFFFF, flags = 0;
    ASSERT_NO_FATAL_FAILURE(ReadStored("Locale", &locale));
    ASSERT_NO_FATAL_FAILURE(ReadStored("Flags", &flags));
    EXPECT_EQ(locale, 0u);
    EXPECT_EQ(flags, (DWORD)NORM_IGNORECASE);
}

TEST_F(PropertiesDialogTest, BitsOutsideTheBoxesAreDroppedByOkAndKeptByCancel)
{
    static const struct { DWORD stored; DWORD afterOk; } cases[] = {
        { 0xFFFFFFFF, 0x3100F },
        { 0x40000008, 0x00008 },
        { 0x80001010, 0x01000 },
    };
    for (const auto& c : cases) {
        Store(0x0409, c.stored);
        DialogView view;
        ASSERT_NO_FATAL_FAILURE(Look(&view, IDCANCEL));
        EXPECT_EQ(CheckedFlags(view), c.afterOk) << "stored 0x" << std::hex << c.stored;
        DWORD flags = 0;
        ASSERT_NO_FATAL_FAILURE(ReadStored("Flags", &flags));
        EXPECT_EQ(flags, c.stored) << "Cancel changed the flags";

        ASSERT_NO_FATAL_FAILURE(Look(&view, IDOK));
        ASSERT_NO_FATAL_FAILURE(ReadStored("Flags", &flags));
        EXPECT_EQ(flags, c.afterOk) << "stored 0x" << std::hex << c.stored;
    }
}

TEST_F(PropertiesDialogTest, ListsEachLocaleAndAlternateSortOnceInOrder)
{
    DialogView view;
    ASSERT_NO_FATAL_FAILURE(Look(&view, IDCANCEL));
    ASSERT_FALSE(view.items.empty());

    std::map<LCID, int> times;
    int alternates = 0;
    for (const LocaleItem& item : view.items) {
        times[item.lcid]++;
        std::string expected = LocaleText(item.lcid, LOCALE_SLANGUAGE);
        if (SORTIDFROMLCID(item.lcid) != 0) {
            alternates++;
            expected += " " + LocaleText(item.lcid, LOCALE_SSORTNAME);
        }
        EXPECT_EQ(item.text, expected) << "locale 0x" << std::hex << item.lcid;
    }
    for (const auto& t : times)
        EXPECT_EQ(t.second, 1) << "locale 0x" << std::hex << t.first << " listed more than once";
    EXPECT_EQ(times.count(0x0409), 1u);
    EXPECT_EQ(times.count(0x0411), 1u);
    EXPECT_EQ(times.count(0x0804), 1u);
    EXPECT_GE(alternates, 1) << "no alternate sort listed";

    /* Every locale and alternate sort that the system names, and no other. */
    std::set<LCID> system = SystemLocales(LCID_SUPPORTED);
    std::set<LCID> sorts = SystemLocales(LCID_ALTERNATE_SORTS);
    system.insert(sorts.begin(), sorts.end());
    for (LCID lcid : system)
        EXPECT_EQ(times.count(lcid), 1u) << "locale 0x" << std::hex << lcid << " missing";
    EXPECT_EQ(times.size(), system.size());

    /* The list keeps its items sorted, as the list control compares them. */
    for (size_t i = 1; i < view.items.size(); i++) {
        const std::wstring& a = view.items[i - 1].wide;
        const std::wstring& b = view.items[i].wide;
        EXPECT_NE(CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1),
                  CSTR_GREATER_THAN)
            << "item " << i - 1 << " \"" << view.items[i - 1].text << "\" before \"" << view.items[i].text << "\"";
    }
}

/* Only a stored "Numbers" of 1 checks box 1008; Cancel leaves any value, OK stores 0 or 1. */
TEST_F(PropertiesDialogTest, NumbersBoxShowsOnlyOneAndOkStoresZeroOrOne)
{
    for (DWORD stored : { 1u, 2u }) {
        SetModuleDword(title, "Numbers", stored);
        UINT shown = 0;
        DWORD cancelled = 0, numbers = 0;
        ASSERT_NO_FATAL_FAILURE(Open([&](HWND dialog) { shown = IsDlgButtonChecked(dialog, 1008); return IDCANCEL; }));
        ASSERT_NO_FATAL_FAILURE(ReadStored("Numbers", &cancelled));
        ASSERT_NO_FATAL_FAILURE(Open([](HWND) { return IDOK; }));
        ASSERT_NO_FATAL_FAILURE(ReadStored("Numbers", &numbers));
        EXPECT_EQ(shown, stored == 1 ? (UINT)BST_CHECKED : (UINT)BST_UNCHECKED) << "stored " << stored;
        EXPECT_EQ(cancelled, stored) << "Cancel changed it";
        EXPECT_EQ(numbers, stored == 1 ? 1u : 0u) << "stored " << stored;
    }
}

TEST_F(PropertiesDialogTest, TextsAreInTheLocaleLanguage)
{
    const DialogTexts* texts = NULL;
    for (const DialogTexts& l : kLanguages)
        if (l.codePage == GetACP())
            texts = &l;
    if (texts == NULL)
        GTEST_SKIP() << "code page " << GetACP() << " selects none of the module's languages";
    DialogView view;
    ASSERT_NO_FATAL_FAILURE(Look(&view, IDCANCEL));
    EXPECT_EQ(view.caption, texts->caption);
    EXPECT_EQ(view.label, texts->label);
    for (int i = 0; i < 7; i++)
        EXPECT_EQ(view.texts[kBoxes[i].id], texts->boxes[i]) << "box " << kBoxes[i].id;
    EXPECT_EQ(view.texts[IDOK], texts->ok);
    EXPECT_EQ(view.texts[IDCANCEL], texts->cancel);
}

TEST_F(PropertiesDialogTest, OkChangesTheNextSort)
{
    static const struct { int box; const wchar_t* text; const wchar_t* after; const char* why; } cases[] = {
        { 1001, L"b\r\nA\r\na\r\nB\r\n", L"b\r\nB\r\nA\r\na\r\n", "equal lines keep their order under ignore case" },
        { 1007, L"file9\r\nfile10\r\nfile2\r\n", L"file10\r\nfile9\r\nfile2\r\n", "file10 goes above file9" },
        { 1008, L"9\r\n-3\r\n10.5\r\n", L"10.5\r\n9\r\n-3\r\n", "10.5 goes above 9, and -3 below" },
    };
    for (const auto& c : cases) {
        Store(0x0409, 0);
        std::wstring plain = Sort(c.text);
        ASSERT_NO_FATAL_FAILURE(Open([&](HWND dialog) {
            ClickDialogButton(dialog, c.box);
            return IDOK;
        }));
        std::wstring changed = Sort(c.text);
        EXPECT_EQ(changed, c.after) << c.why;
        EXPECT_NE(plain, changed) << "box " << c.box;
    }
}

HWND g_outerDialog;   /* the dialog that another one is opened over */

/* Cancels the first dialog of this thread that is not the outer one. */
void CALLBACK CancelInnerDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    for (HWND w = GetTopWindow(NULL); w != NULL; w = GetWindow(w, GW_HWNDNEXT)) {
        WCHAR name[16];
        if (w != g_outerDialog && GetWindowThreadProcessId(w, NULL) == GetCurrentThreadId()
                && GetClassNameW(w, name, 16) > 0 && lstrcmpW(name, L"#32770") == 0 && IsWindowVisible(w)) {
            KillTimer(NULL, timer);
            ClickDialogButton(w, IDCANCEL);
            return;
        }
    }
}

/*
** A second properties dialog opened and closed while the first is open
** must not change what the first one stores.
*/
TEST_F(PropertiesDialogTest, OkAfterAnInnerDialogClosedStoresTheChoice)
{
    Store(0x0409, 0);
    ASSERT_NO_FATAL_FAILURE(Open([this](HWND dialog) {
        SendDlgItemMessageW(dialog, kLocaleList, CB_SETCURSEL, (WPARAM)IndexOfLocale(dialog, 0x0411), 0);
        g_outerDialog = dialog;
        UINT_PTR timer = SetTimer(NULL, 0, 50, CancelInnerDialog);
        plugInProc(dialog, kShowProperties, 0, 0);
        KillTimer(NULL, timer);
        g_outerDialog = NULL;
        return IDOK;
    }));
    DWORD locale = 0;
    ASSERT_NO_FATAL_FAILURE(ReadStored("Locale", &locale));
    EXPECT_EQ(locale, 0x0411u);
}

HWND g_savingDialog;          /* the dialog whose message boxes are answered */
std::wstring g_boxText;       /* the text of the last box answered */
int g_boxes;                  /* boxes answered */

/* Answers with OK each message box that opens over g_savingDialog, keeping its text. */
LRESULT CALLBACK AnswerBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = (HWND)wParam;
    if (code == HCBT_ACTIVATE && window != g_savingDialog && GetWindow(window, GW_OWNER) == g_savingDialog) {
        g_boxes++;
        g_boxText = WindowTextW(GetDlgItem(window, 0xFFFF));
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

/*
** A registry that does not take the settings (here a volatile parent key,
** under which no lasting key can be made): OK says that nothing was saved
** and leaves the dialog open.
*/
TEST_F(PropertiesDialogTest, OkThatCannotSaveSaysSoAndStaysOpen)
{
    DeleteModuleKey(title);
    RemovePluginsKeys();
    if (PluginsKeyExists())
        GTEST_SKIP() << "other plug-ins' keys are in the way";
    HKEY plugins = NULL, module = NULL;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Norvale\\QuillonPlugIns", 0, NULL, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, NULL, &plugins, NULL), ERROR_SUCCESS);
    ASSERT_NE(RegCreateKeyExA(plugins, title.c_str(), 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL,
                              &module, NULL), ERROR_SUCCESS) << "the registry takes a lasting key under a volatile one";
    WCHAR want[256] = L"";
    ASSERT_GT(LoadStringW(TestModule(), IDS_SAVE_FAILED, want, ARRAYSIZE(want)), 0);
    bool stayedOpen = false;
    g_boxes = 0;
    ASSERT_NO_FATAL_FAILURE(Open([&](HWND dialog) {
        g_savingDialog = dialog;
        HHOOK hook = SetWindowsHookExW(WH_CBT, AnswerBoxes, NULL, GetCurrentThreadId());
        ClickDialogButton(dialog, IDOK);
        UnhookWindowsHookEx(hook);
        stayedOpen = IsWindow(dialog) && IsWindowVisible(dialog);
        return IDCANCEL;
    }));
    RegCloseKey(plugins);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Norvale\\QuillonPlugIns");
    RemovePluginsKeys();
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(g_boxes, 1);
    EXPECT_EQ(g_boxText, want);
}

}  // namespace
