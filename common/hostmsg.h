/*
** The editor messages and commands that the module sends to the host's
** editor window, and the records that go with them. The host's numbering
** and the field order of LineRequest are fixed by the host.
*/
#ifndef ZTOA_HOSTMSG_H
#define ZTOA_HOSTMSG_H

#include <windows.h>

#define HM_QUERY_COMMAND_STATUS 0x801  /* wParam: command id, lParam: BOOL* */
#define HM_PASS_EVENT_VALUE     0x802  /* wParam: remembered event value */
#define HM_GET_LINE_COUNT       0x804  /* wParam: numbering mode */
#define HM_CONVERT_POSITION     0x80E  /* wParam: POINT* logical in, lParam: POINT* out */
#define HM_EXECUTE_COMMAND      0x816  /* wParam: command id */
#define HM_GET_SEL_START        0x81A  /* wParam: numbering mode, lParam: POINT* */
#define HM_GET_SEL_END          0x81B  /* wParam: numbering mode, lParam: POINT* */
#define HM_SET_SELECTION        0x821  /* wParam: POINT* start, lParam: POINT* end */
#define HM_SET_REDRAW           0x82C  /* wParam: 0 before changes, 1 after */
#define HM_GET_SEL_TYPE         0x82D  /* result: selection type */
#define HM_GET_LINE             0x82F  /* wParam: LineRequest*, lParam: WCHAR* or 0 */
#define HM_INSERT_TEXT          0x834  /* lParam: NUL-terminated UTF-16 text */

#define HOST_CMD_GUARD            0x1011  /* while set, the sort is unavailable */
#define HOST_CMD_DELETE_SELECTION 0x1027
#define HOST_CMD_GO_TO_END        0x1049

#define POS_LOGICAL           2   /* a line runs up to and including its line end */
#define LINE_REQUEST_WITH_EOL 3   /* logical numbering, line end included */

/* HM_GET_SEL_TYPE: the low bits give the kind of selection; the sort
   command is available for the kinds from FIRST to LAST. */
#define SEL_TYPE_MASK           0x0F
#define SEL_TYPE_SORTABLE_FIRST 1
#define SEL_TYPE_SORTABLE_LAST  2

/* The request of HM_GET_LINE: three 32-bit fields in this order. */
typedef struct LineRequest {
    DWORD cch;    /* buffer capacity in UTF-16 units, terminator included; 0 asks the size */
    DWORD flags;  /* always LINE_REQUEST_WITH_EOL */
    LONG  yLine;  /* zero-based logical line index */
} LineRequest;

#endif
