/*
** The stand-in editor on screen: a top-level window with a menu, a toolbar
** and a status bar, the plug-in's command in the menu and on the toolbar,
** and a read-only view of the document.
**
** The document stays in the editor window of host.cpp, a message-only
** window to which the plug-in sends its messages. The view is an EDIT
** control that mirrors it: the user selects in the view, the selection is
** copied into the document before the plug-in is asked anything, and the
** view is filled again from the document after the command has run.
*/
#include "sortlines.h"

#include <commctrl.h>
#include <stdio.h>
#include <fcntl.h>
#include <io.h>

#define IDM_EXIT       100
#define IDM_SORT       101   /* the plug-in's command */
#define IDM_PROPERTIES 102
#define IDM_UNINSTALL  103

#define IDC_VIEW    200
#define IDC_TOOLBAR 201
#define IDC_STATUS  202

/* Posted by the view when its selection may have changed. */
#define WM_APP_VIEW_SELECTION (WM_APP + 1)

/* The toolbar shows the large 256-colour pictures: normal, grayed, dark. */
#define TOOLBAR_BITMAP_BITS (BMP_LARGE | BMP_256_COLORS)

/* --demo-sort: the steps of the demonstration, this far apart. */
#define DEMO_TIMER    1
#define DEMO_DELAY_MS 500

/* How often the host looks for the module's window to answer it. */
#define ANSWER_POLL_MS 50

#define POSITION_PART_WIDTH 260   /* pixels of the status bar's right part */
#define TEXT_SIZE 256

static const wchar_t g_frameClass[] = L"ZtoAStandInFrame";

static const PlugIn* g_plugIn;            /* the loaded module */
static HWND g_hwndFrame;                  /* the top-level window */
static HWND g_hwndView;                   /* the EDIT mirror of the document */
static HWND g_hwndToolbar;                /* one button: the plug-in's command */
static HWND g_hwndStatus;                 /* status text | caret and selection */
static HMENU g_hmenuPlugIns;              /* the popup with the plug-in's items */
static HIMAGELIST g_images[3];            /* toolbar pictures: normal, disabled, hot */
static HFONT g_hfontView;                 /* the view's font, ours to delete */
static std::wstring g_menuText;           /* the module's menu text, also the tooltip */
static std::wstring g_statusText;         /* the module's status text */
static BOOL g_uninstalled;                /* the plug-in has been uninstalled */
static DWORD g_viewSelStart, g_viewSelEnd; /* the view selection last copied */
static int g_demoStep;                    /* --demo-sort: the next step, counted from 0 */
static int g_answerButton;                /* the button to press in the module's window, or 0 */

/* ---- The view -------------------------------------------------------- */

/*
** The document as the view shows it. An EDIT control breaks lines only at
** CR LF, so every line end becomes one; line and column numbers stay the
** document's.
*/
static std::wstring ViewTextFromDocument(void)
{
    std::wstring text;
    int count = HostLineCount();
    for (int y = 0; y < count; y++) {
        std::wstring line = HostLine(y);
        size_t end = line.size();
        while (end > 0 && (line[end - 1] == L'\r' || line[end - 1] == L'\n'))
            end--;
        text.append(line, 0, end);
        if (end < line.size())
            text += L"\r\n";
    }
    return text;
}

static POINT ViewOffsetToPoint(DWORD offset)
{
    LRESULT line = SendMessageW(g_hwndView, EM_LINEFROMCHAR, offset, 0);
    LRESULT start = SendMessageW(g_hwndView, EM_LINEINDEX, (WPARAM)line, 0);
    POINT p = { (LONG)(offset - (DWORD)start), (LONG)line };
    return p;
}

static DWORD PointToViewOffset(POINT p)
{
    LRESULT start = SendMessageW(g_hwndView, EM_LINEINDEX, (WPARAM)p.y, 0);
    if (start < 0)
        return (DWORD)GetWindowTextLengthW(g_hwndView);
    LRESULT length = SendMessageW(g_hwndView, EM_LINELENGTH, (WPARAM)start, 0);
    return (DWORD)start + (DWORD)(p.x < length ? p.x : length);
}

/* Copies the view's selection into the document, where the plug-in reads it. */
static void CopyViewSelection(void)
{
    DWORD start = 0, end = 0;
    SendMessageW(g_hwndView, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    g_viewSelStart = start;
    g_viewSelEnd = end;
    HostSelect(ViewOffsetToPoint(start), ViewOffsetToPoint(end));
}

/*
** Fills the view from the document and selects what the document selects,
** keeping the view scrolled where it was.
*/
static void RefreshView(void)
{
    LRESULT firstLine = SendMessageW(g_hwndView, EM_GETFIRSTVISIBLELINE, 0, 0);
    SetWindowTextW(g_hwndView, ViewTextFromDocument().c_str());
    POINT start, end;
    HostGetSelection(&start, &end);
    g_viewSelStart = PointToViewOffset(start);
    g_viewSelEnd = PointToViewOffset(end);
    SendMessageW(g_hwndView, EM_SETSEL, g_viewSelStart, g_viewSelEnd);
    SendMessageW(g_hwndView, EM_LINESCROLL, 0, firstLine);
}

/*
** The EDIT control tells nobody when its selection moves; after each
** input message that can move it, the frame is told to look.
*/
static LRESULT CALLBACK ViewSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data)
{
    (void)id;
    (void)data;
    LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE:
    case EM_SETSEL:
        PostMessageW(GetParent(hwnd), WM_APP_VIEW_SELECTION, 0, 0);
        break;
    }
    return result;
}

/*
** A font with CJK glyphs: the GUI font at a readable size, with the
** charset left to the font mapper so that it picks a face that covers the
** system's code page.
*/
static HFONT CreateViewFont(void)
{
    NONCLIENTMETRICSW metrics;
    ZeroMemory(&metrics, sizeof(metrics));
    metrics.cbSize = sizeof(metrics);
    LOGFONTW font;
    ZeroMemory(&font, sizeof(font));
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        font = metrics.lfMessageFont;
    font.lfHeight = -16;
    font.lfWidth = 0;
    font.lfCharSet = DEFAULT_CHARSET;
    return CreateFontIndirectW(&font);
}

static HWND CreateView(HWND parent)
{
    HWND view = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY
            | ES_NOHIDESEL | ES_AUTOHSCROLL | ES_AUTOVSCROLL,
        0, 0, 0, 0, parent, (HMENU)(INT_PTR)IDC_VIEW, GetModuleHandleW(NULL), NULL);
    if (view == NULL)
        return NULL;
    g_hfontView = CreateViewFont();
    if (g_hfontView != NULL)
        SendMessageW(view, WM_SETFONT, (WPARAM)g_hfontView, FALSE);
    SendMessageW(view, EM_SETLIMITTEXT, 0, 0);
    SetWindowSubclass(view, ViewSubclassProc, 0, 0);
    return view;
}

/* ---- Toolbar, menu and status bar ------------------------------------ */

/*
** One picture of the toolbar button, in the variant asked for. Pictures
** with a mask colour get a mask built from it; true-colour ones bring
** their own alpha.
*/
static HIMAGELIST CreateButtonImage(WPARAM variant)
{
    WPARAM bits = TOOLBAR_BITMAP_BITS | variant;
    UINT id = (UINT)g_plugIn->plugInProc(g_hwndFrame, PP_GET_BITMAP_ID, bits, 0);
    COLORREF mask = (COLORREF)g_plugIn->plugInProc(g_hwndFrame, PP_GET_MASK_COLOR, bits, 0);
    HBITMAP bitmap = PlugInLoadBitmap(g_plugIn, id);
    if (bitmap == NULL)
        return NULL;
    BITMAP shape;
    GetObjectW(bitmap, sizeof(shape), &shape);
    BOOL alpha = mask == CLR_NONE;
    HIMAGELIST list = ImageList_Create(shape.bmWidth, shape.bmHeight,
                                       alpha ? ILC_COLOR32 : ILC_COLOR24 | ILC_MASK, 1, 0);
    if (list != NULL) {
        if (alpha)
            ImageList_Add(list, bitmap, NULL);
        else
            ImageList_AddMasked(list, bitmap, mask);
    }
    DeleteObject(bitmap);
    return list;
}

static HWND CreateToolbar(HWND parent)
{
    HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, NULL,
        WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP,
        0, 0, 0, 0, parent, (HMENU)(INT_PTR)IDC_TOOLBAR, GetModuleHandleW(NULL), NULL);
    if (toolbar == NULL)
        return NULL;
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    g_images[0] = CreateButtonImage(0);
    g_images[1] = CreateButtonImage(BMP_GRAYED);
    g_images[2] = CreateButtonImage(BMP_DARK);
    SendMessageW(toolbar, TB_SETIMAGELIST, 0, (LPARAM)g_images[0]);
    SendMessageW(toolbar, TB_SETDISABLEDIMAGELIST, 0, (LPARAM)g_images[1]);
    SendMessageW(toolbar, TB_SETHOTIMAGELIST, 0, (LPARAM)g_images[2]);
    TBBUTTON button;
    ZeroMemory(&button, sizeof(button));
    button.iBitmap = 0;
    button.idCommand = IDM_SORT;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_BUTTON;
    button.iString = -1;
    SendMessageW(toolbar, TB_ADDBUTTONSW, 1, (LPARAM)&button);
    SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
    return toolbar;
}

static HMENU CreateMenuBar(void)
{
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    g_hmenuPlugIns = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, IDM_EXIT, L"E&xit");
    AppendMenuW(g_hmenuPlugIns, MF_STRING, IDM_SORT, g_menuText.c_str());
    AppendMenuW(g_hmenuPlugIns, MF_SEPARATOR, 0, NULL);
    AppendMenuW(g_hmenuPlugIns, MF_STRING, IDM_PROPERTIES, L"&Properties...");
    AppendMenuW(g_hmenuPlugIns, MF_STRING, IDM_UNINSTALL, L"&Uninstall...");
    AppendMenuW(bar, MF_POPUP, (UINT_PTR)file, L"&File");
    AppendMenuW(bar, MF_POPUP, (UINT_PTR)g_hmenuPlugIns, L"&Plug-ins");
    return bar;
}

static HWND CreateStatusBar(HWND parent)
{
    HWND status = CreateWindowExW(0, STATUSCLASSNAMEW, NULL, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP,
        0, 0, 0, 0, parent, (HMENU)(INT_PTR)IDC_STATUS, GetModuleHandleW(NULL), NULL);
    if (status != NULL)
        SendMessageW(status, SB_SETTEXTW, 0, (LPARAM)g_statusText.c_str());
    return status;
}

/* The caret, or the selection's ends, 1-based as editors show them. */
static void ShowPosition(void)
{
    POINT start, end;
    HostGetSelection(&start, &end);
    wchar_t text[TEXT_SIZE];
    if (start.x == end.x && start.y == end.y) {
        _snwprintf(text, TEXT_SIZE, L"Ln %ld, Col %ld", start.y + 1, start.x + 1);
    } else {
        /* a selection that ends at a line's start does not touch that line */
        long lines = end.y - start.y + (end.x > 0 ? 1 : 0);
        _snwprintf(text, TEXT_SIZE, L"Ln %ld, Col %ld - Ln %ld, Col %ld (%ld lines)",
                   start.y + 1, start.x + 1, end.y + 1, end.x + 1, lines);
    }
    text[TEXT_SIZE - 1] = L'\0';
    SendMessageW(g_hwndStatus, SB_SETTEXTW, 1, (LPARAM)text);
}

/* Asks the plug-in, as the editor does whenever the selection changes. */
static BOOL CommandAvailable(void)
{
    if (g_uninstalled)
        return FALSE;
    BOOL state = FALSE;
    return g_plugIn->queryStatus(HostEditorWindow(), &state);
}

static void UpdateCommandState(void)
{
    if (!g_uninstalled)
        SendMessageW(g_hwndToolbar, TB_ENABLEBUTTON, IDM_SORT, MAKELONG(CommandAvailable(), 0));
    ShowPosition();
}

/* ---- Plug-in requests ------------------------------------------------ */

/* Runs the plug-in's command on the view's selection and shows the result. */
static void RunPlugInCommand(void)
{
    CopyViewSelection();
    if (!CommandAvailable()) {
        MessageBeep(MB_OK);
        return;
    }
    g_plugIn->onCommand(HostEditorWindow());
    RefreshView();
    UpdateCommandState();
    SetFocus(g_hwndView);
}

/*
** After a confirmed uninstall the editor stops offering the command and
** the plug-in's requests; the module stays loaded until the editor exits.
*/
static void RemovePlugInItems(void)
{
    g_uninstalled = TRUE;
    DeleteMenu(g_hmenuPlugIns, IDM_SORT, MF_BYCOMMAND);
    DeleteMenu(g_hmenuPlugIns, 0, MF_BYPOSITION);   /* the separator now first */
    EnableMenuItem(g_hmenuPlugIns, IDM_PROPERTIES, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(g_hmenuPlugIns, IDM_UNINSTALL, MF_BYCOMMAND | MF_GRAYED);
    SendMessageW(g_hwndToolbar, TB_DELETEBUTTON, 0, 0);
    SendMessageW(g_hwndStatus, SB_SETTEXTW, 0, (LPARAM)L"The plug-in has been uninstalled.");
}

/* ---- The frame's messages -------------------------------------------- */

static LRESULT OnCreate(HWND hwnd)
{
    g_hwndFrame = hwnd;
    g_hwndToolbar = CreateToolbar(hwnd);
    g_hwndStatus = CreateStatusBar(hwnd);
    g_hwndView = CreateView(hwnd);
    if (g_hwndToolbar == NULL || g_hwndStatus == NULL || g_hwndView == NULL)
        return -1;
    RefreshView();
    UpdateCommandState();
    return 0;
}

/* The toolbar and status bar place themselves; the view takes the rest. */
static LRESULT OnSize(HWND hwnd)
{
    SendMessageW(g_hwndToolbar, TB_AUTOSIZE, 0, 0);
    SendMessageW(g_hwndStatus, WM_SIZE, 0, 0);
    RECT client, bar, status;
    GetClientRect(hwnd, &client);
    GetWindowRect(g_hwndToolbar, &bar);
    GetWindowRect(g_hwndStatus, &status);
    int parts[2] = { client.right - POSITION_PART_WIDTH, -1 };
    if (parts[0] < 0)
        parts[0] = 0;
    SendMessageW(g_hwndStatus, SB_SETPARTS, 2, (LPARAM)parts);
    int top = bar.bottom - bar.top;
    int bottom = client.bottom - (status.bottom - status.top);
    MoveWindow(g_hwndView, 0, top, client.right, bottom > top ? bottom - top : 0, TRUE);
    ShowPosition();   /* the status bar drops the text of parts it did not have */
    return 0;
}

static LRESULT OnMenuCommand(HWND hwnd, WORD id)
{
    switch (id) {
    case IDM_SORT:
        RunPlugInCommand();
        break;
    case IDM_PROPERTIES:
        if (!g_uninstalled)
            g_plugIn->plugInProc(hwnd, PP_SHOW_PROPERTIES, 0, 0);
        break;
    case IDM_UNINSTALL:
        if (!g_uninstalled && g_plugIn->plugInProc(hwnd, PP_UNINSTALL, 0, 0) == 1)
            RemovePlugInItems();
        break;
    case IDM_EXIT:
        DestroyWindow(hwnd);
        break;
    }
    return 0;
}

/* The command's item is greyed whenever the plug-in says it is unavailable. */
static LRESULT OnInitMenuPopup(HMENU menu)
{
    if (menu == g_hmenuPlugIns && !g_uninstalled) {
        CopyViewSelection();
        EnableMenuItem(menu, IDM_SORT, MF_BYCOMMAND | (CommandAvailable() ? MF_ENABLED : MF_GRAYED));
    }
    return 0;
}

/* The toolbar button's tooltip is the command's menu text. */
static LRESULT OnNotify(NMHDR* header)
{
    if (header->code == TTN_GETDISPINFOW && header->idFrom == IDM_SORT) {
        NMTTDISPINFOW* info = (NMTTDISPINFOW*)header;
        info->lpszText = (LPWSTR)g_menuText.c_str();
    }
    return 0;
}

/* A read-only EDIT paints like a label; the view should look like a document. */
static LRESULT OnCtlColorView(HDC dc)
{
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return (LRESULT)GetSysColorBrush(COLOR_WINDOW);
}

static LRESULT OnViewSelection(void)
{
    DWORD start = 0, end = 0;
    SendMessageW(g_hwndView, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    if (start != g_viewSelStart || end != g_viewSelEnd) {
        CopyViewSelection();
        UpdateCommandState();
    }
    return 0;
}

/*
** Prints the state in which the Plug-ins menu shows the command, and the
** toolbar button's, as the user would see them: on stderr, for tests.
*/
static void ReportCommandState(void)
{
    UINT menu = GetMenuState(g_hmenuPlugIns, IDM_SORT, MF_BYCOMMAND);
    BOOL button = (BOOL)SendMessageW(g_hwndToolbar, TB_ISBUTTONENABLED, IDM_SORT, 0);
    fprintf(stderr, "menu item: %s\n", menu != (UINT)-1 && (menu & MF_GRAYED) ? "greyed" : "enabled");
    fprintf(stderr, "toolbar button: %s\n", button ? "enabled" : "disabled");
}

/*
** --demo-sort, one step a timer tick: open the Plug-ins menu as the menu
** bar does (the timer keeps ticking inside the menu's loop), report the
** command's state and close the menu, run the command as the menu item
** does, close the window.
*/
static LRESULT OnDemoTimer(HWND hwnd)
{
    switch (g_demoStep++) {
    case 0: {
        RECT frame;
        GetWindowRect(hwnd, &frame);
        TrackPopupMenu(g_hmenuPlugIns, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD,
                       frame.left + 40, frame.top + 60, 0, hwnd, NULL);
        break;
    }
    case 1:
        ReportCommandState();
        EndMenu();
        break;
    case 2:
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDM_SORT, 0), 0);
        break;
    default:
        KillTimer(hwnd, DEMO_TIMER);
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        break;
    }
    return 0;
}

static LRESULT CALLBACK FrameWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(hwnd);
    case WM_SIZE:
        return OnSize(hwnd);
    case WM_COMMAND:
        return OnMenuCommand(hwnd, LOWORD(wParam));
    case WM_INITMENUPOPUP:
        return OnInitMenuPopup((HMENU)wParam);
    case WM_NOTIFY:
        return OnNotify((NMHDR*)lParam);
    case WM_CTLCOLORSTATIC:
        if ((HWND)lParam == g_hwndView)
            return OnCtlColorView((HDC)wParam);
        break;
    case WM_SETFOCUS:
        SetFocus(g_hwndView);
        return 0;
    case WM_APP_VIEW_SELECTION:
        return OnViewSelection();
    case WM_TIMER:
        if (wParam == DEMO_TIMER)
            return OnDemoTimer(hwnd);
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

/* ---- Modes ------------------------------------------------------------ */

/*
** Creates the frame, shown or not. A hidden frame still owns the plug-in's
** dialogs, as the editor's main window does. Returns NULL with *failure
** set when the module lacks an export or the window cannot be made.
*/
static HWND CreateFrame(const PlugIn* plugIn, const wchar_t* title, BOOL show, Failure* failure)
{
    if (!plugIn->onCommand || !plugIn->queryStatus || !plugIn->getMenuTextID
            || !plugIn->getStatusMessageID || !plugIn->plugInProc) {
        Fail(failure, 1, L"the module lacks an export the editor needs");
        return NULL;
    }
    g_plugIn = plugIn;
    g_menuText = PlugInString(plugIn, plugIn->getMenuTextID());
    g_statusText = PlugInString(plugIn, plugIn->getStatusMessageID());

    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_BAR_CLASSES };
    InitCommonControlsEx(&controls);
    WNDCLASSW wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = FrameWndProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = g_frameClass;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hIcon = LoadIcon(NULL, IDI_APPLICATION);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    /* A class left over from an earlier frame of this process serves as well. */
    if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        Fail(failure, 1, L"cannot register the editor's window class");
        return NULL;
    }

    HWND frame = CreateWindowExW(0, g_frameClass, title, WS_OVERLAPPEDWINDOW,
        60, 40, 640, 420, NULL, CreateMenuBar(), wc.hInstance, NULL);
    if (frame == NULL) {
        Fail(failure, 1, L"cannot create the editor's window");
        return NULL;
    }
    if (show) {
        ShowWindow(frame, SW_SHOWNORMAL);
        UpdateWindow(frame);
    }
    return frame;
}

static void DestroyFrame(HWND frame)
{
    if (IsWindow(frame))
        DestroyWindow(frame);
    for (size_t i = 0; i < sizeof(g_images) / sizeof(g_images[0]); i++) {
        if (g_images[i] != NULL)
            ImageList_Destroy(g_images[i]);
        g_images[i] = NULL;
    }
    if (g_hfontView != NULL)
        DeleteObject(g_hfontView);
    g_hfontView = NULL;
}

static void RunMessageLoop(void)
{
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

/* sortlines --window: until the user closes the window. */
BOOL RunWindow(const PlugIn* plugIn, const wchar_t* title, BOOL demoSort, Failure* failure)
{
    HWND frame = CreateFrame(plugIn, title, TRUE, failure);
    if (frame == NULL)
        return FALSE;
    if (demoSort)
        SetTimer(frame, DEMO_TIMER, DEMO_DELAY_MS, NULL);
    RunMessageLoop();
    DestroyFrame(frame);
    return TRUE;
}

/*
** Presses the answer's button in a shown window of this thread that has
** one: a click, as the user's, so that the window's own code decides what
** it means. lParam points to a BOOL set when the button was pressed.
*/
static BOOL CALLBACK PressAnswerIn(HWND hwnd, LPARAM lParam)
{
    HWND button = GetDlgItem(hwnd, g_answerButton);
    if (!IsWindowVisible(hwnd) || button == NULL || !IsWindowVisible(button) || !IsWindowEnabled(button))
        return TRUE;
    *(BOOL*)lParam = TRUE;
    SendMessageW(button, BM_CLICK, 0, 0);
    return FALSE;
}

/* Runs inside the module's modal loop until the answer has been given. */
static void CALLBACK OnAnswerTimer(HWND hwnd, UINT message, UINT_PTR id, DWORD time)
{
    (void)hwnd;
    (void)message;
    (void)time;
    BOOL pressed = FALSE;
    EnumThreadWindows(GetCurrentThreadId(), PressAnswerIn, (LPARAM)&pressed);
    if (pressed)
        KillTimer(NULL, id);
}

/*
** Makes one of the module's requests with the hidden frame as the owner of
** its windows; with an answer (IDOK, IDYES...), the host presses that
** button of the module's window once it shows.
*/
static LRESULT RequestWithAnswer(HWND frame, UINT request, int answer)
{
    g_answerButton = answer;
    UINT_PTR timer = answer != 0 ? SetTimer(NULL, 0, ANSWER_POLL_MS, OnAnswerTimer) : 0;
    LRESULT result = g_plugIn->plugInProc(frame, request, 0, 0);
    if (timer != 0)
        KillTimer(NULL, timer);
    g_answerButton = 0;
    return result;
}

/* sortlines --properties: the dialog alone, owned by a hidden frame. */
BOOL RunProperties(const PlugIn* plugIn, int answer, Failure* failure)
{
    HWND frame = CreateFrame(plugIn, L"Quillon stand-in host", FALSE, failure);
    if (frame == NULL)
        return FALSE;
    RequestWithAnswer(frame, PP_SHOW_PROPERTIES, answer);
    DestroyFrame(frame);
    return TRUE;
}

static BOOL SettingsKeyExists(const wchar_t* dllPath)
{
    HKEY key;
    std::wstring path = SettingsKeyFor(dllPath);
    if (path.empty() || RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return FALSE;
    RegCloseKey(key);
    return TRUE;
}

/* sortlines --uninstall: the plug-in asks; its answer and the key's fate are printed. */
BOOL RunUninstall(const PlugIn* plugIn, const wchar_t* dllPath, int answer, Failure* failure)
{
    HWND frame = CreateFrame(plugIn, L"Quillon stand-in host", FALSE, failure);
    if (frame == NULL)
        return FALSE;
    LRESULT result = RequestWithAnswer(frame, PP_UNINSTALL, answer);
    DestroyFrame(frame);
    _setmode(_fileno(stdout), _O_BINARY);
    printf("uninstall: %ld (%s)\n", (long)result, result == 1 ? "uninstalled" : "kept");
    printf("settings key: %s\n", SettingsKeyExists(dllPath) ? "present" : "absent");
    if (fflush(stdout) != 0)
        return Fail(failure, 1, L"cannot write the result");
    return TRUE;
}

/*
** Whether this process can make a top-level window. Under Wine it cannot
** without a display, nor while the prefix's session, started without one,
** has a desktop without one.
*/
BOOL CanOpenWindows(void)
{
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, NULL, NULL,
                                 GetModuleHandleW(NULL), NULL);
    if (probe == NULL)
        return FALSE;
    DestroyWindow(probe);
    return TRUE;
}
