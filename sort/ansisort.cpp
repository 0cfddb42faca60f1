/*
** Sorting with CompareStringA. Every line is converted to the ANSI code
** page once, into one block, before the sort: a comparison then needs no
** memory of its own, so running out of it can refuse the sort but never
** make two lines compare equal that do not.
*/
#include "ansisort.h"
#include "compare.h"
#include "stablesort.h"
#include "../common/memory.h"

/*
** The bytes the lines' AnsiLine entries take together; 0 when a line is
** too long to be converted or the sum does not fit a size_t.
*/
static size_t AnsiBlockBytes(WCHAR** lines, size_t count)
{
    size_t total = 0;
    for (size_t i = 0; i < count; i++) {
        size_t bytes = AnsiLineBytes(lines[i]);
        if (bytes == 0 || bytes > (size_t)-1 - total)
            return 0;
        total += bytes;
    }
    return total;
}

/* Puts back into lines[0..count), which hold AnsiLine entries, the UTF-16 lines they came from. */
static void TakeLinesBack(WCHAR** lines, size_t count)
{
    for (size_t i = 0; i < count; i++)
        lines[i] = ((AnsiLine*)(void*)lines[i])->line;
}

/*
** Sorts lines descending by CompareStringA under settings, lines that
** compare equal in document order. While it sorts, lines holds pointers to
** the converted entries instead of the texts. Returns FALSE, with lines as
** they were, when the block or the sort's scratch cannot be had or a line
** cannot be converted.
*/
BOOL SortLinesInAnsi(WCHAR** lines, size_t count, const CompareSettings* settings)
{
    if (count < 2)
        return TRUE;
    size_t total = AnsiBlockBytes(lines, count);
    BYTE* block = total != 0 ? (BYTE*)ZtoaAlloc(total) : NULL;
    if (block == NULL)
        return FALSE;
    BYTE* at = block;
    for (size_t i = 0; i < count; i++) {
        size_t bytes = AnsiLineBytes(lines[i]);
        AnsiLine* entry = MakeAnsiLine(lines[i], at);
        if (entry == NULL) {
            TakeLinesBack(lines, i);
            ZtoaFree(block);
            return FALSE;
        }
        lines[i] = (WCHAR*)(void*)entry;
        at += bytes;
    }
    BOOL sorted = StableSortPointersWith((void**)lines, count, CompareAnsiLines, settings);
    TakeLinesBack(lines, count);
    ZtoaFree(block);
    return sorted;
}
