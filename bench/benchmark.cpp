/*
** Benchmark of the sort command on the stand-in host, with the module's
** code linked in and its stage marks compiled in:
**
**   benchmark.exe --generate KIND LINES FILE
**
** writes LINES generated lines of one document kind to FILE as UTF-8 with
** CR LF: random (random letters in random words), words (an English-heavy
** list with accented Latin, Japanese and Chinese, 5% exact repeats and 2%
** case variants), log (lines sharing timestamps and host names), csv (rows
** sharing a first column), ja (a Japanese list), zh (a Chinese list),
** numbers (counts in front of log lines, prices and amounts, some negative,
** with decimals, and lines without a number).
**
**   benchmark.exe FILE LOCALE FLAGS [NUMBERS]
**
** loads FILE (UTF-8, or UTF-16LE with a BOM), sorts all its lines once,
** by the number at the start of each line first when NUMBERS is 1,
** and prints one tab-separated row: lines, the whole command, its stages
** (fetch, keys, sort, ties, place, rewrite with its read-back, free), the host's share, the
** floor (one LCMapStringW a line, three messages a line to the same host,
** an ordinal sort of as many records), the command over the floor, the
** lines whose kept key bytes tie, the keys made again, the module's own
** peak allocations, the target for it (the range's UTF-16 text plus 48
** bytes a line), the process's peak working set (all in MiB), the check
** of the key order against CompareStringW, the read-back of the rewritten
** lines, and the path.
*/
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>

#include "../host/host.h"
#include "../sort/sortcmd.h"
#include "../sort/stages.h"
#include "../settings/keypath.h"

/* ---- Stage marks and the module's own memory ----------------------------- */

static LONGLONG g_stageTicks[SORT_STAGE_COUNT];   /* when each stage was reached, 0: never */
static size_t g_stageValue[SORT_STAGE_COUNT];     /* the value each stage reported */
static bool g_measuring;                          /* counting the module's allocations */
static size_t g_liveBytes;                        /* the module's blocks now, in bytes asked for */
static size_t g_peakBytes;                        /* and the most at any time */

void SortStageReached(SortStage stage, size_t value)
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    g_stageTicks[stage] = t.QuadPart;
    g_stageValue[stage] = value;
}

extern "C" {
void* __real_ZtoaAlloc(size_t size);
void* __real_ZtoaAllocZeroed(size_t count, size_t size);
void __real_ZtoaFree(void* block);

/* Only blocks the module takes while no host message is being answered count. */
static bool Counting(void)
{
    return g_measuring && g_hostBusy == 0;
}

static void Took(void* block)
{
    if (block == NULL)
        return;
    g_liveBytes += HeapSize(GetProcessHeap(), 0, block);
    if (g_liveBytes > g_peakBytes)
        g_peakBytes = g_liveBytes;
}

static void Gave(void* block)
{
    size_t size = block != NULL ? HeapSize(GetProcessHeap(), 0, block) : 0;
    if (g_liveBytes >= size)
        g_liveBytes -= size;
}

void* __wrap_ZtoaAlloc(size_t size)
{
    void* block = __real_ZtoaAlloc(size);
    if (Counting())
        Took(block);
    return block;
}

void* __wrap_ZtoaAllocZeroed(size_t count, size_t size)
{
    void* block = __real_ZtoaAllocZeroed(count, size);
    if (Counting())
        Took(block);
    return block;
}

void __wrap_ZtoaFree(void* block)
{
    if (Counting())
        Gave(block);
    __real_ZtoaFree(block);
}
}

/* ---- Generated documents ---------------------------------------------- */

static unsigned g_seed = 12345;   /* the generator's state: the same text every run */

static unsigned NextRandom(void)
{
    g_seed = g_seed * 1103515245u + 12345u;
    return g_seed >> 8;
}

/* A number below n, small ones far likelier (about Zipf's law for words). */
static unsigned Skewed(unsigned n)
{
    double u = (NextRandom() % 1000000 + 1) / 1000001.0;
    return (unsigned)(n * u * u * u) % n;
}

/* One word of Latin letters, kana or CJK ideographs: the old random text. */
static void AppendRandomWord(std::wstring* line)
{
    unsigned kind = NextRandom() % 4;
    unsigned length = 2 + NextRandom() % 7;
    for (unsigned i = 0; i < length; i++) {
        unsigned r = NextRandom();
        switch (kind) {
        case 0: line->push_back((wchar_t)((r % 2 ? L'a' : L'A') + r / 2 % 26)); break;
        case 1: line->push_back((wchar_t)(0x3041 + r % 83)); break;          /* hiragana */
        case 2: line->push_back((wchar_t)(0x30A1 + r % 86)); break;          /* katakana */
        default: line->push_back((wchar_t)(0x4E00 + r % 6000)); break;       /* ideographs */
        }
    }
}

static const wchar_t* const g_syllables[] = {
    L"th", L"er", L"an", L"re", L"on", L"at", L"en", L"nd", L"ti", L"es", L"or", L"te", L"of", L"ed",
    L"is", L"it", L"al", L"ar", L"st", L"to", L"nt", L"ng", L"se", L"ha", L"ou", L"io", L"le", L"ve",
    L"co", L"me", L"de", L"hi", L"ri", L"ro", L"ic", L"ne", L"ea", L"ra", L"ce", L"li", L"ch", L"ll",
    L"be", L"ma", L"si", L"om", L"ur", L"ca", L"el", L"ta", L"la", L"ns", L"ge", L"ly", L"ei", L"os",
    L"\x00E9", L"\x00FC", L"\x00F1", L"\x00E7", L"\x00E0", L"\x00F6",
};

/* Word number n of a fixed vocabulary: the same n, the same word. */
static std::wstring VocabularyWord(unsigned n)
{
    unsigned s = n * 2654435761u + 7;
    unsigned syllables = 1 + s % 4;
    std::wstring word;
    for (unsigned i = 0; i < syllables; i++) {
        s = s * 1103515245u + 12345u;
        unsigned pick = (s >> 8) % ARRAYSIZE(g_syllables);
        if (pick >= ARRAYSIZE(g_syllables) - 6 && (s >> 20) % 4 != 0)
            pick %= ARRAYSIZE(g_syllables) - 6;   /* accents in about one word in ten */
        word += g_syllables[pick];
    }
    return word;
}

static void AppendKana(std::wstring* line, unsigned length, wchar_t base, unsigned span)
{
    for (unsigned i = 0; i < length; i++)
        line->push_back((wchar_t)(base + NextRandom() % span));
}

/* A common ideograph, the first ones likelier. */
static wchar_t Ideograph(void)
{
    return (wchar_t)(0x4E00 + Skewed(3000) * 7 % 20000);
}

static std::wstring JapaneseLine(void)
{
    std::wstring line;
    unsigned words = 2 + NextRandom() % 4;
    for (unsigned w = 0; w < words; w++) {
        switch (NextRandom() % 3) {
        case 0: for (unsigned i = 0, n = 1 + NextRandom() % 3; i < n; i++) line.push_back(Ideograph()); break;
        case 1: AppendKana(&line, 2 + NextRandom() % 4, 0x3041, 83); break;
        default: AppendKana(&line, 3 + NextRandom() % 5, 0x30A1, 86); break;
        }
    }
    return line;
}

static std::wstring ChineseLine(void)
{
    std::wstring line;
    unsigned length = 3 + NextRandom() % 12;
    for (unsigned i = 0; i < length; i++)
        line.push_back(i > 0 && NextRandom() % 9 == 0 ? (wchar_t)0xFF0C : Ideograph());
    return line;
}

static std::wstring WordsLine(void)
{
    unsigned kind = NextRandom() % 100;
    if (kind < 8)
        return JapaneseLine();
    if (kind < 13)
        return ChineseLine();
    std::wstring line;
    unsigned words = 5 + NextRandom() % 10;
    for (unsigned w = 0; w < words; w++) {
        if (w > 0)
            line.push_back(L' ');
        std::wstring word = VocabularyWord(Skewed(20000));
        if (w == 0 && NextRandom() % 3 == 0)
            word[0] = (wchar_t)towupper(word[0]);
        line += word;
    }
    return line;
}

static const wchar_t* const g_hosts[] = { L"web-01", L"web-02", L"web-03", L"db-01", L"cache-07", L"edge-11" };
static const wchar_t* const g_services[] = { L"nginx", L"sshd", L"kernel", L"cron", L"postgres" };
static const wchar_t* const g_columns[] = {
    L"Germany", L"France", L"Japan", L"China", L"United States", L"Brazil", L"India", L"Espa\x00F1" L"a",
    L"\x00D6sterreich", L"Canada", L"Italy", L"Mexico",
};

static std::wstring LogLine(long i, long lines)
{
    long ms = (long)((long long)i * 86400000 / lines) + NextRandom() % 50;
    wchar_t text[200];
    swprintf(text, ARRAYSIZE(text), L"2026-12-08T%02ld:%02ld:%02ld.%03ldZ %ls %ls[%u]: %ls /api/v1/items/%u status %u",
             ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000, g_hosts[NextRandom() % ARRAYSIZE(g_hosts)],
             g_services[NextRandom() % ARRAYSIZE(g_services)], 1000 + NextRandom() % 30000,
             NextRandom() % 4 ? L"GET" : L"POST", NextRandom() % 100000, NextRandom() % 5 ? 200 : 404);
    return text;
}

/*
** A count in front of a log line (as uniq -c writes it), a price or an
** amount with cents, grouped by thousands in one of three and negative in
** one of five, or (one line in ten) a line without a number.
*/
static std::wstring NumbersLine(void)
{
    wchar_t text[200];
    unsigned kind = NextRandom() % 10;
    std::wstring word = VocabularyWord(Skewed(20000));
    if (kind < 5) {
        swprintf(text, ARRAYSIZE(text), L"%7u %ls /%ls/%ls.html", 1 + Skewed(100000),
                 NextRandom() % 4 ? L"GET" : L"POST", word.c_str(), VocabularyWord(Skewed(20000)).c_str());
        return text;
    }
    if (kind == 9)
        return WordsLine();
    std::wstring whole = std::to_wstring(Skewed(5000000));
    if (NextRandom() % 3 == 0)
        for (int at = (int)whole.size() - 3; at > 0; at -= 3)
            whole.insert(at, L",");
    swprintf(text, ARRAYSIZE(text), L"%ls%ls.%02u %ls", NextRandom() % 5 == 0 ? L"-" : L"", whole.c_str(),
             NextRandom() % 100, word.c_str());
    return text;
}

static std::wstring CsvLine(void)
{
    wchar_t text[200];
    std::wstring name = VocabularyWord(Skewed(20000)) + L" " + VocabularyWord(Skewed(20000));
    name[0] = (wchar_t)towupper(name[0]);
    swprintf(text, ARRAYSIZE(text), L"%ls,%u,%ls,%u.%02u", g_columns[Skewed(ARRAYSIZE(g_columns))],
             100000 + NextRandom() % 900000, name.c_str(), NextRandom() % 10000, NextRandom() % 100);
    return text;
}

/* Line i of a document of kind; "" for an unknown kind. */
static std::wstring GenerateLine(const char* kind, long i, long lines)
{
    if (strcmp(kind, "random") == 0) {
        std::wstring line;
        unsigned words = 3 + NextRandom() % 6;
        for (unsigned w = 0; w < words; w++) {
            if (w > 0)
                line.push_back(L' ');
            AppendRandomWord(&line);
        }
        return line;
    }
    if (strcmp(kind, "words") == 0)
        return WordsLine();
    if (strcmp(kind, "log") == 0)
        return LogLine(i, lines);
    if (strcmp(kind, "csv") == 0)
        return CsvLine();
    if (strcmp(kind, "ja") == 0)
        return JapaneseLine();
    if (strcmp(kind, "zh") == 0)
        return ChineseLine();
    if (strcmp(kind, "numbers") == 0)
        return NumbersLine();
    return L"";
}

/*
** A document of kind: 5% of the lines repeat an earlier line exactly and,
** in the lists, 2% repeat one in other letter case. Returns "" for an
** unknown kind.
*/
static std::wstring GenerateText(const char* kind, long lines)
{
    std::wstring text;
    std::vector<size_t> starts;
    bool lists = strcmp(kind, "random") != 0 && strcmp(kind, "log") != 0;
    for (long i = 0; i < lines; i++) {
        unsigned r = NextRandom() % 100;
        std::wstring line;
        if (lists && i > 0 && r < 7) {
            size_t from = starts[NextRandom() % starts.size()];
            line = text.substr(from, text.find(L'\r', from) - from);
            if (r >= 5)
                for (wchar_t& c : line)
                    c = (wchar_t)(iswupper(c) ? towlower(c) : towupper(c));
        } else {
            line = GenerateLine(kind, i, lines);
            if (line.empty() && strcmp(kind, "random") != 0)
                return L"";
        }
        starts.push_back(text.size());
        text += line;
        text += L"\r\n";
    }
    return text;
}

static int Generate(const char* kind, long lines, const char* path)
{
    std::wstring text = GenerateText(kind, lines);
    if (text.empty()) {
        fprintf(stderr, "benchmark: unknown document kind %s\n", kind);
        return 2;
    }
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string bytes(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &bytes[0], n, NULL, NULL);
    FILE* f = fopen(path, "wb");
    bool written = f != NULL && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f != NULL && fclose(f) != 0)
        written = false;
    if (!written) {
        fprintf(stderr, "benchmark: cannot write %s\n", path);
        return 1;
    }
    return 0;
}

/* ---- Running the command ---------------------------------------------- */

/* FILE's text: UTF-8 (with or without a BOM) or UTF-16LE with a BOM; false when unreadable. */
static bool ReadDocument(const char* path, std::wstring* text)
{
    FILE* f = fopen(path, "rb");
    if (f == NULL)
        return false;
    std::string bytes;
    char piece[65536];
    size_t n;
    while ((n = fread(piece, 1, sizeof(piece), f)) > 0)
        bytes.append(piece, n);
    bool failed = ferror(f) != 0;
    fclose(f);
    if (failed)
        return false;
    if (bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE) {
        text->assign((const wchar_t*)(bytes.data() + 2), (bytes.size() - 2) / 2);
        return true;
    }
    size_t skip = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    int units = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + skip, (int)(bytes.size() - skip), NULL, 0);
    text->resize(units);
    MultiByteToWideChar(CP_UTF8, 0, bytes.data() + skip, (int)(bytes.size() - skip), &(*text)[0], units);
    return true;
}

static double Seconds(LONGLONG ticks)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return (double)ticks / (double)f.QuadPart;
}

static LONGLONG Now(void)
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

/* Seconds from stage a to stage b; 0 when either was not reached. */
static double Between(SortStage a, SortStage b)
{
    if (g_stageTicks[a] == 0 || g_stageTicks[b] == 0)
        return 0;
    return Seconds(g_stageTicks[b] - g_stageTicks[a]);
}

static void StoreSettings(DWORD locale, DWORD flags, DWORD numbers)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY_PREFIX "benchmark", 0, NULL, 0,
                        KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "Locale", 0, REG_DWORD, (const BYTE*)&locale, 4);
    RegSetValueExA(key, "Flags", 0, REG_DWORD, (const BYTE*)&flags, 4);
    RegSetValueExA(key, "Numbers", 0, REG_DWORD, (const BYTE*)&numbers, 4);
    RegCloseKey(key);
}

/* The logical range from the start of line 0 to the end of the document's lines. */
static void SelectAll(POINT* start, POINT* end)
{
    int last = HostLineCount() - 1;
    size_t length;
    const WCHAR* eol;
    HostLineView(last, &length, &eol);
    start->x = 0;
    start->y = 0;
    end->x = (LONG)length;
    end->y = last;
    HostSelect(*start, *end);
}

/*
** The floor of the command on the document now in the host, in seconds:
** one LCMapStringW a line, two HM_GET_LINE and one HM_INSERT_TEXT a line
** (the lines re-inserted in their order), and an ordinal sort of as many
** 16-byte records.
*/
static double MeasureFloor(DWORD locale, DWORD flags)
{
    int count = HostLineCount() - 1;
    LONGLONG began = Now();
    std::vector<BYTE> key(1 << 16);
    for (int y = 0; y < count; y++) {
        size_t length;
        const WCHAR* eol;
        const WCHAR* text = HostLineView(y, &length, &eol);
        LCMapStringW(locale, LCMAP_SORTKEY | flags, length > 0 ? text : L"", length > 0 ? (int)length : -1,
                     (LPWSTR)(void*)key.data(), (int)key.size());
    }
    LONGLONG keyed = Now();

    std::wstring all;
    std::vector<size_t> starts;
    std::vector<WCHAR> buffer(256);
    HWND view = HostEditorWindow();
    for (int y = 0; y < count; y++) {
        LineRequest request = { 0, LINE_REQUEST_WITH_EOL, y };
        LRESULT n = SendMessageA(view, HM_GET_LINE, (WPARAM)&request, 0);
        if ((size_t)n > buffer.size())
            buffer.resize(n);
        request.cch = (DWORD)n;
        SendMessageA(view, HM_GET_LINE, (WPARAM)&request, (LPARAM)buffer.data());
        starts.push_back(all.size());
        all.append(buffer.data(), n);
    }
    POINT start = { 0, 0 }, end = { 0, count };
    HostSelect(start, end);
    SendMessageA(view, HM_EXECUTE_COMMAND, HOST_CMD_DELETE_SELECTION, 0);
    for (int y = 0; y < count; y++)
        SendMessageA(view, HM_INSERT_TEXT, 0, (LPARAM)(all.data() + starts[y]));
    LONGLONG messaged = Now();

    std::vector<std::pair<unsigned long long, unsigned long long>> records(count);
    for (int y = 0; y < count; y++)
        records[y] = std::make_pair(((unsigned long long)NextRandom() << 32) | NextRandom(), (unsigned long long)y);
    LONGLONG filled = Now();
    std::sort(records.begin(), records.end(),
              [](const std::pair<unsigned long long, unsigned long long>& a,
                 const std::pair<unsigned long long, unsigned long long>& b) { return a.first > b.first; });
    return Seconds(keyed - began) + Seconds(messaged - keyed) + Seconds(Now() - filled);
}

int main(int argc, char** argv)
{
    if (argc == 5 && strcmp(argv[1], "--generate") == 0)
        return Generate(argv[2], atol(argv[3]), argv[4]);
    if (argc != 4 && argc != 5) {
        fprintf(stderr, "usage: benchmark FILE LOCALE FLAGS [NUMBERS] | benchmark --generate KIND LINES FILE\n");
        return 2;
    }
    DWORD locale = strtoul(argv[2], NULL, 16);
    DWORD flags = strtoul(argv[3], NULL, 16);
    DWORD numbers = argc == 5 ? strtoul(argv[4], NULL, 10) : 0;
    std::wstring text;
    if (!ReadDocument(argv[1], &text)) {
        fprintf(stderr, "benchmark: cannot read %s\n", argv[1]);
        return 2;
    }
    StoreSettings(locale, flags, numbers);

    HostCreateEditor(NULL);
    HostKeepLog(FALSE);
    HostTimeMessages(TRUE);
    HostSetText(text);
    std::wstring().swap(text);
    POINT start, end;
    SelectAll(&start, &end);
    HostClearMessages();

    LONGLONG before = Now();
    g_measuring = true;
    SortSelection(HostEditorWindow());
    g_measuring = false;
    LONGLONG after = Now();
    double hostSeconds = Seconds(HostBusyTicks());

    if (HostMessageCount(HM_SET_REDRAW) != 2) {
        fprintf(stderr, "benchmark: the command did not run\n");
        return 1;
    }
    size_t lines = g_stageValue[SORT_STAGE_FETCHED];
    double textBytes = 0;
    for (size_t y = 0; y < lines; y++) {
        size_t length;
        const WCHAR* eol;
        HostLineView((int)y, &length, &eol);
        textBytes += 2.0 * (length + wcslen(eol) + 1);
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));

    bool byKeys = g_stageValue[SORT_STAGE_ORDERED] == 1;
    SortStage sortedAt = byKeys ? SORT_STAGE_SORTED : SORT_STAGE_ORDERED;
    double whole = Seconds(after - before);
    double floor = MeasureFloor(locale, flags);
    const double mib = 1048576.0;
    printf("%zu\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.2f\t%zu\t%zu\t%.1f\t%.1f\t%.1f"
           "\t%.3f\t%.3f\t%s\n",
           lines, whole, Between(SORT_STAGE_FETCHING, SORT_STAGE_FETCHED),
           byKeys ? Between(SORT_STAGE_FETCHED, SORT_STAGE_KEYED) : 0.0,
           Between(byKeys ? SORT_STAGE_KEYED : SORT_STAGE_FETCHED, sortedAt),
           byKeys ? Between(SORT_STAGE_SORTED, SORT_STAGE_TIED) : 0.0,
           byKeys ? Between(SORT_STAGE_CHECKED, SORT_STAGE_ORDERED) : 0.0,
           Between(SORT_STAGE_ORDERED, SORT_STAGE_REWRITTEN), Between(SORT_STAGE_REWRITTEN, SORT_STAGE_FREED),
           hostSeconds, floor, whole / floor, g_stageValue[SORT_STAGE_TIED], g_stageValue[SORT_STAGE_REMADE],
           g_peakBytes / mib, (textBytes + 48.0 * lines) / mib, memory.PeakWorkingSetSize / mib,
           byKeys ? Between(SORT_STAGE_TIED, SORT_STAGE_CHECKED) : 0.0,
           Between(SORT_STAGE_INSERTED, SORT_STAGE_REWRITTEN),
           byKeys ? "keys" : g_stageTicks[SORT_STAGE_CHECKED] != 0 ? "compare (keys refuted)" : "compare");
    HostDestroyEditor();
    RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY_PREFIX "benchmark");
    return 0;
}
