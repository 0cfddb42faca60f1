/*
** sortlines: the stand-in host on the command line. It loads a text file
** into the editor window, selects a range, loads the plug-in module with
** LoadLibrary and runs its command through GetProcAddress as the editor
** does, then writes the document back in the encoding it came in.
**
** Other modes: --info prints what the editor learns from the module,
** --window opens the document in an editor window on screen, --properties
** and --uninstall make those requests of the module. With --window,
** --demo-sort has the window run the command by itself a moment after it
** shows and close a moment later, for tests and demonstrations.
**
** --properties and --uninstall can have the host press the button of the
** module's window (--ok, --cancel, --yes, --no) as soon as it shows. The
** modes with windows need a display; without one they stop at once.
**
** Exit status: 0 done, 1 the host failed (the module could not be loaded
** or run, memory ran out, the result could not be written), 2 bad input
** or no display (with one line on stderr and nothing on stdout), 3 the
** module did not sort and told the user why in a message box (its text
** goes to stderr; the document, unsorted, is written all the same), 4 no
** window could be opened although DISPLAY is set (Wine's session for the
** prefix was started without a display and has not ended yet).
**
** The host writes -o's file in place; scripts/sortlines gives it a
** temporary file and renames that over the target only after status 0 or
** 3, and stops the host on a signal.
*/
#include "sortlines.h"

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <exception>
#include <string>
#include <new>
#include <stdexcept>
#include <vector>

#define USAGE_LINE "usage: sortlines [--select Y1:X1-Y2:X2] [--locale HEX] [--flags HEX] [--numbers] " \
    "[--wrap N] [--report] [-o OUT] FILE (--help for more)"

/* What --help prints: every mode, its options, and the exit statuses. */
static const char g_help[] =
    "usage: sortlines [--select Y1:X1-Y2:X2] [--locale HEX] [--flags HEX]\n"
    "                 [--numbers|--no-numbers] [--wrap N] [--report] [--dll DLL]\n"
    "                 [-o OUT] FILE\n"
    "       sortlines --info [--select Y1:X1-Y2:X2] [--wrap N] [--dll DLL] [FILE]\n"
    "       sortlines --window [--select Y1:X1-Y2:X2] [--locale HEX] [--flags HEX]\n"
    "                 [--numbers|--no-numbers] [--wrap N] [--demo-sort] [--dll DLL]\n"
    "                 [-o OUT] FILE\n"
    "       sortlines --properties [--locale HEX] [--flags HEX] [--numbers|--no-numbers]\n"
    "                 [--ok|--cancel] [--dll DLL]\n"
    "       sortlines --uninstall [--yes|--no] [--dll DLL]\n"
    "       sortlines --help\n"
    "\n"
    "Sorts the lines of FILE (UTF-8, UTF-8 with a BOM, or UTF-16LE with a BOM) that\n"
    "the selection touches into descending order through the plug-in module, and\n"
    "writes the document to stdout, or to OUT, in the file's own encoding.\n"
    "\n"
    "  --select Y1:X1-Y2:X2  the selection, zero-based line:column (default: all)\n"
    "  --locale HEX          store the module's locale first, as its dialog would\n"
    "  --flags HEX           store the module's comparison flags first, likewise\n"
    "  --numbers             store the option to sort by the number at the start of\n"
    "                        each line first, likewise; --no-numbers stores it off\n"
    "  --wrap N              wrap the editor's view at N columns\n"
    "  --report              print the final selection and message counts on stderr\n"
    "  --dll DLL             the module to load (default: ZtoA.dll beside the host)\n"
    "  -o OUT                write the document to OUT instead of stdout; through\n"
    "                        scripts/sortlines, OUT is replaced only once the whole\n"
    "                        document is written, and exactly the file named is\n"
    "                        written (a device is written in place; /dev/stdout\n"
    "                        is stdout; a FIFO, pipe or folder is refused)\n"
    "  --info                print what the editor learns from the module\n"
    "  --window              show the document in an editor window (needs a display);\n"
    "                        OUT gets the document when the window closes;\n"
    "                        --demo-sort runs the command and closes by itself\n"
    "  --properties          open the module's properties dialog; --ok or --cancel\n"
    "                        presses that button as soon as it shows\n"
    "  --uninstall           make the module's uninstall request, print its answer;\n"
    "                        --yes or --no answers its question\n"
    "\n"
    "Exit status: 0 done; 1 the host failed (module not loaded, out of memory, the\n"
    "result not written); 2 bad input or no display; 3 not sorted, the module said\n"
    "why (the document is written as the command left it); 4 no window could be\n"
    "opened; 128+N stopped by signal N (scripts/sortlines).\n";

/* The modes, the option that chooses each, and the options each takes. */
static const struct ModeRule {
    Mode mode;
    const wchar_t* option;
    unsigned takes;
    int input;            /* 1: needs a file, 0: may have one, -1: takes none */
} g_modeRules[] = {
    { MODE_SORT, NULL, OPT_SELECT | OPT_LOCALE | OPT_FLAGS | OPT_NUMBERS | OPT_WRAP | OPT_REPORT | OPT_OUTPUT
      | OPT_DLL, 1 },
    { MODE_INFO, L"--info", OPT_SELECT | OPT_WRAP | OPT_DLL, 0 },
    { MODE_WINDOW, L"--window", OPT_SELECT | OPT_LOCALE | OPT_FLAGS | OPT_NUMBERS | OPT_WRAP | OPT_OUTPUT | OPT_DLL
      | OPT_DEMO, 1 },
    { MODE_PROPERTIES, L"--properties", OPT_LOCALE | OPT_FLAGS | OPT_NUMBERS | OPT_DLL, -1 },
    { MODE_UNINSTALL, L"--uninstall", OPT_DLL, -1 },
};

/* The names of the OPT_ bits, for messages. */
static const struct OptionName {
    unsigned bit;
    const wchar_t* name;
} g_optionNames[] = {
    { OPT_SELECT, L"--select" }, { OPT_LOCALE, L"--locale" }, { OPT_FLAGS, L"--flags" },
    { OPT_NUMBERS, L"--numbers (or --no-numbers)" },
    { OPT_WRAP, L"--wrap" }, { OPT_REPORT, L"--report" }, { OPT_OUTPUT, L"-o" }, { OPT_DLL, L"--dll" },
    { OPT_DEMO, L"--demo-sort" },
};

/* The answers the host can give, and the mode whose window has each button. */
static const struct Answer {
    const wchar_t* option;
    int button;
    Mode mode;
    const wchar_t* modeOption;
} g_answers[] = {
    { L"--ok", IDOK, MODE_PROPERTIES, L"--properties" },
    { L"--cancel", IDCANCEL, MODE_PROPERTIES, L"--properties" },
    { L"--yes", IDYES, MODE_UNINSTALL, L"--uninstall" },
    { L"--no", IDNO, MODE_UNINSTALL, L"--uninstall" },
};

/* Parses an unsigned decimal number; FALSE unless the whole text is one. */
static BOOL ParseDecimal(const wchar_t* s, const wchar_t** end, LONG* value)
{
    if (*s < L'0' || *s > L'9')
        return FALSE;
    long long v = 0;
    while (*s >= L'0' && *s <= L'9') {
        v = v * 10 + (*s - L'0');
        if (v > 0x7FFFFFFF)
            return FALSE;
        s++;
    }
    *value = (LONG)v;
    *end = s;
    return TRUE;
}

/* Parses "Y1:X1-Y2:X2". */
static BOOL ParseSelection(const wchar_t* s, POINT* start, POINT* end)
{
    const wchar_t* p = s;
    if (!ParseDecimal(p, &p, &start->y) || *p++ != L':') return FALSE;
    if (!ParseDecimal(p, &p, &start->x) || *p++ != L'-') return FALSE;
    if (!ParseDecimal(p, &p, &end->y) || *p++ != L':') return FALSE;
    if (!ParseDecimal(p, &p, &end->x) || *p != L'\0') return FALSE;
    return TRUE;
}

/* Parses up to eight hexadecimal digits, with or without 0x; nothing else. */
static BOOL ParseHex(const wchar_t* s, DWORD* value)
{
    if (s[0] == L'0' && (s[1] == L'x' || s[1] == L'X'))
        s += 2;
    if (*s == L'\0' || wcslen(s) > 8 || wcsspn(s, L"0123456789abcdefABCDEF") != wcslen(s))
        return FALSE;
    *value = (DWORD)wcstoul(s, NULL, 16);
    return TRUE;
}

/* The value after option argv[*i], or NULL with *failure set when there is none. */
static const wchar_t* NeedValue(int argc, wchar_t** argv, int* i, Failure* failure)
{
    if (*i + 1 >= argc) {
        Fail(failure, 2, L"option needs a value: %ls", argv[*i]);
        return NULL;
    }
    return argv[++*i];
}

/* other is NULL when sorting, which lacks only the window's own options. */
static BOOL Conflict(const wchar_t* option, const wchar_t* other, Failure* failure)
{
    if (other == NULL)
        return Fail(failure, 2, L"%ls cannot be used without --window", option);
    return Fail(failure, 2, L"%ls cannot be used with %ls", option, other);
}

/* Chooses the mode; a second, different mode is an error. */
static BOOL SetMode(Options* o, const wchar_t* option, Failure* failure)
{
    for (size_t m = 1; m < ARRAYSIZE(g_modeRules); m++) {
        if (wcscmp(option, g_modeRules[m].option) != 0)
            continue;
        if (o->modeOption != NULL && o->mode != g_modeRules[m].mode)
            return Conflict(option, o->modeOption, failure);
        o->mode = g_modeRules[m].mode;
        o->modeOption = g_modeRules[m].option;
    }
    return TRUE;
}

static BOOL IsModeOption(const wchar_t* a)
{
    for (size_t m = 1; m < ARRAYSIZE(g_modeRules); m++)
        if (wcscmp(a, g_modeRules[m].option) == 0)
            return TRUE;
    return FALSE;
}

static BOOL IsAnswerOption(const wchar_t* a)
{
    for (size_t i = 0; i < ARRAYSIZE(g_answers); i++)
        if (wcscmp(a, g_answers[i].option) == 0)
            return TRUE;
    return FALSE;
}

/* One answer only: --yes --no would leave the user guessing which counts. */
static BOOL SetAnswer(Options* o, const wchar_t* option, Failure* failure)
{
    for (size_t i = 0; i < ARRAYSIZE(g_answers); i++) {
        if (wcscmp(option, g_answers[i].option) != 0)
            continue;
        if ((o->given & OPT_ANSWER) && o->answer != g_answers[i].button)
            return Fail(failure, 2, L"only one of --ok, --cancel, --yes and --no may be given: %ls", option);
        o->answer = g_answers[i].button;
        o->given |= OPT_ANSWER;
    }
    return TRUE;
}

/* Each mode takes only the options and the file that mean something to it. */
static BOOL CheckModeOptions(const Options* o, Failure* failure)
{
    const ModeRule* rule = &g_modeRules[0];
    for (size_t m = 0; m < ARRAYSIZE(g_modeRules); m++)
        if (g_modeRules[m].mode == o->mode)
            rule = &g_modeRules[m];
    for (size_t i = 0; i < ARRAYSIZE(g_optionNames); i++)
        if ((o->given & g_optionNames[i].bit) && !(rule->takes & g_optionNames[i].bit))
            return Conflict(g_optionNames[i].name, o->modeOption, failure);
    for (size_t i = 0; i < ARRAYSIZE(g_answers); i++) {
        if ((o->given & OPT_ANSWER) && o->answer == g_answers[i].button && o->mode != g_answers[i].mode)
            return Fail(failure, 2, L"%ls goes only with %ls", g_answers[i].option, g_answers[i].modeOption);
    }
    if (rule->input < 0 && o->input != NULL)
        return Fail(failure, 2, L"%ls takes no input file: %ls", o->modeOption, o->input);
    if (rule->input > 0 && o->input == NULL) {
        if (o->modeOption == NULL)
            return Fail(failure, 2, L"no input file; %hs", USAGE_LINE);
        return Fail(failure, 2, L"%ls needs an input file", o->modeOption);
    }
    if ((o->given & OPT_SELECT) && o->input == NULL)
        return Fail(failure, 2, L"--select needs an input file");
    return TRUE;
}

/* Reads the command line into *o. Returns FALSE with *failure set (status 2) when it is wrong. */
static BOOL ParseOptions(int argc, wchar_t** argv, Options* o, Failure* failure)
{
    ZeroMemory(o, sizeof(*o));
    for (int i = 1; i < argc; i++) {
        const wchar_t* a = argv[i];
        const wchar_t* value = NULL;
        BOOL takesValue = wcscmp(a, L"--select") == 0 || wcscmp(a, L"--locale") == 0 || wcscmp(a, L"--flags") == 0
            || wcscmp(a, L"--wrap") == 0 || wcscmp(a, L"-o") == 0 || wcscmp(a, L"--dll") == 0;
        if (takesValue && (value = NeedValue(argc, argv, &i, failure)) == NULL)
            return FALSE;
        if (wcscmp(a, L"--select") == 0) {
            if (!ParseSelection(value, &o->selStart, &o->selEnd))
                return Fail(failure, 2, L"malformed --select, expected Y1:X1-Y2:X2: %ls", value);
            o->given |= OPT_SELECT;
        } else if (wcscmp(a, L"--locale") == 0) {
            if (!ParseHex(value, &o->locale))
                return Fail(failure, 2, L"malformed --locale, expected a hexadecimal number: %ls", value);
            o->given |= OPT_LOCALE;
        } else if (wcscmp(a, L"--flags") == 0) {
            if (!ParseHex(value, &o->flags))
                return Fail(failure, 2, L"malformed --flags, expected a hexadecimal number: %ls", value);
            o->given |= OPT_FLAGS;
        } else if (wcscmp(a, L"--numbers") == 0 || wcscmp(a, L"--no-numbers") == 0) {
            o->numbers = wcscmp(a, L"--numbers") == 0;
            o->given |= OPT_NUMBERS;
        } else if (wcscmp(a, L"--wrap") == 0) {
            const wchar_t* end;
            LONG w;
            if (!ParseDecimal(value, &end, &w) || *end != L'\0')
                return Fail(failure, 2, L"malformed --wrap, expected a number: %ls", value);
            o->wrap = (int)w;
            o->given |= OPT_WRAP;
        } else if (wcscmp(a, L"--report") == 0) {
            o->given |= OPT_REPORT;
        } else if (wcscmp(a, L"--help") == 0 || wcscmp(a, L"-h") == 0) {
            o->help = TRUE;
        } else if (wcscmp(a, L"--demo-sort") == 0) {
            o->given |= OPT_DEMO;
        } else if (wcscmp(a, L"-o") == 0) {
            o->output = value;
            o->given |= OPT_OUTPUT;
        } else if (wcscmp(a, L"--dll") == 0) {
            o->dll = value;
            o->given |= OPT_DLL;
        } else if (IsModeOption(a)) {
            if (!SetMode(o, a, failure))
                return FALSE;
        } else if (IsAnswerOption(a)) {
            if (!SetAnswer(o, a, failure))
                return FALSE;
        } else if (a[0] == L'-' && a[1] != L'\0') {
            return Fail(failure, 2, L"unknown option: %ls", a);
        } else if (o->input != NULL) {
            return Fail(failure, 2, L"more than one input file: %ls", a);
        } else {
            o->input = a;
        }
    }
    return o->help || CheckModeOptions(o, failure);
}

/*
** Runs at once in the same prefix share the module's settings in its
** registry key. A run takes this lock, shared by the prefix's processes,
** before it stores --locale, --flags and --numbers and keeps it until its
** command has read them, so that no other run's settings come between.
*/
#define SETTINGS_LOCK_NAME L"ZtoA.sortlines.settings"
static HANDLE g_settingsLock;   /* held from storing the settings until the sort read them */

/* Takes the settings lock, waiting for another run to let go of it. Returns FALSE with *failure set. */
static BOOL LockSettings(Failure* failure)
{
    g_settingsLock = CreateMutexW(NULL, FALSE, SETTINGS_LOCK_NAME);
    if (g_settingsLock == NULL)
        return Fail(failure, 1, L"cannot make the settings lock");
    DWORD waited = WaitForSingleObject(g_settingsLock, 0);
    if (waited == WAIT_TIMEOUT) {
        TestNote("waiting for another run's settings");
        waited = WaitForSingleObject(g_settingsLock, INFINITE);
    }
    /* A run killed while it held the lock leaves it abandoned: it is ours now. */
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(g_settingsLock);
        g_settingsLock = NULL;
        return Fail(failure, 1, L"cannot take the settings lock");
    }
    return TRUE;
}

static void UnlockSettings(void)
{
    if (g_settingsLock == NULL)
        return;
    ReleaseMutex(g_settingsLock);
    CloseHandle(g_settingsLock);
    g_settingsLock = NULL;
}

/* Stores --locale, --flags and --numbers as the properties dialog would. */
static BOOL StoreSettings(const Options* o, const wchar_t* dllPath, Failure* failure)
{
    if (!(o->given & (OPT_LOCALE | OPT_FLAGS | OPT_NUMBERS)))
        return TRUE;
    std::wstring path = SettingsKeyFor(dllPath);
    if (path.empty())
        return Fail(failure, 2, L"the module's file name gives it no settings key: %ls", dllPath);
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS)
        return Fail(failure, 1, L"cannot write the module's settings");
    if (o->given & OPT_LOCALE)
        RegSetValueExA(key, "Locale", 0, REG_DWORD, (const BYTE*)&o->locale, 4);
    if (o->given & OPT_FLAGS)
        RegSetValueExA(key, "Flags", 0, REG_DWORD, (const BYTE*)&o->flags, 4);
    if (o->given & OPT_NUMBERS)
        RegSetValueExA(key, "Numbers", 0, REG_DWORD, (const BYTE*)&o->numbers, 4);
    RegCloseKey(key);
    return TRUE;
}

/* ZtoA.dll beside this program, as the editor finds its plug-ins in a folder. */
static BOOL DefaultDllPath(std::wstring* dllPath, Failure* failure)
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return Fail(failure, 1, L"cannot find the host's own folder");
    wchar_t* slash = wcsrchr(path, L'\\');
    std::wstring dir = slash ? std::wstring(path, slash + 1 - path) : std::wstring();
    *dllPath = dir + L"ZtoA.dll";
    return TRUE;
}

static void WriteReport(void)
{
    POINT s, e;
    HostGetSelection(&s, &e);
    fprintf(stderr, "{\"selection\":[%ld,%ld,%ld,%ld],\"messages\":{", s.y, s.x, e.y, e.x);
    static const UINT all[] = { HM_QUERY_COMMAND_STATUS, HM_PASS_EVENT_VALUE, HM_GET_LINE_COUNT,
        HM_CONVERT_POSITION, HM_EXECUTE_COMMAND, HM_GET_SEL_START, HM_GET_SEL_END,
        HM_SET_SELECTION, HM_SET_REDRAW, HM_GET_SEL_TYPE, HM_GET_LINE, HM_INSERT_TEXT };
    BOOL first = TRUE;
    for (size_t i = 0; i < ARRAYSIZE(all); i++) {
        unsigned n = HostMessageCount(all[i]);
        if (n == 0)
            continue;
        fprintf(stderr, "%s\"%s\":%u", first ? "" : ",", HostMessageName(all[i]), n);
        first = FALSE;
    }
    fprintf(stderr, "}}\n");
}

/* The sort mode selects the whole document unless told otherwise; the window opens with none. */
static void ChooseSelection(const Options* o)
{
    if (o->given & OPT_SELECT) {
        HostSelect(o->selStart, o->selEnd);
    } else if (o->mode != MODE_WINDOW) {
        int last = HostLineCount() - 1;
        POINT start = { 0, 0 };
        POINT end = { (LONG)HostLine(last).size(), last };
        HostSelect(start, end);
    }
}

/* The window's title: the file's name, as editors show it. */
static std::wstring WindowTitle(const wchar_t* path)
{
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; p++)
        if (*p == L'\\' || *p == L'/')
            name = p + 1;
    return std::wstring(name) + L" - Quillon stand-in host";
}

/*
** Fails with status 1 when an answer to the module ran out of memory: the
** document may then hold only part of what the command did, and is not
** written.
*/
static BOOL AnswersHeld(Failure* failure)
{
    if (!HostRanOutOfMemory())
        return TRUE;
    return Fail(failure, 1, L"out of memory while answering the module: the document is too large for the host; "
                            L"nothing was written");
}

/*
** For tests: with SORTLINES_TEST_FAIL_ANSWER=N in the environment, the
** host's Nth answer to the module runs out of memory.
*/
static unsigned TestFailedAnswer(void)
{
    char text[16];
    DWORD n = GetEnvironmentVariableA("SORTLINES_TEST_FAIL_ANSWER", text, sizeof(text));
    return n == 0 || n >= sizeof(text) ? 0 : (unsigned)strtoul(text, NULL, 10);
}

/*
** Runs the command and writes the document. The module says in a message
** box when it cannot sort; the editor would show it, this host notes it
** and answers it. Returns FALSE with *failure set when the module lacks
** the export, an answer ran out of memory, the document cannot be
** written, or the module showed a message (status 3, after the document
** is written).
*/
static BOOL RunSort(const Options* o, const PlugIn* plugIn, Encoding encoding, const wchar_t* dllPath,
                    Failure* failure)
{
    if (plugIn->onCommand == NULL)
        return Fail(failure, 1, L"the module has no OnCommand export: %ls", dllPath);
    HostClearMessages();
    HostWatchMessageBoxes(TRUE);
    HostFailAnswer(TestFailedAnswer());
    plugIn->onCommand(HostEditorWindow());
    UnlockSettings();
    HostWatchMessageBoxes(FALSE);
    if (!AnswersHeld(failure) || !SaveDocument(o->output, encoding, failure))
        return FALSE;
    if (o->given & OPT_REPORT)
        WriteReport();
    if (HostMessageBoxCount() == 0)
        return TRUE;
    if (HostLastMessageBoxText()[0] != L'\0')
        return Fail(failure, 3, L"not sorted: %ls", HostLastMessageBoxText());
    return Fail(failure, 3, L"not sorted: the module's message could not be shown");
}

/*
** The modes with windows stop here, before anything is stored or loaded,
** when there is no display: they would wait for a window that nobody can
** see or answer. The host runs under Wine, whose windows go to the X
** display that DISPLAY names. Fails with status 2 without DISPLAY, 4 when
** no window can be made on it.
*/
static BOOL CheckDisplay(const Options* o, Failure* failure)
{
    if (o->mode != MODE_WINDOW && o->mode != MODE_PROPERTIES && o->mode != MODE_UNINSTALL)
        return TRUE;
    wchar_t display[64];
    DWORD n = GetEnvironmentVariableW(L"DISPLAY", display, 64);
    if (n == 0)
        return Fail(failure, 2, L"%ls needs a display: set DISPLAY, or run it under xvfb-run", o->modeOption);
    if (n >= 64)
        wcscpy(display, L"?");
    if (!CanOpenWindows())
        return Fail(failure, 4, L"cannot open a window on display %ls: no X server there, or Wine's "
                    L"session for this prefix was started without a display and has not ended", display);
    return TRUE;
}

/* Everything but the exit: the mode's run from the command line to its result. */
static BOOL Run(int argc, wchar_t** argv, Failure* failure)
{
    Options o;
    if (!ParseOptions(argc, argv, &o, failure))
        return FALSE;
    if (o.help) {
        fputs(g_help, stdout);
        return TRUE;
    }
    if (!CheckDisplay(&o, failure))
        return FALSE;
    std::wstring dllPath;
    if (o.dll != NULL)
        dllPath = o.dll;
    else if (!DefaultDllPath(&dllPath, failure))
        return FALSE;
    if (HostCreateEditor(NULL) == NULL)
        return Fail(failure, 1, L"cannot create the editor window");
    /* Only counts are reported; a log of every message would cost memory
       in proportion to the document. */
    HostKeepLog(FALSE);
    Encoding encoding = ENC_UTF8;
    if (o.input != NULL && !LoadDocument(o.input, &encoding, failure))
        return FALSE;
    HostSetWrapWidth(o.wrap);
    ChooseSelection(&o);

    if (!LockSettings(failure))
        return FALSE;
    if (!StoreSettings(&o, dllPath.c_str(), failure)) {
        UnlockSettings();
        return FALSE;
    }
    /* Only the sort reads the settings before this run ends; the other
       modes read them when the user acts, and must not keep others waiting. */
    if (o.mode != MODE_SORT)
        UnlockSettings();
    TestStall("settings");
    PlugIn plugIn;
    if (!PlugInLoad(dllPath.c_str(), &plugIn)) {
        UnlockSettings();
        return Fail(failure, 1, L"cannot load the module: %ls", dllPath.c_str());
    }

    BOOL done = TRUE;
    switch (o.mode) {
    case MODE_SORT:
        done = RunSort(&o, &plugIn, encoding, dllPath.c_str(), failure);
        break;
    case MODE_INFO:
        done = RunInfo(&plugIn, failure);
        break;
    case MODE_WINDOW:
        done = RunWindow(&plugIn, WindowTitle(o.input).c_str(), (o.given & OPT_DEMO) != 0, failure)
            && AnswersHeld(failure) && (o.output == NULL || SaveDocument(o.output, encoding, failure));
        break;
    case MODE_PROPERTIES:
        done = RunProperties(&plugIn, o.answer, failure);
        break;
    case MODE_UNINSTALL:
        done = RunUninstall(&plugIn, dllPath.c_str(), o.answer, failure);
        break;
    }
    UnlockSettings();
    HostDestroyEditor();
    PlugInUnload(&plugIn);
    return done;
}

/*
** For tests: with SORTLINES_TEST_FREE_MB=N in the environment, the host
** first reserves the address space until only about N megabytes are left,
** as a process near its end of memory is; nothing else changes.
*/
static void LeaveAddressSpace(void)
{
    char text[16];
    DWORD n = GetEnvironmentVariableA("SORTLINES_TEST_FREE_MB", text, sizeof(text));
    if (n == 0 || n >= sizeof(text))
        return;
    SIZE_T keep = (SIZE_T)strtoul(text, NULL, 10) << 20;
    static void* reserved[1 << 16];   /* left reserved until the process ends */
    size_t count = 0;
    for (SIZE_T size = 64 << 20; size >= (64 << 10); size /= 2) {
        void* block;
        while (count < ARRAYSIZE(reserved) && (block = VirtualAlloc(NULL, size, MEM_RESERVE, PAGE_NOACCESS)) != NULL)
            reserved[count++] = block;
    }
    SIZE_T freed = 0;
    while (freed < keep && count > 0) {
        MEMORY_BASIC_INFORMATION info;
        VirtualQuery(reserved[count - 1], &info, sizeof(info));
        freed += info.RegionSize;
        VirtualFree(reserved[--count], 0, MEM_RELEASE);
    }
}

/*
** What ends the host when nothing else could: an exception nobody caught,
** or an abort. The C runtime's abort would exit with 3, which says the
** document was written; this says the host failed instead.
*/
static void EndUnexpectedly(void)
{
    fputs("sortlines: the host failed unexpectedly\n", stderr);
    fflush(stderr);
    _exit(1);
}

static void OnAbortSignal(int)
{
    EndUnexpectedly();
}

/*
** The one place that decides the exit status: 0, or the failure's with its
** line on stderr. Running out of memory is the host's failure (status 1),
** never a crash, whose status would pass for another answer.
*/
int wmain(int argc, wchar_t** argv)
{
    std::set_terminate(EndUnexpectedly);
    signal(SIGABRT, OnAbortSignal);
    Failure failure;
    failure.status = 0;
    failure.text[0] = L'\0';
    LeaveAddressSpace();
    BOOL done;
    try {
        done = Run(argc, argv, &failure);
    } catch (const std::bad_alloc&) {
        done = Fail(&failure, 1, L"out of memory: the document is too large for the host; nothing was written");
    } catch (const std::exception& e) {
        done = Fail(&failure, 1, L"the host failed: %hs", e.what());
    }
    if (done)
        return 0;
    fprintf(stderr, "sortlines: %s\n", Utf8FromWide(failure.text).c_str());
    return failure.status;
}
