/*
** The line comparators under several locales and flag sets.
*/
#include <gtest/gtest.h>

#include "sort/compare.h"
#include "sort/numbers.h"

#include <vector>

namespace {

CompareSettings g_used;   /* what the comparisons were last given */

typedef int (*Comparator)(const wchar_t*, const wchar_t*);

/* The NT family's comparison. */
int CompareW(const wchar_t* first, const wchar_t* second)
{
    return CompareLineTextsW(first, second, &g_used);
}

/* The 9x family's: each text converted once, as the ANSI sort converts it, then compared. */
int CompareA(const wchar_t* first, const wchar_t* second)
{
    if (first == NULL || second == NULL)
        return CompareW(first, second);
    std::vector<void*> roomA(AnsiLineBytes(first) / sizeof(void*) + 1);
    std::vector<void*> roomB(AnsiLineBytes(second) / sizeof(void*) + 1);
    AnsiLine* a = MakeAnsiLine(const_cast<wchar_t*>(first), roomA.data());
    AnsiLine* b = MakeAnsiLine(const_cast<wchar_t*>(second), roomB.data());
    EXPECT_TRUE(a != NULL && b != NULL);
    return a != NULL && b != NULL ? CompareAnsiLines(&a, &b, &g_used) : 0;
}

/* What the platform says of the two texts, inverted as the comparators invert it. */
int Inverted(const wchar_t* first, const wchar_t* second)
{
    int r = CompareStringW(g_used.locale, g_used.flags, first, -1, second, -1);
    return r == CSTR_LESS_THAN ? 1 : r == CSTR_GREATER_THAN ? -1 : 0;
}

#define REQUIRE_ANSI(text, locale) \
    do { if (AnsiCannotHold(text, locale)) GTEST_SKIP() << "code page " << GetACP() << " cannot hold the text"; } while (0)

/*
** Whether text survives conversion to the ANSI code page exactly, and that
** code page is also the one CompareStringA reads under locale.
*/
bool Representable(const wchar_t* text, LCID locale)
{
    char codePage[8];
    if (GetLocaleInfoA(locale, LOCALE_IDEFAULTANSICODEPAGE, codePage, sizeof(codePage)) == 0
        || (UINT)atoi(codePage) != GetACP())
        return false;
    BOOL usedDefault = FALSE;
    char bytes[256];
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, bytes, sizeof(bytes), NULL, &usedDefault) == 0)
        return false;
    wchar_t back[256];
    MultiByteToWideChar(CP_ACP, 0, bytes, -1, back, 256);
    return !usedDefault && wcscmp(back, text) == 0;
}

class CompareLinesTest : public testing::TestWithParam<Comparator> {
protected:
    /* The ANSI comparator can only tell apart what the code page holds. */
    bool AnsiCannotHold(const wchar_t* text, LCID locale)
    {
        return GetParam() == &CompareA && !Representable(text, locale);
    }

    void Use(LCID locale, DWORD flags)
    {
        g_used = CompareSettingsOf(locale, flags);
    }
    int Cmp(const wchar_t* a, const wchar_t* b) { return GetParam()(a, b); }
    void SetUp() override { Use(0x409, 0); }
};

TEST_P(CompareLinesTest, GreaterLineRanksFirst)
{
    EXPECT_EQ(Cmp(L"b\r\n", L"a"), -1);
    EXPECT_EQ(Cmp(L"a", L"b\r\n"), 1);
    EXPECT_EQ(Cmp(L"same\n", L"same\r"), 0);
}

TEST_P(CompareLinesTest, LineEndTakesNoPart)
{
    EXPECT_EQ(Cmp(L"x\r\n", L"x"), 0);
    EXPECT_EQ(Cmp(L"x\r", L"x"), 0);
    EXPECT_EQ(Cmp(L"x\n", L"x"), 0);
    EXPECT_EQ(Cmp(L"x\r\r", L"x"), 0) << "CR CR trims to x";
    EXPECT_EQ(Cmp(L"x\n\n", L"x\n\r"), 0) << "LF LF and LF CR both trim to x LF";
    EXPECT_NE(Cmp(L"x\n\n", L"x"), 0);
    EXPECT_EQ(Cmp(L"\r\n", L""), 0) << "a bare line end is the empty text";
}

TEST_P(CompareLinesTest, EmptyTextRanksBelowOthersUnlessFlagsMakeThemEqual)
{
    EXPECT_EQ(Cmp(L"", L"a"), 1);
    EXPECT_EQ(Cmp(L"a\r\n", L"\r\n"), -1);
    Use(0x409, NORM_IGNORESYMBOLS);
    EXPECT_EQ(Cmp(L"", L"!?-\r\n"), 0);
}

TEST_P(CompareLinesTest, CaseUnderIgnoreCaseAndWithout)
{
    Use(0x409, NORM_IGNORECASE);
    EXPECT_EQ(Cmp(L"abc\r\n", L"ABC\n"), 0);
    Use(0x409, 0);
    int expected = Inverted(L"abc", L"ABC");
    EXPECT_NE(expected, 0);
    EXPECT_EQ(Cmp(L"abc\r\n", L"ABC\n"), expected);
    EXPECT_EQ(Cmp(L"ABC\n", L"abc\r\n"), -expected);
}

TEST_P(CompareLinesTest, JapaneseKanaTypeAndWidth)
{
    const wchar_t* hiragana = L"\x3042\x3044\r\n";   /* あい */
    const wchar_t* katakana = L"\x30A2\x30A4\r\n";   /* アイ */
    const wchar_t* fullwidthA = L"\xFF21\xFF22";     /* ＡＢ */
    REQUIRE_ANSI(L"\x3042\x3044\x30A2\x30A4\xFF21\xFF22\xFF71", 0x411);
    Use(0x411, 0);
    EXPECT_NE(Cmp(hiragana, katakana), 0);
    EXPECT_NE(Cmp(fullwidthA, L"AB"), 0);
    Use(0x411, NORM_IGNOREKANATYPE);
    EXPECT_EQ(Cmp(hiragana, katakana), 0);
    Use(0x411, NORM_IGNOREWIDTH);
    EXPECT_EQ(Cmp(fullwidthA, L"AB\n"), 0);
    EXPECT_NE(Cmp(L"\xFF71\r\n", L"\x3042"), 0);   /* ｱ and あ */
    Use(0x411, NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH);
    EXPECT_EQ(Cmp(L"\xFF71\r\n", L"\x3042"), 0) << "halfwidth katakana folds to hiragana";
}

TEST_P(CompareLinesTest, GermanIgnoreNonSpace)
{
    REQUIRE_ANSI(L"M\x00FCller", 0x407);
    Use(0x407, 0);
    EXPECT_NE(Cmp(L"M\x00FCller\r\n", L"Muller"), 0);
    Use(0x407, NORM_IGNORENONSPACE);
    EXPECT_EQ(Cmp(L"M\x00FCller\r\n", L"Muller"), 0);
    EXPECT_EQ(Cmp(L"M\x00FCller", L"Mueller"), Inverted(L"Muller", L"Mueller"));
}

TEST_P(CompareLinesTest, ChineseAgreesWithThePlatformBothWays)
{
    REQUIRE_ANSI(L"\x963F\x6CE2\x4E2D\x6587", 0x804);
    Use(0x804, 0);
    const wchar_t* words[] = { L"\x963F", L"\x6CE2", L"\x4E2D\x6587", L"\x4E2D", L"abc", L"" };
    for (const wchar_t* a : words) {
        for (const wchar_t* b : words) {
            std::wstring withEnd = std::wstring(a) + L"\r\n";
            EXPECT_EQ(Cmp(withEnd.c_str(), b), Inverted(a, b));
            EXPECT_EQ(Cmp(a, b), -Cmp(b, a));
        }
    }
}

TEST_P(CompareLinesTest, NullTextComparesEqual)
{
    EXPECT_EQ(Cmp(nullptr, L"a"), 0);
    EXPECT_EQ(Cmp(L"a", nullptr), 0);
}

TEST_P(CompareLinesTest, RejectedLocaleComparesEqual)
{
    Use(0x7FFFFFFF, 0);
    ASSERT_EQ(CompareStringW(0x7FFFFFFF, 0, L"a", 1, L"b", 1), 0) << "the platform must reject this locale";
    EXPECT_EQ(Cmp(L"a", L"b"), 0);
}

/*
** Leading numbers under the locales' own separators, in groups of equal
** value, the greatest first. The comparator's first step must order every
** two of them so, both ways round, and so must their key bytes, which for
** different numbers differ within both keys: the line's key after them
** never decides.
*/
TEST(LeadingNumberTest, ValuesAsTheLocaleWritesThem)
{
    std::wstring z59(59, L'0'), z60(60, L'0'), z129(129, L'0'), z130(130, L'0');
    const struct { LCID locale; std::vector<std::vector<std::wstring>> groups; } chains[] = {
        { 0x409, { { L"1" + z130 }, { L"1" + z60 }, { L"9" + z59 }, { L"1234567890123456789012345" },
                   { L"1234567890123456789012344" }, { L"12345678901234567891" }, { L"12345678901234567890" },
                   { L"1,234.5 x", L"1234.50", L"1,2,34.5" }, { L"1,234" }, { L"999" }, { L"42", L" \t\x3000 42" },
                   { L"12.5", L"12.5.6" }, { L"12.3" }, { L"12" }, { L"7", L"007", L"7%" }, { L"3.9" }, { L"3.14" },
                   { L"3", L"+3", L"\xFF0B" L"3" }, { L"1", L"1,", L"1.", L"1.x", L"1,,2", L"1e5" }, { L"0.5" },
                   { L"0.49" }, { L"0." + z60 + L"01" }, { L"0." + z60 + L"009" }, { L"0." + z130 + L"1" },
                   { L"0", L"-0", L"0.000", L"0x1F" }, { L"-0." + z130 + L"1" }, { L"-0." + z129 + L"1" },
                   { L"-0." + z60 + L"009" }, { L"-0." + z60 + L"01" }, { L"-0.01" }, { L"-0.1" }, { L"-1.4" },
                   { L"-1.5" }, { L"-3", L"\x2212" L"3", L"\xFF0D" L"3" }, { L"-12" }, { L"-12.3" }, { L"-9" + z59 },
                   { L"-1" + z60 }, { L"-1" + z130 }, { L"", L"text", L"- 3", L".9", L"$5" } } },
        { 0x407, { { L"1.234,5", L"1234,5" }, { L"999,99" }, { L"15", L"1.5" }, { L"3,9" }, { L"3,14" } } },
        { 0x40C, { { L"1\x00A0" L"234,5", L"1234,5" }, { L"1\x202F" L"234", L"1234" }, { L"1 234", L"1" } } },
        { 0x439, { { L"12,34,567.5" }, { L"12,34,567", L"1234567" } } },
        { 0x411, { { L"\xFF11\xFF0C\xFF12\xFF13\xFF14\xFF0E\xFF15", L"1234.5" }, { L"\xFF11\xFF12\xFF13", L"123" },
                   { L"\xFF11\xFF10" }, { L"\xFF19" } } },
    };
    for (const auto& chain : chains) {
        CompareSettings settings = CompareSettingsOf(chain.locale, 0);
        UseLeadingNumbers(&settings);
        auto keyOf = [&settings](const std::wstring& text) {
            LeadingNumber number;
            ReadLeadingNumber(text.c_str(), settings.decimalSeparator, settings.groupSeparator, &number);
            std::vector<BYTE> key(NumberKeyLength(&number));
            WriteNumberKey(&number, key.data());
            return key;
        };
        std::vector<std::pair<size_t, std::wstring>> numbers;   /* each with its group */
        for (size_t g = 0; g < chain.groups.size(); g++)
            for (const std::wstring& text : chain.groups[g])
                numbers.push_back(std::make_pair(g, text));
        for (const auto& a : numbers) {
            for (const auto& b : numbers) {
                SCOPED_TRACE(testing::PrintToString(a.second) + " against " + testing::PrintToString(b.second));
                int greater = a.first < b.first ? 1 : a.first > b.first ? -1 : 0;
                EXPECT_EQ(CompareLeadingNumbers(a.second.c_str(), b.second.c_str(), &settings), -greater);
                std::vector<BYTE> keyA = keyOf(a.second), keyB = keyOf(b.second);
                int c = memcmp(keyA.data(), keyB.data(), keyA.size() < keyB.size() ? keyA.size() : keyB.size());
                EXPECT_TRUE(greater == 0 ? keyA == keyB : (c > 0 ? 1 : c < 0 ? -1 : 0) == greater);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Comparators, CompareLinesTest,
                         testing::Values(&CompareW, &CompareA),
                         [](const testing::TestParamInfo<Comparator>& info) {
                             return std::string(info.param == &CompareW ? "W" : "A");
                         });

}  // namespace
