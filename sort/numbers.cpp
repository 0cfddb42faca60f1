/*
** Leading numbers. A line's number is read from its start: blanks (space,
** tab, ideographic space), then an optional sign (+ - U+2212, or full-width
** ＋ －), then digits (0-9, or full-width ０-９) with the locale's grouping
** separator between digits of the integer part, then optionally the
** locale's decimal separator and more digits. A separator counts only
** between two digits: in "1," and "1." the number is 1 and the separator
** is text. Anything else ends the number, and what was read up to there
** counts. Values are compared digit by digit, exactly, at any length.
*/
#include "numbers.h"

#define FULL_WIDTH_OFFSET 0xFEE0   /* from a printable ASCII character to its full-width form */

/* The first key byte: the class, and for a positive number its exponent. */
#define KEY_NONE 0x01              /* no number */
#define KEY_ZERO 0x80              /* zero; a negative number's first byte lies between the two */
#define KEY_TINY 0x82              /* positive, the exponent below MIN_SMALL_EXPONENT in 4 bytes after it */
#define KEY_SMALL 0xC0             /* positive, the exponent e from MIN_ to MAX_SMALL_EXPONENT: 0xC0 + e */
#define KEY_HUGE 0xFD              /* positive, the exponent above MAX_SMALL_EXPONENT in 4 bytes after it */
#define MIN_SMALL_EXPONENT (-61)
#define MAX_SMALL_EXPONENT 60

/* The value of an ASCII or full-width digit; -1 for any other character. */
static int DigitValue(WCHAR c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= 0xFF10 && c <= 0xFF19)
        return c - 0xFF10;
    return -1;
}

static BOOL IsBlank(WCHAR c)
{
    return c == L' ' || c == L'\t' || c == 0x3000;
}

/*
** Whether c stands for the separator character s: s itself, the full-width
** form of an ASCII s (as typed among full-width digits), or for a no-break
** space the other one (Windows versions give fr-FR either).
*/
static BOOL IsSeparatorChar(WCHAR c, WCHAR s)
{
    if (c == s)
        return TRUE;
    if (s > 0x20 && s < 0x7F)
        return c == s + FULL_WIDTH_OFFSET;
    return (s == 0x00A0 && c == 0x202F) || (s == 0x202F && c == 0x00A0);
}

/*
** The units that separator takes at the start of text when a digit
** follows it; 0 when it is not there, or no digit follows. An empty
** separator never matches, nor one that holds a digit, whose digit would
** be read twice.
*/
static int SeparatorBeforeDigit(const WCHAR* text, const WCHAR* separator)
{
    int n = 0;
    for (; separator[n] != 0; n++) {
        if (DigitValue(separator[n]) >= 0 || !IsSeparatorChar(text[n], separator[n]))
            return 0;
    }
    return n > 0 && DigitValue(text[n]) >= 0 ? n : 0;
}

/*
** Reads the number that text (NUL-terminated) begins with, under the two
** separators (NUL-terminated; empty ones never match). A text that holds
** no digit where the number would begin has none: NUMBER_NONE.
*/
void ReadLeadingNumber(const WCHAR* text, const WCHAR* decimalSeparator, const WCHAR* groupSeparator,
                       LeadingNumber* number)
{
    const WCHAR* p = text;
    while (IsBlank(*p))
        p++;
    BOOL negative = *p == L'-' || *p == 0x2212 || *p == 0xFF0D;
    if (negative || *p == L'+' || *p == 0xFF0B)
        p++;
    number->kind = NUMBER_NONE;
    number->exponent = 0;
    number->digits = 0;
    number->first = NULL;
    if (DigitValue(*p) < 0)
        return;
    int seen = 0;             /* digits from the first significant one on */
    BOOL fraction = FALSE;    /* past the decimal separator */
    for (;;) {
        int d = DigitValue(*p);
        if (d >= 0) {
            if (number->first == NULL && d != 0)
                number->first = p;
            if (number->first != NULL) {
                seen++;
                if (d != 0)
                    number->digits = seen;
                if (!fraction)
                    number->exponent++;
            } else if (fraction) {
                number->exponent--;
            }
            p++;
            continue;
        }
        int n = fraction ? 0 : SeparatorBeforeDigit(p, decimalSeparator);
        if (n > 0) {
            fraction = TRUE;
        } else {
            n = fraction ? 0 : SeparatorBeforeDigit(p, groupSeparator);
            if (n == 0)
                break;
        }
        p += n;
    }
    if (number->first == NULL)
        number->kind = NUMBER_ZERO;
    else
        number->kind = negative ? NUMBER_NEGATIVE : NUMBER_POSITIVE;
}

/* The next digit's value at or after *at, which then points past it; a digit must follow. */
static int NextDigit(const WCHAR** at)
{
    const WCHAR* p = *at;
    int d;
    while ((d = DigitValue(*p)) < 0)
        p++;
    *at = p + 1;
    return d;
}

/* How the magnitudes of two numbers other than zero compare: above 0 when a's is greater. */
static int CompareMagnitudes(const LeadingNumber* a, const LeadingNumber* b)
{
    if (a->exponent != b->exponent)
        return a->exponent > b->exponent ? 1 : -1;
    const WCHAR* atA = a->first;
    const WCHAR* atB = b->first;
    int common = a->digits < b->digits ? a->digits : b->digits;
    for (int i = 0; i < common; i++) {
        int da = NextDigit(&atA);
        int db = NextDigit(&atB);
        if (da != db)
            return da > db ? 1 : -1;
    }
    /* The longer one goes on with digits that are not all 0. */
    if (a->digits != b->digits)
        return a->digits > b->digits ? 1 : -1;
    return 0;
}

/*
** How two read numbers compare by value: above 0 when a is greater, below
** 0 when smaller, 0 when equal. No number ranks below every number.
*/
int CompareNumbers(const LeadingNumber* a, const LeadingNumber* b)
{
    if (a->kind != b->kind)
        return a->kind > b->kind ? 1 : -1;
    if (a->kind == NUMBER_POSITIVE)
        return CompareMagnitudes(a, b);
    if (a->kind == NUMBER_NEGATIVE)
        return CompareMagnitudes(b, a);
    return 0;
}

/*
** The comparators' first step: -1 when first's leading number is the
** greater, 1 when second's is, as the comparators answer; 0 when they are
** equal, or when settings do not order lines by their numbers.
*/
int CompareLeadingNumbers(const WCHAR* first, const WCHAR* second, const CompareSettings* settings)
{
    if (!settings->numbers)
        return 0;
    LeadingNumber a, b;
    ReadLeadingNumber(first, settings->decimalSeparator, settings->groupSeparator, &a);
    ReadLeadingNumber(second, settings->decimalSeparator, settings->groupSeparator, &b);
    int c = CompareNumbers(&a, &b);
    return c > 0 ? -1 : c < 0 ? 1 : 0;
}

static BOOL HasMagnitude(const LeadingNumber* number)
{
    return number->kind == NUMBER_POSITIVE || number->kind == NUMBER_NEGATIVE;
}

static BOOL IsSmallExponent(int exponent)
{
    return exponent >= MIN_SMALL_EXPONENT && exponent <= MAX_SMALL_EXPONENT;
}

/* The bytes that WriteNumberKey writes for number. */
DWORD NumberKeyLength(const LeadingNumber* number)
{
    if (!HasMagnitude(number))
        return 1;
    return (IsSmallExponent(number->exponent) ? 1 : 5) + ((DWORD)number->digits + 1) / 2;
}

/*
** Writes the key bytes of number, NumberKeyLength of them, whose byte
** order is the order of the values; they are few, so that the line's own
** key still has most of the bytes a record keeps. A line without a number
** and zero take one byte each. A positive number's bytes are its exponent
** (KEY_SMALL and the like) and its digits two to a byte, the pair a, b as
** 1 + 2(10a + b), plus 1 where more digits follow: a last digit a alone is
** the pair a, 0 that ends, which no other number's digits give. A negative
** number's bytes are those of its magnitude inverted, so that the greater
** magnitude ranks lower. No number's bytes begin another's, so that the
** bytes after them (the line's text) count only between equal numbers.
*/
void WriteNumberKey(const LeadingNumber* number, BYTE* key)
{
    BYTE* out = key;
    if (!HasMagnitude(number)) {
        *out = number->kind == NUMBER_ZERO ? KEY_ZERO : KEY_NONE;
        return;
    }
    int e = number->exponent;
    if (IsSmallExponent(e)) {
        *out++ = (BYTE)(KEY_SMALL + e);
    } else {
        DWORD biased = (DWORD)e ^ 0x80000000;   /* unsigned order is signed order */
        *out++ = e > 0 ? KEY_HUGE : KEY_TINY;
        for (int shift = 24; shift >= 0; shift -= 8)
            *out++ = (BYTE)(biased >> shift);
    }
    const WCHAR* at = number->first;
    for (int i = 0; i < number->digits; i += 2) {
        int a = NextDigit(&at);
        int b = i + 1 < number->digits ? NextDigit(&at) : 0;
        *out++ = (BYTE)(1 + 2 * (10 * a + b) + (i + 2 < number->digits ? 1 : 0));
    }
    if (number->kind == NUMBER_NEGATIVE) {
        for (BYTE* byte = key; byte < out; byte++)
            *byte = (BYTE)~*byte;
    }
}
