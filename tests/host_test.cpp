/*
** The stand-in host's document: loading a file piece by piece must give
** the document that loading it whole gives, and inserting text at the caret
** must be string insertion at the caret's offset, whichever way the host
** takes to do it.
*/
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/host.h"

namespace {

/* The text's lines as an editor counts them: CR LF is one line end. */
int CountLines(const std::wstring& text)
{
    int lines = 1;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
            i++;
        if (text[i] == L'\r' || text[i] == L'\n')
            lines++;
    }
    return lines;
}

/* The offset in text of logical position p (line ends count as in the text). */
size_t OffsetOf(const std::wstring& text, POINT p)
{
    size_t offset = 0;
    for (LONG y = 0; y < p.y; y++) {
        while (text[offset] != L'\r' && text[offset] != L'\n')
            offset++;
        offset += text.compare(offset, 2, L"\r\n") == 0 ? 2 : 1;
    }
    return offset + p.x;
}

class HostDocumentTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(HostCreateEditor(NULL), nullptr);
    }

    void TearDown() override
    {
        HostDestroyEditor();
    }
};

const std::wstring kMixed = L"ab\r\ncd\re\n\r\n\r\rf\n\ngh\r";

TEST_F(HostDocumentTest, LoadingInTwoPiecesGivesTheWholeDocument)
{
    for (size_t cut = 0; cut <= kMixed.size(); cut++) {
        HostClearText();
        HostAppendText(kMixed.data(), cut);
        HostAppendText(kMixed.data() + cut, kMixed.size() - cut);
        EXPECT_EQ(HostGetText(), kMixed) << "cut at " << cut;
        EXPECT_EQ(HostLineCount(), CountLines(kMixed)) << "cut at " << cut;
    }
}

TEST_F(HostDocumentTest, LoadingUnitByUnitJoinsCrAndLf)
{
    HostClearText();
    for (WCHAR c : kMixed)
        HostAppendText(&c, 1);
    EXPECT_EQ(HostGetText(), kMixed);
    EXPECT_EQ(HostLineCount(), CountLines(kMixed));
    EXPECT_EQ(HostLine(0), L"ab\r\n");
    EXPECT_EQ(HostLine(3), L"\r\n");
}

TEST_F(HostDocumentTest, InsertingAtTheCaretIsStringInsertion)
{
    const std::wstring document = L"one\r\ntwo\nthree\rfour";
    const wchar_t* const inserts[] = { L"line\r\n", L"line\n", L"line\r", L"two\r\nlines\n", L"no end",
                                       L"\r\n", L"\n", L"" };
    const POINT carets[] = { { 0, 0 }, { 0, 1 }, { 2, 1 }, { 5, 2 }, { 0, 3 }, { 4, 3 } };
    for (const wchar_t* text : inserts) {
        for (POINT caret : carets) {
            size_t at = OffsetOf(document, caret);
            if (text[0] == L'\n' && at > 0 && document[at - 1] == L'\r')
                continue;   /* an editor keeps that CR and LF two line ends; a string would not */
            HostSetText(document);
            HostSelect(caret, caret);
            SendMessageW(HostEditorWindow(), HM_INSERT_TEXT, 0, (LPARAM)text);
            std::wstring want = document;
            want.insert(at, text);
            EXPECT_EQ(HostGetText(), want) << "inserting \"" << testing::PrintToString(std::wstring(text))
                                           << "\" at " << caret.y << ":" << caret.x;
            EXPECT_EQ(HostLineCount(), CountLines(want));
            POINT after = HostCaret();
            EXPECT_EQ(OffsetOf(want, after), at + wcslen(text)) << "the caret follows the text";
        }
    }
}

TEST_F(HostDocumentTest, LinesWrittenBackOneByOneKeepTheirOwnLineEnds)
{
    HostSetText(L"keep\r\nx\r\ny\r\nz\r\nlast");
    POINT start = { 0, 1 }, end = { 0, 4 };
    HostSelect(start, end);
    HWND hwnd = HostEditorWindow();
    SendMessageW(hwnd, HM_EXECUTE_COMMAND, HOST_CMD_DELETE_SELECTION, 0);
    SendMessageW(hwnd, HM_INSERT_TEXT, 0, (LPARAM)L"c\n");
    SendMessageW(hwnd, HM_INSERT_TEXT, 0, (LPARAM)L"b\r");
    SendMessageW(hwnd, HM_INSERT_TEXT, 0, (LPARAM)L"a\r\n");
    EXPECT_EQ(HostGetText(), L"keep\r\nc\nb\ra\r\nlast");
    POINT caret = HostCaret();
    EXPECT_EQ(caret.y, 4);
    EXPECT_EQ(caret.x, 0);
}

/*
** Lines of many lengths, below and above what the host pools, written back
** in another order again and again: every freed block that is handed out
** again must be large enough for its new line.
*/
TEST_F(HostDocumentTest, RewritingLinesOfEveryLengthKeepsEveryText)
{
    std::vector<std::wstring> lines;
    for (size_t length = 0; length < 1200; length += 7)
        lines.push_back(std::wstring(length, (wchar_t)(L'a' + length % 26)) + L"\r\n");
    std::wstring text;
    for (const std::wstring& line : lines)
        text += line;
    HostSetText(text);
    HWND hwnd = HostEditorWindow();
    for (int round = 0; round < 3; round++) {
        std::reverse(lines.begin(), lines.end());
        std::rotate(lines.begin(), lines.begin() + 5 * round + 1, lines.end());
        POINT start = { 0, 0 }, end = { 0, (LONG)lines.size() };
        HostSelect(start, end);
        SendMessageW(hwnd, HM_EXECUTE_COMMAND, HOST_CMD_DELETE_SELECTION, 0);
        std::wstring want;
        for (const std::wstring& line : lines) {
            SendMessageW(hwnd, HM_INSERT_TEXT, 0, (LPARAM)line.c_str());
            want += line;
        }
        ASSERT_EQ(HostGetText(), want) << "round " << round;
    }
}

}  // namespace
