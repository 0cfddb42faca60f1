/*
** Line comparators. Both compare the texts without their line ends and
** invert the platform's answer, so that sorting ascending by them puts the
** greater line first. A pair that cannot be compared ranks equal. When the
** settings order lines by their leading numbers, the numbers decide first
** and the texts only between equal numbers.
*/
#include "compare.h"
#include "numbers.h"
#include "../common/memory.h"
#include "../common/widefunc.h"

/* The settings of the running sort. The qsort-shaped comparators are
   given nothing else, so they read them here. */
static CompareSettings g_compareSettings;   /* written by UseCompareSettings alone */

void UseCompareSettings(const CompareSettings* settings)
{
    g_compareSettings = *settings;
}

/*
** Returns len shortened by the line end at the end of text: one CR or LF,
** then one more CR, so x CR LF, x CR and x LF all compare as x.
*/
template <typename Unit>
static int TrimLineEnd(const Unit* text, int len)
{
    if (len > 0 && (text[len - 1] == '\r' || text[len - 1] == '\n'))
        len--;
    if (len > 0 && text[len - 1] == '\r')
        len--;
    return len;
}

/* Maps a CompareString result to the inverted qsort result. */
static int InvertCompareResult(int result)
{
    if (result == CSTR_LESS_THAN)
        return 1;
    if (result == CSTR_GREATER_THAN)
        return -1;
    return 0;
}

int ComparedLength(const WCHAR* text)
{
    return TrimLineEnd(text, lstrlenW(text));
}

int CompareLinesW(const void* a, const void* b)
{
    const WCHAR* first = *(const WCHAR* const*)a;
    const WCHAR* second = *(const WCHAR* const*)b;
    return CompareLineTextsW(first, second, &g_compareSettings);
}

int CompareLineTextsW(const WCHAR* first, const WCHAR* second, const CompareSettings* settings)
{
    if (first == NULL || second == NULL)
        return 0;
    int byNumber = CompareLeadingNumbers(first, second, settings);
    if (byNumber != 0)
        return byNumber;
    return InvertCompareResult(CompareStringW(settings->locale, settings->flags, first, ComparedLength(first),
                                              second, ComparedLength(second)));
}

/*
** Converts text to the ANSI code page in a new buffer of 2 * len + 1 bytes.
** Returns NULL when the buffer cannot be had or the conversion fails, so
** that no unterminated buffer is ever compared.
*/
static char* ToAnsi(const WCHAR* text)
{
    int len = lstrlenW(text);
    int size = 2 * len + 1;
    char* buffer = (char*)ZtoaAlloc(size);
    if (buffer == NULL)
        return NULL;
    if (WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, size, NULL, NULL) == 0) {
        ZtoaFree(buffer);
        return NULL;
    }
    return buffer;
}

int CompareLinesA(const void* a, const void* b)
{
    const WCHAR* first = *(const WCHAR* const*)a;
    const WCHAR* second = *(const WCHAR* const*)b;
    if (first == NULL || second == NULL)
        return 0;
    int byNumber = CompareLeadingNumbers(first, second, &g_compareSettings);
    if (byNumber != 0)
        return byNumber;
    int result = 0;
    char* firstAnsi = ToAnsi(first);
    char* secondAnsi = ToAnsi(second);
    if (firstAnsi != NULL && secondAnsi != NULL) {
        int firstLen = TrimLineEnd(firstAnsi, lstrlenA(firstAnsi));
        int secondLen = TrimLineEnd(secondAnsi, lstrlenA(secondAnsi));
        result = CompareStringA(g_compareSettings.locale, g_compareSettings.flags,
                                firstAnsi, firstLen, secondAnsi, secondLen);
    }
    ZtoaFree(firstAnsi);
    ZtoaFree(secondAnsi);
    return InvertCompareResult(result);
}
