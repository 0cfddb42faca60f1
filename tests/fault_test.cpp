/*
** Allocation failures in the sort command. The executable is linked with
** --wrap for the module's allocator, so every allocation the module makes
** passes through the wrappers below; allocations made while the stand-in
** host answers a message are not counted.
**
** Each counted block also carries a guard of known bytes on both sides,
** checked when it is freed: the heap itself does not notice a write a few
** bytes past the end of a block.
*/
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "host/host.h"
#include "sort/sortcmd.h"
#include "registry_util.h"
#include "sort/ansisort.h"
#include "sort/compare.h"
#include "common/memory.h"
#include "common/winapi.h"

#include <algorithm>

extern "C" {
void* __real_ZtoaAlloc(size_t size);
void* __real_ZtoaAllocZeroed(size_t count, size_t size);
void __real_ZtoaFree(void* block);
}

namespace {

const int kMaxLive = 65536;
const size_t kGuard = 16;                 /* bytes of guard before and after a block */
const unsigned char kGuardByte = 0xA5;

bool g_armed;                   /* counting the module's allocations */
int g_failAt;                   /* the allocation (1-based) that fails; 0: none */
int g_allocations;              /* allocations counted since arming */
bool g_failed;                  /* whether the chosen allocation came and failed */
void* g_live[kMaxLive];         /* blocks handed out while armed and not yet freed */
int g_liveCount;
int g_damaged;                  /* guarded blocks found written outside their bounds */

size_t g_minSize;                /* only allocations of at least this size count */

bool Counting(size_t size)
{
    return g_armed && g_hostBusy == 0 && size >= g_minSize;
}

/* Decides the fate of one counted allocation: true means fail it. */
bool FailThisOne()
{
    g_allocations++;
    if (g_allocations == g_failAt) {
        g_failed = true;
        return true;
    }
    return false;
}

/* The size a guarded block was asked for, kept in front of its guard. */
size_t& GuardedSize(unsigned char* raw)
{
    return *(size_t*)raw;
}

/* Wraps raw (size bytes asked for, with room for both guards) and returns the caller's part. */
void* Guard(void* memory, size_t size)
{
    if (memory == NULL)
        return NULL;
    unsigned char* raw = (unsigned char*)memory;
    GuardedSize(raw) = size;
    memset(raw + sizeof(size_t), kGuardByte, kGuard - sizeof(size_t));
    memset(raw + kGuard + size, kGuardByte, kGuard);
    return raw + kGuard;
}

/* Checks both guards of a caller's block and returns the raw memory. */
void* Unguard(void* block)
{
    unsigned char* raw = (unsigned char*)block - kGuard;
    size_t size = GuardedSize(raw);
    bool intact = true;
    for (size_t i = sizeof(size_t); i < kGuard; i++)
        intact = intact && raw[i] == kGuardByte;
    for (size_t i = 0; i < kGuard; i++)
        intact = intact && raw[kGuard + size + i] == kGuardByte;
    if (!intact)
        g_damaged++;
    return raw;
}

void Track(void* block)
{
    if (block == NULL)
        return;
    if (g_liveCount == kMaxLive)
        abort();   /* an untracked guarded block could not be freed */
    g_live[g_liveCount++] = block;
}

/* Forgets block; returns whether it was a guarded one. */
bool Untrack(void* block)
{
    for (int i = 0; i < g_liveCount; i++) {
        if (g_live[i] == block) {
            g_live[i] = g_live[--g_liveCount];
            return true;
        }
    }
    return false;
}

void Arm(int failAt)
{
    g_failAt = failAt;
    g_allocations = 0;
    g_failed = false;
    g_damaged = 0;
    g_armed = true;
}

}  // namespace

extern "C" {

void* __wrap_ZtoaAlloc(size_t size)
{
    if (!Counting(size))
        return __real_ZtoaAlloc(size);
    if (FailThisOne() || size > (size_t)-1 - 2 * kGuard)
        return NULL;
    void* block = Guard(__real_ZtoaAlloc(size + 2 * kGuard), size);
    Track(block);
    return block;
}

void* __wrap_ZtoaAllocZeroed(size_t count, size_t size)
{
    if (!Counting(count * size))
        return __real_ZtoaAllocZeroed(count, size);
    if (FailThisOne() || (size != 0 && count > ((size_t)-1 - 2 * kGuard) / size))
        return NULL;
    void* block = Guard(__real_ZtoaAllocZeroed(1, count * size + 2 * kGuard), count * size);
    Track(block);
    return block;
}

void __wrap_ZtoaFree(void* block)
{
    if (block != NULL && Untrack(block))
        __real_ZtoaFree(Unguard(block));
    else
        __real_ZtoaFree(block);
}

}

namespace {

/* The settings key's title: this executable's (fault_test or fault_test_checked). */
std::string ExeTitle()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    return TitleOfPath(path);
}

class FaultInjectionTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(HostCreateEditor(NULL), nullptr);
        HostSetWrapWidth(3);
        HostWatchMessageBoxes(TRUE);
        DeleteModuleKey(ExeTitle());
        SetModuleDword(ExeTitle(), "Locale", 0x409);
        SetModuleDword(ExeTitle(), "Flags", 0);
    }

    void TearDown() override
    {
        g_armed = false;
        g_minSize = 0;
        HostWatchMessageBoxes(FALSE);
        HostDestroyEditor();
        DeleteModuleKey(ExeTitle());
    }

    /* Runs the command with allocation failAt failing; returns the document. */
    std::wstring RunFailing(const std::wstring& text, POINT start, POINT end, int failAt)
    {
        HostSetText(text);
        HostSelect(start, end);
        HostClearMessages();
        Arm(failAt);
        SortSelection(HostEditorWindow());
        g_armed = false;
        return HostGetText();
    }

    /*
    ** Fails each allocation in turn. The document must come out either sorted
    ** or untouched, and
    ** every block the module took must be back.
    */
    void FailEachAllocation(const std::wstring& text, POINT start, POINT end,
                            const std::wstring& sorted, const std::wstring& untouched, int atLeast = 5)
    {
        int failAt = 1;
        for (; failAt < 1000; failAt++) {
            std::wstring result = RunFailing(text, start, end, failAt);
            EXPECT_EQ(g_liveCount, 0) << "allocation " << failAt << " failing leaks";
            EXPECT_EQ(g_damaged, 0) << "allocation " << failAt << " failing: a block was written out of bounds";
            if (!g_failed) {
                EXPECT_EQ(result, sorted) << "no allocation failed";
                break;
            }
            EXPECT_TRUE(result == sorted || result == untouched)
                << "allocation " << failAt << " failing damaged the document";
            if (result == untouched) {
                EXPECT_EQ(HostMessageCount(HM_SET_REDRAW), 0u);
                EXPECT_EQ(HostMessageBoxCount(), 1) << "allocation " << failAt << " failing was not told";
            }
        }
        EXPECT_GE(failAt, atLeast) << "the command allocates the array and a buffer per line";
    }
};

TEST_F(FaultInjectionTest, AppendingRunKeepsTheDocument)
{
    POINT start = { 0, 0 }, end = { 3, 3 };   /* x, y: inside the last line */
    std::wstring text = L"pear\r\napple\r\nzebra\r\nmango";
    FailEachAllocation(text, start, end, L"zebra\r\npear\r\nmango\r\napple\r\n", text);
}

TEST_F(FaultInjectionTest, RunWithoutAppendKeepsTheDocument)
{
    POINT start = { 0, 1 }, end = { 0, 5 };   /* lines 1 to 4 */
    std::wstring text = L"head\r\nb\r\nd\r\na\r\nc\r\ntail";
    /* Four lines are too few for keys: the comparator needs no memory of its own. */
    FailEachAllocation(text, start, end, L"head\r\nd\r\nc\r\nb\r\na\r\ntail", text, 4);
}

/*
** Log lines of two days, which tie within each day far past the key bytes
** a record keeps, so that their whole keys are made again into chunks that
** have to grow: any of those allocations failing must leave the comparator
** to sort them.
*/
TEST_F(FaultInjectionTest, LogLinesWhoseKeysOutgrowTheKeyBlock)
{
    std::wstring text, sorted;
    wchar_t line[64];
    for (int i = 0; i < 120; i++) {
        int n = (i * 37) % 120;
        swprintf(line, 64, L"2026-12-0%d 04:25:17 [info] request %03d served\r\n", 8 + n % 2, n);
        text += line;
    }
    for (int n = 119; n >= 0; n -= 2) {   /* the odd numbers fell on the 9th */
        swprintf(line, 64, L"2026-12-09 04:25:17 [info] request %03d served\r\n", n);
        sorted += line;
    }
    for (int n = 118; n >= 0; n -= 2) {
        swprintf(line, 64, L"2026-12-08 04:25:17 [info] request %03d served\r\n", n);
        sorted += line;
    }
    text += L"tail";
    sorted += L"tail";
    POINT start = { 0, 0 }, end = { 0, 120 };
    FailEachAllocation(text, start, end, sorted, text);
}

/*
** More lines than one block of key records holds: each block failing in
** turn (only allocations of a megabyte and more count) must give back the
** blocks taken before it.
*/
TEST_F(FaultInjectionTest, KeyRecordBlocksFailingInTurn)
{
    std::wstring text, sorted;
    wchar_t line[32];
    const int lines = 70000;
    for (int i = 0; i < lines; i++) {
        swprintf(line, 32, L"line %05d\r\n", (int)((i * 7919LL) % lines));
        text += line;
        swprintf(line, 32, L"line %05d\r\n", lines - 1 - i);
        sorted += line;
    }
    POINT start = { 0, 0 }, end = { 0, lines };
    g_minSize = 1 << 20;
    FailEachAllocation(text, start, end, sorted, text, 3);
}

TEST_F(FaultInjectionTest, GuardsCatchAOneByteOverrun)
{
    Arm(0);
    char* volatile block = (char*)ZtoaAlloc(10);
    ASSERT_NE(block, nullptr);
    block[10] = 'x';
    ZtoaFree(block);
    g_armed = false;
    EXPECT_EQ(g_damaged, 1);
}

/*
** The 9x family's sort, failing at each of its allocations in turn: the
** lines come out in the right order or as they were (a refusal), never in
** another order, and every block is back.
*/
TEST_F(FaultInjectionTest, AnsiSortIsRightOrRefused)
{
    CompareSettings settings = CompareSettingsOf(0x409, 0);
    std::vector<std::wstring> texts;
    for (int i = 0; i < 40; i++)
        texts.push_back(std::wstring(1 + i % 5, (wchar_t)(L'a' + i * 7 % 26)) + (i % 3 ? L"\r\n" : L"\n"));
    std::vector<WCHAR*> original, expected;
    for (std::wstring& t : texts)
        original.push_back(&t[0]);
    expected = original;
    ASSERT_TRUE(SortLinesInAnsi(expected.data(), expected.size(), &settings));
    ASSERT_NE(expected, original);
    for (int failAt = 1;; failAt++) {
        std::vector<WCHAR*> lines = original;
        Arm(failAt);
        BOOL sorted = SortLinesInAnsi(lines.data(), lines.size(), &settings);
        g_armed = false;
        EXPECT_EQ(g_liveCount, 0);
        EXPECT_EQ(lines, sorted ? expected : original) << "failing allocation " << failAt;
        if (!g_failed)
            break;
        EXPECT_FALSE(sorted) << "allocation " << failAt << " failed unseen";
    }
}

/* LCMapStringW as Windows answers it, but for one text, whose key it makes of another. */
typedef int(WINAPI* MapProc)(LCID, DWORD, LPCWSTR, int, LPWSTR, int);
MapProc g_realMap;            /* the function it stands in for */
const wchar_t* g_keyOf;       /* the text whose key is made of another */
const wchar_t* g_keyAs;       /* that other text */
int g_lineKeys;               /* keys asked for the document's own "apple" line */

int WINAPI MisleadingMap(LCID locale, DWORD flags, LPCWSTR text, int len, LPWSTR key, int size)
{
    std::wstring t = len < 0 ? std::wstring(text) : std::wstring(text, (size_t)len);
    g_lineKeys += t == L"apple";
    if (t == g_keyOf)
        return g_realMap(locale, flags, g_keyAs, -1, key, size);
    return g_realMap(locale, flags, text, len, key, size);
}

/*
** Sort keys that order some texts otherwise than CompareStringW: a line's
** (caught by the check of the sorted pairs) or a probe text's (caught
** before any line gets a key). Either way the command gives the stable
** order by CompareStringW.
*/
TEST_F(FaultInjectionTest, KeysThatMisorderAreOverruled)
{
    static const struct {
        const char* name;
        LCID locale;
        DWORD flags;
        const wchar_t* keyOf;
        bool probeRefuses;
    } cases[] = {
        { "a line's key", 0x409, 0, L"mango", false },
        { "a probe text's key", 0x40C, NORM_IGNORESYMBOLS, L"co-op", true },
    };
    static const wchar_t* const words[] = { L"pear", L"apple", L"zebra", L"mango", L"kiwi", L"fig", L"lime" };
    std::vector<std::wstring> lines;
    for (int i = 0; i < 40; i++)
        lines.push_back(std::wstring(words[i % 7]) + (i % 5 == 0 ? L" " : L""));
    std::wstring text = JoinLines(lines, L"\r\n") + L"\r\n";
    g_realMap = Win()->LCMapStringW;
    Win()->LCMapStringW = MisleadingMap;
    g_keyAs = L"zzz";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetModuleDword(ExeTitle(), "Locale", c.locale);
        SetModuleDword(ExeTitle(), "Flags", c.flags);
        std::wstring want = JoinLines(StableDescending(lines, c.locale, c.flags), L"\r\n") + L"\r\n";
        g_keyOf = c.keyOf;
        g_lineKeys = 0;
        POINT start = { 0, 0 }, end = { 0, 40 };
        EXPECT_EQ(RunFailing(text, start, end, 0), want);
        EXPECT_EQ(g_lineKeys == 0, c.probeRefuses) << g_lineKeys << " keys made for a line";
    }
    Win()->LCMapStringW = g_realMap;
}

}  // namespace
