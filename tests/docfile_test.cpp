/*
** Reading a document from a handle that hands out the file in short
** pieces, or fails partway, as pipes and slow devices do.
*/
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "address_space.h"
#include "host/sortlines.h"

namespace {

/* What the writing thread sends: text in pieces of pieceSize bytes. */
struct Feed {
    HANDLE pipe;
    std::string bytes;
    size_t pieceSize;
    bool disconnect;   /* end the pipe as an error, not as the end of the file */
};

DWORD WINAPI WritePieces(void* context)
{
    Feed* feed = (Feed*)context;
    for (size_t at = 0; at < feed->bytes.size(); at += feed->pieceSize) {
        size_t n = feed->bytes.size() - at < feed->pieceSize ? feed->bytes.size() - at : feed->pieceSize;
        DWORD written = 0;
        if (!WriteFile(feed->pipe, feed->bytes.data() + at, (DWORD)n, &written, NULL))
            break;
        if (at % (64 * feed->pieceSize) == 0)
            Sleep(1);   /* let the reader catch up and find the pipe empty */
    }
    if (feed->disconnect) {
        FlushFileBuffers(feed->pipe);
        DisconnectNamedPipe(feed->pipe);
    }
    CloseHandle(feed->pipe);
    return 0;
}

/* UTF-8 of about size bytes: lines of three-byte characters, so that pieces cut characters. */
std::string JapaneseLines(size_t size)
{
    std::string text;
    while (text.size() < size)
        text += "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E line\r\n";
    return text;
}

class ReadDocumentTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(HostCreateEditor(NULL), nullptr); }
    void TearDown() override { HostDestroyEditor(); }
};

TEST_F(ReadDocumentTest, ShortReadsAreReadOnToTheEnd)
{
    HANDLE readEnd, writeEnd;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, NULL, 4096));
    Feed feed = { writeEnd, JapaneseLines(3 << 20), 1001, false };
    HANDLE writer = CreateThread(NULL, 0, WritePieces, &feed, 0, NULL);
    ASSERT_NE(writer, nullptr);
    Encoding encoding = ENC_UTF16LE;
    Failure failure = { 0, L"" };
    BOOL read = ReadDocument(readEnd, &encoding, &failure);
    CloseHandle(readEnd);   /* a writer still writing fails now, instead of waiting */
    WaitForSingleObject(writer, INFINITE);
    CloseHandle(writer);
    ASSERT_TRUE(read) << failure.status;
    EXPECT_EQ(encoding, ENC_UTF8);
    std::wstring expected(feed.bytes.size(), L'\0');
    expected.resize(MultiByteToWideChar(CP_UTF8, 0, feed.bytes.data(), (int)feed.bytes.size(),
                                        &expected[0], (int)expected.size()));
    EXPECT_EQ(HostGetText().size(), expected.size()) << "the document was cut short";
    EXPECT_TRUE(HostGetText() == expected);
}

TEST_F(ReadDocumentTest, ReadErrorPartwayIsAnError)
{
    const wchar_t name[] = L"\\\\.\\pipe\\ztoa_docfile_test";
    HANDLE server = CreateNamedPipeW(name, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, NULL);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    HANDLE client = CreateFileW(name, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(client, INVALID_HANDLE_VALUE);
    ConnectNamedPipe(server, NULL);
    Feed feed = { server, JapaneseLines(200000), 4000, true };
    HANDLE writer = CreateThread(NULL, 0, WritePieces, &feed, 0, NULL);
    ASSERT_NE(writer, nullptr);
    Encoding encoding;
    Failure failure = { 0, L"" };
    BOOL read = ReadDocument(client, &encoding, &failure);
    CloseHandle(client);
    WaitForSingleObject(writer, INFINITE);
    CloseHandle(writer);
    EXPECT_FALSE(read) << "a broken read passed for the end of the file";
    EXPECT_EQ(failure.status, 2);
    EXPECT_STREQ(failure.text, L"cannot read input file");
}

/*
** Writing a line longer than the memory left: the result is not written
** whole, which is a failure with status 1, and the writing thread ends
** instead of waiting for a batch that never comes.
*/
TEST_F(ReadDocumentTest, OutOfMemoryWhileWritingIsAFailure)
{
    HostSetText(std::wstring(8 << 20, L'a') + L"\r\n");
    wchar_t path[MAX_PATH];
    ASSERT_NE(GetTempFileNameW(L".", L"oom", 0, path), 0u);
    /* About 8 MB left: room for the batches, not for the 16 MB line. */
    std::vector<void*> reserved = TakeAddressSpace(8 << 20);
    Failure failure = { 0, L"" };
    BOOL saved = SaveDocument(path, ENC_UTF8, &failure);
    ReleaseAddressSpace(reserved);
    DeleteFileW(path);
    ASSERT_FALSE(reserved.empty()) << "no address space could be reserved";
    EXPECT_FALSE(saved) << "a document that did not fit in memory was reported written";
    EXPECT_EQ(failure.status, 1);
    EXPECT_TRUE(wcsstr(failure.text, L"out of memory") != NULL) << failure.text;
}

}  // namespace
