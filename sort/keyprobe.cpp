/*
** Before the key path is trusted with a locale and flags, the keys of a
** fixed set of texts are made and every pair of them is ordered both by
** the keys and by the comparator. Settings under which the two disagree
** anywhere go to the comparator from then on, so that a Windows whose
** keys differ from its comparison across the board (a flag its
** LCMapStringW reads otherwise, a sort table of another version) does not
** pay for a key sort and its refutation on every run.
**
** The texts are the ones real documents hold where the two functions are
** likeliest to part: case, accents and their combining forms, ligatures
** and expansions, kana type, voiced marks, width, the long vowel mark,
** hyphens and apostrophes (the word sort), digits, symbols and spaces,
** ideographs, Hangul, scripts with contractions, surrogate pairs.
** Characters that are known to disagree in rare contexts only (Arabic
** presentation forms, Tibetan vowel signs) are left out: they would take
** the key path away from every document for the sake of a few, and the
** sort's own check of each adjacent pair catches them where they occur.
*/
#include "keyprobe.h"
#include "compare.h"
#include "keystore.h"

#include <string.h>

#define PROBE_CACHE_SIZE 16   /* settings remembered per process */

static const WCHAR* const g_probeTexts[] = {
    L"", L" ", L"\t", L"a", L"A", L"b", L"B", L"z", L"Z", L"aa", L"aA", L"Aa", L"ab", L"abc", L"ABC",
    L"\x00E9", L"e", L"E", L"\x00C9", L"e\x0301", L"\x00EB", L"\x00EA", L"ea", L"eb",
    L"\x00E6", L"ae", L"AE", L"\x00DF", L"ss", L"SS", L"\x00E5", L"\x00F8", L"o", L"\x00F6", L"oe",
    L"\x00FC", L"u", L"ue", L"\x0131", L"i", L"I", L"\x0130", L"ch", L"c", L"h", L"ll", L"l",
    L"co-op", L"coop", L"co-op's", L"coops", L"can't", L"cant", L"-", L"'", L"--", L"a-b", L"ab-", L"-ab",
    L"0", L"1", L"2", L"10", L"02", L"2a", L"a2", L"a10", L"a9", L"1.5", L"1,5", L"\xFF11", L"\x0661",
    L"!", L"#", L"@", L"$", L"%", L"&", L"(", L")", L"*", L"+", L".", L"/", L":", L";", L"_", L"~",
    L"\x20AC", L"\x00A3", L"\x00A5", L"\xFF01", L"\x3000", L"\x3001", L"\x3002",
    L"\x3042", L"\x30A2", L"\xFF71", L"\x3042\x3044", L"\x30A2\x30A4", L"\x304B", L"\x304C", L"\x30AB",
    L"\x30AC", L"\xFF76", L"\xFF76\xFF9E", L"\x306F", L"\x3070", L"\x3071", L"\x306F\x306F", L"\x3070\x3070",
    L"\x3071\x3071", L"\x30FC", L"\x30AB\x30FC", L"\x30AB\x30A2", L"\x309D", L"\x3063", L"\x3064",
    L"\xFF21", L"\xFF41", L"\xFF21\xFF22",
    L"\x4E00", L"\x4E2D", L"\x6587", L"\x963F", L"\x6CE2", L"\x5B57", L"\x4E2D\x6587", L"\x570B", L"\x56FD",
    L"\xAC00", L"\xAC01", L"\x1100\x1161", L"\xD55C",
    L"\x0430", L"\x0410", L"\x0451", L"\x0435", L"\x03B1", L"\x0391", L"\x03AC", L"\x05D0", L"\x0627",
    L"\x0E40\x0E01", L"\x0E01", L"\x0915", L"\x0915\x094D",
    L"\xD840\xDC0B", L"\xD83D\xDE00", L"\xE000", L"\xFFFD", L"a\x00AD" L"b",
};

#define PROBE_TEXT_COUNT (sizeof(g_probeTexts) / sizeof(g_probeTexts[0]))

/* The settings probed so far in this process, and the verdicts. */
typedef struct ProbeVerdict {
    LCID locale;
    DWORD flags;
    BOOL numbers;   /* keys that begin with the leading number's bytes */
    BOOL agree;
} ProbeVerdict;

static ProbeVerdict g_probeVerdicts[PROBE_CACHE_SIZE];   /* filled from the start, then round */
static size_t g_probeVerdictCount;                        /* verdicts made so far */

/* How two made keys order: above 0 when a ranks higher. A key that another begins with ranks lower. */
static int CompareKeys(const BYTE* a, DWORD aLength, const BYTE* b, DWORD bLength)
{
    int c = memcmp(a, b, aLength < bLength ? aLength : bLength);
    if (c != 0)
        return c;
    return aLength == bLength ? 0 : aLength > bLength ? 1 : -1;
}

static int Sign(int value)
{
    return value > 0 ? 1 : value < 0 ? -1 : 0;
}

/* What the probe found. */
enum ProbeResult { PROBE_AGREES, PROBE_DISAGREES, PROBE_NO_KEYS };

/*
** Makes every probe text's key under settings and orders every pair both
** ways. PROBE_NO_KEYS: the keys could not be made (no memory, mostly).
*/
static ProbeResult ProbeKeys(const CompareSettings* settings)
{
    KeyStore store;
    if (!OpenKeyStore(&store))
        return PROBE_NO_KEYS;
    const BYTE* keys[PROBE_TEXT_COUNT];
    DWORD lengths[PROBE_TEXT_COUNT];
    ProbeResult result = PROBE_AGREES;
    for (size_t i = 0; i < PROBE_TEXT_COUNT && result == PROBE_AGREES; i++) {
        keys[i] = MakeKey(&store, g_probeTexts[i], settings, &lengths[i]);
        if (keys[i] != NULL)
            KeepMadeKey(&store, lengths[i]);
        else
            result = PROBE_NO_KEYS;
    }
    for (size_t i = 0; i < PROBE_TEXT_COUNT && result == PROBE_AGREES; i++) {
        for (size_t j = i + 1; j < PROBE_TEXT_COUNT && result == PROBE_AGREES; j++) {
            int byKeys = CompareKeys(keys[i], lengths[i], keys[j], lengths[j]);
            int byComparator = CompareLineTextsW(g_probeTexts[i], g_probeTexts[j], settings);
            if (Sign(byKeys) != -Sign(byComparator))
                result = PROBE_DISAGREES;
        }
    }
    CloseKeyStore(&store);
    return result;
}

/*
** Whether sort keys under settings order the probe texts as the
** comparator does; asked of Windows the first time for each locale, flags
** and number option, remembered after that. A probe whose keys cannot be made (for
** want of memory, mostly) says no and is not remembered.
*/
BOOL KeysAgreeOnProbe(const CompareSettings* settings)
{
    size_t known = g_probeVerdictCount < PROBE_CACHE_SIZE ? g_probeVerdictCount : PROBE_CACHE_SIZE;
    for (size_t i = 0; i < known; i++) {
        const ProbeVerdict& v = g_probeVerdicts[i];
        if (v.locale == settings->locale && v.flags == settings->flags && v.numbers == settings->numbers)
            return v.agree;
    }
    ProbeResult result = ProbeKeys(settings);
    if (result == PROBE_NO_KEYS)
        return FALSE;
    ProbeVerdict& slot = g_probeVerdicts[g_probeVerdictCount % PROBE_CACHE_SIZE];
    slot.locale = settings->locale;
    slot.flags = settings->flags;
    slot.numbers = settings->numbers;
    slot.agree = result == PROBE_AGREES;
    g_probeVerdictCount++;
    return slot.agree;
}
