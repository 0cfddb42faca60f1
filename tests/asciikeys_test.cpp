/*
** Keys composed from the table of single-character keys against the keys
** LCMapStringW makes: for random plain-ASCII texts under many locales and
** every set of the dialog's flags, either the table composes the very
** same bytes or the proof refused the locale and flags. The full sweep,
** every locale Windows enumerates, runs with
** --gtest_also_run_disabled_tests --gtest_filter=*FullSweep*.
*/
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sort/asciikeys.h"

namespace {

unsigned g_seed;   /* the generator's state */

unsigned NextRandom()
{
    g_seed = g_seed * 1103515245u + 12345u;
    return g_seed >> 8;
}

/* A plain-ASCII text of 0 to 200 characters, weighted towards punctuation, digits and mixed case. */
std::wstring RandomAscii()
{
    static const char kPunctuation[] = "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~ \t";
    std::wstring text;
    size_t n = NextRandom() % 201;
    for (size_t i = 0; i < n; i++) {
        unsigned pick = NextRandom() % 8;
        if (pick < 2)
            text.push_back((wchar_t)kPunctuation[NextRandom() % (sizeof(kPunctuation) - 1)]);
        else if (pick < 4)
            text.push_back((wchar_t)(L'0' + NextRandom() % 10));
        else if (pick < 7)
            text.push_back((wchar_t)((NextRandom() % 2 ? L'a' : L'A') + NextRandom() % 26));
        else
            text.push_back((wchar_t)(1 + NextRandom() % 127));
    }
    return text;
}

std::vector<BYTE> LCMapKey(const std::wstring& text, LCID locale, DWORD flags)
{
    std::vector<BYTE> key(8 * text.size() + 64);
    int n = LCMapStringW(locale, LCMAP_SORTKEY | flags, text.empty() ? L"" : text.c_str(),
                         text.empty() ? -1 : (int)text.size(), (LPWSTR)(void*)key.data(), (int)key.size());
    key.resize(n > 0 ? n : 0);
    return key;
}

/* The six flags of the dialog, combined by the bits of set. */
DWORD DialogFlags(unsigned set)
{
    static const DWORD kFlags[] = { NORM_IGNORECASE, NORM_IGNORENONSPACE, NORM_IGNORESYMBOLS,
                                    NORM_IGNOREKANATYPE, NORM_IGNOREWIDTH, SORT_STRINGSORT };
    DWORD flags = 0;
    for (int i = 0; i < 6; i++)
        if (set & (1u << i))
            flags |= kFlags[i];
    return flags;
}

/*
** Builds the table for locale and flags and, unless the proof refused it,
** composes the keys of texts random texts, whole and into too small a
** room. Returns whether the table was built.
*/
bool ComposedKeysAreLCMapKeys(LCID locale, DWORD flags, int texts)
{
    AsciiKeys keys;
    if (!BuildAsciiKeys(&keys, locale, flags))
        return false;
    for (int i = 0; i < texts; i++) {
        std::wstring text = RandomAscii();
        std::vector<BYTE> made = LCMapKey(text, locale, flags);
        std::vector<BYTE> composed(made.size() + 2048);
        int n = ComposeAsciiKey(&keys, text.c_str(), (int)text.size(), composed.data(), (int)composed.size());
        if (n == ASCII_KEY_NOT_COMPOSABLE)
            continue;
        composed.resize(n > 0 ? n : 0);
        EXPECT_EQ(composed, made) << std::hex << "locale " << locale << " flags " << flags << " text "
                                  << testing::PrintToString(text);
        if (composed != made)
            return true;
        composed.assign(n + 64, 0xEE);
        EXPECT_EQ(ComposeAsciiKey(&keys, text.c_str(), (int)text.size(), composed.data(), n), n);
        EXPECT_EQ(composed[n], 0xEE) << "a room just the key's size is not overrun";
        composed.assign(n + 64, 0xEE);
        EXPECT_EQ(ComposeAsciiKey(&keys, text.c_str(), (int)text.size(), composed.data(), n - 1), -n)
            << "a room one byte short asks for the key's size";
        EXPECT_EQ(composed[n - 1], 0xEE) << "and is not written past";
    }
    return true;
}

std::vector<LCID> g_locales;   /* filled by the enumeration */

BOOL CALLBACK AddLocale(LPWSTR name)
{
    g_locales.push_back((LCID)wcstoul(name, NULL, 16));
    return TRUE;
}

/* The locales of the check, the contraction ones, and every 40th that Windows enumerates. */
TEST(AsciiKeysTest, ComposedKeysAreLCMapKeysUnderSampledLocales)
{
    g_seed = 20;
    std::vector<LCID> locales = { 0x409, 0x411, 0x804, 0x20804, 0x41f, 0x41e, 0xc0a, 0x40a, 0x406, 0x40e, 0x405 };
    g_locales.clear();
    ASSERT_TRUE(EnumSystemLocalesW(AddLocale, LCID_SUPPORTED));
    for (size_t i = 0; i < g_locales.size(); i += 40)
        locales.push_back(g_locales[i]);
    int built = 0;
    for (LCID locale : locales)
        for (unsigned set = 0; set < 64; set += locale == 0x409 ? 3 : 13)
            built += ComposedKeysAreLCMapKeys(locale, DialogFlags(set), 40);
    EXPECT_GT(built, 0) << "the proof refused every locale";
    AsciiKeys keys;
    EXPECT_FALSE(BuildAsciiKeys(&keys, 0x409, SORT_DIGITSASNUMBERS)) << "digits read their neighbours";
}

/*
** Letters that contract under a locale, in pairs or in triples only, are
** left out of the table (or the locale refused): composing their key
** letter by letter would differ.
*/
TEST(AsciiKeysTest, ContractionsAreNotComposed)
{
    static const struct { LCID locale; const wchar_t* text; } kContractions[] = {
        { 0x40a, L"ch" }, { 0x405, L"ch" }, { 0x406, L"aa" }, { 0x40e, L"cs" }, { 0x40e, L"dzs" },
        { 0x483, L"chj" }, { 0x483, L"ghj" },   /* no pair of them contracts */
    };
    for (const auto& c : kContractions) {
        for (unsigned set = 0; set < 64; set += 9) {
            AsciiKeys keys;
            DWORD flags = DialogFlags(set);
            if (!BuildAsciiKeys(&keys, c.locale, flags))
                continue;
            std::wstring text = std::wstring(L"x") + c.text + L"y";
            BYTE composed[256];
            int n = ComposeAsciiKey(&keys, text.c_str(), (int)text.size(), composed, sizeof(composed));
            EXPECT_EQ(n, ASCII_KEY_NOT_COMPOSABLE) << std::hex << c.locale << " " << flags;
        }
    }
}

/* Every locale Windows enumerates, every set of the six flags, 2,000 texts each. */
TEST(AsciiKeysTest, DISABLED_FullSweep)
{
    g_seed = 2000;
    g_locales.clear();
    ASSERT_TRUE(EnumSystemLocalesW(AddLocale, LCID_SUPPORTED));
    for (LCID locale : g_locales) {
        int built = 0;
        for (unsigned set = 0; set < 64; set++)
            built += ComposedKeysAreLCMapKeys(locale, DialogFlags(set), 2000);
        printf("locale %04lx: %d of 64 flag sets composed\n", (unsigned long)locale, built);
    }
}

}  // namespace
