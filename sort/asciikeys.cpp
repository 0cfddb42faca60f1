/*
** Sort keys of plain-ASCII lines from a table. A key that LCMapStringW
** makes has sections, each closed by a byte of its own: the primary
** weights, character by character, then sections of one weight a
** character (diacritic, case, ...), each with its trailing minimal weights
** trimmed, and last the special weights. For characters without special
** weights, contractions or expansions, a text's key is therefore the
** characters' own weights put side by side, and every weight can be read
** from the keys of single characters that this Windows makes itself.
**
** Nothing here is assumed: the table is read from LCMapStringW under the
** sort's locale and flags, and used only once the keys it composes for
** every ordered pair of the characters it admits, and for a sample of the
** document's own lines, are the bytes LCMapStringW gives. A character
** whose pairs differ (a contraction such as "ch") is left out and the
** pairs are proven again; a text holding a character left out, or any
** other than plain ASCII, is made into a key by LCMapStringW as before.
*/
#include "asciikeys.h"
#include "compare.h"
#include "../common/memory.h"
#include "../common/widefunc.h"

#include <string.h>

/* The flags whose keys compose; SORT_DIGITSASNUMBERS reads a character's neighbours. */
#define ASCII_KEY_FLAGS (NORM_IGNORECASE | NORM_IGNORENONSPACE | NORM_IGNORESYMBOLS | SORT_STRINGSORT \
                         | NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH)
#define PROOF_ROUNDS 4            /* rounds of leaving characters out before the table is refused */
#define PROOF_KEY_BYTES 2048      /* room for a key while proving */
#define SAMPLE_LINES 256          /* document lines whose keys are proven */
#define SAMPLE_MAX_UNITS ((PROOF_KEY_BYTES - ASCII_KEY_MAX_SECTIONS) / (ASCII_KEY_MAX_PRIMARY + ASCII_KEY_MAX_SECTIONS))
#define TRIPLE_WINDOW 1024        /* characters of the text of all triples proven at once */
#define TRIPLE_KEY_BYTES (TRIPLE_WINDOW * (ASCII_KEY_MAX_PRIMARY + ASCII_KEY_MAX_SECTIONS) + ASCII_KEY_MAX_SECTIONS)

/*
** Proving every triple of admitted characters: a text in which each
** triple stands once (a de Bruijn sequence), proven window by window,
** windows overlapping by two characters.
*/
typedef struct TripleProof {
    const AsciiKeys* keys;
    LCID locale;
    DWORD flags;
    WCHAR symbols[ASCII_KEY_CHARS];   /* the admitted characters */
    int symbolCount;
    int word[4];                      /* the sequence's generator's state, from 1 */
    WCHAR* text;                      /* the window, TRIPLE_WINDOW characters */
    BYTE* composed;                   /* and two keys of it, TRIPLE_KEY_BYTES each */
    BYTE* made;
    int used;
    BOOL equal;
} TripleProof;

#ifdef ZTOA_SORT_STAGES
BOOL g_asciiKeysOff;   /* set by the benchmark to measure LCMapStringW alone */
#endif

/* The sort key of text[0..length) under locale and flags into key; its bytes, or 0. */
static int MapKey(const WCHAR* text, int length, LCID locale, DWORD flags, BYTE* key, int room)
{
    return LCMapStringW(locale, LCMAP_SORTKEY | flags, length > 0 ? text : L"", length > 0 ? length : -1,
                        (LPWSTR)(void*)key, room);
}

/*
** Splits a key into the table's sections: sets start[s] and length[s] of
** each. Returns FALSE when the key does not have exactly those sections,
** each closed by its own byte.
*/
static BOOL SplitKey(const AsciiKeys* keys, const BYTE* key, int size, int* start, int* length)
{
    int at = 0;
    for (int s = 0; s < keys->sections; s++) {
        start[s] = at;
        while (at < size && key[at] != keys->ends[s])
            at++;
        if (at == size)
            return FALSE;
        length[s] = at - start[s];
        at++;
    }
    return at == size;
}

/*
** Reads the bytes that close the sections from the key of the empty text.
** Returns FALSE when that key is not a row of section ends, the last 0.
*/
static BOOL ReadSectionEnds(AsciiKeys* keys, LCID locale, DWORD flags)
{
    BYTE key[ASCII_KEY_MAX_SECTIONS + 1];
    int size = MapKey(L"", 0, locale, flags, key, sizeof(key));
    if (size < 2 || size > ASCII_KEY_MAX_SECTIONS || key[size - 1] != 0)
        return FALSE;
    for (int s = 0; s + 1 < size; s++)
        if (key[s] == 0)
            return FALSE;
    memcpy(keys->ends, key, size);
    keys->sections = size;
    return TRUE;
}

/*
** Reads what character c puts into a key from its own key: own[] gets its
** byte in each later section, 0 where it has none. Returns FALSE when c
** is not composable: an odd shape, more than one weight in a later
** section, or a special weight (in the last section), which depends on
** where the character stands.
*/
static BOOL ReadChar(AsciiKeys* keys, WCHAR c, LCID locale, DWORD flags, BYTE* own)
{
    BYTE key[PROOF_KEY_BYTES];
    int start[ASCII_KEY_MAX_SECTIONS], length[ASCII_KEY_MAX_SECTIONS];
    int size = MapKey(&c, 1, locale, flags, key, sizeof(key));
    if (size <= 0 || !SplitKey(keys, key, size, start, length) || length[0] > ASCII_KEY_MAX_PRIMARY
        || length[keys->sections - 1] != 0)
        return FALSE;
    AsciiKeyChar* e = &keys->chars[c];
    memset(e->primary, 0, sizeof(e->primary));
    memcpy(e->primary, key, length[0]);
    e->primaryLength = (BYTE)length[0];
    for (int s = 1; s < keys->sections; s++) {
        if (length[s] > 1 || (length[s] == 1 && key[start[s]] < 2))
            return FALSE;
        own[s - 1] = length[s] == 1 ? key[start[s]] : 0;
    }
    return TRUE;
}

/*
** Finds, for each later section that some admitted character has a
** weight in, the minimal weight that trails trimmed, and which characters
** without a weight of their own put it there and which put nothing: from
** the key of each such character followed by one that has a weight.
** Characters whose pair shows neither are left out.
*/
static void ReadMinimalWeights(AsciiKeys* keys, BYTE (*own)[ASCII_KEY_MAX_SECTIONS - 1], LCID locale, DWORD flags)
{
    keys->activeCount = 0;
    for (int s = 1; s < keys->sections; s++) {
        WCHAR ref = 0;
        for (WCHAR c = 1; c < ASCII_KEY_CHARS && ref == 0; c++)
            if (keys->chars[c].admitted && own[c][s - 1] != 0)
                ref = c;
        keys->active[s - 1] = ref != 0;
        keys->minimal[s - 1] = 0;
        for (WCHAR c = 1; c < ASCII_KEY_CHARS; c++)
            keys->chars[c].weight[s - 1] = own[c][s - 1];
        if (ref == 0)
            continue;
        keys->activeList[keys->activeCount++] = (BYTE)s;
        for (WCHAR c = 1; c < ASCII_KEY_CHARS; c++) {
            if (!keys->chars[c].admitted || own[c][s - 1] != 0)
                continue;
            WCHAR pair[2] = { c, ref };
            BYTE key[PROOF_KEY_BYTES];
            int start[ASCII_KEY_MAX_SECTIONS], length[ASCII_KEY_MAX_SECTIONS];
            int size = MapKey(pair, 2, locale, flags, key, sizeof(key));
            BOOL split = size > 0 && SplitKey(keys, key, size, start, length);
            const BYTE* w = key + start[s];
            if (split && length[s] == 1 && w[0] == own[ref][s - 1])
                continue;
            BYTE m = keys->minimal[s - 1];
            if (split && length[s] == 2 && w[1] == own[ref][s - 1] && w[0] >= 2 && (m == 0 || m == w[0])) {
                keys->minimal[s - 1] = w[0];
                keys->chars[c].weight[s - 1] = w[0];
            } else {
                keys->chars[c].admitted = FALSE;
            }
        }
    }
}

/*
** Whether the key the table composes of text[0..length), if it composes
** one, is the key LCMapStringW makes; both are made in buffers of room
** bytes, and a key that does not fit there counts as differing.
*/
static BOOL ComposesLikeLCMapIn(const AsciiKeys* keys, const WCHAR* text, int length, LCID locale, DWORD flags,
                                BYTE* composed, BYTE* made, int room)
{
    int n = ComposeAsciiKey(keys, text, length, composed, room);
    if (n <= 0)
        return n == ASCII_KEY_NOT_COMPOSABLE;
    return MapKey(text, length, locale, flags, made, room) == n && memcmp(composed, made, n) == 0;
}

/* ComposesLikeLCMapIn for a short text, in buffers on the stack. */
static BOOL ComposesLikeLCMap(const AsciiKeys* keys, const WCHAR* text, int length, LCID locale, DWORD flags)
{
    BYTE composed[PROOF_KEY_BYTES], made[PROOF_KEY_BYTES];
    return ComposesLikeLCMapIn(keys, text, length, locale, flags, composed, made, PROOF_KEY_BYTES);
}

/*
** Proves every ordered pair of admitted characters, and each alone; the
** characters of a pair whose keys differ are left out. Returns whether
** all were equal.
*/
static BOOL ProvePairs(AsciiKeys* keys, LCID locale, DWORD flags)
{
    BYTE bad[ASCII_KEY_CHARS] = { 0 };
    BOOL equal = ComposesLikeLCMap(keys, L"", 0, locale, flags);
    for (WCHAR a = 1; a < ASCII_KEY_CHARS; a++) {
        if (!keys->chars[a].admitted)
            continue;
        if (!ComposesLikeLCMap(keys, &a, 1, locale, flags))
            bad[a] = TRUE;
        for (WCHAR b = 1; b < ASCII_KEY_CHARS; b++) {
            WCHAR pair[2] = { a, b };
            if (keys->chars[b].admitted && !ComposesLikeLCMap(keys, pair, 2, locale, flags))
                bad[a] = bad[b] = TRUE;
        }
    }
    for (int c = 1; c < ASCII_KEY_CHARS; c++) {
        if (bad[c]) {
            keys->chars[c].admitted = FALSE;
            equal = FALSE;
        }
    }
    return equal;
}

/* Adds a character to the window, proving the window when full. */
static void AddTripleChar(TripleProof* tp, WCHAR c)
{
    tp->text[tp->used++] = c;
    if (tp->used < TRIPLE_WINDOW)
        return;
    if (tp->equal)
        tp->equal = ComposesLikeLCMapIn(tp->keys, tp->text, tp->used, tp->locale, tp->flags, tp->composed, tp->made,
                                        TRIPLE_KEY_BYTES);
    tp->text[0] = tp->text[tp->used - 2];
    tp->text[1] = tp->text[tp->used - 1];
    tp->used = 2;
}

/* Writes the de Bruijn sequence of order 3 from position t with period p (FKM algorithm). */
static void AddTriples(TripleProof* tp, int t, int p)
{
    if (t > 3) {
        if (3 % p == 0)
            for (int i = 1; i <= p; i++)
                AddTripleChar(tp, tp->symbols[tp->word[i]]);
        return;
    }
    tp->word[t] = tp->word[t - p];
    AddTriples(tp, t + 1, p);
    for (int j = tp->word[t - p] + 1; j < tp->symbolCount; j++) {
        tp->word[t] = j;
        AddTriples(tp, t + 1, t);
    }
}

/*
** Proves every ordered triple of admitted characters, which finds the
** contractions of three letters whose pairs compose ("chj"). Returns
** whether all were equal; FALSE also when no memory had.
*/
static BOOL ProveTriples(const AsciiKeys* keys, LCID locale, DWORD flags)
{
    TripleProof tp;
    memset(&tp, 0, sizeof(tp));
    tp.keys = keys;
    tp.locale = locale;
    tp.flags = flags;
    tp.equal = TRUE;
    for (WCHAR c = 1; c < ASCII_KEY_CHARS; c++)
        if (keys->chars[c].admitted)
            tp.symbols[tp.symbolCount++] = c;
    BYTE* block = (BYTE*)ZtoaAlloc(2 * TRIPLE_KEY_BYTES + TRIPLE_WINDOW * sizeof(WCHAR));
    if (block == NULL)
        return FALSE;
    tp.composed = block;
    tp.made = block + TRIPLE_KEY_BYTES;
    tp.text = (WCHAR*)(void*)(block + 2 * TRIPLE_KEY_BYTES);
    AddTriples(&tp, 1, 1);
    /* The sequence is a cycle: its first two characters close it. */
    AddTripleChar(&tp, tp.symbols[0]);
    AddTripleChar(&tp, tp.symbols[0]);
    if (tp.equal && tp.used > 2)
        tp.equal = ComposesLikeLCMapIn(keys, tp.text, tp.used, locale, flags, tp.composed, tp.made, TRIPLE_KEY_BYTES);
    ZtoaFree(block);
    return tp.equal;
}

/*
** Builds the table for locale and flags and proves it on every pair of
** the characters it admits. Returns FALSE when no key may be composed:
** flags that make a key depend on neighbours, keys of a shape it does
** not know, or pairs still differing after PROOF_ROUNDS rounds.
*/
BOOL BuildAsciiKeys(AsciiKeys* keys, LCID locale, DWORD flags)
{
#ifdef ZTOA_SORT_STAGES
    if (g_asciiKeysOff)
        return FALSE;
#endif
    memset(keys, 0, sizeof(*keys));
    if ((flags & ~(DWORD)ASCII_KEY_FLAGS) != 0 || !ReadSectionEnds(keys, locale, flags))
        return FALSE;
    BYTE own[ASCII_KEY_CHARS][ASCII_KEY_MAX_SECTIONS - 1];
    memset(own, 0, sizeof(own));
    for (WCHAR c = 1; c < ASCII_KEY_CHARS; c++)
        keys->chars[c].admitted = ReadChar(keys, c, locale, flags, own[c]);
    for (int round = 0; round < PROOF_ROUNDS; round++) {
        ReadMinimalWeights(keys, own, locale, flags);
        if (ProvePairs(keys, locale, flags)) {
            if (!ProveTriples(keys, locale, flags))
                return FALSE;
            keys->admittedCount = 0;
            for (int c = 1; c < ASCII_KEY_CHARS; c++)
                keys->admittedCount += keys->chars[c].admitted;
            return keys->admittedCount > 0;
        }
    }
    return FALSE;
}

/*
** Whether the table composes, for a sample of lines[0..count), the keys
** LCMapStringW makes of their compared texts. Lines it does not compose,
** or whose keys are longer than the proof's room, are passed over.
*/
BOOL AsciiKeysAgreeOnLines(const AsciiKeys* keys, WCHAR* const* lines, size_t count, LCID locale, DWORD flags)
{
    size_t samples = count < SAMPLE_LINES ? count : SAMPLE_LINES;
    for (size_t j = 0; j < samples; j++) {
        const WCHAR* text = lines[samples > 1 ? j * (count - 1) / (samples - 1) : 0];
        int length = ComparedLength(text);
        if (length <= SAMPLE_MAX_UNITS && !ComposesLikeLCMap(keys, text, length, locale, flags))
            return FALSE;
    }
    return TRUE;
}

/* The bytes of the composed key of text[0..length), or 0 when a character is not admitted. */
static int MeasureAsciiKey(const AsciiKeys* keys, const WCHAR* text, int length)
{
    int size = keys->sections;
    for (int i = 0; i < length; i++) {
        if (text[i] >= ASCII_KEY_CHARS || !keys->chars[text[i]].admitted)
            return 0;
        size += keys->chars[text[i]].primaryLength;
    }
    for (int a = 0; a < keys->activeCount; a++) {
        int s = keys->activeList[a] - 1, n = 0, kept = 0;
        for (int i = 0; i < length; i++) {
            BYTE w = keys->chars[text[i]].weight[s];
            n += w != 0;
            if (w != 0 && w != keys->minimal[s])
                kept = n;
        }
        size += kept;
    }
    return size;
}

/*
** Composes the sort key of text[0..length) into key, which has room for
** room bytes, as LCMapStringW would make it. Returns the key's bytes;
** ASCII_KEY_NOT_COMPOSABLE when text holds a character the table does not
** admit (LCMapStringW makes that key); or, when room is too small, minus
** the bytes the key needs, with nothing written.
*/
int ComposeAsciiKey(const AsciiKeys* keys, const WCHAR* text, int length, BYTE* key, int room)
{
    if (length < 0 || length > (0x7FFFFFFF - ASCII_KEY_MAX_SECTIONS) / (ASCII_KEY_MAX_PRIMARY + ASCII_KEY_MAX_SECTIONS))
        return ASCII_KEY_NOT_COMPOSABLE;
    if (room < length * (ASCII_KEY_MAX_PRIMARY + keys->activeCount) + keys->sections) {
        int need = MeasureAsciiKey(keys, text, length);
        if (need > room)
            return -need;
        if (need == 0)
            return ASCII_KEY_NOT_COMPOSABLE;
    }
    BYTE* out = key;
    for (int i = 0; i < length; i++) {
        WCHAR c = text[i];
        if (c >= ASCII_KEY_CHARS || !keys->chars[c].admitted)
            return ASCII_KEY_NOT_COMPOSABLE;
        const AsciiKeyChar* e = &keys->chars[c];
        for (int k = 0; k < e->primaryLength; k++)
            *out++ = e->primary[k];
    }
    *out++ = keys->ends[0];
    for (int s = 1, a = 0; s < keys->sections; s++) {
        if (a < keys->activeCount && keys->activeList[a] == s) {
            /* Minimal weights are written only once another one follows
               them: trailing ones are trimmed, and never touch the room. */
            BYTE minimal = keys->minimal[s - 1];
            int pending = 0;
            for (int i = 0; i < length; i++) {
                BYTE w = keys->chars[text[i]].weight[s - 1];
                if (w == 0)
                    continue;
                if (w == minimal) {
                    pending++;
                } else {
                    for (; pending > 0; pending--)
                        *out++ = minimal;
                    *out++ = w;
                }
            }
            a++;
        }
        *out++ = keys->ends[s];
    }
    return (int)(out - key);
}
