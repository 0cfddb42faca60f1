/*
** How the sortlines program's helpers say why it must stop: they fill a
** Failure and return FALSE, and only wmain prints it and exits. Also the
** hooks by which tests stop the program at a known point (sortlines.h).
*/
#include "sortlines.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

BOOL Fail(Failure* failure, int status, const wchar_t* format, ...)
{
    wchar_t text[FAILURE_TEXT];   /* format may name failure->text itself */
    va_list args;
    va_start(args, format);
    _vsnwprintf(text, FAILURE_TEXT - 1, format, args);
    va_end(args);
    text[FAILURE_TEXT - 1] = L'\0';
    failure->status = status;
    wcscpy(failure->text, text);
    return FALSE;
}

/* The value of SORTLINES_TEST_STALL, or FALSE when it is not set. */
static BOOL TestSetting(char* value, DWORD size)
{
    DWORD n = GetEnvironmentVariableA("SORTLINES_TEST_STALL", value, size);
    return n > 0 && n < size;
}

/* Prints "sortlines: test: TEXT" on stderr when a test asks for hooks. */
void TestNote(const char* text)
{
    char value[MAX_PATH];
    if (!TestSetting(value, sizeof(value)))
        return;
    fprintf(stderr, "sortlines: test: %s\n", text);
    fflush(stderr);
}

/*
** Waits at stage when SORTLINES_TEST_STALL names it: until its release
** file exists, or two minutes at most, so that a test that died never
** leaves a host waiting for ever.
*/
void TestStall(const char* stage)
{
    char value[MAX_PATH];
    size_t length = strlen(stage);
    if (!TestSetting(value, sizeof(value)) || strncmp(value, stage, length) != 0
            || (value[length] != '\0' && value[length] != ':'))
        return;
    fprintf(stderr, "sortlines: test: stalled at %s\n", stage);
    fflush(stderr);
    const char* release = value[length] == ':' ? value + length + 1 : NULL;
    for (int waited = 0; waited < 120000; waited += 10) {
        if (release != NULL && GetFileAttributesA(release) != INVALID_FILE_ATTRIBUTES)
            return;
        Sleep(10);
    }
}
