/*
** sortlines: the stand-in host on the command line. It loads a text file
** into the editor window, selects a range, loads the plug-in module with
** LoadLibrary and runs its command through GetProcAddress as the editor
** does, then writes the document back in the encoding it came in.
**
** Exit status: 0 done, 1 the module could not be loaded or run, 2 bad input
** (with one line on stderr and nothing on stdout).
*/
#include "host.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>

#define PREFIX_KEY "Software\\Norvale\\QuillonPlugIns\\"

enum Encoding { ENC_UTF8, ENC_UTF8_BOM, ENC_UTF16LE };

typedef void (WINAPI *OnCommandProc)(HWND);

typedef struct Options {
    BOOL haveSelect;
    POINT selStart, selEnd;
    BOOL haveLocale, haveFlags;
    DWORD locale, flags;
    int wrap;
    BOOL report;
    const wchar_t* output;
    const wchar_t* input;
    const wchar_t* dll;
} Options;

static void Fail(int status, const char* message, const wchar_t* detail)
{
    if (detail != NULL)
        fprintf(stderr, "sortlines: %s: %ls\n", message, detail);
    else
        fprintf(stderr, "sortlines: %s\n", message);
    exit(status);
}

static void Usage(const char* message, const wchar_t* detail)
{
    Fail(2, message, detail);
}

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

static BOOL ParseHex(const wchar_t* s, DWORD* value)
{
    if (s[0] == L'0' && (s[1] == L'x' || s[1] == L'X'))
        s += 2;
    if (*s == L'\0' || wcslen(s) > 8)
        return FALSE;
    wchar_t* end;
    unsigned long v = wcstoul(s, &end, 16);
    if (*end != L'\0')
        return FALSE;
    *value = (DWORD)v;
    return TRUE;
}

static const wchar_t* NeedValue(int argc, wchar_t** argv, int* i)
{
    if (*i + 1 >= argc)
        Usage("option needs a value", argv[*i]);
    return argv[++*i];
}

static void ParseOptions(int argc, wchar_t** argv, Options* o)
{
    ZeroMemory(o, sizeof(*o));
    for (int i = 1; i < argc; i++) {
        const wchar_t* a = argv[i];
        if (wcscmp(a, L"--select") == 0) {
            if (!ParseSelection(NeedValue(argc, argv, &i), &o->selStart, &o->selEnd))
                Usage("malformed --select, expected Y1:X1-Y2:X2", argv[i]);
            o->haveSelect = TRUE;
        } else if (wcscmp(a, L"--locale") == 0) {
            if (!ParseHex(NeedValue(argc, argv, &i), &o->locale))
                Usage("malformed --locale, expected a hexadecimal number", argv[i]);
            o->haveLocale = TRUE;
        } else if (wcscmp(a, L"--flags") == 0) {
            if (!ParseHex(NeedValue(argc, argv, &i), &o->flags))
                Usage("malformed --flags, expected a hexadecimal number", argv[i]);
            o->haveFlags = TRUE;
        } else if (wcscmp(a, L"--wrap") == 0) {
            const wchar_t* end;
            LONG w;
            if (!ParseDecimal(NeedValue(argc, argv, &i), &end, &w) || *end != L'\0')
                Usage("malformed --wrap, expected a number", argv[i]);
            o->wrap = (int)w;
        } else if (wcscmp(a, L"--report") == 0) {
            o->report = TRUE;
        } else if (wcscmp(a, L"-o") == 0) {
            o->output = NeedValue(argc, argv, &i);
        } else if (wcscmp(a, L"--dll") == 0) {
            o->dll = NeedValue(argc, argv, &i);
        } else if (a[0] == L'-' && a[1] != L'\0') {
            Usage("unknown option", a);
        } else if (o->input != NULL) {
            Usage("more than one input file", a);
        } else {
            o->input = a;
        }
    }
    if (o->input == NULL)
        Usage("no input file; usage: sortlines [--select Y1:X1-Y2:X2] [--locale HEX] "
              "[--flags HEX] [--wrap N] [--report] [-o OUT] FILE", NULL);
}

static std::vector<unsigned char> ReadWholeFile(const wchar_t* path)
{
    FILE* f = _wfopen(path, L"rb");
    if (f == NULL)
        Fail(2, "cannot open input file", path);
    std::vector<unsigned char> data;
    unsigned char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
        data.insert(data.end(), buffer, buffer + n);
    BOOL failed = ferror(f);
    fclose(f);
    if (failed)
        Fail(2, "cannot read input file", path);
    return data;
}

/* Decodes the file's bytes; invalid UTF-8 or odd-sized UTF-16 is bad input. */
static std::wstring Decode(const std::vector<unsigned char>& data, Encoding* encoding, const wchar_t* path)
{
    size_t size = data.size();
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        *encoding = ENC_UTF16LE;
        if (size % 2 != 0)
            Fail(2, "invalid UTF-16 (odd length)", path);
        return std::wstring((const wchar_t*)(data.data() + 2), (size - 2) / 2);
    }
    size_t skip = 0;
    *encoding = ENC_UTF8;
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        *encoding = ENC_UTF8_BOM;
        skip = 3;
    }
    if (size - skip > 0x7FFFFFFF)
        Fail(2, "input file too large", path);
    int len = (int)(size - skip);
    if (len == 0)
        return std::wstring();
    const char* bytes = (const char*)data.data() + skip;
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, len, NULL, 0);
    if (units == 0)
        Fail(2, "invalid UTF-8", path);
    std::wstring text(units, L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, len, &text[0], units);
    return text;
}

static std::string Encode(const std::wstring& text, Encoding encoding)
{
    std::string out;
    if (encoding == ENC_UTF16LE) {
        out.assign("\xFF\xFE", 2);
        out.append((const char*)text.data(), text.size() * sizeof(wchar_t));
        return out;
    }
    if (encoding == ENC_UTF8_BOM)
        out.assign("\xEF\xBB\xBF", 3);
    if (!text.empty()) {
        int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
        size_t at = out.size();
        out.resize(at + n);
        WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &out[at], n, NULL, NULL);
    }
    return out;
}

/* The module's settings key: its file name cut at the first dot. */
static std::string SettingsKeyFor(const wchar_t* dllPath)
{
    const wchar_t* name = dllPath;
    for (const wchar_t* p = dllPath; *p; p++)
        if (*p == L'\\' || *p == L'/')
            name = p + 1;
    std::wstring title(name);
    size_t dot = title.find(L'.');
    if (dot != std::wstring::npos)
        title.erase(dot);
    char ansi[MAX_PATH];
    WideCharToMultiByte(CP_ACP, 0, title.c_str(), -1, ansi, sizeof(ansi), NULL, NULL);
    return std::string(PREFIX_KEY) + ansi;
}

static void StoreSettings(const Options* o, const wchar_t* dllPath)
{
    if (!o->haveLocale && !o->haveFlags)
        return;
    HKEY key;
    std::string path = SettingsKeyFor(dllPath);
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS)
        Fail(1, "cannot write the module's settings", NULL);
    if (o->haveLocale)
        RegSetValueExA(key, "Locale", 0, REG_DWORD, (const BYTE*)&o->locale, 4);
    if (o->haveFlags)
        RegSetValueExA(key, "Flags", 0, REG_DWORD, (const BYTE*)&o->flags, 4);
    RegCloseKey(key);
}

static std::wstring DefaultDllPath(void)
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        Fail(1, "cannot find the host's own folder", NULL);
    wchar_t* slash = wcsrchr(path, L'\\');
    std::wstring dir = slash ? std::wstring(path, slash + 1 - path) : std::wstring();
    return dir + L"ZtoA.dll";
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
    for (size_t i = 0; i < sizeof(all) / sizeof(all[0]); i++) {
        unsigned n = HostMessageCount(all[i]);
        if (n == 0)
            continue;
        fprintf(stderr, "%s\"%s\":%u", first ? "" : ",", HostMessageName(all[i]), n);
        first = FALSE;
    }
    fprintf(stderr, "}}\n");
}

static void WriteOutput(const Options* o, const std::string& bytes)
{
    FILE* f;
    if (o->output != NULL) {
        f = _wfopen(o->output, L"wb");
        if (f == NULL)
            Fail(2, "cannot write output file", o->output);
    } else {
        _setmode(_fileno(stdout), _O_BINARY);
        f = stdout;
    }
    if (fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fflush(f) != 0)
        Fail(1, "cannot write the result", o->output);
    if (f != stdout)
        fclose(f);
}

int wmain(int argc, wchar_t** argv)
{
    Options o;
    ParseOptions(argc, argv, &o);

    Encoding encoding;
    std::wstring text = Decode(ReadWholeFile(o.input), &encoding, o.input);
    std::wstring dllPath = o.dll ? std::wstring(o.dll) : DefaultDllPath();

    if (HostCreateEditor(NULL) == NULL)
        Fail(1, "cannot create the editor window", NULL);
    HostSetText(text);
    HostSetWrapWidth(o.wrap);
    if (o.haveSelect) {
        HostSelect(o.selStart, o.selEnd);
    } else {
        int last = HostLineCount() - 1;
        POINT start = { 0, 0 };
        POINT end = { (LONG)HostLine(last).size(), last };
        HostSelect(start, end);
    }

    StoreSettings(&o, dllPath.c_str());
    HMODULE module = LoadLibraryW(dllPath.c_str());
    if (module == NULL)
        Fail(1, "cannot load the module", dllPath.c_str());
    OnCommandProc onCommand = (OnCommandProc)GetProcAddress(module, "OnCommand");
    if (onCommand == NULL)
        Fail(1, "the module has no OnCommand export", dllPath.c_str());

    HostClearMessages();
    onCommand(HostEditorWindow());

    WriteOutput(&o, Encode(HostGetText(), encoding));
    if (o.report)
        WriteReport();
    HostDestroyEditor();
    FreeLibrary(module);
    return 0;
}
