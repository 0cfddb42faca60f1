/*
** The key path against the comparator path: for many generated documents
** (random lines, log lines that all begin alike, lists with repeats),
** locales and flag sets, sorting by sort keys must give exactly the order
** of a stable sort by CompareLinesW.
*/
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sort/compare.h"
#include "sort/sortkeys.h"
#include "sort/stablesort.h"

namespace {

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

std::wstring RandomLine()
{
    std::wstring line;
    unsigned pieces = NextRandom() % 6;
    for (unsigned i = 0; i < pieces; i++)
        line += kPieces[NextRandom() % (sizeof(kPieces) / sizeof(kPieces[0]))];
    static const wchar_t* const ends[] = { L"\r\n", L"\n", L"\r", L"" };
    line += ends[NextRandom() % 4];
    return line;
}

typedef struct Setting {
    LCID locale;
    DWORD flags;
} Setting;

class SortKeysTest : public testing::TestWithParam<Setting> {};

TEST_P(SortKeysTest, KeyOrderIsTheStableComparatorOrder)
{
    g_compareSettings.locale = GetParam().locale;
    g_compareSettings.flags = GetParam().flags;
    ASSERT_TRUE(KeysAgreeWithCompare(GetParam().locale, GetParam().flags));
    g_seed = GetParam().locale * 31 + GetParam().flags;
    for (int document = 0; document < 60; document++) {
        std::vector<std::wstring> texts;
        size_t count = 1 + NextRandom() % 300;
        for (size_t i = 0; i < count; i++) {
            switch (document % 3) {
            case 0:
                texts.push_back(RandomLine());
                break;
            case 1:   /* a log: every key begins alike far beyond the bytes a record keeps */
                texts.push_back(L"2026-12-08 04:25:17 [info] " + RandomLine());
                break;
            default:  /* a word list with repeats */
                texts.push_back(i > 0 && NextRandom() % 2 ? texts[NextRandom() % i] : RandomLine());
                break;
            }
        }
        std::vector<WCHAR*> byKeys, byCompare;
        for (std::wstring& t : texts)
            byKeys.push_back(&t[0]);
        byCompare = byKeys;

        ASSERT_TRUE(SortLinesByKeys(byKeys.data(), count, GetParam().locale, GetParam().flags));
        ASSERT_TRUE(StableSortPointers((void**)byCompare.data(), count, CompareLinesW));
        for (size_t i = 0; i < count; i++) {
            ASSERT_EQ(byKeys[i], byCompare[i]) << "document " << document << ", place " << i
                << ": keys put \"" << testing::PrintToString(std::wstring(byKeys[i]))
                << "\", the comparator \"" << testing::PrintToString(std::wstring(byCompare[i])) << "\"";
        }
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
    Setting{ 0x409, NORM_IGNORECASE | NORM_IGNORENONSPACE | NORM_IGNORESYMBOLS | SORT_STRINGSORT
                    | NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH }));

TEST(SortKeysEligibilityTest, OnlyFlagsBothFunctionsReadAlike)
{
    EXPECT_TRUE(KeysAgreeWithCompare(0x409, NORM_IGNORECASE | NORM_IGNOREWIDTH));
    EXPECT_FALSE(KeysAgreeWithCompare(0x409, LINGUISTIC_IGNORECASE));
    EXPECT_FALSE(KeysAgreeWithCompare(0x409, 0x80000000));
    EXPECT_FALSE(KeysAgreeWithCompare(0x7FFFFFFF, 0)) << "a locale the platform rejects";
}

/*
** Equal lines whose keys fill the key block to its last byte: the next key
** must go into a grown block, never be "made" into no room at all.
*/
TEST(SortKeysBlockTest, KeysThatFillTheBlockExactly)
{
    g_compareSettings.locale = 0x409;
    g_compareSettings.flags = 0;
    std::wstring line;
    int keyLength = 0;
    for (WCHAR c = L'A'; c <= L'Z'; c++) {
        line += c;
        keyLength = LCMapStringW(0x409, LCMAP_SORTKEY, line.c_str(), (int)line.size(), NULL, 0);
        if (keyLength > 16 && KEY_BLOCK_FIRST_BYTES % keyLength == 0)
            break;
    }
    ASSERT_EQ(KEY_BLOCK_FIRST_BYTES % keyLength, 0) << "no line with a key that divides the block";

    std::vector<std::wstring> texts(3 * KEY_BLOCK_FIRST_BYTES / keyLength + 1, line + L"\r\n");
    texts.push_back(L"ZZ\r\n");
    std::vector<WCHAR*> lines;
    for (std::wstring& t : texts)
        lines.push_back(&t[0]);
    std::vector<WCHAR*> original = lines;
    ASSERT_TRUE(SortLinesByKeys(lines.data(), lines.size(), 0x409, 0));
    EXPECT_EQ(lines[0], original.back());
    for (size_t i = 1; i < lines.size(); i++)
        ASSERT_EQ(lines[i], original[i - 1]) << "equal lines keep document order, place " << i;
}

TEST(SortKeysEligibilityTest, EmptyAndBareLineEndsSortAsEmpty)
{
    g_compareSettings.locale = 0x409;
    g_compareSettings.flags = 0;
    std::wstring texts[] = { L"\r\n", L"b\n", L"", L"a\r", L"\n" };
    std::vector<WCHAR*> lines;
    for (std::wstring& t : texts)
        lines.push_back(&t[0]);
    ASSERT_TRUE(SortLinesByKeys(lines.data(), lines.size(), 0x409, 0));
    EXPECT_EQ(std::wstring(lines[0]), L"b\n");
    EXPECT_EQ(std::wstring(lines[1]), L"a\r");
    EXPECT_EQ(std::wstring(lines[2]), L"\r\n") << "equal empties keep document order";
    EXPECT_EQ(std::wstring(lines[3]), L"");
    EXPECT_EQ(std::wstring(lines[4]), L"\n");
}

}  // namespace
