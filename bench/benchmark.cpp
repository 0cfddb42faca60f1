/*
** Benchmark: sorts generated lines of mixed Latin, Japanese and Chinese text
** through the module's OnCommand on the stand-in host, and prints one row:
**
**   benchmark.exe DLL LINES LOCALE FLAGS
**
** lines, whole command (s), fetching, sorting, rewriting (s), host share (s),
** lines per second, and the process's peak memory (MiB). Run one size per
** process so that the peak belongs to that size.
*/
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>

#include "../host/host.h"

typedef void (WINAPI *OnCommandProc)(HWND);

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
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Norvale\\QuillonPlugIns\\ZtoA", 0, NULL, 0,
                        KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "Locale", 0, REG_DWORD, (const BYTE*)&locale, 4);
    RegSetValueExA(key, "Flags", 0, REG_DWORD, (const BYTE*)&flags, 4);
    RegCloseKey(key);
}

int main(int argc, char** argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: benchmark DLL LINES LOCALE FLAGS\n");
        return 2;
    }
    long lines = atol(argv[2]);
    DWORD locale = strtoul(argv[3], NULL, 16);
    DWORD flags = strtoul(argv[4], NULL, 16);

    HMODULE module = LoadLibraryA(argv[1]);
    OnCommandProc onCommand = module ? (OnCommandProc)GetProcAddress(module, "OnCommand") : NULL;
    if (onCommand == NULL) {
        fprintf(stderr, "benchmark: cannot load %s\n", argv[1]);
        return 1;
    }
    StoreSettings(locale, flags);

    HostCreateEditor(NULL);
    HostKeepLog(FALSE);
    std::wstring text = GenerateText(lines);
    HostSetText(text);
    std::wstring().swap(text);
    POINT start = { 0, 0 }, end = { 0, (LONG)lines };
    HostSelect(start, end);
    HostClearMessages();

    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    onCommand(HostEditorWindow());
    QueryPerformanceCounter(&after);

    LONGLONG firstGet, lastGet, redrawOff, redrawOn;
    if (!HostMessageTimes(HM_GET_LINE, &firstGet, &lastGet) || !HostMessageTimes(HM_SET_REDRAW, &redrawOff, &redrawOn)) {
        fprintf(stderr, "benchmark: the command did not run\n");
        return 1;
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));

    double whole = Seconds(after.QuadPart - before.QuadPart);
    printf("%ld\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.0f\t%.1f\n", lines, whole,
           Seconds(lastGet - firstGet), Seconds(redrawOff - lastGet), Seconds(redrawOn - redrawOff),
           Seconds(HostBusyTicks()), lines / whole, memory.PeakPagefileUsage / 1048576.0);
    HostDestroyEditor();
    return 0;
}
