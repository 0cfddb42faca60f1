/*
** The key path against the comparator path: for generated documents of
** every kind the benchmark sorts (random pieces, word lists with repeats
** and case variants, log lines and CSV rows that begin alike far beyond
** the kept key bytes, with stray lines that do not, Japanese and Chinese
** lists), under many locales and
** flag sets, sorting by sort keys must give exactly the order of a stable
** sort by the comparator; and with lines ordered by their numbers first.
*/
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sort/compare.h"
#include "sort/keystore.h"
#include "sort/sortkeys.h"
#include "sort/stablesort.h"

namespace {

bool g_numbers;   /* the settings below order lines by their leading numbers first */

/* The settings of locale and flags, with leading numbers when g_numbers is set. */
CompareSettings SettingsOf(LCID locale, DWORD flags)
{
    CompareSettings settings = CompareSettingsOf(locale, flags);
    if (g_numbers)
        UseLeadingNumbers(&settings);
    return settings;
}

/* Sorts lines by the comparator under locale and flags. */
BOOL SortByComparator(WCHAR** lines, size_t count, LCID locale, DWORD flags)
{
    CompareSettings settings = SettingsOf(locale, flags);
    return StableSortPointersWith((void**)lines, count, CompareLinePointers, &settings);
}

/* Sorts lines by their keys under locale and flags. */
BOOL SortByKeys(WCHAR** lines, size_t count, LCID locale, DWORD flags)
{
    CompareSettings settings = SettingsOf(locale, flags);
    return SortLinesByKeys(lines, count, &settings);
}

/* Whether the key path takes locale and flags, as this Windows tells it. */
bool KeysAgree(LCID locale, DWORD flags)
{
    CompareSettings settings = CompareSettingsOf(locale, flags);
    return KeysAgreeWithCompare(&settings) != FALSE;
}

unsigned g_seed;   /* the generator's state */

unsigned NextRandom()
{
    g_seed = g_seed * 1103515245u + 12345u;
    return g_seed >> 8;
}

/* Pieces chosen to collide under the flags: case, kana type, width, accents, symbols. */
const wchar_t* const kPieces[] = {
    L"a", L"A", L"b", L"B", L"z", L"\x00E9", L"e", L"E", L"\x00FC", L"u", L"ss", L"\x00DF",
    L"\x3042", L"\x30A2", L"\xFF71", L"\x304B", L"\x30AB", L"\xFF76", L"\x304C", L"\x30AC",
    L"\xFF21", L"1", L"\xFF11", L"-", L"'", L" ", L"!", L"\x4E2D", L"\x6587", L"\x963F",
    L"\x6CE2", L"\x5B57", L"\x3000", L"co-op", L"coop", L"\x0130", L"i", L"\x0131",
};

std::wstring RandomText(size_t maxPieces)
{
    std::wstring text;
    size_t pieces = NextRandom() % (maxPieces + 1);
    for (size_t i = 0; i < pieces; i++)
        text += kPieces[NextRandom() % (sizeof(kPieces) / sizeof(kPieces[0]))];
    return text;
}

std::wstring LineEnd()
{
    static const wchar_t* const ends[] = { L"\r\n", L"\n", L"\r", L"" };
    return ends[NextRandom() % 4];
}

/* Text of n characters drawn from first..first+span. */
std::wstring Characters(size_t n, wchar_t first, unsigned span)
{
    std::wstring text;
    for (size_t i = 0; i < n; i++)
        text.push_back((wchar_t)(first + NextRandom() % span));
    return text;
}

enum DocumentKind { kRandom, kWords, kLog, kCsv, kJapanese, kChinese, kNumbers, kKinds };

/* Line i of a document of kind; earlier lines (texts) can come back. */
std::wstring KindLine(int kind, const std::vector<std::wstring>& texts)
{
    size_t i = texts.size();
    if (kind != kRandom && kind != kLog && i > 0 && NextRandom() % 4 == 0) {
        std::wstring again = texts[NextRandom() % i];   /* a repeat, or a case variant */
        if (NextRandom() % 2)
            for (wchar_t& c : again)
                c = (wchar_t)towupper(c);
        return again;
    }
    switch (kind) {
    case kRandom:
        return RandomText(5) + LineEnd();
    case kWords:
        return Characters(1 + NextRandom() % 3, L'a', 4) + L" " + RandomText(3) + LineEnd();
    case kLog:   /* keys begin alike far beyond the kept bytes, but for a stray line */
        if (NextRandom() % 16 == 0)   /* stray lines, tied among themselves past the kept bytes */
            return std::wstring(18, NextRandom() % 2 ? L'z' : L'0') + Characters(2, L'a', 3) + RandomText(2) + LineEnd();
        return L"2026-12-08T04:25:1" + Characters(1, L'0', 3) + L" web-01 nginx: " + RandomText(4) + LineEnd();
    case kCsv:
        return std::wstring(NextRandom() % 2 ? L"\x00D6sterreich," : L"Osterreich,") + Characters(2, L'0', 3)
            + L"," + RandomText(2) + LineEnd();
    case kNumbers: {   /* numbers in many forms, with separators of either kind, and lines without one */
        static const wchar_t* const parts[] = { L"-", L" ", L"0", L"19", L"\xFF15", L",", L".", L"x", L"12345678" };
        std::wstring number;
        for (size_t n = NextRandom() % 4 ? NextRandom() % 8 : NextRandom() % 40; n > 0; n--)
            number += parts[NextRandom() % 9];
        return number + (NextRandom() % 2 ? L" " + RandomText(2) : L"") + LineEnd();
    }
    case kJapanese:
        return Characters(1 + NextRandom() % 4, 0x3041, 6) + Characters(NextRandom() % 3, 0x30A1, 6)
            + Characters(NextRandom() % 2, 0xFF71, 3) + RandomText(1) + LineEnd();
    default:
        return Characters(1 + NextRandom() % 5, 0x4E00, 5) + RandomText(1) + LineEnd();
    }
}

typedef struct Setting {
    LCID locale;
    DWORD flags;
    bool numbers;   /* lines ordered by their leading numbers first */
} Setting;

/* Sorts texts both ways and compares the orders; gtest failures name the place. */
void ExpectKeyOrderIsComparatorOrder(std::vector<std::wstring>& texts, LCID locale, DWORD flags, int document)
{
    std::vector<WCHAR*> byKeys, byCompare;
    for (std::wstring& t : texts)
        byKeys.push_back(&t[0]);
    byCompare = byKeys;
    ASSERT_TRUE(SortByKeys(byKeys.data(), byKeys.size(), locale, flags));
    ASSERT_TRUE(SortByComparator(byCompare.data(), byCompare.size(), locale, flags));
    for (size_t i = 0; i < byKeys.size(); i++) {
        ASSERT_EQ(byKeys[i], byCompare[i]) << "document " << document << ", place " << i
            << ": keys put \"" << testing::PrintToString(std::wstring(byKeys[i]))
            << "\", the comparator \"" << testing::PrintToString(std::wstring(byCompare[i])) << "\"";
    }
}

class SortKeysTest : public testing::TestWithParam<Setting> {
    void SetUp() override { g_numbers = GetParam().numbers; }
    void TearDown() override { g_numbers = false; }
};

TEST_P(SortKeysTest, KeyOrderIsTheStableComparatorOrder)
{
    ASSERT_TRUE(KeysAgree(GetParam().locale, GetParam().flags));
    g_seed = GetParam().locale * 31 + GetParam().flags;
    for (int document = 0; document < 10 * kKinds; document++) {
        std::vector<std::wstring> texts;
        size_t count = 1 + NextRandom() % 300;
        while (texts.size() < count)
            texts.push_back(KindLine(document % kKinds, texts));
        ExpectKeyOrderIsComparatorOrder(texts, GetParam().locale, GetParam().flags, document);
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, SortKeysTest, testing::Values(
    Setting{ 0x409, 0 }, Setting{ 0x409, NORM_IGNORECASE }, Setting{ 0x409, NORM_IGNORESYMBOLS },
    Setting{ 0x409, SORT_STRINGSORT }, Setting{ 0x409, NORM_IGNORENONSPACE | NORM_IGNORECASE },
    Setting{ 0x411, 0 }, Setting{ 0x411, NORM_IGNORECASE }, Setting{ 0x411, NORM_IGNOREKANATYPE },
    Setting{ 0x411, NORM_IGNOREWIDTH }, Setting{ 0x411, NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH | NORM_IGNORECASE },
    Setting{ 0x804, 0 }, Setting{ 0x804, NORM_IGNORESYMBOLS | SORT_STRINGSORT },
    Setting{ 0x407, NORM_IGNORENONSPACE }, Setting{ 0x41F, NORM_IGNORECASE },
    Setting{ 0x10407, 0 }, Setting{ 0x20804, 0 },
    Setting{ 0x409, SORT_DIGITSASNUMBERS }, Setting{ 0x409, SORT_DIGITSASNUMBERS | NORM_IGNORECASE | NORM_IGNORESYMBOLS },
    Setting{ 0x411, SORT_DIGITSASNUMBERS | NORM_IGNOREWIDTH | NORM_IGNOREKANATYPE },
    Setting{ 0x804, SORT_DIGITSASNUMBERS | SORT_STRINGSORT },
    Setting{ 0x409, NORM_IGNORECASE | NORM_IGNORENONSPACE | NORM_IGNORESYMBOLS | SORT_STRINGSORT
                    | NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH },
    Setting{ 0x409, 0, true }, Setting{ 0x407, NORM_IGNORECASE, true }, Setting{ 0x40C, 0, true },
    Setting{ 0x439, SORT_DIGITSASNUMBERS, true }, Setting{ 0x411, NORM_IGNOREWIDTH, true }));

TEST(SortKeysOrderTest, EmptyAndBareLineEndsSortAsEmpty)
{
    std::wstring texts[] = { L"\r\n", L"b\n", L"", L"a\r", L"\n" };
    std::vector<WCHAR*> lines;
    for (std::wstring& t : texts)
        lines.push_back(&t[0]);
    ASSERT_TRUE(SortByKeys(lines.data(), lines.size(), 0x409, 0));
    EXPECT_EQ(std::wstring(lines[0]), L"b\n");
    EXPECT_EQ(std::wstring(lines[1]), L"a\r");
    EXPECT_EQ(std::wstring(lines[2]), L"\r\n") << "equal empties keep document order";
    EXPECT_EQ(std::wstring(lines[3]), L"");
    EXPECT_EQ(std::wstring(lines[4]), L"\n");
}

TEST(SortKeysEligibilityTest, OnlyFlagsBothFunctionsReadAlike)
{
    EXPECT_TRUE(KeysAgree(0x409, NORM_IGNORECASE | NORM_IGNOREWIDTH));
    EXPECT_TRUE(KeysAgree(0x409, SORT_DIGITSASNUMBERS | NORM_IGNORECASE));
    EXPECT_FALSE(KeysAgree(0x409, SORT_DIGITSASNUMBERS | LINGUISTIC_IGNORECASE));
    EXPECT_FALSE(KeysAgree(0x409, LINGUISTIC_IGNORECASE));
    EXPECT_FALSE(KeysAgree(0x409, 0x80000000));
    EXPECT_FALSE(KeysAgree(0x7FFFFFFF, 0)) << "a locale the platform rejects";
}

/*
** Numbers under SORT_DIGITSASNUMBERS, through both of the module's sorts:
** each must give the stable order by CompareStringW itself, in which a
** user finds file10 above file9, and the greater number first in either
** width.
*/
TEST(SortKeysDigitsTest, NumbersInTheOrderCompareStringWGives)
{
    static const wchar_t* const documents[][9] = {
        { L"file1", L"file10", L"file2", L"file010", L"file9", L"file10a", L"File10", L"file10", NULL },
        { L"007", L"7", L"0", L"70", L"07", L"00", L"0007", L"7", NULL },
        { L"1234567890123456789012345", L"1234567890123456789012346", L"999999999999999999999",
          L"12345678901234567890123456789", L"00000000000000000000001", L"2", NULL },
        { L"\xFF11\xFF10", L"9", L"10", L"\xFF19", L"\xFF11", L"1\xFF10", L"\x0661\x0660", NULL },
        { L"v1.10.2", L"v1.9.10", L"v1.10", L"v10", L"v1.2", L"-5", L"-10", L"a 10", NULL },
    };
    static const Setting settings[] = {
        { 0x409, SORT_DIGITSASNUMBERS }, { 0x409, SORT_DIGITSASNUMBERS | NORM_IGNORECASE },
        { 0x411, SORT_DIGITSASNUMBERS | NORM_IGNOREWIDTH }, { 0x804, SORT_DIGITSASNUMBERS },
    };
    for (const Setting& setting : settings) {
        ASSERT_TRUE(KeysAgree(setting.locale, setting.flags));
        for (size_t d = 0; d < sizeof(documents) / sizeof(documents[0]); d++) {
            std::vector<std::wstring> texts;
            for (int i = 0; documents[d][i] != NULL; i++)
                texts.push_back(std::wstring(documents[d][i]) + (i % 2 ? L"\r\n" : L"\n"));
            std::vector<WCHAR*> expected, byKeys, byCompare;
            for (std::wstring& t : texts)
                expected.push_back(&t[0]);
            byKeys = byCompare = expected;
            std::stable_sort(expected.begin(), expected.end(), [&](const WCHAR* a, const WCHAR* b) {
                return CompareStringW(setting.locale, setting.flags, a, ComparedLength(a), b, ComparedLength(b))
                    == CSTR_GREATER_THAN;
            });
            ASSERT_TRUE(SortByKeys(byKeys.data(), byKeys.size(), setting.locale, setting.flags));
            ASSERT_TRUE(SortByComparator(byCompare.data(), byCompare.size(), setting.locale, setting.flags));
            for (size_t i = 0; i < expected.size(); i++) {
                SCOPED_TRACE(testing::Message() << "locale 0x" << std::hex << setting.locale << ", flags 0x"
                             << setting.flags << std::dec << ", document " << d << ", place " << i);
                EXPECT_EQ(byKeys[i], expected[i]) << testing::PrintToString(std::wstring(byKeys[i]));
                EXPECT_EQ(byCompare[i], expected[i]) << testing::PrintToString(std::wstring(byCompare[i]));
            }
        }
    }

    /* What a user relies on, descending: greater numbers first, in either width. */
    static const struct { const wchar_t* higher; const wchar_t* lower; } facts[] = {
        { L"file10", L"file9" }, { L"file9", L"file2" }, { L"file10a", L"file10" }, { L"10", L"9" },
        { L"\xFF11\xFF10", L"9" }, { L"1234567890123456789012346", L"1234567890123456789012345" },
    };
    for (const auto& f : facts) {
        std::wstring lower = std::wstring(f.lower) + L"\r\n", higher = std::wstring(f.higher) + L"\r\n";
        WCHAR* lines[] = { &lower[0], &higher[0] };
        ASSERT_TRUE(SortByKeys(lines, 2, 0x409, SORT_DIGITSASNUMBERS));
        EXPECT_EQ(lines[0], &higher[0]) << testing::PrintToString(higher) << " above " << testing::PrintToString(lower);
    }
}

/*
** Different lines that tie on the kept bytes and whose keys fill the first
** key chunk to its last byte: the next key must go into another chunk,
** never be "made" into no room at all.
*/
TEST(SortKeysChunkTest, KeysThatFillTheChunkExactly)
{
    std::wstring stem;
    int keyLength = 0;
    while (stem.size() < 200) {
        stem += (WCHAR)(L'A' + stem.size() % 26);
        keyLength = LCMapStringW(0x409, LCMAP_SORTKEY, (stem + L"AA").c_str(), (int)stem.size() + 2, NULL, 0);
        if (stem.size() >= 20 && KEY_CHUNK_FIRST_BYTES % keyLength == 0)
            break;
    }
    ASSERT_EQ(KEY_CHUNK_FIRST_BYTES % keyLength, 0) << "no line with a key that divides the chunk";

    std::vector<std::wstring> texts;
    for (int i = 0; i < 3 * KEY_CHUNK_FIRST_BYTES / keyLength + 1; i++)
        texts.push_back(stem + (WCHAR)(L'A' + i % 26) + (WCHAR)(L'A' + i / 26 % 26) + L"\r\n");
    ExpectKeyOrderIsComparatorOrder(texts, 0x409, 0, 0);
}

/*
** More lines than one block of records holds, most of them tied on the
** kept bytes: the records are sorted across their blocks.
*/
TEST(SortKeysChunkTest, RecordsInSeveralBlocks)
{
    g_seed = 7;
    std::vector<std::wstring> texts;
    while (texts.size() < 70000)
        texts.push_back(KindLine(texts.size() % 2 ? kLog : kWords, texts));
    ExpectKeyOrderIsComparatorOrder(texts, 0x409, NORM_IGNORECASE, 0);
}

/*
** A tied run whose whole keys are more than the store may keep, with
** repeats, case variants, keys that end early and lines that tie far past
** the bytes ordered slice by slice: it is ordered as the comparator does.
*/
TEST(SortKeysChunkTest, RunTooLargeToKeepItsKeys)
{
    g_seed = 11;
    std::wstring stem(1100, L'k');
    std::vector<std::wstring> texts;
    while (texts.size() < 900) {
        switch (NextRandom() % 4) {
        case 0: texts.push_back(stem + Characters(NextRandom() % 3, L'a', 3) + LineEnd()); break;
        case 1: texts.push_back(stem.substr(0, NextRandom() % 40) + RandomText(3) + L"\n"); break;
        default: texts.push_back(KindLine(kWords, texts).insert(0, stem.substr(0, 600))); break;
        }
    }
    ExpectKeyOrderIsComparatorOrder(texts, 0x409, 0, 0);
    ExpectKeyOrderIsComparatorOrder(texts, 0x411, NORM_IGNORECASE, 1);
}

/* A line as long as LCMapStringW is trusted with takes the key path; one unit more does not. */
TEST(SortKeysChunkTest, LongestLineForKeys)
{
    std::wstring longest(KEY_MAX_LINE_UNITS, L'q');
    longest[KEY_MAX_LINE_UNITS - 1] = L'a';
    std::vector<std::wstring> texts(KEY_MIN_LINES, L"m\r\n");
    texts[1] = longest + L"\r\n";
    std::vector<WCHAR*> lines;
    for (std::wstring& t : texts)
        lines.push_back(&t[0]);
    ASSERT_TRUE(SortByKeys(lines.data(), lines.size(), 0x409, 0));
    EXPECT_EQ(lines[0], &texts[1][0]);

    texts[1].insert(texts[1].begin(), L'q');
    for (size_t i = 0; i < texts.size(); i++)
        lines[i] = &texts[i][0];
    EXPECT_FALSE(SortByKeys(lines.data(), lines.size(), 0x409, 0));
    EXPECT_EQ(lines[0], &texts[0][0]) << "lines as they were";
}

/*
** Runs whose whole keys are long against their count (lines that share a
** prefix of 25,000 characters, with repeats, case variants and the bare
** prefix), ranges of fewer than KEY_MIN_LINES lines, one just at it, and
** a range of long lines that differ early: the comparator's way through
** them gives the comparator's order, equal lines in document order.
*/
TEST(SortKeysChunkTest, LongKeysAgainstTheirCount)
{
    g_seed = 23;
    std::wstring prefix = Characters(25000, L'a', 26);
    std::vector<std::wstring> texts;
    while (texts.size() < 24) {
        switch (NextRandom() % 4) {
        case 0: texts.push_back(prefix + L"\r\n"); break;
        case 1: texts.push_back(prefix + (NextRandom() % 2 ? L"Ab" : L"aB") + LineEnd()); break;
        default: texts.push_back(prefix + RandomText(2) + LineEnd()); break;
        }
        if (NextRandom() % 3 == 0)
            texts.push_back(RandomText(3) + L"\n");
    }
    ExpectKeyOrderIsComparatorOrder(texts, 0x409, 0, 0);
    ExpectKeyOrderIsComparatorOrder(texts, 0x411, NORM_IGNORECASE, 1);
    for (size_t count = 2; count <= KEY_MIN_LINES; count += 7) {
        std::vector<std::wstring> few(texts.begin(), texts.begin() + count);
        ExpectKeyOrderIsComparatorOrder(few, 0x409, NORM_IGNORECASE, (int)count);
    }
    std::vector<std::wstring> early;
    while (early.size() < 60) {
        std::wstring line = early.size() > 0 && NextRandom() % 3 == 0 ? early[NextRandom() % early.size()]
                                                                     : Characters(3000, L'a', 26) + L"\r\n";
        if (NextRandom() % 2)
            line[NextRandom() % 3000] = (wchar_t)towupper(line[0]);
        early.push_back(line);
    }
    ExpectKeyOrderIsComparatorOrder(early, 0x409, NORM_IGNORECASE, 2);
}

}  // namespace
