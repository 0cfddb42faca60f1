/*
** Benchmark: sorts generated lines of mixed Latin, Japanese and Chinese text
** with the module's sort command on the stand-in host, and prints one row:
**
**   benchmark.exe LINES LOCALE FLAGS
**
** lines, whole command, fetching, keys, sorting, rewriting, the host's share
** (seconds), lines per second, the process's peak memory (MiB) and "keys" or
** "compare" for the path the sort took. The module's code is linked in, so
** that its own stage timings can be read; run one size per process so that
** the peak belongs to that size.
**
**   benchmark.exe --generate LINES FILE
**
** writes the same generated lines to FILE as UTF-8, for other sorters.
*/
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

#include "../host/host.h"
#include "../sort/sortcmd.h"
#include "../sort/sortkeys.h"

static unsigned g_seed = 12345;   /* the generator's state: the same text every run */

static unsigned NextRandom(void)
{
    g_seed = g_seed * 1103515245u + 12345u;
    return g_seed >> 8;
}

/* One word of Latin letters, kana or CJK ideographs. */
static void AppendWord(std::wstring* line)
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

static std::wstring GenerateText(long lines)
{
    std::wstring text;
    text.reserve((size_t)lines * 44);
    for (long i = 0; i < lines; i++) {
        std::wstring line;
        unsigned words = 3 + NextRandom() % 6;
        for (unsigned w = 0; w < words; w++) {
            if (w > 0)
                line.push_back(L' ');
            AppendWord(&line);
        }
        text += line;
        text += L"\r\n";
    }
    return text;
}

static double Seconds(LONGLONG ticks)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return (double)ticks / (double)f.QuadPart;
}

static void StoreSettings(DWORD locale, DWORD flags)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Norvale\\QuillonPlugIns\\benchmark", 0, NULL, 0,
                        KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "Locale", 0, REG_DWORD, (const BYTE*)&locale, 4);
    RegSetValueExA(key, "Flags", 0, REG_DWORD, (const BYTE*)&flags, 4);
    RegCloseKey(key);
}

static int Generate(long lines, const char* path)
{
    std::wstring text = GenerateText(lines);
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string bytes(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &bytes[0], n, NULL, NULL);
    FILE* f = fopen(path, "wb");
    if (f == NULL || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        fprintf(stderr, "benchmark: cannot write %s\n", path);
        return 1;
    }
    fclose(f);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 4 && strcmp(argv[1], "--generate") == 0)
        return Generate(atol(argv[2]), argv[3]);
    if (argc != 4) {
        fprintf(stderr, "usage: benchmark LINES LOCALE FLAGS | benchmark --generate LINES FILE\n");
        return 2;
    }
    long lines = atol(argv[1]);
    DWORD locale = strtoul(argv[2], NULL, 16);
    DWORD flags = strtoul(argv[3], NULL, 16);
    StoreSettings(locale, flags);

    HostCreateEditor(NULL);
    HostKeepLog(FALSE);
    HostTimeMessages(TRUE);
    std::wstring text = GenerateText(lines);
    HostSetText(text);
    std::wstring().swap(text);
    POINT start = { 0, 0 }, end = { 0, (LONG)lines };
    HostSelect(start, end);
    HostClearMessages();

    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    SortSelection(HostEditorWindow());
    QueryPerformanceCounter(&after);

    if (HostMessageCount(HM_SET_REDRAW) != 2) {
        fprintf(stderr, "benchmark: the command did not run\n");
        return 1;
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));

    const SortTimings& t = g_lastSortTimings;
    double whole = Seconds(after.QuadPart - before.QuadPart);
    printf("%ld\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.0f\t%.1f\t%s\n", lines, whole,
           Seconds(t.fetch), Seconds(t.keys), Seconds(t.sort), Seconds(t.rewrite),
           Seconds(HostBusyTicks()), lines / whole, memory.PeakPagefileUsage / 1048576.0,
           t.byKeys ? "keys" : "compare");
    HostDestroyEditor();
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Norvale\\QuillonPlugIns\\benchmark");
    return 0;
}
