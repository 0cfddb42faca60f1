/*
** The sort command: the lines that the selection touches are read from the
** host, sorted descending under the stored settings, and written back in
** their place. All access to the document goes through host messages.
*/
#include "compare.h"
#include "sortcmd.h"
#include "sortkeys.h"
#include "stages.h"
#include "stablesort.h"
#include "../common/platform.h"
#include "../common/hostmsg.h"
#include "../common/memory.h"
#include "../common/widefunc.h"
#include "../common/instance.h"
#include "../resources/resource.h"
#include "../settings/settings.h"

#include <assert.h>

enum LineEndStyle { CrLf = 0, Cr = 1, Lf = 2 };

static const WCHAR* const g_lineEndText[] = { L"\r\n", L"\r", L"\n" };   /* by LineEndStyle */

/* Room for a message to the user and its caption, in characters or bytes. */
#define MESSAGE_TEXT_SIZE 256

/* Largest line size (in UTF-16 units) whose buffer size fits in 32 bits. */
#define MAX_LINE_UNITS 0x7FFFFFFF

/* The fetched lines' memory is taken from the heap at most this much at a time. */
#define LINE_CHUNK_BYTES (1 << 20)
#define FIRST_CHUNK_BYTES (1 << 16)   /* before any line's length is known */

/*
** A piece of the fetched lines' memory, the lines end to end in it. One
** allocation a line cost the fetch about 0.12 s and the free 0.17 s for a
** million lines, and a heap header a line besides; a few chunks cost
** nothing worth measuring. The chunks are chained, newest first.
*/
typedef struct LineChunk {
    struct LineChunk* next;
    size_t used;            /* bytes given out */
    size_t size;            /* bytes that follow the header */
} LineChunk;

/* The chunks of one run, and what sizes the next. */
typedef struct LineArena {
    LineChunk* chunks;      /* newest first */
    size_t linesLeft;       /* lines still to be fetched */
    size_t linesTaken;      /* lines fetched so far */
    size_t bytesTaken;      /* and the bytes they took */
} LineArena;

/* Why lines could not be sorted. */
enum SortOutcome {
    SORT_DONE = 0,
    SORT_NO_MEMORY,          /* a buffer could not be had */
    SORT_UNMOVABLE_LINE      /* a line cannot be read whole, so it cannot be put back whole */
};

/*
** Takes bytes for one line from the newest chunk of the arena, or from a
** new chunk when that one lacks the room. A new chunk is as large as the
** lines still to come are expected to need (as long as those before them
** on average), a sixteenth more, and at most LINE_CHUNK_BYTES (the first
** at most FIRST_CHUNK_BYTES), so that a short range does not hold memory
** it never fills. A line too large
** for a chunk gets one of its own, put behind the newest so that the
** newest's room is not lost. Returns NULL when no memory can be had.
*/
static WCHAR* TakeLineMemory(LineArena* arena, size_t bytes)
{
    LineChunk* chunk = arena->chunks;
    if (chunk == NULL || chunk->size - chunk->used < bytes) {
        size_t average = arena->linesTaken > 0 ? arena->bytesTaken / arena->linesTaken : bytes;
        size_t lines = arena->linesLeft > 0 ? arena->linesLeft : 1;
        size_t size = average <= LINE_CHUNK_BYTES / lines ? average * lines : LINE_CHUNK_BYTES;
        size += size / 16;
        /* One line says little of the others: the first chunk stays small. */
        size_t most = arena->linesTaken > 0 ? LINE_CHUNK_BYTES : FIRST_CHUNK_BYTES;
        if (size > most)
            size = most;
        if (size < bytes)
            size = bytes;
        if (size > (size_t)-1 - sizeof(LineChunk))
            return NULL;
        LineChunk* added = (LineChunk*)ZtoaAlloc(sizeof(LineChunk) + size);
        if (added == NULL)
            return NULL;
        added->used = 0;
        added->size = size;
        if (chunk != NULL && bytes >= LINE_CHUNK_BYTES) {
            added->next = chunk->next;
            chunk->next = added;
        } else {
            added->next = chunk;
            arena->chunks = added;
        }
        chunk = added;
    }
    WCHAR* memory = (WCHAR*)((BYTE*)(chunk + 1) + chunk->used);
    chunk->used += bytes;
    arena->bytesTaken += bytes;
    arena->linesTaken++;
    if (arena->linesLeft > 0)
        arena->linesLeft--;
    return memory;
}

static void FreeChunks(LineChunk* chunks)
{
    while (chunks != NULL) {
        LineChunk* next = chunks->next;
        ZtoaFree(chunks);
        chunks = next;
    }
}

/*
** Reads logical line yLine, line end included, NUL-terminated, into memory
** taken from the arena, or into a buffer of its own that the caller frees
** when arena is NULL; *units gets the length the host reported for it,
** terminator excluded. Returns NULL with *outcome set when the line cannot
** be had: SORT_NO_MEMORY when no memory can be had for it,
** SORT_UNMOVABLE_LINE when the host reports no usable size for it (0,
** negative, or too large for a 32-bit buffer).
*/
static WCHAR* GetLineText(HWND hwndView, LONG yLine, size_t* units, SortOutcome* outcome, LineArena* arena)
{
    LineRequest request;
    request.cch = 0;
    request.flags = LINE_REQUEST_WITH_EOL;
    request.yLine = yLine;
    LRESULT n = SendMessageA(hwndView, HM_GET_LINE, (WPARAM)&request, 0);
    if (n <= 0 || (ULONG_PTR)n > MAX_LINE_UNITS) {
        *outcome = SORT_UNMOVABLE_LINE;
        return NULL;
    }
    size_t bytes = 2 * (size_t)n;
    WCHAR* text = arena != NULL ? TakeLineMemory(arena, bytes) : (WCHAR*)ZtoaAlloc(bytes);
    if (text == NULL) {
        *outcome = SORT_NO_MEMORY;
        return NULL;
    }
    /* A host that writes nothing leaves an empty text, not old memory. */
    text[0] = L'\0';
    request.cch = (DWORD)n;
    SendMessageA(hwndView, HM_GET_LINE, (WPARAM)&request, (LPARAM)text);
    text[n - 1] = L'\0';
    *units = (size_t)n - 1;
    return text;
}

/*
** Whether a fetched line can be deleted and inserted again unchanged: its
** text must be as long as the host said (a NUL inside it would end the
** inserted text early, and what follows would be lost), and it must end
** in CR or LF. Every line of the range has a line end: the document's
** last line, which has none, lies beyond the range or was given one
** before the lines were fetched. A line without one would merge with the
** line inserted after it.
*/
static BOOL IsMovableLine(const WCHAR* text, size_t units)
{
    size_t len = (size_t)lstrlenW(text);
    return len == units && len > 0 && (text[len - 1] == L'\r' || text[len - 1] == L'\n');
}

/* The line-end style of the document's first line; CrLf when it cannot be read. */
static LineEndStyle DetectLineEndStyle(HWND hwndView)
{
    size_t units;
    SortOutcome outcome;
    WCHAR* text = GetLineText(hwndView, 0, &units, &outcome, NULL);
    if (text == NULL)
        return CrLf;
    int len = lstrlenW(text);
    LineEndStyle style = Lf;
    if (len >= 1 && text[len - 1] == L'\r')
        style = Cr;
    else if (len >= 2 && text[len - 2] == L'\r' && text[len - 1] == L'\n')
        style = CrLf;
    ZtoaFree(text);
    return style;
}

/*
** Sorts lines descending under g_compareSettings; lines that compare equal
** keep their document order. On the NT platform the lines are sorted by
** sort keys where those are sure to agree with CompareStringW, which gives
** the same order in a fraction of the time; otherwise, or when the keys
** cannot be made, by CompareLinesW. Elsewhere by CompareLinesA. The order
** is stable: lines that compare equal (case variants under ignore case,
** say) keep the order they had.
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

/* Selects the logical range start..end through the host's own numbering. */
static void SelectRange(HWND hwndView, POINT* start, POINT* end)
{
    /* A host that leaves a position unconverted keeps it as it was. */
    POINT viewStart = *start, viewEnd = *end;
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

/*
** Reads the selection and widens it to whole lines: start at column 0 of
** its first line, end at column 0 of the line after its last, where a
** selection that ends at column 0 leaves that line out. *appendLineEnd
** says whether the range takes in the document's last line, which has no
** line end. Returns FALSE when fewer than two lines result.
*/
static BOOL GetLineRange(HWND hwndView, POINT* start, POINT* end, BOOL* appendLineEnd)
{
    /* A host that does not answer leaves an empty selection. */
    start->x = start->y = 0;
    end->x = end->y = 0;
    SendMessageA(hwndView, HM_GET_SEL_START, POS_LOGICAL, (LPARAM)start);
    SendMessageA(hwndView, HM_GET_SEL_END, POS_LOGICAL, (LPARAM)end);
    start->x = 0;

    *appendLineEnd = FALSE;
    if (end->x != 0) {
        LRESULT lineCount = SendMessageA(hwndView, HM_GET_LINE_COUNT, POS_LOGICAL, 0);
        *appendLineEnd = (end->y == lineCount - 1);
        end->y += 1;
        end->x = 0;
    }
    return end->y - start->y > 1;
}

/* Gives the document's last line the line end of its first line. */
static void AppendLineEnd(HWND hwndView, LineEndStyle style)
{
    SendMessageA(hwndView, HM_EXECUTE_COMMAND, HOST_CMD_GO_TO_END, 0);
    SendMessageA(hwndView, HM_INSERT_TEXT, 0, (LPARAM)g_lineEndText[style]);
}

/*
** Fetches the count lines from firstLine on into lines, checking each; the
** texts go into the arena, whose chunks the caller frees whatever the
** outcome. *fetched gets the number of entries filled. Returns SORT_DONE
** when every line can be moved.
*/
static SortOutcome FetchLines(HWND hwndView, LONG firstLine, WCHAR** lines, size_t count, size_t* fetched,
                              LineArena* arena)
{
    SortOutcome outcome = SORT_DONE;
    for (*fetched = 0; *fetched < count; (*fetched)++) {
        size_t units = 0;
        WCHAR* text = GetLineText(hwndView, firstLine + (LONG)*fetched, &units, &outcome, arena);
        if (text == NULL)
            return outcome;
        lines[*fetched] = text;
        if (!IsMovableLine(text, units)) {
            (*fetched)++;
            return SORT_UNMOVABLE_LINE;
        }
    }
    return SORT_DONE;
}

/*
** Replaces the lines start..end with the sorted lines, all while the
** host's redraw is off, and selects them.
*/
static void ReplaceLines(HWND hwndView, POINT* start, POINT* end, WCHAR** lines, size_t count)
{
    SendMessageA(hwndView, HM_SET_REDRAW, 0, 0);
    SelectRange(hwndView, start, end);
    SendMessageA(hwndView, HM_EXECUTE_COMMAND, HOST_CMD_DELETE_SELECTION, 0);
    for (size_t i = 0; i < count; i++) {
        /* The lines are now in sorted order, scattered over memory:
           have the next one on its way to the cache while the host
           copies this one, or every insert waits on memory. */
        if (i + 1 < count)
            __builtin_prefetch(lines[i + 1]);
        SendMessageA(hwndView, HM_INSERT_TEXT, 0, (LPARAM)lines[i]);
    }
    SelectRange(hwndView, start, end);
    SendMessageA(hwndView, HM_SET_REDRAW, 1, 0);
}

/*
** Tells the user, in a message box over the editor, why the lines were not
** sorted. The NT family shows the text as the module holds it; the others
** can show it only in the ANSI code page.
*/
static void ShowSortMessage(HWND hwndView, UINT id)
{
    if (IsNtPlatform()) {
        WCHAR text[MESSAGE_TEXT_SIZE], caption[MESSAGE_TEXT_SIZE];
        text[0] = caption[0] = L'\0';
        LoadStringW(g_hInstance, id, text, ARRAYSIZE(text));
        LoadStringW(g_hInstance, IDS_MENU_TEXT, caption, ARRAYSIZE(caption));
        MessageBoxW(hwndView, text, caption, MB_OK | MB_ICONWARNING);
    } else {
        char text[MESSAGE_TEXT_SIZE], caption[MESSAGE_TEXT_SIZE];
        text[0] = caption[0] = '\0';
        LoadStringA(g_hInstance, id, text, ARRAYSIZE(text));
        LoadStringA(g_hInstance, IDS_MENU_TEXT, caption, ARRAYSIZE(caption));
        MessageBoxA(hwndView, text, caption, MB_OK | MB_ICONWARNING);
    }
}

/*
** The sort command. Nothing is deleted until every line of the range has
** been read and checked and the lines are in their new order; a run that
** cannot sort leaves the document as it was (apart from the final line end
** supplied before the lines are read) and says why.
*/
void SortSelection(HWND hwndView)
{
    LoadCompareSettings();

    POINT start, end;
    BOOL appendLineEnd;
    if (!GetLineRange(hwndView, &start, &end, &appendLineEnd))
        return;
    /* Settings the platform rejects would compare every pair equal. */
    if (!CompareSettingsAccepted()) {
        ShowSortMessage(hwndView, IDS_SETTINGS_REJECTED);
        return;
    }
    size_t lineCount = (size_t)(end.y - start.y);
    assert(lineCount >= 2 && start.x == 0 && end.x == 0);

    LineEndStyle style = DetectLineEndStyle(hwndView);
    if (appendLineEnd)
        AppendLineEnd(hwndView, style);

    WCHAR** lines = (WCHAR**)ZtoaAllocZeroed(lineCount, sizeof(WCHAR*));
    if (lines == NULL) {
        ShowSortMessage(hwndView, IDS_NO_MEMORY);
        return;
    }

    SORT_STAGE(SORT_STAGE_FETCHING, lineCount);
    size_t fetched = 0;
    LineArena arena = { NULL, lineCount, 0, 0 };
    SortOutcome outcome = FetchLines(hwndView, start.y, lines, lineCount, &fetched, &arena);
    assert(fetched <= lineCount && (outcome != SORT_DONE || fetched == lineCount));
    SORT_STAGE(SORT_STAGE_FETCHED, fetched);

    if (outcome == SORT_DONE && !OrderLines(lines, lineCount))
        outcome = SORT_NO_MEMORY;
    if (outcome == SORT_DONE) {
        ReplaceLines(hwndView, &start, &end, lines, lineCount);
        SORT_STAGE(SORT_STAGE_REWRITTEN, lineCount);
    }
    FreeChunks(arena.chunks);
    ZtoaFree(lines);
    SORT_STAGE(SORT_STAGE_FREED, fetched);

    /* Only now, with the lines' memory back, is there room to say so. */
    if (outcome == SORT_NO_MEMORY)
        ShowSortMessage(hwndView, IDS_NO_MEMORY);
    else if (outcome == SORT_UNMOVABLE_LINE)
        ShowSortMessage(hwndView, IDS_UNMOVABLE_LINE);
}
