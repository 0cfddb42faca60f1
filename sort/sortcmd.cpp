/*
** The sort command: the lines that the selection touches are read from the
** host, sorted descending under the stored settings, and written back in
** their place. All access to the document goes through host messages.
*/
#include "ansisort.h"
#include "compare.h"
#include "sortcmd.h"
#include "sortkeys.h"
#include "stages.h"
#include "linememory.h"
#include "stablesort.h"
#include "../common/hostmsg.h"
#include "../common/memory.h"
#include "../common/text.h"
#include "../common/winapi.h"
#include "../common/message.h"
#include "../resources/resource.h"

#include <assert.h>
#include <string.h>

enum LineEndStyle { CrLf = 0, Cr = 1, Lf = 2 };

static const WCHAR* const g_lineEndText[] = { L"\r\n", L"\r", L"\n" };   /* by LineEndStyle */

/*
** Units of room that each line's buffer has beyond the size the host
** announced, to show whether the host wrote more than it announced; and
** the room a last line that has no line end is given besides, for one.
*/
#define SPARE_UNITS 1
#define LINE_END_UNITS 2

/* What a buffer holds where the host has not written (a noncharacter). */
#define UNWRITTEN_UNIT 0xFFFF

/* Largest line size (in UTF-16 units) whose buffer, all its room included, fits in 32 bits. */
#define MAX_LINE_UNITS (0x7FFFFFFF - SPARE_UNITS - LINE_END_UNITS)

/* How a run ended: sorted, nothing to do, or why the lines were not sorted. */
enum SortOutcome {
    SORT_OK = 0,             /* nothing has gone wrong (so far): sorted, at the end */
    SORT_NOTHING,            /* fewer than two lines: nothing to sort, nothing to say */
    SORT_SETTINGS_REJECTED,  /* the platform rejects the stored locale or flags */
    SORT_NO_MEMORY,          /* a buffer could not be had */
    SORT_UNMOVABLE_LINE,     /* a line cannot be read whole, or would join its neighbour */
    SORT_EDITOR_DISAGREES,   /* the host's answers contradict each other */
    SORT_NOT_DELETED,        /* the host kept lines it was asked to delete: nothing inserted */
    SORT_UNVERIFIED          /* after the rewrite the document is not as expected */
};

/*
** The lines to sort, [start.y, end.y), as the host described the document
** before anything changed.
*/
typedef struct LineRange {
    POINT start;           /* column 0 of the first line */
    POINT end;             /* column 0 of the line after the last */
    LRESULT docLines;      /* the document's line count, as the host reported it */
    BOOL takesLastLine;    /* the range ends with the document's last line, which has no line end */
} LineRange;

/*
** The size the host announces for logical line yLine, line end and
** terminator included, in request, which the read then uses. Returns 0
** when it is no usable size (0, negative, or too large for a 32-bit buffer).
*/
static size_t AskLineSize(HWND hwndView, LONG yLine, LineRequest* request)
{
    request->cch = 0;
    request->flags = LINE_REQUEST_WITH_EOL;
    request->yLine = yLine;
    LRESULT n = SendMessageA(hwndView, HM_GET_LINE, (WPARAM)request, 0);
    return n <= 0 || (ULONG_PTR)n > MAX_LINE_UNITS ? 0 : (size_t)n;
}

/*
** Reads the line that request names, of announced size n, into text, which
** has room for n + SPARE_UNITS units; the host is offered all of them, so
** that a host whose size falls short writes past where it said the text
** ends and is caught instead of its text being cut. Returns FALSE when the
** text the host wrote does not end where the size said it would.
*/
static BOOL ReadLineInto(HWND hwndView, LineRequest* request, size_t n, WCHAR* text)
{
    size_t room = n + SPARE_UNITS;
    /* A host that writes nothing leaves an empty text, not old memory, and
       a terminator the host did not write is not found where it was announced. */
    text[0] = L'\0';
    text[n - 1] = n > 1 ? UNWRITTEN_UNIT : L'\0';
    request->cch = (DWORD)room;
    SendMessageA(hwndView, HM_GET_LINE, (WPARAM)request, (LPARAM)text);
    text[room - 1] = L'\0';
    return text[n - 1] == L'\0';
}

/*
** Reads logical line yLine, line end included, NUL-terminated, into memory
** taken from the arena, or into a buffer of its own that the caller frees
** when arena is NULL; *units gets the length the host announced for it,
** terminator excluded. The buffer has SPARE_UNITS units of room beyond the
** announced size, and extraUnits more after them that the host is not
** offered. Returns NULL with *outcome set when the line cannot be had:
** SORT_NO_MEMORY when no memory can be had for it, SORT_UNMOVABLE_LINE
** when the host reports no usable size for it, SORT_EDITOR_DISAGREES when
** the text the host wrote does not end where the size said it would.
*/
static WCHAR* GetLineText(HWND hwndView, LONG yLine, size_t extraUnits, size_t* units, SortOutcome* outcome,
                          LineArena* arena)
{
    LineRequest request;
    size_t n = AskLineSize(hwndView, yLine, &request);
    if (n == 0) {
        *outcome = SORT_UNMOVABLE_LINE;
        return NULL;
    }
    size_t bytes = 2 * (n + SPARE_UNITS + extraUnits);
    WCHAR* text = arena != NULL ? TakeLineMemory(arena, bytes) : (WCHAR*)ZtoaAlloc(bytes);
    if (text == NULL) {
        *outcome = SORT_NO_MEMORY;
        return NULL;
    }
    if (!ReadLineInto(hwndView, &request, n, text)) {
        if (arena == NULL)
            ZtoaFree(text);
        *outcome = SORT_EDITOR_DISAGREES;
        return NULL;
    }
    *units = n - 1;
    return text;
}

static BOOL IsLineEndUnit(WCHAR unit)
{
    return unit == L'\r' || unit == L'\n';
}

/*
** Whether a fetched line can be deleted and inserted again unchanged: its
** text must be as long as the host said (a NUL inside it would end the
** inserted text early, and what follows would be lost), and it must end
** in CR or LF, or it would merge with the line inserted after it.
*/
static BOOL IsMovableLine(const WCHAR* text, size_t units)
{
    size_t len = (size_t)TextLengthW(text);
    return len == units && len > 0 && IsLineEndUnit(text[len - 1]);
}

/* Whether a text ends in a CR that no LF follows. */
static BOOL EndsInLoneCr(const WCHAR* text)
{
    int len = TextLengthW(text);
    return len > 0 && text[len - 1] == L'\r';
}

/*
** The line-end style of the document's first line; CrLf when it cannot be
** read for want of memory or a usable size. The line end is found at the
** end the host announced, so that a NUL inside the line does not hide it.
** Returns FALSE when the host's answers about the line disagree.
*/
static BOOL DetectLineEndStyle(HWND hwndView, LineEndStyle* style)
{
    size_t units;
    SortOutcome outcome = SORT_OK;
    *style = CrLf;
    WCHAR* text = GetLineText(hwndView, 0, 0, &units, &outcome, NULL);
    if (text == NULL)
        return outcome != SORT_EDITOR_DISAGREES;
    *style = Lf;
    if (units >= 1 && text[units - 1] == L'\r')
        *style = Cr;
    else if (units >= 2 && text[units - 2] == L'\r' && text[units - 1] == L'\n')
        *style = CrLf;
    ZtoaFree(text);
    return TRUE;
}

/*
** Sorts lines descending under settings; lines that compare equal keep
** their document order. On the NT platform the lines are sorted by sort
** keys where those can agree with CompareStringW, which gives the same
** order in a fraction of the time, and the order is checked against it;
** otherwise, or when the keys cannot be made or their order does not
** hold, by CompareStringW itself. Elsewhere by CompareStringA.
** Returns FALSE, leaving lines as they were, when no memory could be had.
*/
static BOOL OrderLines(WCHAR** lines, size_t count, const CompareSettings* settings)
{
    if (!Win()->isNt)
        return SortLinesInAnsi(lines, count, settings);
    if (KeysAgreeWithCompare(settings) && SortLinesByKeys(lines, count, settings)) {
        SORT_STAGE(SORT_STAGE_ORDERED, 1);
        return TRUE;
    }
    BOOL sorted = StableSortPointersWith((void**)lines, count, CompareLinePointers, settings);
    SORT_STAGE(SORT_STAGE_ORDERED, 0);
    return sorted;
}

/*
** Converts a logical position into the numbering HM_SET_SELECTION takes.
** The output starts at a place no host names, so that a host that leaves
** it unconverted is caught: returns FALSE then.
*/
static BOOL ConvertPosition(HWND hwndView, const POINT* logical, POINT* view)
{
    view->x = view->y = -1;
    SendMessageA(hwndView, HM_CONVERT_POSITION, (WPARAM)logical, (LPARAM)view);
    return view->x >= 0 && view->y >= 0;
}

/* The document's line count, as the host reports it. */
static LRESULT GetLineCount(HWND hwndView)
{
    return SendMessageA(hwndView, HM_GET_LINE_COUNT, POS_LOGICAL, 0);
}

/* Whether position a stands after position b in the document. */
static BOOL StandsAfter(const POINT* a, const POINT* b)
{
    return a->y > b->y || (a->y == b->y && a->x > b->x);
}

/*
** Reads the selection and the document's line count and widens the
** selection to whole lines: start at column 0 of its first line, end at
** column 0 of the line after its last, where a selection that ends at
** column 0 leaves that line out. A selection reported end first (made
** upwards) is taken the right way round. Returns SORT_NOTHING when fewer
** than two lines result, SORT_EDITOR_DISAGREES when the host leaves a
** point unanswered or the range reaches past the document it describes.
*/
static SortOutcome GetLineRange(HWND hwndView, LineRange* range)
{
    /* Both points start at a place no host names, so that one the host
       leaves unwritten is not taken for a selection made upwards. */
    POINT* start = &range->start;
    POINT* end = &range->end;
    start->x = start->y = -1;
    end->x = end->y = -1;
    SendMessageA(hwndView, HM_GET_SEL_START, POS_LOGICAL, (LPARAM)start);
    SendMessageA(hwndView, HM_GET_SEL_END, POS_LOGICAL, (LPARAM)end);
    if (start->x < 0 || start->y < 0 || end->x < 0 || end->y < 0)
        return SORT_EDITOR_DISAGREES;
    if (StandsAfter(start, end)) {
        POINT first = *end;
        *end = *start;
        *start = first;
    }
    start->x = 0;

    range->docLines = GetLineCount(hwndView);
    range->takesLastLine = FALSE;
    /* In 64 bits: an end on line LONG_MAX must not wrap round to pass the checks. */
    LONGLONG endLine = end->y;
    if (end->x != 0) {
        range->takesLastLine = (end->y == range->docLines - 1);
        endLine += 1;
        end->x = 0;
    }
    if (endLine - start->y <= 1)
        return SORT_NOTHING;
    /* Only a range that takes the last line ends past it. */
    if (endLine > (LONGLONG)range->docLines - (range->takesLastLine ? 0 : 1) || endLine > LONG_MAX)
        return SORT_EDITOR_DISAGREES;
    end->y = (LONG)endLine;
    return SORT_OK;
}

/*
** Gives the range's last line, the document's last, the line end of style
** in memory; the document keeps it without one until the rewrite. The
** buffer has the room (LINE_END_UNITS). Returns FALSE when the line already
** has a line end: then it is not the last line the host's count names.
*/
static BOOL SupplyLineEnd(WCHAR* text, size_t* units, LineEndStyle style)
{
    size_t len = (size_t)TextLengthW(text);
    if (len != *units)
        return TRUE;   /* a NUL inside: IsMovableLine refuses the line */
    if (len > 0 && IsLineEndUnit(text[len - 1]))
        return FALSE;
    const WCHAR* eol = g_lineEndText[style];
    size_t eolLen = (size_t)TextLengthW(eol);
    memcpy(text + len, eol, (eolLen + 1) * sizeof(WCHAR));
    *units = len + eolLen;
    return TRUE;
}

/*
** Fetches the range's lines into lines, checking each; the texts go into
** the arena, whose chunks the caller frees whatever the outcome. The last
** line of a range that takes the document's last line gets the line end
** of style. *fetched gets the number of entries filled, *emptyLfLine
** whether one of them is an empty line that ends in LF. Returns SORT_OK
** when every line can be moved.
*/
static SortOutcome FetchLines(HWND hwndView, const LineRange* range, LineEndStyle style, WCHAR** lines,
                              size_t count, size_t* fetched, BOOL* emptyLfLine, LineArena* arena)
{
    SortOutcome outcome = SORT_OK;
    *emptyLfLine = FALSE;
    for (*fetched = 0; *fetched < count; (*fetched)++) {
        size_t units = 0;
        BOOL last = range->takesLastLine && *fetched == count - 1;
        WCHAR* text = GetLineText(hwndView, range->start.y + (LONG)*fetched, last ? LINE_END_UNITS : 0, &units,
                                  &outcome, arena);
        if (text == NULL)
            return outcome;
        lines[*fetched] = text;
        if (text[0] == L'\n')
            *emptyLfLine = TRUE;
        if (last && !SupplyLineEnd(text, &units, style)) {
            (*fetched)++;
            return SORT_EDITOR_DISAGREES;
        }
        if (!IsMovableLine(text, units)) {
            (*fetched)++;
            /* Only the document's last line may lack a line end. */
            size_t len = (size_t)TextLengthW(text);
            return len == units && (len == 0 || !IsLineEndUnit(text[len - 1])) ? SORT_EDITOR_DISAGREES
                                                                                : SORT_UNMOVABLE_LINE;
        }
    }
    return SORT_OK;
}

/*
** Whether the document's line y ends in a lone CR (wantLoneCr) or begins
** with an LF (else): then it joins the line put next to it. Returns the
** outcome of reading it, SORT_UNMOVABLE_LINE when it would join.
*/
static SortOutcome CheckNeighbour(HWND hwndView, LONG y, BOOL wantLoneCr)
{
    size_t units;
    SortOutcome outcome = SORT_OK;
    WCHAR* text = GetLineText(hwndView, y, 0, &units, &outcome, NULL);
    if (text == NULL)
        return outcome;
    BOOL joins = wantLoneCr ? EndsInLoneCr(text) : text[0] == L'\n';
    ZtoaFree(text);
    return joins ? SORT_UNMOVABLE_LINE : SORT_OK;
}

/*
** Whether the sorted lines can stand in this order: a line that ends in a
** lone CR, put directly in front of an empty line that ends in LF, would
** make one CR LF line of the two. Inside the range and at both of its
** ends (the line before it, the line after it) such an order is refused
** with SORT_UNMOVABLE_LINE. A line starts with LF only when it is such an
** empty line; the lines are gone through only when the range has one
** (emptyLfLine), as every pass over sorted lines waits on memory.
*/
static SortOutcome CheckJoins(HWND hwndView, const LineRange* range, WCHAR** lines, size_t count,
                              BOOL emptyLfLine)
{
    for (size_t i = 0; emptyLfLine && i + 1 < count; i++) {
        if (lines[i + 1][0] == L'\n' && EndsInLoneCr(lines[i]))
            return SORT_UNMOVABLE_LINE;
    }
    SortOutcome outcome = SORT_OK;
    if (range->start.y > 0 && lines[0][0] == L'\n')
        outcome = CheckNeighbour(hwndView, range->start.y - 1, TRUE);
    if (outcome == SORT_OK && !range->takesLastLine && EndsInLoneCr(lines[count - 1]))
        outcome = CheckNeighbour(hwndView, range->end.y, FALSE);
    return outcome;
}

/* A buffer that the lines read back go into, grown as they need. */
typedef struct ReadBackBuffer {
    WCHAR* text;
    size_t room;   /* in units */
} ReadBackBuffer;

/*
** Whether the document's line y reads back as want, line end included.
** The line is asked for at once into room for want and its terminator
** (one message, not two): a line of another length cannot put its
** terminator where want's is. A line the buffer cannot be grown for, for
** want of memory, is taken to be as it was written.
*/
static BOOL LineReadsBack(HWND hwndView, LONG y, const WCHAR* want, size_t wantUnits, ReadBackBuffer* buffer)
{
    size_t n = wantUnits + 1;
    if (buffer->room < n + SPARE_UNITS) {
        /* As much as this line needs: a line's room fits in 32 bits (MAX_LINE_UNITS), twice it might not. */
        ZtoaFree(buffer->text);
        buffer->text = (WCHAR*)ZtoaAlloc(2 * (n + SPARE_UNITS));
        buffer->room = buffer->text != NULL ? n + SPARE_UNITS : 0;
        if (buffer->text == NULL)
            return TRUE;
    }
    LineRequest request;
    request.flags = LINE_REQUEST_WITH_EOL;
    request.yLine = y;
    return ReadLineInto(hwndView, &request, n, buffer->text) && memcmp(buffer->text, want, 2 * n) == 0;
}

/*
** Whether the host deleted the range as asked: it holds the lines it held
** less the range's, and, where the range took the document's last line,
** the empty line that deleting up to the document's end leaves.
*/
static BOOL RangeDeleted(HWND hwndView, const LineRange* range, size_t count)
{
    return GetLineCount(hwndView) == range->docLines - (LRESULT)count + (range->takesLastLine ? 1 : 0);
}

/*
** Whether the host holds what the rewrite meant to leave: as many lines as
** before (one more when the last line was given its line end), and every
** line of the range as inserted, line end included. An editor that
** changes text as it is inserted (line ends, trailing blanks, indents)
** is caught here.
*/
static BOOL RewriteVerified(HWND hwndView, const LineRange* range, WCHAR** lines, size_t count)
{
    if (GetLineCount(hwndView) != range->docLines + (range->takesLastLine ? 1 : 0))
        return FALSE;
    ReadBackBuffer buffer = { NULL, 0 };
    BOOL same = TRUE;
    for (size_t i = 0; i < count && same; i++)
        same = LineReadsBack(hwndView, range->start.y + (LONG)i, lines[i], (size_t)TextLengthW(lines[i]), &buffer);
    ZtoaFree(buffer.text);
    return same;
}

/* Whether the host's selection runs from start to end, logical positions both. */
static BOOL SelectionIs(HWND hwndView, const POINT* start, const POINT* end)
{
    POINT from = { -1, -1 };
    POINT to = { -1, -1 };
    SendMessageA(hwndView, HM_GET_SEL_START, POS_LOGICAL, (LPARAM)&from);
    SendMessageA(hwndView, HM_GET_SEL_END, POS_LOGICAL, (LPARAM)&to);
    return from.x == start->x && from.y == start->y && to.x == end->x && to.y == end->y;
}

/*
** Replaces the range's lines with the sorted lines, all while the host's
** redraw is off, selects them and checks the result. The range is
** selected through the host's own numbering, converted before anything
** changes: a host that does not convert it gets SORT_EDITOR_DISAGREES and
** an unchanged document, and so does one that selects anything but the
** range (its delete would take the user's own selection). A range that
** takes the document's last line is deleted up to the document's end.
** Nothing is inserted unless the host deleted the range as asked
** (SORT_NOT_DELETED). Returns SORT_UNVERIFIED when the document does not
** read back as sorted.
*/
static SortOutcome ReplaceLines(HWND hwndView, const LineRange* range, WCHAR** lines, size_t count,
                                size_t lastLineUnits)
{
    POINT deleteEnd = range->end;
    if (range->takesLastLine) {
        deleteEnd.y = range->end.y - 1;
        deleteEnd.x = (LONG)lastLineUnits;
    }
    POINT viewStart, viewEnd;
    if (!ConvertPosition(hwndView, &range->start, &viewStart) || !ConvertPosition(hwndView, &deleteEnd, &viewEnd))
        return SORT_EDITOR_DISAGREES;

    SendMessageA(hwndView, HM_SET_REDRAW, 0, 0);
    SendMessageA(hwndView, HM_SET_SELECTION, (WPARAM)&viewStart, (LPARAM)&viewEnd);
    if (!SelectionIs(hwndView, &range->start, &deleteEnd)) {
        SendMessageA(hwndView, HM_SET_REDRAW, 1, 0);
        return SORT_EDITOR_DISAGREES;
    }
    SendMessageA(hwndView, HM_EXECUTE_COMMAND, HOST_CMD_DELETE_SELECTION, 0);
    if (!RangeDeleted(hwndView, range, count)) {
        SendMessageA(hwndView, HM_SET_REDRAW, 1, 0);
        return SORT_NOT_DELETED;
    }
    for (size_t i = 0; i < count; i++)
        SendMessageA(hwndView, HM_INSERT_TEXT, 0, (LPARAM)lines[i]);
    SORT_STAGE(SORT_STAGE_INSERTED, count);
    /* The end line exists only now when the last line got its line end. */
    if (ConvertPosition(hwndView, &range->start, &viewStart) && ConvertPosition(hwndView, &range->end, &viewEnd))
        SendMessageA(hwndView, HM_SET_SELECTION, (WPARAM)&viewStart, (LPARAM)&viewEnd);
    BOOL verified = RewriteVerified(hwndView, range, lines, count);
    SendMessageA(hwndView, HM_SET_REDRAW, 1, 0);
    return verified ? SORT_OK : SORT_UNVERIFIED;
}

/*
** Reads, checks, orders and rewrites the range's lines. Nothing is deleted
** until every line has been read and checked and the lines are in an
** order that can stand; until then the document is as it was. Every
** buffer is back when it returns.
*/
static SortOutcome SortRange(HWND hwndView, const LineRange* range, const CompareSettings* settings)
{
    size_t lineCount = (size_t)(range->end.y - range->start.y);
    assert(lineCount >= 2 && range->start.x == 0 && range->end.x == 0);

    /* Line 0's line end is needed only to end the document's last line. */
    LineEndStyle style = CrLf;
    if (range->takesLastLine && !DetectLineEndStyle(hwndView, &style))
        return SORT_EDITOR_DISAGREES;

    WCHAR** lines = (WCHAR**)ZtoaAllocZeroed(lineCount, sizeof(WCHAR*));
    if (lines == NULL)
        return SORT_NO_MEMORY;

    SORT_STAGE(SORT_STAGE_FETCHING, lineCount);
    size_t fetched = 0;
    BOOL emptyLfLine;
    LineArena arena = { NULL, lineCount, 0, 0 };
    SortOutcome outcome = FetchLines(hwndView, range, style, lines, lineCount, &fetched, &emptyLfLine, &arena);
    assert(fetched <= lineCount && (outcome != SORT_OK || fetched == lineCount));
    SORT_STAGE(SORT_STAGE_FETCHED, fetched);

    /* The document's last line, without the line end given it in memory. */
    size_t lastLineUnits = 0;
    if (outcome == SORT_OK && range->takesLastLine)
        lastLineUnits = (size_t)TextLengthW(lines[lineCount - 1]) - (size_t)TextLengthW(g_lineEndText[style]);

    if (outcome == SORT_OK && !OrderLines(lines, lineCount, settings))
        outcome = SORT_NO_MEMORY;
    if (outcome == SORT_OK)
        outcome = CheckJoins(hwndView, range, lines, lineCount, emptyLfLine);
    if (outcome == SORT_OK) {
        outcome = ReplaceLines(hwndView, range, lines, lineCount, lastLineUnits);
        SORT_STAGE(SORT_STAGE_REWRITTEN, lineCount);
    }
    FreeChunks(arena.chunks);
    ZtoaFree(lines);
    SORT_STAGE(SORT_STAGE_FREED, fetched);
    return outcome;
}

/* The message that tells the user of an outcome, or 0 when there is nothing to tell. */
static UINT OutcomeMessage(SortOutcome outcome)
{
    switch (outcome) {
    case SORT_SETTINGS_REJECTED: return IDS_SETTINGS_REJECTED;
    case SORT_NO_MEMORY:         return IDS_NO_MEMORY;
    case SORT_UNMOVABLE_LINE:    return IDS_UNMOVABLE_LINE;
    case SORT_EDITOR_DISAGREES:  return IDS_EDITOR_DISAGREES;
    case SORT_NOT_DELETED:       return IDS_NOT_DELETED;
    case SORT_UNVERIFIED:        return IDS_REWRITE_UNVERIFIED;
    default:                     return 0;
    }
}

/*
** The sort command. A run that cannot sort leaves the document as it was
** and says why; a rewrite that does not read back as sorted says so. The
** wait cursor shows while the lines are read, sorted and written, and the
** cursor as it was is back before any message shows.
*/
void SortSelection(HWND hwndView)
{
    CompareSettings settings = LoadCompareSettings();

    LineRange range;
    SortOutcome outcome = GetLineRange(hwndView, &range);
    if (outcome == SORT_NOTHING)
        return;
    /* Settings the platform rejects would compare every pair equal. */
    if (outcome == SORT_OK && !settings.accepted)
        outcome = SORT_SETTINGS_REJECTED;
    if (outcome == SORT_OK) {
        HCURSOR previous = SetCursor(LoadCursor(NULL, IDC_WAIT));
        outcome = SortRange(hwndView, &range, &settings);
        SetCursor(previous);
    }
    UINT message = OutcomeMessage(outcome);
    if (message != 0)
        ShowModuleMessage(hwndView, message);
}
