/*
** The stand-in host: an editor window that holds one document in memory
** and answers the editor messages that a plug-in sends it, as the real
** editor does. One editor window per process.
**
** Positions are logical (a line runs up to and including its line end)
** unless a name says "view": with a wrap width set, a long logical line
** takes several view lines, and HM_SET_SELECTION takes view positions.
*/
#ifndef ZTOA_HOST_H
#define ZTOA_HOST_H

#include <windows.h>
#include <string>
#include <vector>

#include "../common/hostmsg.h"

/* One message as the editor window received it. */
typedef struct HostMessage {
    UINT   message;
    WPARAM wParam;       /* a command id, mode or flag; pointers are not kept */
} HostMessage;

/* Ways the host can be told to misbehave on HM_GET_LINE's size query. */
enum HostLineSizeMode {
    HOST_SIZE_TRUE = 0,   /* the real size */
    HOST_SIZE_FIXED = 1,  /* the value given to HostSetLineSize, whatever the line */
    HOST_SIZE_SHORT = 2   /* the real size less the value given: no room for the terminator */
};

/* Ways the host can be told to change what it is asked to insert, as editors with auto-format do. */
enum HostInsertFault {
    HOST_INSERT_TRUE = 0,    /* as given */
    HOST_INSERT_CRLF = 1,    /* a text that ends in a lone CR or LF gets CR LF instead */
    HOST_INSERT_TRIM = 2,    /* blanks before the text's line end are dropped */
    HOST_INSERT_SWAP = 3     /* the second text comes in after the third */
};

HWND HostCreateEditor(HWND parent);
void HostDestroyEditor(void);
HWND HostEditorWindow(void);

/* The document. */
void HostSetText(const std::wstring& text);
void HostClearText(void);
void HostAppendText(const WCHAR* text, size_t len);   /* CR at the end, LF next: one CRLF */
void HostReserveLines(size_t lines);                  /* room for this many lines, to load without regrowing */
std::wstring HostGetText(void);
int HostLineCount(void);
std::wstring HostLine(int y);          /* line y with its line end */
/* Line y (which must exist) in place: its text without the line end, valid until the next edit. */
const WCHAR* HostLineView(int y, size_t* length, const WCHAR** eol);

/* The selection and caret, in logical positions. */
void HostSelect(POINT start, POINT end);
void HostGetSelection(POINT* start, POINT* end);
POINT HostCaret(void);

/* Wrapping: 0 for none. Changes the numbering of HM_SET_SELECTION. */
void HostSetWrapWidth(int width);
POINT HostLogicalToView(POINT logical);
POINT HostViewToLogical(POINT view);

/* What the host reports. */
void HostSetSelType(LRESULT type);      /* HM_GET_SEL_TYPE's result; -1: 1 when text is selected, else 0 */
void HostSetGuardState(BOOL set);       /* HOST_CMD_GUARD's state flag */
void HostSetLineSize(HostLineSizeMode mode, LRESULT size);
void HostSetUnanswered(UINT message);   /* this editor message is left unanswered; 0: none */
void HostSetLineCountOffset(int offset); /* added to the line count HM_GET_LINE_COUNT reports */
void HostSetInsertFault(HostInsertFault fault); /* what HM_INSERT_TEXT does to its texts from now on */
void HostReportSelectionEnd(POINT end); /* HM_GET_SEL_END answers this; x -1: the selection's own end */
void HostFailAnswer(unsigned nth);      /* the nth editor message from now runs out of memory; 0: none */
BOOL HostRanOutOfMemory(void);          /* an answer ran out of memory since the editor was made */
int HostRedrawState(void);              /* last HM_SET_REDRAW value, -1 before any */
void HostWatchCursor(BOOL watch);       /* TRUE: note the cursor at each HM_GET_LINE (a server call under Wine) */
HCURSOR HostCursorSeen(void);           /* the cursor as the last watched HM_GET_LINE found it */
WPARAM HostPassedEventValue(void);      /* last HM_PASS_EVENT_VALUE wParam */

/* The messages received, in order, since the last clear. */
const std::vector<HostMessage>& HostMessages(void);
unsigned HostMessageCount(UINT message);
void HostClearMessages(void);
void HostKeepLog(BOOL keep);                 /* FALSE: keep counts only */
void HostTimeMessages(BOOL time);            /* TRUE: add up the time spent answering */
LONGLONG HostBusyTicks(void);               /* counter ticks spent answering since the clear, when timed */
const char* HostMessageName(UINT message);   /* "HM_GET_LINE", or NULL when not an editor message */

/*
** Message boxes that the module shows on this thread while watched are
** counted, and answered with OK as soon as they open, their text kept.
** Without a display a box cannot open: it is counted, with no text.
*/
void HostWatchMessageBoxes(BOOL watch);
int HostMessageBoxCount(void);
const WCHAR* HostLastMessageBoxText(void);
HCURSOR HostMessageBoxCursor(void);     /* the cursor as the last box was created */

/* Nonzero while the editor window is answering a message. */
extern volatile LONG g_hostBusy;

#endif
