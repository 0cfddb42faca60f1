/*
** The number a line begins with, read the way the chosen locale writes
** numbers: reading it, comparing two exactly, and the key bytes that put
** lines in the order of their numbers.
*/
#ifndef ZTOA_NUMBERS_H
#define ZTOA_NUMBERS_H

#include <windows.h>

#include "../settings/settings.h"

/* What a line begins with, lowest first: the order of the classes is the order of the lines. */
enum NumberClass {
    NUMBER_NONE = 1,       /* no number: such lines come after every numbered one */
    NUMBER_NEGATIVE = 2,
    NUMBER_ZERO = 3,       /* 0, -0, 0.00 and the like */
    NUMBER_POSITIVE = 4
};

/*
** A leading number as read. Its value is 0.d1d2...dn times ten to the
** exponent, d1 the first digit that is not 0 and dn the last one; the
** digits stand in the text from first on, with separators between them.
*/
typedef struct LeadingNumber {
    int kind;             /* a NumberClass */
    int exponent;         /* digits before the decimal separator, or minus the zeros after it */
    int digits;           /* n: significant digits, trailing zeros left out */
    const WCHAR* first;   /* d1 in the line's text */
} LeadingNumber;

void ReadLeadingNumber(const WCHAR* text, const WCHAR* decimalSeparator, const WCHAR* groupSeparator,
                       LeadingNumber* number);
int CompareNumbers(const LeadingNumber* a, const LeadingNumber* b);
int CompareLeadingNumbers(const WCHAR* first, const WCHAR* second, const CompareSettings* settings);
DWORD NumberKeyLength(const LeadingNumber* number);
void WriteNumberKey(const LeadingNumber* number, BYTE* key);

#endif
