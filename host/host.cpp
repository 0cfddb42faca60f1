/*
** The stand-in host's editor window and its document.
**
** The document is a gap buffer of lines: the lines before the gap in
** g_front, the lines after it in g_back in reverse order. Edits happen at
** the gap, which moves to the caret line, so that inserting line after line
** at the caret costs amortised O(1) per line (plus the line's length).
** Every line carries its own line end; the last line never has one.
*/
#include "host.h"
#include "linepool.h"
#include "busytime.h"

#include <new>


/* ---- The document ------------------------------------------------------- */

enum LineEnd { EOL_NONE = 0, EOL_CRLF, EOL_CR, EOL_LF };

typedef struct DocLine {
    LineText text;       /* without the line end */
    LineEnd eol;
} DocLine;

/* The editor messages lie in one small range; they are counted by offset. */
#define HM_FIRST 0x800
#define HM_RANGE 0x40

static HWND g_hwndEditor;                          /* the editor window */
static std::vector<DocLine> g_front;              /* lines before the gap, in order */
static std::vector<DocLine> g_back;               /* lines after the gap, last line first */
static POINT g_selStart, g_selEnd;                 /* logical selection, start <= end */
static POINT g_caret;                              /* logical caret */
static int g_wrapWidth;                            /* 0: no wrapping */
static LRESULT g_selType = -1;                     /* -1: derived from the selection */
static BOOL g_guardState;                          /* HOST_CMD_GUARD's flag */
static HostLineSizeMode g_sizeMode;                /* how HM_GET_LINE reports sizes */
static LRESULT g_fixedSize;                        /* the size HOST_SIZE_FIXED reports */
static UINT g_unanswered;                          /* a message left unanswered, or 0 */
static int g_lineCountOffset;                      /* a wrong line count's error */
static HostInsertFault g_insertFault;              /* what insertions do to their texts */
static int g_insertions;                           /* texts inserted since the fault was set */
static std::wstring g_heldInsertion;               /* HOST_INSERT_SWAP: the second text, held back */
static int g_redraw = -1;                          /* last HM_SET_REDRAW value */
static HCURSOR g_cursorSeen;                       /* the cursor at the last HM_GET_LINE */
static BOOL g_watchCursor;                         /* note the cursor at each HM_GET_LINE */
static WPARAM g_passedValue;                       /* last HM_PASS_EVENT_VALUE */
static std::vector<HostMessage> g_messages;        /* received messages, in order */
static unsigned g_counts[HM_RANGE];                /* received messages, by message - HM_FIRST */
static BOOL g_keepLog = TRUE;                      /* record every message, not only counts */
static POINT g_reportedSelEnd = { -1, -1 };       /* HM_GET_SEL_END's answer, x -1: the selection's end */
static unsigned g_failAnswerIn;                    /* answers until one runs out of memory on purpose, 0: none */
static BOOL g_outOfMemory;                         /* an answer ran out of memory since the editor was made */
volatile LONG g_hostBusy;                          /* nonzero while answering a message */

static const WCHAR* const g_eolText[] = { L"", L"\r\n", L"\r", L"\n" };

/* ---- The gap buffer ---------------------------------------------------- */

int HostLineCount(void)
{
    return (int)(g_front.size() + g_back.size());
}

static DocLine& LineAt(int y)
{
    if ((size_t)y < g_front.size())
        return g_front[y];
    return g_back[g_back.size() - 1 - (y - g_front.size())];
}

/* Moves the gap so that lines [0, k) stand before it. */
static void MoveGapTo(size_t k)
{
    while (g_front.size() > k) {
        g_back.push_back(std::move(g_front.back()));
        g_front.pop_back();
    }
    while (g_front.size() < k && !g_back.empty()) {
        g_front.push_back(std::move(g_back.back()));
        g_back.pop_back();
    }
}

static int LineLength(int y)
{
    return (int)LineAt(y).text.size();
}

/* Clamps p into the document: a line exists, a column lies within its text. */
static POINT Clamp(POINT p)
{
    int count = HostLineCount();
    if (p.y < 0) { p.y = 0; p.x = 0; }
    if (p.y >= count) { p.y = count - 1; p.x = LineLength(p.y); }
    if (p.x < 0) p.x = 0;
    if (p.x > LineLength(p.y)) p.x = LineLength(p.y);
    return p;
}

static bool Before(POINT a, POINT b)
{
    return a.y < b.y || (a.y == b.y && a.x < b.x);
}

/*
** Finds the first line end in text[from, len): returns where it begins
** (len when there is none), sets *eol to it (EOL_NONE when there is none)
** and *next to where the following line begins.
*/
static size_t FindLineEnd(const WCHAR* text, size_t len, size_t from, LineEnd* eol, size_t* next)
{
    for (size_t i = from; i < len; i++) {
        if (text[i] == L'\n') {
            *eol = EOL_LF;
            *next = i + 1;
            return i;
        }
        if (text[i] == L'\r') {
            BOOL crlf = i + 1 < len && text[i + 1] == L'\n';
            *eol = crlf ? EOL_CRLF : EOL_CR;
            *next = i + (crlf ? 2 : 1);
            return i;
        }
    }
    *eol = EOL_NONE;
    *next = len;
    return len;
}

/* Splits text into lines, each with the line end that closes it. */
static std::vector<DocLine> SplitLines(const WCHAR* text, size_t len)
{
    std::vector<DocLine> lines;
    size_t begin = 0;
    for (;;) {
        DocLine line;
        size_t next;
        size_t end = FindLineEnd(text, len, begin, &line.eol, &next);
        line.text.assign(text + begin, end - begin);
        lines.push_back(std::move(line));
        if (lines.back().eol == EOL_NONE)
            return lines;
        begin = next;
    }
}

void HostSetText(const std::wstring& text)
{
    HostClearText();
    HostAppendText(text.data(), text.size());
}

void HostClearText(void)
{
    g_front.clear();
    g_back.clear();
    DocLine empty;
    empty.eol = EOL_NONE;
    g_front.push_back(empty);
    g_caret.x = g_caret.y = 0;
    g_selStart = g_selEnd = g_caret;
}

/*
** Appends text to the end of the document, as if the document were one
** string: a CR that ended the text appended before and an LF that begins
** this text make one line end. A file can so be loaded piece by piece.
*/
void HostAppendText(const WCHAR* text, size_t len)
{
    MoveGapTo(HostLineCount());
    size_t begin = 0;
    size_t count = g_front.size();
    if (len > 0 && text[0] == L'\n' && count >= 2 && g_front[count - 1].text.empty()
        && g_front[count - 2].eol == EOL_CR) {
        g_front[count - 2].eol = EOL_CRLF;
        begin = 1;
    }
    for (;;) {
        LineEnd eol;
        size_t next;
        size_t end = FindLineEnd(text, len, begin, &eol, &next);
        DocLine& last = g_front.back();
        last.text.append(text + begin, end - begin);
        if (eol == EOL_NONE)
            return;
        last.eol = eol;
        g_front.emplace_back();
        g_front.back().eol = EOL_NONE;
        begin = next;
    }
}

std::wstring HostLine(int y)
{
    if (y < 0 || y >= HostLineCount())
        return std::wstring();
    const DocLine& line = LineAt(y);
    return std::wstring(line.text.data(), line.text.size()) + g_eolText[line.eol];
}

const WCHAR* HostLineView(int y, size_t* length, const WCHAR** eol)
{
    const DocLine& line = LineAt(y);
    *length = line.text.size();
    *eol = g_eolText[line.eol];
    return line.text.data();
}

std::wstring HostGetText(void)
{
    int count = HostLineCount();
    size_t size = 0;
    for (int y = 0; y < count; y++)
        size += LineAt(y).text.size() + 2;
    std::wstring all;
    all.reserve(size);
    for (int y = 0; y < count; y++) {
        const DocLine& line = LineAt(y);
        all.append(line.text.data(), line.text.size());
        all += g_eolText[line.eol];
    }
    return all;
}

/*
** The length of text without its line end when text is one whole line
** (its only line end is its last), or -1. eol gets that line end.
*/
static long WholeLineLength(const WCHAR* text, size_t len, LineEnd* eol)
{
    size_t next;
    size_t end = FindLineEnd(text, len, 0, eol, &next);
    return *eol != EOL_NONE && next == len ? (long)end : -1;
}

/* Inserts text at the caret and leaves the caret after it. */
static void InsertAtCaret(const WCHAR* text)
{
    size_t len = wcslen(text);
    g_caret = Clamp(g_caret);

    /* A whole line inserted at the start of a line, as the sort writes its
       lines back, becomes a line of its own before the caret line. */
    LineEnd eol;
    long whole = g_caret.x == 0 ? WholeLineLength(text, len, &eol) : -1;
    if (whole >= 0) {
        MoveGapTo(g_caret.y);
        g_front.emplace_back();
        g_front.back().text.assign(text, (size_t)whole);
        g_front.back().eol = eol;
        g_caret.y++;
        g_selStart = g_selEnd = g_caret;
        return;
    }

    std::vector<DocLine> parts = SplitLines(text, len);
    MoveGapTo(g_caret.y + 1);
    DocLine& line = g_front.back();
    LineText tail;
    if (g_caret.x == 0) {
        tail = std::move(line.text);
        line.text.clear();
    } else {
        tail = line.text.substr(g_caret.x);
        line.text.erase(g_caret.x);
    }
    LineEnd tailEol = line.eol;

    if (parts.size() == 1) {
        line.text += parts[0].text;
        g_caret.x += (LONG)parts[0].text.size();
        line.text += tail;
    } else {
        line.text += parts[0].text;
        line.eol = parts[0].eol;
        for (size_t i = 1; i + 1 < parts.size(); i++)
            g_front.push_back(std::move(parts[i]));
        DocLine last;
        last.eol = tailEol;
        if (parts.back().text.empty()) {
            last.text = std::move(tail);
        } else {
            last.text = parts.back().text;
            last.text += tail;
        }
        g_caret.x = (LONG)parts.back().text.size();
        g_front.push_back(std::move(last));
        g_caret.y = (LONG)g_front.size() - 1;
    }
    g_selStart = g_selEnd = g_caret;
}

/* Deletes the selected text; the caret stands where it began. */
static void DeleteSelection(void)
{
    POINT s = Clamp(g_selStart), e = Clamp(g_selEnd);
    if (Before(e, s)) { POINT t = s; s = e; e = t; }
    if (s.y != e.y || s.x != e.x) {
        MoveGapTo(e.y + 1);
        DocLine joined;
        DocLine& last = g_front.back();
        joined.eol = last.eol;
        if (e.x == 0 && s.x == 0)
            joined.text = std::move(last.text);
        else
            joined.text = LineAt(s.y).text.substr(0, s.x) + last.text.substr(e.x);
        g_front.resize(s.y);
        g_front.push_back(std::move(joined));
    }
    g_caret = s;
    g_selStart = g_selEnd = s;
}

/* ---- Numbering ---------------------------------------------------------- */

static int ViewRows(int y)
{
    int len = LineLength(y);
    if (g_wrapWidth <= 0 || len == 0)
        return 1;
    return (len + g_wrapWidth - 1) / g_wrapWidth;
}

POINT HostLogicalToView(POINT logical)
{
    POINT p = Clamp(logical);
    if (g_wrapWidth <= 0)
        return p;
    LONG row = 0;
    for (int y = 0; y < p.y; y++)
        row += ViewRows(y);
    LONG sub = p.x / g_wrapWidth;
    if (sub > ViewRows(p.y) - 1)
        sub = ViewRows(p.y) - 1;
    POINT view = { p.x - sub * g_wrapWidth, row + sub };
    return view;
}

POINT HostViewToLogical(POINT view)
{
    if (g_wrapWidth <= 0)
        return Clamp(view);
    int count = HostLineCount();
    LONG row = 0;
    for (int y = 0; y < count; y++) {
        int rows = ViewRows(y);
        if (view.y < row + rows) {
            LONG sub = view.y - row;
            POINT p = { sub * g_wrapWidth + view.x, y };
            return Clamp(p);
        }
        row += rows;
    }
    POINT end = { LineLength(count - 1), count - 1 };
    return end;
}

static LONG ViewLineCount(void)
{
    LONG rows = 0;
    int count = HostLineCount();
    for (int y = 0; y < count; y++)
        rows += ViewRows(y);
    return rows;
}

/* ---- Messages ----------------------------------------------------------- */

static void Record(UINT message, WPARAM wParam)
{
    g_counts[message - HM_FIRST]++;
    if (g_keepLog) {
        HostMessage m = { message, wParam };
        g_messages.push_back(m);
    }
}

static LRESULT OnGetLine(LineRequest* request, WCHAR* buffer)
{
    if (request == NULL || request->yLine < 0 || request->yLine >= HostLineCount())
        return 0;
    const DocLine& line = LineAt(request->yLine);
    const WCHAR* eol = g_eolText[line.eol];
    size_t eolLen = wcslen(eol);
    size_t size = line.text.size() + eolLen + 1;
    LRESULT reported = (LRESULT)size;
    if (g_sizeMode == HOST_SIZE_FIXED)
        reported = g_fixedSize;
    else if (g_sizeMode == HOST_SIZE_SHORT)
        reported = (LRESULT)size - g_fixedSize;
    if (buffer == NULL)
        return reported;

    size_t room = request->cch;
    size_t units = size - 1 < room ? size - 1 : room;
    size_t textUnits = units < line.text.size() ? units : line.text.size();
    memcpy(buffer, line.text.data(), textUnits * sizeof(WCHAR));
    memcpy(buffer + textUnits, eol, (units - textUnits) * sizeof(WCHAR));
    if (units < room)
        buffer[units] = L'\0';
    return reported;
}

static void OnExecuteCommand(WPARAM command)
{
    if (command == HOST_CMD_DELETE_SELECTION) {
        DeleteSelection();
    } else if (command == HOST_CMD_GO_TO_END) {
        int last = HostLineCount() - 1;
        g_caret.y = last;
        g_caret.x = LineLength(last);
        g_selStart = g_selEnd = g_caret;
    }
}

static void GetSelectionPoint(WPARAM mode, POINT logical, POINT* out)
{
    if (out == NULL)
        return;
    *out = mode == POS_LOGICAL ? logical : HostLogicalToView(logical);
}

/* Inserts text at the caret, changed as the insertion fault says. */
static void InsertWithFault(const WCHAR* text)
{
    if (g_insertFault == HOST_INSERT_TRUE) {
        InsertAtCaret(text);
        return;
    }
    std::wstring t = text;
    g_insertions++;
    size_t end = t.size();
    while (end > 0 && (t[end - 1] == L'\r' || t[end - 1] == L'\n'))
        end--;
    if (g_insertFault == HOST_INSERT_CRLF && end < t.size() && t.compare(end, std::wstring::npos, L"\r\n") != 0)
        t.replace(end, std::wstring::npos, L"\r\n");
    if (g_insertFault == HOST_INSERT_TRIM) {
        size_t blank = end;
        while (blank > 0 && (t[blank - 1] == L' ' || t[blank - 1] == L'\t'))
            blank--;
        t.erase(blank, end - blank);
    }
    if (g_insertFault == HOST_INSERT_SWAP && g_insertions == 2) {
        g_heldInsertion = t;
        return;
    }
    InsertAtCaret(t.c_str());
    if (g_insertFault == HOST_INSERT_SWAP && g_insertions == 3)
        InsertAtCaret(g_heldInsertion.c_str());
}

static LRESULT OnEditorMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == g_unanswered)
        return 0;
    switch (message) {
    case HM_QUERY_COMMAND_STATUS:
        if (lParam != 0)
            *(BOOL*)lParam = (wParam == HOST_CMD_GUARD) ? g_guardState : FALSE;
        return 0;
    case HM_PASS_EVENT_VALUE:
        g_passedValue = wParam;
        return 0;
    case HM_GET_LINE_COUNT:
        return (wParam == POS_LOGICAL ? HostLineCount() : ViewLineCount()) + g_lineCountOffset;
    case HM_CONVERT_POSITION:
        if (wParam != 0 && lParam != 0)
            *(POINT*)lParam = HostLogicalToView(*(POINT*)wParam);
        return 0;
    case HM_EXECUTE_COMMAND:
        OnExecuteCommand(wParam);
        return 0;
    case HM_GET_SEL_START:
        GetSelectionPoint(wParam, g_selStart, (POINT*)lParam);
        return 0;
    case HM_GET_SEL_END:
        GetSelectionPoint(wParam, g_reportedSelEnd.x >= 0 ? g_reportedSelEnd : g_selEnd, (POINT*)lParam);
        return 0;
    case HM_SET_SELECTION:
        if (wParam != 0 && lParam != 0) {
            HostSelect(HostViewToLogical(*(POINT*)wParam), HostViewToLogical(*(POINT*)lParam));
        }
        return 0;
    case HM_SET_REDRAW:
        g_redraw = (int)wParam;
        return 0;
    case HM_GET_SEL_TYPE:
        if (g_selType >= 0)
            return g_selType;
        return (g_selStart.x != g_selEnd.x || g_selStart.y != g_selEnd.y) ? 1 : 0;
    case HM_GET_LINE:
        /* GetCursor asks Wine's server: only a test that watches the
           cursor pays it, not a host that sorts real documents. */
        if (g_watchCursor)
            g_cursorSeen = GetCursor();
        return OnGetLine((LineRequest*)wParam, (WCHAR*)lParam);
    case HM_INSERT_TEXT:
        if (lParam != 0)
            InsertWithFault((const WCHAR*)lParam);
        return 0;
    }
    return 0;
}

static LRESULT CALLBACK EditorWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HostMessageName(message) != NULL) {
        BusyTime began = BusyTimeBegin();
        g_hostBusy++;   /* one thread: the window's own */
        BOOL pointer = message == HM_CONVERT_POSITION || message == HM_SET_SELECTION || message == HM_GET_LINE;
        LRESULT result = 0;
        /* An exception cannot pass through the module's frames: an answer
           that runs out of memory answers 0 and is noted, and the host
           treats the command's result as lost. */
        try {
            Record(message, pointer ? 0 : wParam);
            if (g_failAnswerIn > 0 && --g_failAnswerIn == 0)
                throw std::bad_alloc();
            result = OnEditorMessage(message, wParam, lParam);
        } catch (const std::bad_alloc&) {
            g_outOfMemory = TRUE;
        }
        g_hostBusy--;
        BusyTimeEnd(began);
        return result;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

const char* HostMessageName(UINT message)
{
    switch (message) {
    case HM_QUERY_COMMAND_STATUS: return "HM_QUERY_COMMAND_STATUS";
    case HM_PASS_EVENT_VALUE: return "HM_PASS_EVENT_VALUE";
    case HM_GET_LINE_COUNT: return "HM_GET_LINE_COUNT";
    case HM_CONVERT_POSITION: return "HM_CONVERT_POSITION";
    case HM_EXECUTE_COMMAND: return "HM_EXECUTE_COMMAND";
    case HM_GET_SEL_START: return "HM_GET_SEL_START";
    case HM_GET_SEL_END: return "HM_GET_SEL_END";
    case HM_SET_SELECTION: return "HM_SET_SELECTION";
    case HM_SET_REDRAW: return "HM_SET_REDRAW";
    case HM_GET_SEL_TYPE: return "HM_GET_SEL_TYPE";
    case HM_GET_LINE: return "HM_GET_LINE";
    case HM_INSERT_TEXT: return "HM_INSERT_TEXT";
    }
    return NULL;
}

/* ---- Message boxes ------------------------------------------------------ */

#define MESSAGE_BOX_TEXT 1024     /* characters of a box's text kept */
#define MESSAGE_BOX_STATIC 0xFFFF /* the id of a message box's text control */

static HHOOK g_cbtHook;                          /* notes dialogs as they are made and shown */
static int g_messageBoxes;                       /* boxes created while watched */
static WCHAR g_messageBoxText[MESSAGE_BOX_TEXT]; /* the last one's text */
static HCURSOR g_messageBoxCursor;               /* the cursor as the last one was created */

static BOOL IsDialogClass(HWND window)
{
    WCHAR name[16];
    return GetClassNameW(window, name, ARRAYSIZE(name)) > 0 && lstrcmpW(name, L"#32770") == 0;
}

/*
** Counts each dialog as it is created, whether or not it can be shown, and
** once it is shown (set up, its text in place), reads its text and answers
** OK. A computer-based-training hook is called only for such window events:
** a hook on every message would be consulted for each of the millions of
** messages a sort sends, and under Wine that costs a call to its server.
*/
static LRESULT CALLBACK WatchDialogs(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = (HWND)wParam;
    if (code == HCBT_CREATEWND && IsDialogClass(window)) {
        g_messageBoxes++;
        g_messageBoxText[0] = L'\0';
        g_messageBoxCursor = GetCursor();
    } else if (code == HCBT_ACTIVATE && IsDialogClass(window)) {
        GetDlgItemTextW(window, MESSAGE_BOX_STATIC, g_messageBoxText, MESSAGE_BOX_TEXT);
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(g_cbtHook, code, wParam, lParam);
}

void HostWatchMessageBoxes(BOOL watch)
{
    if (watch && g_cbtHook == NULL) {
        g_messageBoxes = 0;
        g_messageBoxText[0] = L'\0';
        g_cbtHook = SetWindowsHookExW(WH_CBT, WatchDialogs, NULL, GetCurrentThreadId());
    } else if (!watch && g_cbtHook != NULL) {
        UnhookWindowsHookEx(g_cbtHook);
        g_cbtHook = NULL;
    }
}

int HostMessageBoxCount(void)
{
    return g_messageBoxes;
}

const WCHAR* HostLastMessageBoxText(void)
{
    return g_messageBoxText;
}

HCURSOR HostMessageBoxCursor(void)
{
    return g_messageBoxCursor;
}

/* ---- The window and its settings --------------------------------------- */

/*
** Creates the editor window: a child of parent, or a message-only window
** when parent is NULL. Returns NULL on failure.
*/
HWND HostCreateEditor(HWND parent)
{
    static const WCHAR className[] = L"ZtoAStandInEditor";
    WNDCLASSW wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = EditorWndProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = className;
    wc.hCursor = LoadCursor(NULL, IDC_IBEAM);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    /* Registered by the first editor of this process, reused by the next. */
    if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return NULL;

    HostSetText(std::wstring());
    g_wrapWidth = 0;
    g_selType = -1;
    g_guardState = FALSE;
    g_sizeMode = HOST_SIZE_TRUE;
    g_unanswered = 0;
    g_lineCountOffset = 0;
    HostSetInsertFault(HOST_INSERT_TRUE);
    g_redraw = -1;
    g_cursorSeen = NULL;
    g_passedValue = 0;
    g_failAnswerIn = 0;
    g_outOfMemory = FALSE;
    HostReportSelectionEnd(POINT{ -1, -1 });
    HostClearMessages();
    g_hwndEditor = CreateWindowExW(0, className, L"", parent ? WS_CHILD | WS_VISIBLE : 0,
                                   0, 0, 0, 0, parent ? parent : HWND_MESSAGE, NULL,
                                   wc.hInstance, NULL);
    return g_hwndEditor;
}

void HostDestroyEditor(void)
{
    if (g_hwndEditor != NULL)
        DestroyWindow(g_hwndEditor);
    g_hwndEditor = NULL;
    g_front.clear();
    g_back.clear();
    HostClearMessages();
}

HWND HostEditorWindow(void)
{
    return g_hwndEditor;
}

void HostSelect(POINT start, POINT end)
{
    start = Clamp(start);
    end = Clamp(end);
    if (Before(end, start)) { POINT t = start; start = end; end = t; }
    g_selStart = start;
    g_selEnd = end;
    g_caret = end;
}

void HostGetSelection(POINT* start, POINT* end)
{
    *start = g_selStart;
    *end = g_selEnd;
}

POINT HostCaret(void)
{
    return g_caret;
}

void HostSetWrapWidth(int width)
{
    g_wrapWidth = width > 0 ? width : 0;
}

void HostSetSelType(LRESULT type)
{
    g_selType = type;
}

void HostSetGuardState(BOOL set)
{
    g_guardState = set;
}

void HostSetLineSize(HostLineSizeMode mode, LRESULT size)
{
    g_sizeMode = mode;
    g_fixedSize = size;
}

void HostReportSelectionEnd(POINT end)
{
    g_reportedSelEnd = end;
}

void HostFailAnswer(unsigned nth)
{
    g_failAnswerIn = nth;
}

BOOL HostRanOutOfMemory(void)
{
    return g_outOfMemory;
}

void HostSetUnanswered(UINT message)
{
    g_unanswered = message;
}

void HostSetInsertFault(HostInsertFault fault)
{
    g_insertFault = fault;
    g_insertions = 0;
    g_heldInsertion.clear();
}

void HostSetLineCountOffset(int offset)
{
    g_lineCountOffset = offset;
}

int HostRedrawState(void)
{
    return g_redraw;
}

void HostWatchCursor(BOOL watch)
{
    g_watchCursor = watch;
    g_cursorSeen = NULL;
}

HCURSOR HostCursorSeen(void)
{
    return g_cursorSeen;
}

WPARAM HostPassedEventValue(void)
{
    return g_passedValue;
}

const std::vector<HostMessage>& HostMessages(void)
{
    return g_messages;
}

unsigned HostMessageCount(UINT message)
{
    if (message < HM_FIRST || message >= HM_FIRST + HM_RANGE)
        return 0;
    return g_counts[message - HM_FIRST];
}

void HostClearMessages(void)
{
    g_messages.clear();
    g_messageBoxes = 0;
    g_messageBoxText[0] = L'\0';
    ZeroMemory(g_counts, sizeof(g_counts));
    BusyTimeClear();
}

void HostReserveLines(size_t lines)
{
    if (lines > g_front.capacity())
        g_front.reserve(lines);
}

void HostKeepLog(BOOL keep)
{
    g_keepLog = keep;
}

