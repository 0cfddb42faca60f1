/*
** Line comparison. Both comparisons compare the texts without their line
** ends and invert the platform's answer, so that sorting ascending by them
** puts the greater line first. A pair the platform cannot compare ranks
** equal; the sort command refuses settings under which that happens. When
** the settings order lines by their leading numbers, the numbers decide
** first and the texts only between equal numbers.
*/
#include "compare.h"
#include "numbers.h"
#include "../common/text.h"
#include "../common/winapi.h"

#include <limits.h>
#include <stddef.h>

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
    return TrimLineEnd(text, TextLengthW(text));
}

int CompareLineTextsW(const WCHAR* first, const WCHAR* second, const CompareSettings* settings)
{
    if (first == NULL || second == NULL)
        return 0;
    int byNumber = CompareLeadingNumbers(first, second, settings);
    if (byNumber != 0)
        return byNumber;
    return InvertCompareResult(Win()->CompareStringW(settings->locale, settings->flags, first, ComparedLength(first),
                                              second, ComparedLength(second)));
}

int CompareLinePointers(const void* a, const void* b, const void* context)
{
    return CompareLineTextsW(*(WCHAR* const*)a, *(WCHAR* const*)b, (const CompareSettings*)context);
}

/*
** The bytes line's AnsiLine takes: the record and room for every UTF-16
** unit to become two bytes, rounded up so that the next entry is aligned.
** The sum over many lines is the caller's to check for overflow; 0 for a
** line too long to be converted at all.
*/
size_t AnsiLineBytes(const WCHAR* line)
{
    int len = TextLengthW(line);
    if (len > (INT_MAX - 1) / 2)
        return 0;   /* WideCharToMultiByte takes no room that large */
    size_t bytes = offsetof(AnsiLine, text) + 2 * (size_t)len + 1;
    return (bytes + sizeof(void*) - 1) & ~(sizeof(void*) - 1);
}

/*
** Converts line into the AnsiLine at room, which has AnsiLineBytes(line)
** bytes. Returns NULL when the conversion fails, so that no unterminated
** text is ever compared.
*/
AnsiLine* MakeAnsiLine(WCHAR* line, void* room)
{
    AnsiLine* entry = (AnsiLine*)room;
    int size = 2 * TextLengthW(line) + 1;
    entry->line = line;
    if (WideCharToMultiByte(CP_ACP, 0, line, -1, entry->text, size, NULL, NULL) == 0)
        return NULL;
    entry->length = TrimLineEnd(entry->text, lstrlenA(entry->text));
    return entry;
}

int CompareAnsiLines(const void* a, const void* b, const void* context)
{
    const AnsiLine* first = *(const AnsiLine* const*)a;
    const AnsiLine* second = *(const AnsiLine* const*)b;
    const CompareSettings* settings = (const CompareSettings*)context;
    int byNumber = CompareLeadingNumbers(first->line, second->line, settings);
    if (byNumber != 0)
        return byNumber;
    return InvertCompareResult(CompareStringA(settings->locale, settings->flags, first->text, first->length,
                                              second->text, second->length));
}
