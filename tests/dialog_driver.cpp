#include "dialog_driver.h"
#include "settings/keypath.h"

#include <vector>

#define DRIVER_TICK_MS     25      /* how often the timer looks at the windows */
#define DIALOG_WAIT_MS     10000   /* longest wait for the dialog to show up */
#define DIALOG_CLOSE_MS    5000    /* longest wait for it to close once pressed */

#define VENDOR_KEY  "Software\\Norvale"

/* One run of RunDialog in progress. */
typedef struct DriverState {
    const DialogAction* action;   /* what to do with the dialog */
    DialogRun* run;               /* what was seen */
    DWORD started;                /* GetTickCount when the run began */
    DWORD pressed;                /* GetTickCount when the button was pressed */
    BOOL busy;                    /* inside the timer procedure */
    BOOL done;                    /* acted, or gave up */
} DriverState;

static DriverState* g_driver;   /* the run in progress, NULL between runs */

static bool IsDialogWindow(HWND window)
{
    WCHAR name[16];
    return GetClassNameW(window, name, 16) > 0 && lstrcmpW(name, L"#32770") == 0;
}

static BOOL CALLBACK CollectDialog(HWND window, LPARAM lParam)
{
    if (IsDialogWindow(window))
        ((std::vector<HWND>*)lParam)->push_back(window);
    return TRUE;
}

/* The dialogs of this thread: a modal dialog belongs to the thread that
   called DialogBox or MessageBox, which is the test's own. */
static std::vector<HWND> OpenDialogs(void)
{
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), CollectDialog, (LPARAM)&found);
    return found;
}

/* Ends every modal dialog of this thread, so that the call that opened
   it returns and the test can report the failure instead of hanging. */
static void CancelOpenDialogs(void)
{
    std::vector<HWND> open = OpenDialogs();
    for (size_t i = 0; i < open.size(); i++)
        EndDialog(open[i], IDCANCEL);
}

/*
** Runs inside the dialog's message loop. Waits until a dialog of this
** thread is visible, lets the action look at it, and presses the button
** that the action names; cancels the dialog when it does not show up or
** does not close in time.
*/
static void CALLBACK DriverTimerProc(HWND hwnd, UINT message, UINT_PTR id, DWORD time)
{
    (void)hwnd; (void)message; (void)id; (void)time;
    DriverState* d = g_driver;
    if (d == NULL || d->busy)
        return;
    d->busy = TRUE;
    DWORD now = GetTickCount();
    if (!d->done) {
        std::vector<HWND> open = OpenDialogs();
        HWND dialog = open.empty() ? NULL : open[0];
        bool late = now - d->started > DIALOG_WAIT_MS;
        if (dialog != NULL && (IsWindowVisible(dialog) || late)) {
            DialogRun* run = d->run;
            run->dialog = dialog;
            run->owner = GetWindow(dialog, GW_OWNER);
            run->visible = IsWindowVisible(dialog);
            run->ownerEnabled = run->owner != NULL && IsWindowEnabled(run->owner);
            int button = (*d->action)(dialog);
            d->done = TRUE;
            d->pressed = GetTickCount();
            if (IsWindow(dialog))
                ClickDialogButton(dialog, button);
        } else if (late) {
            d->run->timedOut = TRUE;
            d->done = TRUE;
            d->pressed = now;
            CancelOpenDialogs();
        }
    } else if (now - d->pressed > DIALOG_CLOSE_MS && !OpenDialogs().empty()) {
        d->run->stuck = TRUE;
        d->pressed = now;
        CancelOpenDialogs();
    }
    d->busy = FALSE;
}

LRESULT RunDialog(const std::function<LRESULT()>& open, const DialogAction& action, DialogRun* run)
{
    ZeroMemory(run, sizeof(*run));
    DriverState state;
    ZeroMemory(&state, sizeof(state));
    state.action = &action;
    state.run = run;
    state.started = GetTickCount();
    g_driver = &state;
    UINT_PTR timer = SetTimer(NULL, 0, DRIVER_TICK_MS, DriverTimerProc);
    LRESULT result = open();
    KillTimer(NULL, timer);
    g_driver = NULL;
    return result;
}

void ClickDialogButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (button != NULL)
        SendMessageW(button, BM_CLICK, 0, 0);
}

std::wstring WindowTextW(HWND window)
{
    int length = GetWindowTextLengthW(window);
    std::vector<WCHAR> text(length + 1);
    int got = GetWindowTextW(window, text.data(), length + 1);
    return std::wstring(text.data(), got > 0 ? got : 0);
}

HWND FindChildOfClass(HWND dialog, const wchar_t* className)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child != NULL; child = GetWindow(child, GW_HWNDNEXT)) {
        WCHAR name[64];
        if (GetClassNameW(child, name, 64) > 0 && lstrcmpiW(name, className) == 0)
            return child;
    }
    return NULL;
}

HWND CreateOwnerWindow(void)
{
    static const WCHAR className[] = L"ZtoATestOwner";
    WNDCLASSW wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = className;
    RegisterClassW(&wc);
    return CreateWindowExW(0, className, L"ZtoA test owner", WS_OVERLAPPEDWINDOW,
                           0, 0, 400, 300, NULL, NULL, wc.hInstance, NULL);
}

bool PluginsKeyExists(void)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, PLUGINS_KEY_PATH, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void RemovePluginsKeys(void)
{
    /* RegDeleteKey leaves a key that still has subkeys. */
    RegDeleteKeyA(HKEY_CURRENT_USER, PLUGINS_KEY_PATH);
    RegDeleteKeyA(HKEY_CURRENT_USER, VENDOR_KEY);
}
