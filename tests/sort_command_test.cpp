/*
** The sort command, run through the built module as the host runs it, on
** the stand-in host's editor window with wrapping on (so positions must be
** converted before they are selected).
*/
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "address_space.h"
#include "host/host.h"
#include "registry_util.h"
#include "resources/resource.h"

namespace {

HMODULE g_module;             /* the module under test */
OnCommandProc g_onCommand;    /* its OnCommand export */

POINT Pt(LONG y, LONG x)
{
    POINT p = { x, y };
    return p;
}

class SortCommandTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        g_module = LoadLibraryA(g_dllPath.c_str());
        if (g_module != NULL)
            g_onCommand = (OnCommandProc)GetProcAddress(g_module, "OnCommand");
    }

    void SetUp() override
    {
        ASSERT_NE(g_onCommand, nullptr) << "cannot load " << g_dllPath;
        ASSERT_NE(HostCreateEditor(NULL), nullptr);
        HostSetWrapWidth(4);
        HostWatchMessageBoxes(TRUE);
        title = TitleOfPath(g_dllPath);
        DeleteModuleKey(title);
        SetModuleDword(title, "Locale", 0x409);
        SetModuleDword(title, "Flags", 0);
    }

    void TearDown() override
    {
        HostWatchMessageBoxes(FALSE);
        HostDestroyEditor();
        DeleteModuleKey(title);
    }

    /*
    ** Checks that the last run left text untouched and told the user once,
    ** with string id when it is not 0.
    */
    static void ExpectRefused(const std::wstring& text, UINT id = 0)
    {
        EXPECT_EQ(HostGetText(), text);
        EXPECT_EQ(HostMessageCount(HM_SET_REDRAW), 0u) << "the document was rewritten";
        ExpectTold(id);
    }

    /* Checks that the last run showed one message, string id when it is not 0. */
    static void ExpectTold(UINT id)
    {
        EXPECT_EQ(HostMessageBoxCount(), 1) << "the user was not told";
        EXPECT_NE(HostLastMessageBoxText()[0], L'\0') << "the message has no text";
        WCHAR want[256] = L"";
        if (id != 0 && LoadStringW(g_module, id, want, ARRAYSIZE(want)) > 0)
            EXPECT_STREQ(HostLastMessageBoxText(), want) << "string " << id;
    }

    /* Loads text, selects start..end (logical) and runs the command. */
    std::wstring Sort(const std::wstring& text, POINT start, POINT end)
    {
        HostSetText(text);
        HostSelect(start, end);
        HostClearMessages();
        g_onCommand(HostEditorWindow());
        return HostGetText();
    }

    /* Index of the n-th (0-based) message of this kind in the log, or -1. */
    static int IndexOf(UINT message, WPARAM wParam, int n = 0)
    {
        const std::vector<HostMessage>& log = HostMessages();
        for (size_t i = 0; i < log.size(); i++)
            if (log[i].message == message && log[i].wParam == wParam && n-- == 0)
                return (int)i;
        return -1;
    }

    std::string title;
};

/*
** Whole lines that the selection touches, sorted in place, each with its
** own line end: a selection that ends at column 0 leaves that line out,
** one made upwards (reported end first) takes the same lines, and one
** that touches a single line changes nothing and reads nothing.
*/
TEST_F(SortCommandTest, SelectionsSortTheLinesTheyTouch)
{
    static const struct { const wchar_t* text; POINT start, end; const wchar_t* want; } cases[] = {
        { L"apple pie\r\nbanana split\r\ncherry", { 2, 1 }, { 7, 1 }, NULL },
        { L"zebra\r\napple", { 0, 1 }, { 3, 1 }, NULL },
        { L"line zero\r\nline one\r\nalpha long\r\ncharlie long\r\nbravo long\r\nalpha again\r\nend", { 3, 2 },
          { 0, 5 }, L"line zero\r\nline one\r\ncharlie long\r\nbravo long\r\nalpha long\r\nalpha again\r\nend" },
        { L"line zero\r\nline one\r\nalpha long\r\ncharlie long\r\nbravo long\r\nzulu\r\n", { 0, 2 }, { 1, 4 },
          L"line zero\r\nline one\r\ncharlie long\r\nbravo long\r\nalpha long\r\nzulu\r\n" },
        { L"head\r\nkiwi\r\nzebra\r\napple\r\nmango", { 2, 3 }, { 3, 1 },   /* made upwards */
          L"head\r\nzebra\r\nkiwi\r\napple\r\nmango" },
        { L"bravo\r\n" L"charlie\n" L"alpha\r" L"delta", { 0, 0 }, { 5, 3 },
          L"delta\r\n" L"charlie\n" L"bravo\r\n" L"alpha\r" },
        { L"beta\r\nalpha\r\n", { 0, 0 }, { 0, 2 }, L"beta\r\nalpha\r\n" },
        { L"alpha\r\nbeta\r\n", { 0, 0 }, { 0, 2 }, L"beta\r\nalpha\r\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        EXPECT_EQ(Sort(c.text, c.start, c.end), c.want != NULL ? c.want : c.text);
        EXPECT_EQ(HostMessageBoxCount(), 0);
        if (c.want == NULL) {
            EXPECT_EQ(HostMessageCount(HM_GET_LINE), 0u);
            EXPECT_EQ(HostMessageCount(HM_SET_REDRAW), 0u);
            EXPECT_EQ(HostMessageCount(HM_INSERT_TEXT), 0u);
        }
    }
}

TEST_F(SortCommandTest, MissingFinalLineEndFollowsFirstLine)
{
    struct Case { const wchar_t* eol; } cases[] = { { L"\r\n" }, { L"\r" }, { L"\n" } };
    for (const Case& c : cases) {
        std::wstring eol = c.eol;
        std::wstring text = L"mango" + eol + L"apple" + eol + L"zucchini";
        std::wstring want = L"zucchini" + eol + L"mango" + eol + L"apple" + eol;
        EXPECT_EQ(Sort(text, Pt(0, 0), Pt(2, 3)), want) << "line end " << eol.size();
        EXPECT_EQ(HostLineCount(), 4) << "the document ends with an empty line";
    }
}

/* Line 0's own line end counts, even when a NUL stands before it. */
TEST_F(SortCommandTest, AppendedLineEndFollowsLineZeroEvenOutsideTheRange)
{
    std::wstring text = L"header\n" L"pear\r\n" L"fig";
    EXPECT_EQ(Sort(text, Pt(1, 0), Pt(2, 1)), L"header\n" L"pear\r\n" L"fig\n");
    static const wchar_t nul[] = L"head\0er\r\n" L"pear\n" L"fig";
    std::wstring withNul(nul, ARRAYSIZE(nul) - 1);
    EXPECT_EQ(Sort(withNul, Pt(1, 0), Pt(2, 1)), withNul + L"\r\n");
}

TEST_F(SortCommandTest, SelectionAtColumnZeroOfEmptyLastLineAppendsNothing)
{
    std::wstring text = L"apple\r\nbanana\r\n";
    EXPECT_EQ(Sort(text, Pt(0, 0), Pt(2, 0)), L"banana\r\napple\r\n");
    EXPECT_EQ(HostMessageCount(HM_INSERT_TEXT), 2u);
    EXPECT_EQ(IndexOf(HM_EXECUTE_COMMAND, HOST_CMD_GO_TO_END), -1);
}

TEST_F(SortCommandTest, FinalSelectionCoversTheSortedLines)
{
    std::wstring text = L"first line here\r\nsecond\r\nthird line is long\r\nfourth\r\nfifth line\r\n";
    Sort(text, Pt(1, 4), Pt(3, 2));
    POINT start, end;
    HostGetSelection(&start, &end);
    EXPECT_EQ(start.y, 1); EXPECT_EQ(start.x, 0);
    EXPECT_EQ(end.y, 4);   EXPECT_EQ(end.x, 0);
    EXPECT_EQ(HostGetText(), L"first line here\r\nthird line is long\r\nsecond\r\nfourth\r\nfifth line\r\n");
}

TEST_F(SortCommandTest, ChangesStandBetweenRedrawOffAndOn)
{
    Sort(L"kiwi\r\nzebra\r\nantelope", Pt(0, 0), Pt(2, 4));
    const std::vector<HostMessage>& log = HostMessages();
    int off = IndexOf(HM_SET_REDRAW, 0);
    int on = IndexOf(HM_SET_REDRAW, 1);
    ASSERT_GE(off, 0);
    ASSERT_EQ(on, (int)log.size() - 1) << "redraw comes back on last";
    EXPECT_EQ(HostMessageCount(HM_SET_REDRAW), 2u);
    /* The final line end is supplied in memory: nothing is inserted before the delete. */
    EXPECT_EQ(IndexOf(HM_EXECUTE_COMMAND, HOST_CMD_GO_TO_END), -1);
    int deleteAt = IndexOf(HM_EXECUTE_COMMAND, HOST_CMD_DELETE_SELECTION);
    EXPECT_GT(IndexOf(HM_INSERT_TEXT, 0, 0), deleteAt);
    EXPECT_GT(deleteAt, off);
    EXPECT_GT(IndexOf(HM_SET_SELECTION, 0, 0), off);
    EXPECT_LT(IndexOf(HM_SET_SELECTION, 0, 0), deleteAt);
    EXPECT_GT(IndexOf(HM_INSERT_TEXT, 0, 1), deleteAt);
    EXPECT_GT(IndexOf(HM_SET_SELECTION, 0, 1), IndexOf(HM_INSERT_TEXT, 0, 2));
    EXPECT_EQ(HostRedrawState(), 1);
}

/*
** Each line of the range read once, with two messages, then read back
** after the rewrite with one; line 0 only when its line end is needed.
*/
TEST_F(SortCommandTest, ReadsEachLineOnceAndReadsTheRangeBack)
{
    Sort(L"one\r\ntwo\r\nthree\r\nfour\r\nfive\r\nsix\r\n", Pt(2, 0), Pt(5, 0));
    EXPECT_EQ(HostMessageCount(HM_GET_LINE), 2u * 3 + 3);
    EXPECT_EQ(HostMessageCount(HM_INSERT_TEXT), 3u);
    EXPECT_EQ(HostMessageCount(HM_CONVERT_POSITION), 4u);
    EXPECT_EQ(HostMessageCount(HM_GET_LINE_COUNT), 3u) << "before the sort, after the delete, after the rewrite";
}

TEST_F(SortCommandTest, LinesThatCompareEqualKeepDocumentOrder)
{
    SetModuleDword(title, "Flags", NORM_IGNORECASE);
    std::wstring text = L"abc\r\nABC\r\nzed\r\nAbc\r\naBc\r\n";
    EXPECT_EQ(Sort(text, Pt(0, 0), Pt(5, 0)), L"zed\r\nabc\r\nABC\r\nAbc\r\naBc\r\n");
}

TEST_F(SortCommandTest, RejectedSettingsAreReportedWithoutTouchingTheDocument)
{
    static const struct { DWORD locale, flags; } rejected[] = {
        { 0x7FFFFFFF, 0 }, { 0x409, 0xFFFFFFFF }, { 0x313134, 0 },
    };
    std::wstring text = L"m\r\nz\r\na\r\nq\r\nb\r\nc\r\nx\r\nd\r\nk\r\nj\r\ne";
    for (const auto& r : rejected) {
        SetModuleDword(title, "Locale", r.locale);
        SetModuleDword(title, "Flags", r.flags);
        Sort(text, Pt(0, 0), Pt(10, 1));
        ExpectRefused(text);
        EXPECT_EQ(HostMessageCount(HM_GET_LINE), 0u) << "locale 0x" << std::hex << r.locale;
    }
}

TEST_F(SortCommandTest, RejectedSettingsOnOneLineSayNothing)
{
    SetModuleDword(title, "Flags", 0xFFFFFFFF);
    std::wstring text = L"zebra\r\napple";
    EXPECT_EQ(Sort(text, Pt(1, 0), Pt(1, 3)), text);
    EXPECT_EQ(HostMessageBoxCount(), 0) << "a range of one line needs no sort and no message";
}

TEST_F(SortCommandTest, NulInsideALineLeavesTheDocument)
{
    static const wchar_t raw[] = L"apple\r\nzeta\0tail\r\nmango\r\n";
    std::wstring text(raw, ARRAYSIZE(raw) - 1);
    Sort(text, Pt(0, 0), Pt(3, 0));
    ExpectRefused(text);
    /* The last line has no line end, and none is added to a document left as it was. */
    Sort(text.substr(0, text.size() - 2), Pt(0, 0), Pt(2, 2));
    ExpectRefused(text.substr(0, text.size() - 2));
}

TEST_F(SortCommandTest, StoredIgnoreCaseChangesTheOrder)
{
    std::wstring text = L"b\r\nA\r\na\r\nB\r\n";
    std::wstring plain = Sort(text, Pt(0, 0), Pt(4, 0));
    SetModuleDword(title, "Flags", NORM_IGNORECASE);
    std::wstring folded = Sort(text, Pt(0, 0), Pt(4, 0));
    EXPECT_EQ(folded, L"b\r\nB\r\nA\r\na\r\n");
    EXPECT_NE(plain, folded);
}

TEST_F(SortCommandTest, DefaultsApplyWithoutStoredSettings)
{
    DeleteModuleKey(title);
    EXPECT_EQ(Sort(L"a\r\nB\r\nc\r\n", Pt(0, 0), Pt(3, 0)), L"c\r\nB\r\na\r\n");
    EXPECT_TRUE(ModuleKeyExists(title)) << "reading the settings creates the key";
    EXPECT_EQ(CountValues(title), 0u) << "and writes nothing into it";
}

class MisbehavingHostTest : public SortCommandTest,
                            public testing::WithParamInterface<LRESULT> {};

TEST_P(MisbehavingHostTest, UnusableLineSizeLeavesTheDocument)
{
    HostSetLineSize(HOST_SIZE_FIXED, GetParam());
    std::wstring text = L"kiwi\r\nzebra\r\nantelope";
    Sort(text, Pt(0, 0), Pt(2, 3));
    ExpectRefused(text);
    EXPECT_EQ(HostMessageCount(HM_INSERT_TEXT), 0u);
}

/*
** The editor's process nearly out of address space: the lines cannot all
** be copied. Nothing may be deleted, and the user must be told.
*/
TEST_F(SortCommandTest, AddressSpaceRunningOutLeavesTheDocumentAndSaysSo)
{
    std::wstring text;
    wchar_t line[80];
    for (int i = 0; i < 300000; i++) {
        swprintf(line, ARRAYSIZE(line), L"%06u the quick brown fox jumps over the lazy dog\r\n",
                 (unsigned)(i * 7919ull % 300000));
        text += line;
    }
    HostSetText(text);
    HostKeepLog(FALSE);   /* a log of 600,000 messages would need memory too */
    /* About 8 MB left: room for a few of the lines, not for all 25 MB of them. */
    std::vector<void*> reserved = TakeAddressSpace(8 << 20);
    HostSelect(Pt(0, 0), Pt(300000, 0));
    HostClearMessages();
    g_onCommand(HostEditorWindow());
    ReleaseAddressSpace(reserved);
    ASSERT_FALSE(reserved.empty()) << "no address space could be reserved";
    ExpectRefused(text);
}

TEST_F(SortCommandTest, SizesWithoutRoomForTheTerminatorLeaveTheDocument)
{
    HostSetLineSize(HOST_SIZE_SHORT, 1);
    std::wstring text = L"f\ne\nd\nc\nb\na\n";
    Sort(text, Pt(0, 0), Pt(6, 0));
    ExpectRefused(text);
}

TEST_F(SortCommandTest, WrongLineCountLeavesTheDocument)
{
    std::wstring text = L"apple\nmango";
    HostSetLineCountOffset(1);
    Sort(text, Pt(0, 0), Pt(1, 2));
    ExpectRefused(text);
}

/* A way for the stand-in host to contradict itself, set on a fresh editor. */
struct HostFault {
    const char* name;
    void (*set)(void);
};

/*
** Hosts whose answers do not agree: each is caught before anything
** changes, the document is left exactly as it was and the user told so.
*/
TEST_F(SortCommandTest, HostsThatContradictThemselvesLeaveTheDocument)
{
    static const HostFault faults[] = {
        { "line size one short", [] { HostSetLineSize(HOST_SIZE_SHORT, 1); } },
        { "line size fixed one short", [] { HostSetLineSize(HOST_SIZE_FIXED, 6); } },
        { "line size one too large", [] { HostSetLineSize(HOST_SIZE_SHORT, -1); } },
        { "positions not converted", [] { HostSetUnanswered(HM_CONVERT_POSITION); } },
        { "line count one low", [] { HostSetLineCountOffset(-1); } },
        { "selection end on the last line a LONG holds", [] { HostReportSelectionEnd(Pt(LONG_MAX, 1)); } },
    };
    /* Lines of one length, so that a size fixed one short cuts each of them alike. */
    std::wstring text = L"head line\r\nkiwi\r\nzebu\r\npear\r\nplum\r\nend";
    for (const HostFault& f : faults) {
        SCOPED_TRACE(f.name);
        HostSetLineSize(HOST_SIZE_TRUE, 0);
        HostSetUnanswered(0);
        HostSetLineCountOffset(0);
        HostReportSelectionEnd(Pt(-1, -1));
        f.set();
        Sort(text, Pt(1, 0), Pt(4, 2));
        ExpectRefused(text, IDS_EDITOR_DISAGREES);
    }
}

/* A host that carries out the rewrite otherwise than asked, and what the user is told. */
struct RewriteFault {
    const char* name;
    UINT unanswered;
    HostInsertFault insert;
    bool untouched;   /* nothing may be inserted: the document stays as it was */
    UINT told;
};

/*
** Every line of the range is read back, line end included, so a host that
** changes a middle line is caught, and nothing is inserted unless the
** delete took the range away.
*/
TEST_F(SortCommandTest, RewriteNotCarriedOutAsAskedIsTold)
{
    static const RewriteFault faults[] = {
        { "delete ignored", HM_EXECUTE_COMMAND, HOST_INSERT_TRUE, true, IDS_NOT_DELETED },
        { "insertions ignored", HM_INSERT_TEXT, HOST_INSERT_TRUE, false, IDS_REWRITE_UNVERIFIED },
        { "line ends made CR LF", 0, HOST_INSERT_CRLF, false, IDS_REWRITE_UNVERIFIED },
        { "trailing blanks trimmed", 0, HOST_INSERT_TRIM, false, IDS_REWRITE_UNVERIFIED },
        { "two lines swapped", 0, HOST_INSERT_SWAP, false, IDS_REWRITE_UNVERIFIED },
    };
    /* Sorted, the changed lines stand inside the range: zebra first, antelope last, both CR LF. */
    std::wstring text = L"kiwi\r\nzebra\r\ndelta  \r\necho\nantelope\r\ncharlie\rmango\r\nend";
    for (const RewriteFault& f : faults) {
        SCOPED_TRACE(f.name);
        HostSetUnanswered(f.unanswered);
        HostSetInsertFault(f.insert);
        std::wstring result = Sort(text, Pt(0, 0), Pt(7, 0));
        if (f.untouched)
            EXPECT_EQ(result, text);
        EXPECT_EQ(HostMessageCount(HM_INSERT_TEXT), f.untouched ? 0u : 7u);
        ExpectTold(f.told);
        EXPECT_EQ(HostRedrawState(), 1);
    }
    HostSetUnanswered(0);
    HostSetInsertFault(HOST_INSERT_TRUE);
    EXPECT_EQ(Sort(text, Pt(0, 0), Pt(7, 0)),
              L"zebra\r\nmango\r\nkiwi\r\necho\ndelta  \r\ncharlie\rantelope\r\nend");
    EXPECT_EQ(HostMessageBoxCount(), 0);
}

/*
** Lines whose sort keys and CompareStringW disagree (U+FE7D expands into
** several weights) come out in the comparator's order whether the range
** is ordered by the comparator (a few lines) or by keys (more).
*/
TEST_F(SortCommandTest, KeysThatDisagreeWithTheComparatorDoNotDecideTheOrder)
{
    for (int count : { 3, 20 }) {
        std::vector<std::wstring> lines = { L"a\xFE7D", L"a", L"a\xFE7D" };
        while ((int)lines.size() < count)
            lines.push_back(std::wstring(1, (wchar_t)(L'b' + lines.size())));
        std::wstring text = JoinLines(lines, L"\r\n") + L"\r\n";
        std::wstring want = JoinLines(StableDescending(lines, 0x409, 0), L"\r\n") + L"\r\n";
        EXPECT_EQ(Sort(text, Pt(0, 0), Pt(count, 0)), want) << count << " lines";
    }
}

/*
** A line that ends in a lone CR, put directly in front of an empty line
** that ends in LF, would become one CR LF line with it: that order is
** refused, inside the range and against the line after it.
*/
TEST_F(SortCommandTest, LoneCrBeforeEmptyLfLineIsRefused)
{
    static const struct { const wchar_t* text; POINT start, end; } cases[] = {
        { L"\n" L"b\r" L"a\r" L"end", { 0, 0 }, { 0, 3 } },        /* a\r then \n inside */
        { L"a\r" L"b\n" L"\n" L"end", { 0, 0 }, { 0, 2 } },         /* a\r then the line after */
        { L"\n" L"b\r" L"a\r" L"end", { 0, 0 }, { 1, 3 } },        /* with the last line taken in */
    };
    for (const auto& c : cases) {
        Sort(c.text, c.start, c.end);
        ExpectRefused(c.text, IDS_UNMOVABLE_LINE);
    }
    /* The same lines where no CR meets an empty LF line are sorted. */
    EXPECT_EQ(Sort(L"a\r" L"b\n" L"c\n" L"end", Pt(0, 0), Pt(2, 0)), L"b\n" L"a\r" L"c\n" L"end");
}

/* The wait cursor shows while the lines are read; the cursor as it was is back before any message. */
TEST_F(SortCommandTest, WaitCursorShowsAndTheCursorComesBack)
{
    HCURSOR cross = LoadCursor(NULL, IDC_CROSS), wait = LoadCursor(NULL, IDC_WAIT);
    static const wchar_t nul[] = L"b\r\nz\0z\r\na\r\n";
    const struct { std::wstring text; bool refused; } runs[] = {
        { L"b\r\nc\r\na\r\n", false },
        { std::wstring(nul, ARRAYSIZE(nul) - 1), true },
    };
    HostWatchCursor(TRUE);
    for (const auto& r : runs) {
        SetCursor(cross);
        Sort(r.text, Pt(0, 0), Pt(3, 0));
        EXPECT_EQ(HostCursorSeen(), wait) << "refused " << r.refused;
        EXPECT_EQ(GetCursor(), cross) << "refused " << r.refused;
        EXPECT_EQ(HostMessageBoxCount(), r.refused ? 1 : 0);
        if (r.refused)
            EXPECT_EQ(HostMessageBoxCursor(), cross);
    }
    HostWatchCursor(FALSE);
}

/*
** A host that leaves one message unanswered. A question it does not answer
** must not make the module act on what its memory held before: the
** document is either sorted or left as it was.
*/
class UnansweredMessageTest : public SortCommandTest,
                              public testing::WithParamInterface<UINT> {};

TEST_P(UnansweredMessageTest, DocumentIsSortedOrIntact)
{
    HostSetWrapWidth(0);   /* unconverted positions then still name the same places */
    HostSetUnanswered(GetParam());
    std::wstring text = L"head\r\nkiwi\r\nzebra\r\napple\r\nmango";
    std::wstring sorted = L"head\r\nzebra\r\nmango\r\nkiwi\r\napple\r\n";
    /* An unanswered start is the start of the document. */
    std::wstring sortedFromTop = L"zebra\r\nmango\r\nkiwi\r\nhead\r\napple\r\n";
    std::wstring result = Sort(text, Pt(1, 2), Pt(4, 2));
    EXPECT_TRUE(result == sorted || result == sortedFromTop || result == text || result == text + L"\r\n")
        << "message 0x" << std::hex << GetParam();
    bool untouched = result == text || result == text + L"\r\n";
    if (untouched && HostMessageCount(HM_GET_LINE) > 0)
        EXPECT_EQ(HostMessageBoxCount(), 1) << "lines were read but not sorted, and the user was not told";
}

INSTANTIATE_TEST_SUITE_P(Messages, UnansweredMessageTest,
                         testing::Values((UINT)HM_GET_SEL_START, (UINT)HM_GET_SEL_END,
                                         (UINT)HM_GET_LINE_COUNT, (UINT)HM_CONVERT_POSITION,
                                         (UINT)HM_GET_LINE, (UINT)HM_SET_SELECTION));

INSTANTIATE_TEST_SUITE_P(Sizes, MisbehavingHostTest,
                         testing::Values((LRESULT)0, (LRESULT)-1, (LRESULT)0x80000000u,
                                         (LRESULT)0x80000001u, (LRESULT)0xFFFFFFFFu));

}  // namespace
