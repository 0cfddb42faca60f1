/*
** How the sortlines program's helpers say why it must stop: they fill a
** Failure and return FALSE, and only wmain prints it and exits.
*/
#include "sortlines.h"

#include <stdarg.h>
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
