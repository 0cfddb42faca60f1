/*
** Test helpers for the windows that the module opens: a top-level window
** to own them, and a modal dialog (the properties dialog or a message box)
** driven from a timer that the dialog's own message loop dispatches, with a
** watchdog so that a dialog that never shows up, or never closes, cannot
** hang a test.
*/
#ifndef ZTOA_TESTS_DIALOG_DRIVER_H
#define ZTOA_TESTS_DIALOG_DRIVER_H

#include <windows.h>
#include <functional>
#include <string>

/* What one run of a modal dialog looked like from outside. */
typedef struct DialogRun {
    HWND dialog;         /* the dialog found, NULL when none showed up */
    HWND owner;          /* the dialog's owner (GW_OWNER) */
    BOOL visible;        /* it was visible when it was found */
    BOOL ownerEnabled;   /* its owner still took input while it was open */
    BOOL timedOut;       /* none showed up in time; whatever was open was cancelled */
    BOOL stuck;          /* the button pressed did not close it; it was cancelled */
} DialogRun;

/* Looks at the open dialog, may change its controls, and returns the id of
   the button that closes it (IDOK, IDCANCEL, IDYES, IDNO). */
typedef std::function<int(HWND dialog)> DialogAction;

/*
** Calls open, which must open a modal dialog and return when it closes;
** once the dialog shows, runs action on it and presses the button that
** action names. Returns what open returned.
*/
LRESULT RunDialog(const std::function<LRESULT()>& open, const DialogAction& action, DialogRun* run);

/* Clicks a button of the dialog as the user would (BM_CLICK). */
void ClickDialogButton(HWND dialog, int id);

/* The text of a window, read as UTF-16. */
std::wstring WindowTextW(HWND window);

/* The first child of the dialog with this window class, or NULL. */
HWND FindChildOfClass(HWND dialog, const wchar_t* className);

/* A hidden top-level window that can own dialogs; DestroyWindow ends it. */
HWND CreateOwnerWindow(void);

/*
** The parent keys of the module's settings key. A test that may create
** them remembers whether they were there and removes them again if not.
*/
bool PluginsKeyExists(void);
void RemovePluginsKeys(void);   /* only the empty ones go */

#endif
