/*
** A randomized differential test of the whole round trip. Documents,
** selections, wrap widths, line ends, encodings, locales and flags are
** drawn from a seeded generator; each document goes through sortlines.exe
** (the stand-in host with the real module) and the result is checked
** against a model of the command written here from its description. The
** model calls CompareStringW and nothing of the module's.
**
** ZTOA_DIFF_SEED picks another seed; ZTOA_DIFF_SECONDS the time it runs.
*/
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

#include "registry_util.h"

namespace {

enum Encoding { UTF8, UTF8_BOM, UTF16 };

/* A document line: its text and its line end ("" for the last line). */
struct Line {
    std::wstring text;
    std::wstring eol;
};

/* One drawn case. */
struct Case {
    std::wstring text;
    Encoding encoding;
    LONG y1, x1, y2, x2;   /* --select */
    int wrap;
    DWORD locale, flags;
};

const wchar_t* const kWords[] = {
    L"apple", L"Apple", L"APPLE", L"banana", L"cherry", L"zeta", L"\u00e9clair", L"eclair",
    L"\u00c9clair", L"na\u00efve", L"resume", L"r\u00e9sum\u00e9", L"\u65e5\u672c\u8a9e",
    L"\u306b\u307b\u3093\u3054", L"\u30cb\u30db\u30f3\u30b4", L"\uff86\uff8e\uff9d\uff7a\uff9e",
    L"\u4e2d\u6587", L"\u6c49\u5b57", L"\u6f22\u5b57", L"co-op", L"coop", L"-", L"", L" lead", L"z",
    L"2026-12-08 04:25:17 [info] web-01 request 017", L"2026-12-08 04:25:17 [info] web-01 request 018",
    L"\uff21\uff22\uff23", L"ABC", L"abc",
    /* Their sort keys and CompareStringW disagree (several diacritic weights, or in context). */
    L"a\ufe7d", L"\u0f73", L"\ufc5e", L"\ufe71", L"\u00a8", L"\u0385", L"\ufb2f", L"\u0f81",
};

const DWORD kLocales[] = { 0x409, 0x411, 0x804, 0x407, 0x41F, 0x7FFFFFFF };
const DWORD kFlagBits[] = { NORM_IGNORECASE, NORM_IGNORENONSPACE, NORM_IGNORESYMBOLS, SORT_STRINGSORT,
                            NORM_IGNOREKANATYPE, NORM_IGNOREWIDTH };

Case DrawCase(std::mt19937& rng)
{
    auto pick = [&rng](int n) { return (int)(rng() % (unsigned)n); };
    Case c;
    c.encoding = (Encoding)pick(3);
    /* A third of the documents are long enough for the key path (16 lines or more). */
    int lines = pick(3) == 0 ? 16 + pick(185) : pick(16);
    const wchar_t* docEol = pick(3) == 0 ? L"\r" : pick(2) ? L"\r\n" : L"\n";
    bool mixed = pick(5) == 0;
    bool nul = pick(8) == 0;
    bool surrogates = c.encoding == UTF16 && pick(6) == 0;
    for (int i = 0; i < lines; i++) {
        int words = 1 + pick(3);
        for (int w = 0; w < words; w++) {
            if (w > 0)
                c.text += L' ';
            c.text += kWords[pick(ARRAYSIZE(kWords))];
        }
        if (nul && pick(4) == 0)
            c.text.insert(c.text.size() - (c.text.empty() ? 0 : pick(2)), 1, L'\0');
        if (surrogates && pick(4) == 0)
            c.text += pick(2) ? L'\xD800' : L'\xDC00';
        c.text += mixed ? (pick(3) == 0 ? L"\r" : pick(2) ? L"\r\n" : L"\n") : docEol;
    }
    if (pick(2))
        c.text += kWords[pick(ARRAYSIZE(kWords))];
    c.y1 = pick(lines + 2);
    c.y2 = pick(lines + 2);
    c.x1 = pick(4);
    c.x2 = pick(3) == 0 ? 0 : pick(12);
    c.wrap = pick(3) == 0 ? 0 : 1 + pick(8);
    c.locale = kLocales[pick(ARRAYSIZE(kLocales))];
    c.flags = 0;
    for (DWORD bit : kFlagBits)
        if (pick(4) == 0)
            c.flags |= bit;
    if (pick(20) == 0)
        c.flags = 0xFFFFFFFF;
    return c;
}

/* Splits text at CR LF, CR and LF; the last line has no line end. */
std::vector<Line> SplitDocument(const std::wstring& text)
{
    std::vector<Line> lines(1);
    for (size_t i = 0; i < text.size(); i++) {
        wchar_t ch = text[i];
        if (ch != L'\r' && ch != L'\n') {
            lines.back().text += ch;
            continue;
        }
        bool crlf = ch == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n';
        lines.back().eol = crlf ? L"\r\n" : std::wstring(1, ch);
        if (crlf)
            i++;
        lines.push_back(Line());
    }
    return lines;
}

std::wstring JoinDocument(const std::vector<Line>& lines)
{
    std::wstring text;
    for (const Line& line : lines)
        text += line.text + line.eol;
    return text;
}

std::string Encode(const std::wstring& text, Encoding encoding)
{
    if (encoding == UTF16)
        return "\xFF\xFE" + std::string((const char*)text.data(), text.size() * sizeof(wchar_t));
    std::string bytes(text.size() * 3 + 1, '\0');
    bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &bytes[0], (int)bytes.size(),
                                     NULL, NULL));
    return encoding == UTF8_BOM ? "\xEF\xBB\xBF" + bytes : bytes;
}

/* The CompareStringW result of two lines without their line ends. */
int CompareLines(const Case& c, const std::wstring& a, const std::wstring& b)
{
    return CompareStringW(c.locale, c.flags, a.data(), (int)a.size(), b.data(), (int)b.size());
}

/* What sortlines should give for a case: the status, the document, and the sorted range. */
struct Expected {
    int status;
    std::vector<Line> lines;    /* before sorting, with any final line end supplied */
    LONG first, end;            /* the range to sort, [first, end); empty when nothing moves */
};

/*
** Whether lines [first, end) in descending order, equal lines in their old
** order, would put a line that ends in a lone CR directly in front of an
** empty line that ends in LF (the line after the range included): the two
** would read back as one line.
*/
bool LoneCrMeetsEmptyLf(const Case& c, const std::vector<Line>& lines, LONG first, LONG end)
{
    std::vector<Line> range(lines.begin() + first, lines.begin() + end);
    std::stable_sort(range.begin(), range.end(), [&c](const Line& a, const Line& b) {
        return CompareLines(c, a.text, b.text) == CSTR_GREATER_THAN;
    });
    if ((size_t)end < lines.size())
        range.push_back(lines[end]);
    for (size_t i = 0; i + 1 < range.size(); i++)
        if (range[i].eol == L"\r" && range[i + 1].text.empty() && range[i + 1].eol == L"\n")
            return true;
    return false;
}

Expected Model(const Case& c)
{
    Expected e;
    e.lines = SplitDocument(c.text);
    e.first = e.end = 0;
    e.status = 0;
    LONG count = (LONG)e.lines.size();
    /* The host clamps the selection into the document and orders its ends. */
    auto clamp = [&](LONG y, LONG x, LONG* cy, LONG* cx) {
        if (y >= count) { y = count - 1; x = (LONG)e.lines[y].text.size(); }
        *cy = y;
        *cx = x < (LONG)e.lines[y].text.size() ? x : (LONG)e.lines[y].text.size();
    };
    LONG sy, sx, ey, ex;
    clamp(c.y1, c.x1, &sy, &sx);
    clamp(c.y2, c.x2, &ey, &ex);
    if (ey < sy || (ey == sy && ex < sx)) { std::swap(sy, ey); std::swap(sx, ex); }

    bool append = false;
    if (ex != 0) {
        append = ey == count - 1;
        ey++;
    }
    if (ey - sy <= 1)
        return e;
    if (CompareStringW(c.locale, c.flags, L"a", 1, L"b", 1) == 0) {
        e.status = 3;
        return e;
    }
    if (append) {
        /* In the style of line 0, whatever it holds. */
        std::wstring first = e.lines[0].text + e.lines[0].eol;
        const wchar_t* style = L"\n";
        if (!first.empty() && first.back() == L'\r')
            style = L"\r";
        else if (first.size() >= 2 && first.compare(first.size() - 2, 2, L"\r\n") == 0)
            style = L"\r\n";
        e.lines.back().eol = style;
        e.lines.push_back(Line());
    }
    /* A refused sort leaves the document as it was, without the supplied line end. */
    std::vector<Line> before = SplitDocument(c.text);
    for (LONG y = sy; y < ey; y++) {
        if (e.lines[y].text.find(L'\0') != std::wstring::npos) {
            e.status = 3;
            e.lines = before;
            return e;
        }
    }
    if (LoneCrMeetsEmptyLf(c, e.lines, sy, ey)) {
        e.status = 3;
        e.lines = before;
        return e;
    }
    e.first = sy;
    e.end = ey;
    return e;
}

std::string Describe(const Case& c, unsigned seed, int index)
{
    char head[200];
    snprintf(head, sizeof(head), "seed %u case %d: --select %ld:%ld-%ld:%ld --wrap %d --locale %lx --flags %lx, encoding %d, text:",
             seed, index, c.y1, c.x1, c.y2, c.x2, c.wrap, c.locale, c.flags, (int)c.encoding);
    std::string text = head;
    for (wchar_t ch : c.text) {
        char unit[12];
        snprintf(unit, sizeof(unit), ch >= 32 && ch < 127 ? "%c" : "\\u%04x", (unsigned)ch);
        text += unit;
    }
    return text;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (f == NULL)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

std::string ReadBytes(const std::wstring& path)
{
    std::string bytes;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (f == NULL)
        return bytes;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
        bytes.append(buffer, n);
    fclose(f);
    return bytes;
}

/* Runs sortlines.exe with args; its stderr goes to errPath. Returns its exit status, or -1. */
int RunSortlines(const std::wstring& exe, const std::wstring& args, const std::wstring& errPath)
{
    SECURITY_ATTRIBUTES inherit = { sizeof(inherit), NULL, TRUE };
    HANDLE err = CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, NULL);
    HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, 0, &inherit, OPEN_EXISTING, 0, NULL);
    STARTUPINFOW si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nul;
    si.hStdOutput = nul;
    si.hStdError = err;
    std::wstring command = L"\"" + exe + L"\" " + args;
    PROCESS_INFORMATION pi;
    int status = -1;
    if (CreateProcessW(NULL, &command[0], NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 60000);
        DWORD code = 0;
        if (GetExitCodeProcess(pi.hProcess, &code) && code != STILL_ACTIVE)
            status = (int)code;
        else
            TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(err);
    CloseHandle(nul);
    return status;
}

/* The output decoded in the input's encoding; false when it is not in it. */
bool Decode(const std::string& bytes, Encoding encoding, std::wstring* text)
{
    if (encoding == UTF16) {
        if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0 || bytes.size() % 2 != 0)
            return false;
        text->assign((const wchar_t*)(bytes.data() + 2), (bytes.size() - 2) / 2);
        return true;
    }
    size_t skip = encoding == UTF8_BOM ? 3 : 0;
    if (bytes.size() < skip || bytes.compare(0, skip, "\xEF\xBB\xBF", skip) != 0)
        return false;
    text->assign(bytes.size() - skip, L'\0');
    if (bytes.size() == skip)
        return true;
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + skip, (int)(bytes.size() - skip),
                                &(*text)[0], (int)text->size());
    text->resize(n);
    return n > 0;
}

/*
** Checks the result of one case against the model. The sorted range must
** hold the same lines, each adjacent pair in descending order, lines that
** compare equal in their old order; everything else must be unchanged.
*/
void CheckCase(const Case& c, const Expected& e, int status, const std::wstring& output,
               const std::string& report, const std::string& what)
{
    ASSERT_EQ(status, e.status) << what;
    std::vector<Line> got = SplitDocument(output);
    ASSERT_EQ(got.size(), e.lines.size()) << what;
    for (size_t y = 0; y < got.size(); y++) {
        if ((LONG)y >= e.first && (LONG)y < e.end)
            continue;
        ASSERT_TRUE(got[y].text == e.lines[y].text && got[y].eol == e.lines[y].eol)
            << what << "\nline " << y << " outside the range changed";
    }
    if (e.first == e.end)
        return;
    std::vector<bool> used(e.end - e.first, false);
    std::vector<LONG> from;
    for (LONG y = e.first; y < e.end; y++) {
        LONG k = e.first;
        while (k < e.end && (used[k - e.first] || e.lines[k].text != got[y].text || e.lines[k].eol != got[y].eol))
            k++;
        ASSERT_LT(k, e.end) << what << "\nline " << y << " of the result is not a line of the range";
        used[k - e.first] = true;
        from.push_back(k);
    }
    for (LONG y = e.first; y + 1 < e.end; y++) {
        int r = CompareLines(c, got[y].text, got[y + 1].text);
        ASSERT_NE(r, CSTR_LESS_THAN) << what << "\nlines " << y << " and " << y + 1 << " ascend";
        if (r == CSTR_EQUAL)
            ASSERT_LT(from[y - e.first], from[y + 1 - e.first]) << what << "\nequal lines " << y << " changed order";
    }
    char selection[80];
    snprintf(selection, sizeof(selection), "{\"selection\":[%ld,0,%ld,0]", e.first, e.end);
    ASSERT_EQ(report.compare(0, strlen(selection), selection), 0) << what << "\nreport: " << report;
}

TEST(DifferentialTest, SortlinesAgreesWithTheModel)
{
    ASSERT_FALSE(g_dllPath.empty()) << "the module's path is the first argument";
    std::wstring dll(g_dllPath.begin(), g_dllPath.end());
    std::wstring exe = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"sortlines.exe";
    WCHAR temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    std::wstring dir = std::wstring(temp) + L"ztoa_differential";
    CreateDirectoryW(dir.c_str(), NULL);
    std::wstring input = dir + L"\\in.txt", output = dir + L"\\out.txt", err = dir + L"\\err.txt";

    unsigned seed = getenv("ZTOA_DIFF_SEED") ? (unsigned)strtoul(getenv("ZTOA_DIFF_SEED"), NULL, 10) : 20261208u;
    DWORD budget = 1000 * (getenv("ZTOA_DIFF_SECONDS") ? (DWORD)atoi(getenv("ZTOA_DIFF_SECONDS")) : 50);
    std::mt19937 rng(seed);
    DWORD began = GetTickCount();
    int cases = 0, sorted = 0, refused = 0, keyed = 0;
    for (; cases < 2000 && GetTickCount() - began < budget; cases++) {
        Case c = DrawCase(rng);
        std::string what = Describe(c, seed, cases);
        ASSERT_TRUE(WriteBytes(input, Encode(c.text, c.encoding)));
        DeleteFileW(output.c_str());
        wchar_t args[160];
        swprintf(args, ARRAYSIZE(args), L"--select %ld:%ld-%ld:%ld --wrap %d --locale %lx --flags %lx --report -o ",
                 c.y1, c.x1, c.y2, c.x2, c.wrap, c.locale, c.flags);
        int status = RunSortlines(exe, args + (L"\"" + output + L"\" \"" + input + L"\""), err);
        Expected e = Model(c);
        std::wstring result;
        ASSERT_TRUE(Decode(ReadBytes(output), c.encoding, &result)) << what << "\nthe output is not in the input's encoding";
        std::string report = ReadBytes(err);
        ASSERT_NO_FATAL_FAILURE(CheckCase(c, e, status, result, report, what));
        sorted += e.first != e.end;
        keyed += e.end - e.first >= 16;   /* long enough for the key path */
        refused += e.status == 3;
    }
    DeleteFileW(input.c_str());
    DeleteFileW(output.c_str());
    DeleteFileW(err.c_str());
    RemoveDirectoryW(dir.c_str());
    DeleteModuleKey("ZtoA");
    printf("seed %u: %d cases, %d sorted (%d of 16 lines or more), %d refused\n", seed, cases, sorted, keyed, refused);
    EXPECT_GE(cases, 20) << "too few cases ran to mean anything";
    EXPECT_GT(sorted, 0);
    EXPECT_GT(keyed, 0);
    EXPECT_GT(refused, 0);
}

}  // namespace
