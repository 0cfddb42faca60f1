/*
** The sort command: the lines that the selection touches are read from the
** host, sorted descending under the stored settings, and written back in
** their place. All access to the document goes through host messages.
*/
#include "compare.h"
#include "sortkeys.h"
#include "stages.h"
#include "stablesort.h"
#include "../plugin/hostmsg.h"
#include "../plugin/module.h"
#include "../settings/settings.h"

#include <stdlib.h>
#include <algorithm>
#include <functional>

enum LineEndStyle { CrLf = 0, Cr = 1, Lf = 2 };

static const WCHAR* const g_lineEndText[] = { L"\r\n", L"\r", L"\n" };   /* by LineEndStyle */

/* Largest line size (in UTF-16 units) whose buffer size fits in 32 bits. */
#define MAX_LINE_UNITS 0x7FFFFFFF

/*
** Reads logical line yLine, line end included, into a new NUL-terminated
** buffer that the caller frees. The host is asked for the size first; a
** size of 0, or one too large for a 32-bit buffer size, counts as a failed
** allocation. Returns NULL on failure.
*/
static WCHAR* GetLineText(HWND hwndView, LONG yLine)
{
    LineRequest request;
    request.cch = 0;
    request.flags = LINE_REQUEST_WITH_EOL;
    request.yLine = yLine;
    LRESULT n = SendMessageA(hwndView, HM_GET_LINE, (WPARAM)&request, 0);
    if (n <= 0 || (ULONG_PTR)n > MAX_LINE_UNITS)
        return NULL;
    WCHAR* text = (WCHAR*)malloc(2 * (size_t)n);
    if (text == NULL)
        return NULL;
    request.cch = (DWORD)n;
    SendMessageA(hwndView, HM_GET_LINE, (WPARAM)&request, (LPARAM)text);
    text[n - 1] = L'\0';
    return text;
}

/* The line-end style of the document's first line; CrLf when it cannot be read. */
static LineEndStyle DetectLineEndStyle(HWND hwndView)
{
    WCHAR* text = GetLineText(hwndView, 0);
    if (text == NULL)
        return CrLf;
    int len = lstrlenW(text);
    LineEndStyle style = Lf;
    if (len >= 1 && text[len - 1] == L'\r')
        style = Cr;
    else if (len >= 2 && text[len - 2] == L'\r' && text[len - 1] == L'\n')
        style = CrLf;
    free(text);
    return style;
}

static BOOL IsNtPlatform(void)
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

/*
** Sorts lines descending under g_compareSettings; lines that compare equal
** keep their document order. On the NT platform the lines are sorted by
** sort keys where those are sure to agree with CompareStringW, which gives
** the same order in a fraction of the time; otherwise, or when the keys
** cannot be made, by CompareLinesW. Elsewhere by CompareLinesA. The order
** is stable so that settings that the platform rejects (every pair equal)
** leave the lines as they were instead of scrambling them.
** Returns FALSE, leaving lines as they were, when no memory could be had.
*/
static BOOL OrderLines(WCHAR** lines, size_t count)
{
    LCID locale = g_compareSettings.locale;
    DWORD flags = g_compareSettings.flags;
    if (!IsNtPlatform())
        return StableSortPointers((void**)lines, count, CompareLinesA);
    if (KeysAgreeWithCompare(locale, flags) && SortLinesByKeys(lines, count, locale, flags)) {
        SORT_STAGE(SORT_STAGE_ORDERED, 1);
        return TRUE;
    }
    BOOL sorted = StableSortPointers((void**)lines, count, CompareLinesW);
    SORT_STAGE(SORT_STAGE_ORDERED, 0);
    return sorted;
}

/*
** Frees the fetched lines and the array. They go back to the heap in the
** order of their addresses, not in the order they were sorted into: the
** heap then works through its memory once, front to back, instead of
** jumping about it for every line, which made freeing a large document
** cost several times as much.
*/
static void FreeLines(WCHAR** lines, size_t count)
{
    std::sort(lines, lines + count, std::less<WCHAR*>());
    for (size_t i = 0; i < count; i++)
        free(lines[i]);
    free(lines);
}

/* Selects the logical range start..end through the host's own numbering. */
static void SelectRange(HWND hwndView, POINT* start, POINT* end)
{
    POINT viewStart, viewEnd;
    SendMessageA(hwndView, HM_CONVERT_POSITION, (WPARAM)start, (LPARAM)&viewStart);
    SendMessageA(hwndView, HM_CONVERT_POSITION, (WPARAM)end, (LPARAM)&viewEnd);
    SendMessageA(hwndView, HM_SET_SELECTION, (WPARAM)&viewStart, (LPARAM)&viewEnd);
}

/*
** Loads the settings into g_compareSettings; the system default locale and
** no flags when the settings key cannot be opened.
*/
static void LoadCompareSettings(void)
{
    DWORD locale = GetSystemDefaultLCID();
    DWORD flags = 0;
    LoadSettings(&locale, &flags);
    g_compareSettings.locale = locale;
    g_compareSettings.flags = flags;
}

void SortSelection(HWND hwndView)
{
    LoadCompareSettings();

    POINT start, end;
    SendMessageA(hwndView, HM_GET_SEL_START, POS_LOGICAL, (LPARAM)&start);
    SendMessageA(hwndView, HM_GET_SEL_END, POS_LOGICAL, (LPARAM)&end);
    start.x = 0;

    BOOL appendLineEnd = FALSE;
    if (end.x != 0) {
        LRESULT lineCount = SendMessageA(hwndView, HM_GET_LINE_COUNT, POS_LOGICAL, 0);
        appendLineEnd = (end.y == lineCount - 1);
        end.y += 1;
        end.x = 0;
    }

    if (end.y - start.y <= 1)
        return;
    size_t lineCount = (size_t)(end.y - start.y);

    LineEndStyle style = DetectLineEndStyle(hwndView);
    if (appendLineEnd) {
        SendMessageA(hwndView, HM_EXECUTE_COMMAND, HOST_CMD_GO_TO_END, 0);
        SendMessageA(hwndView, HM_INSERT_TEXT, 0, (LPARAM)g_lineEndText[style]);
    }

    WCHAR** lines = (WCHAR**)calloc(lineCount, sizeof(WCHAR*));
    if (lines == NULL)
        return;

    SORT_STAGE(SORT_STAGE_FETCHING, lineCount);
    size_t fetched = 0;
    while (fetched < lineCount) {
        lines[fetched] = GetLineText(hwndView, start.y + (LONG)fetched);
        if (lines[fetched] == NULL)
            break;
        fetched++;
    }

    SORT_STAGE(SORT_STAGE_FETCHED, fetched);

    if (fetched == lineCount && OrderLines(lines, lineCount)) {
        SendMessageA(hwndView, HM_SET_REDRAW, 0, 0);
        SelectRange(hwndView, &start, &end);
        SendMessageA(hwndView, HM_EXECUTE_COMMAND, HOST_CMD_DELETE_SELECTION, 0);
        for (size_t i = 0; i < lineCount; i++) {
            /* The lines are now in sorted order, scattered over memory:
               have the next one on its way to the cache while the host
               copies this one, or every insert waits on memory. */
            if (i + 1 < lineCount)
                __builtin_prefetch(lines[i + 1]);
            SendMessageA(hwndView, HM_INSERT_TEXT, 0, (LPARAM)lines[i]);
        }
        SelectRange(hwndView, &start, &end);
        SendMessageA(hwndView, HM_SET_REDRAW, 1, 0);
        SORT_STAGE(SORT_STAGE_REWRITTEN, lineCount);
    }

    FreeLines(lines, fetched);
    SORT_STAGE(SORT_STAGE_FREED, fetched);
}
