/*
** What the files of the sortlines program share: its options, its way of
** failing, and the document's encoding on the way in and out.
*/
#ifndef ZTOA_SORTLINES_H
#define ZTOA_SORTLINES_H

#include "host.h"
#include "hostplugin.h"

#include <string>

enum Encoding { ENC_UTF8, ENC_UTF8_BOM, ENC_UTF16LE };

/* What the program does: sort and print, or one of the other modes. */
enum Mode { MODE_SORT, MODE_INFO, MODE_WINDOW, MODE_PROPERTIES, MODE_UNINSTALL };

typedef struct Options {
    Mode mode;
    const wchar_t* modeOption;   /* the option that chose the mode, for messages */
    unsigned given;              /* OPT_ bits of the options on the command line */
    POINT selStart, selEnd;
    DWORD locale, flags;
    DWORD numbers;               /* with OPT_NUMBERS: 1 for --numbers, 0 for --no-numbers */
    int wrap;
    const wchar_t* output;
    const wchar_t* input;
    const wchar_t* dll;
    int answer;                  /* with OPT_ANSWER: IDYES, IDNO, IDOK or IDCANCEL */
    BOOL help;                   /* --help or -h: print the usage and stop */
} Options;

/* Options, by bit, so that each mode can say which it takes. */
#define OPT_SELECT 0x01
#define OPT_LOCALE 0x02
#define OPT_FLAGS  0x04
#define OPT_WRAP   0x08
#define OPT_REPORT 0x10
#define OPT_OUTPUT 0x20
#define OPT_DLL    0x40
#define OPT_DEMO   0x80   /* --demo-sort: the window runs the command by itself */
#define OPT_NUMBERS 0x100 /* --numbers or --no-numbers */
#define OPT_ANSWER 0x1000 /* --yes, --no, --ok, --cancel: the host answers the module's window */

#define FAILURE_TEXT 1024   /* characters of the line a failure prints */

/* Why sortlines stops: the exit status, and the line for stderr after "sortlines: ". */
typedef struct Failure {
    int status;
    wchar_t text[FAILURE_TEXT];
} Failure;

/* Records a failure (a wide printf format: %ls wide, %hs narrow) and returns FALSE. */
BOOL Fail(Failure* failure, int status, const wchar_t* format, ...);

/*
** Test hooks (failure.cpp), idle unless SORTLINES_TEST_STALL is set: at the
** stage it names ("settings": the settings stored; "writing": the first
** part of the document written) the host says so on stderr and waits, until
** the file after a colon exists ("settings:FILE") or for two minutes. With
** the variable set at all, TestNote lines go to stderr.
*/
void TestStall(const char* stage);
void TestNote(const char* text);

/* The document from a file and back, in the file's own encoding (docfile.cpp). */
BOOL LoadDocument(const wchar_t* path, Encoding* encoding, Failure* failure);
BOOL ReadDocument(HANDLE file, Encoding* encoding, Failure* failure);
BOOL SaveDocument(const wchar_t* output, Encoding encoding, Failure* failure);   /* output NULL: stdout */

/* The modes other than sorting; each returns FALSE with *failure set when it fails. */
BOOL RunInfo(const PlugIn* plugIn, Failure* failure);
BOOL RunWindow(const PlugIn* plugIn, const wchar_t* title, BOOL demoSort, Failure* failure);
BOOL RunProperties(const PlugIn* plugIn, int answer, Failure* failure);
BOOL RunUninstall(const PlugIn* plugIn, const wchar_t* dllPath, int answer, Failure* failure);

/* Whether a top-level window can be made: FALSE without a working display. */
BOOL CanOpenWindows(void);

#endif
