/*
** The comparison of two line texts under a sort's settings.
*/
#ifndef ZTOA_COMPARE_H
#define ZTOA_COMPARE_H

#include <windows.h>

#include "../settings/settings.h"

/* The length of a line's text without its line end: what is compared of it. */
int ComparedLength(const WCHAR* text);

/*
** How two line texts order under settings, qsort-style with the greater
** line first: below 0 when first ranks before second, 0 when they tie.
** This is the order every sort path gives on the NT family.
*/
int CompareLineTextsW(const WCHAR* first, const WCHAR* second, const CompareSettings* settings);

/* CompareLineTextsW over two elements of an array of WCHAR*; context: CompareSettings. */
int CompareLinePointers(const void* a, const void* b, const void* context);

/*
** A line converted to the ANSI code page once, for Windows without
** CompareStringW: the line it came from, and its text without the line end.
*/
typedef struct AnsiLine {
    WCHAR* line;     /* the UTF-16 line, line end included */
    int length;      /* bytes of text compared, line end left out */
    char text[1];    /* NUL-terminated; the entry runs on */
} AnsiLine;

size_t AnsiLineBytes(const WCHAR* line);
AnsiLine* MakeAnsiLine(WCHAR* line, void* room);

/* CompareLineTextsW's order for two AnsiLine* array elements, by CompareStringA; context: CompareSettings. */
int CompareAnsiLines(const void* a, const void* b, const void* context);

#endif
