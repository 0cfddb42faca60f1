/*
** UTF-16 length and ordinal comparison.
*/
#include "text.h"

/* The units of text before its terminator; 0 for NULL, as lstrlenW gives. */
int TextLengthW(const WCHAR* text)
{
    if (text == NULL)
        return 0;
    const WCHAR* end = text;
    while (*end != L'\0')
        end++;
    return (int)(end - text);
}

/* Compares two texts unit by unit: negative, 0 or positive as wcscmp does. */
int CompareOrdinalW(const WCHAR* first, const WCHAR* second)
{
    while (*first != L'\0' && *first == *second) {
        first++;
        second++;
    }
    return (int)*first - (int)*second;
}
