/*
** The cost model of the key path: which way of ordering costs less. A key reads its whole line, while a
** comparison stops soon after the first unit that differs: a range of long
** lines that differ early, or of a handful of lines, costs less by the
** comparator, and so does a tied run whose keys are long against its
** count.
*/
#include "costmodel.h"
#include "records.h"
#include "../common/text.h"

#include <algorithm>

#define COST_SAMPLE_LINES 32                  /* lines whose order shows how far neighbours share */
#define KEY_CALL_COST 10                      /* a call of LCMapStringW */
#define COMPARE_CALL_COST 11                  /* a call of CompareStringW */
#define COMPARE_SCAN_UNITS 64                 /* it reads both texts, one cost for this many units */
#define COMPARE_SHARED_COST 2                 /* and compares each unit the texts share, at this cost */

/* The smallest n with 2^n >= count. */
static size_t CeilLog2(size_t count)
{
    size_t log2 = 0;
    while (log2 < 8 * sizeof(size_t) && ((size_t)1 << log2) < count)
        log2++;
    return log2;
}

/* The units two texts share before the first that differs. */
static size_t SharedUnits(const WCHAR* a, const WCHAR* b)
{
    size_t n = 0;
    while (a[n] != L'\0' && a[n] == b[n])
        n++;
    return n;
}

/*
** Whether ordering the whole range by CompareStringW costs less than
** making a key for every line. A key costs KEY_CALL_COST and one for each
** unit of its line; the stable sort makes about count * log2(count)
** comparisons, each of which reads both lines and compares the units they
** share. How far sorted neighbours share is judged from a sample of the
** lines in ordinal order. Lines that only compare equal (case variants
** under ignore case, say) share more than that, which makes the
** comparator look cheaper than it is, never dearer.
*/
BOOL ComparatorCostsLessForRange(WCHAR** lines, size_t count, size_t units)
{
    const WCHAR* sample[COST_SAMPLE_LINES + 1];
    size_t samples = count < COST_SAMPLE_LINES + 1 ? count : COST_SAMPLE_LINES + 1;
    for (size_t j = 0; j < samples; j++)
        sample[j] = lines[j * (count - 1) / (samples - 1)];
    std::sort(sample, sample + samples, [](const WCHAR* a, const WCHAR* b) { return CompareOrdinalW(a, b) < 0; });
    size_t shared = 0;
    for (size_t j = 1; j < samples; j++)
        shared += SharedUnits(sample[j - 1], sample[j]);
    size_t perKey = KEY_CALL_COST + units / count;
    size_t perComparison = COMPARE_CALL_COST + units / count / (COMPARE_SCAN_UNITS / 2)
                           + COMPARE_SHARED_COST * (shared / (samples - 1));
    return perKey > CeilLog2(count) * perComparison;
}

/*
** Whether a run whose whole keys are more than the store may keep costs
** less by the comparator than slice by slice. Slices that keep tying
** make every key again each KEPT_BYTES, up to SLICE_MAX_BYTES and once
** whole after that; the stable sort compares each line about log2(count)
** times, each unit compared costing COMPARE_SHARED_COST units of a key.
*/
BOOL ComparatorCostsLessForRun(size_t count, size_t need, DWORD tied)
{
    size_t average = need / count;
    size_t sliced = average < SLICE_MAX_BYTES ? average : SLICE_MAX_BYTES;
    size_t steps = sliced > tied ? (sliced - tied + KEPT_BYTES - 1) / KEPT_BYTES : 0;
    if (average > SLICE_MAX_BYTES || tied >= SLICE_MAX_BYTES)
        steps++;
    return COMPARE_SHARED_COST * CeilLog2(count) < steps;
}
