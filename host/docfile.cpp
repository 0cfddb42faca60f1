/*
** Reading a text file into the stand-in host's document and writing the
** document back, in the encoding the file came in: UTF-8, UTF-8 with a
** BOM, or UTF-16LE with a BOM.
**
** Both go a megabyte at a time, so that no copy of the whole file is held
** beside the document, and both hand the conversion to a second thread
** (handoff.h). Only the main thread touches the document.
*/
#include "handoff.h"
#include "sortlines.h"

#include <stdio.h>
#include <string.h>
#include <new>
#include <vector>

#define IO_CHUNK (1 << 20)     /* bytes read, or UTF-16 units written, at a time */
#define MAX_INPUT 0x7FFFFFFF   /* the largest file the document takes */

/* A decoded piece of the file on its way to the document. */
typedef struct Piece {
    std::vector<WCHAR> units;
    size_t count;                  /* units in use */
    unsigned long long bytesRead;  /* bytes of the file read up to this piece */
    BOOL last;                     /* nothing follows */
} Piece;

typedef struct Loader {
    HANDLE file;
    std::vector<unsigned char> bytes;   /* the reading thread's buffer, made before it starts */
    Piece pieces[PIECES];
    Handoff handoff;               /* the reading thread makes pieces, the main thread takes them */
    Encoding encoding;
    const char* error;             /* why the file is bad input, or NULL */
    volatile LONG stop;            /* the main thread can take no more: read no further */
} Loader;

/*
** How much of n bytes of UTF-8 can be decoded now: all at the end of the
** file, otherwise up to the last lead byte, whose sequence may go on in
** the next read. At most 4 bytes are kept back.
*/
static size_t Utf8Cut(const unsigned char* bytes, size_t n, BOOL atEnd)
{
    if (atEnd)
        return n;
    size_t i = n;
    while (i > 0 && n - i < 3 && (bytes[i - 1] & 0xC0) == 0x80)
        i--;
    if (i > 0 && bytes[i - 1] >= 0xC0)
        i--;
    return i;
}

/* The encoding a file's first bytes announce, and the length of its BOM. */
static Encoding DetectEncoding(const unsigned char* bytes, size_t n, size_t* bom)
{
    *bom = 0;
    if (n >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        *bom = 2;
        return ENC_UTF16LE;
    }
    if (n >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        *bom = 3;
        return ENC_UTF8_BOM;
    }
    return ENC_UTF8;
}

/*
** Decodes bytes (whole characters) into piece. Returns NULL, or why the
** bytes are bad input.
*/
static const char* DecodeInto(Piece* piece, const unsigned char* bytes, size_t n, Encoding encoding)
{
    if (encoding == ENC_UTF16LE) {
        memcpy(piece->units.data(), bytes, n);
        piece->count = n / 2;
        return NULL;
    }
    piece->count = 0;
    if (n == 0)
        return NULL;
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, (const char*)bytes, (int)n,
                                    piece->units.data(), (int)piece->units.size());
    if (units == 0)
        return "invalid UTF-8";
    piece->count = (size_t)units;
    return NULL;
}

/*
** Reads up to size bytes into buffer, as many reads as it takes: a read
** may return fewer bytes than asked (a pipe, a slow device) long before
** the end. Returns the bytes read, fewer than size only at the end of the
** file; *failed is set when a read fails. A pipe whose writer has closed
** it has ended.
*/
static size_t ReadFully(HANDLE file, unsigned char* buffer, size_t size, BOOL* failed)
{
    size_t total = 0;
    while (total < size) {
        DWORD got = 0;
        if (!ReadFile(file, buffer + total, (DWORD)(size - total), &got, NULL)) {
            *failed = GetLastError() != ERROR_BROKEN_PIPE;
            return total;
        }
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

/*
** The reading thread: reads the file, decodes each read into the next
** free piece and passes it on. A read error or bad input ends the file
** early with loader->error set; loader->stop ends it early without. It
** allocates nothing, so that running out of memory cannot stop it half way.
*/
static unsigned __stdcall ReadPieces(void* context)
{
    Loader* loader = (Loader*)context;
    std::vector<unsigned char>& bytes = loader->bytes;
    unsigned long long total = 0;
    size_t held = 0;       /* bytes kept back from the last read, at the front */
    BOOL first = TRUE;
    for (int k = 0;; k = (k + 1) % PIECES) {
        WaitForSingleObject(loader->handoff.free, INFINITE);
        Piece* piece = &loader->pieces[k];
        BOOL failed = FALSE;
        size_t n = loader->stop ? 0 : ReadFully(loader->file, bytes.data() + held, IO_CHUNK, &failed);
        total += n;
        BOOL atEnd = n < IO_CHUNK;
        size_t have = held + n;
        size_t start = 0;
        if (first)
            loader->encoding = DetectEncoding(bytes.data(), have, &start);
        first = FALSE;

        size_t cut;
        if (failed)
            loader->error = "cannot read input file";
        else if (total > MAX_INPUT)
            loader->error = "input file too large";
        if (loader->encoding == ENC_UTF16LE) {
            cut = (have - start) & ~(size_t)1;
            if (atEnd && cut != have - start && loader->error == NULL)
                loader->error = "invalid UTF-16 (odd length)";
        } else {
            cut = Utf8Cut(bytes.data() + start, have - start, atEnd);
        }
        if (loader->error == NULL)
            loader->error = DecodeInto(piece, bytes.data() + start, cut, loader->encoding);
        if (loader->error != NULL)
            piece->count = 0;
        piece->bytesRead = total;
        piece->last = atEnd || loader->error != NULL;
        ReleaseSemaphore(loader->handoff.ready, 1, NULL);
        if (piece->last)
            return 0;
        held = have - start - cut;
        memmove(bytes.data(), bytes.data() + start + cut, held);
    }
}

/*
** Makes room in the document for the lines of the whole file, estimated
** from the lines in its first bytes, so that loading does not regrow the
** document's table of lines (and touch twice its memory) along the way.
*/
static void ReserveForFile(HANDLE file, unsigned long long bytesRead, int linesRead)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0 || bytesRead == 0
            || (unsigned long long)size.QuadPart <= bytesRead)
        return;
    double estimate = (double)linesRead * ((double)size.QuadPart / (double)bytesRead) * 1.05 + 16;
    if (estimate >= (double)MAX_INPUT)
        return;
    try {
        HostReserveLines((size_t)estimate);
    } catch (const std::bad_alloc&) {
        /* Only a saving: loading finds out whether the lines fit. */
    }
}

/* The full form of path, or an empty string when it has none. */
static std::wstring FullPath(const wchar_t* path)
{
    DWORD size = GetFullPathNameW(path, 0, NULL, NULL);
    if (size == 0)
        return std::wstring();
    std::vector<wchar_t> full(size + 1);
    DWORD n = GetFullPathNameW(path, size + 1, full.data(), NULL);
    if (n == 0 || n > size)
        return std::wstring();
    return std::wstring(full.data(), n);
}

/*
** The path by which a user's file is opened as itself. Windows, and Wine,
** take a file name such as NUL, CON, AUX or COM1 for a device in any
** folder and with any extension ("nul.txt"), and GetFullPathName already
** turns it into the device's name, so only the folder is made full and
** the file's own name is appended as it stands; the \\?\ form of the
** result is never taken for a device. Returns an empty string when the
** path cannot be made full.
*/
static std::wstring LiteralPath(const wchar_t* path)
{
    std::wstring given(path);
    size_t slash = given.find_last_of(L"\\/:");
    std::wstring name = slash == std::wstring::npos ? given : given.substr(slash + 1);
    if (name.empty() || name == L"." || name == L"..")
        return std::wstring();
    std::wstring folder = slash == std::wstring::npos ? std::wstring(L".") : given.substr(0, slash + 1);
    if (folder[folder.size() - 1] == L':')
        folder += L'.';   /* "C:nul.txt": the current folder of drive C */
    std::wstring text = FullPath(folder.c_str());
    if (text.empty())
        return text;
    if (text[text.size() - 1] != L'\\')
        text += L'\\';
    text += name;
    if (text.compare(0, 4, L"\\\\?\\") == 0)
        return text;
    if (text.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + text.substr(2);
    return L"\\\\?\\" + text;
}

/*
** Opens the file at path for the document. Only a regular file will do:
** a device or pipe named as input would be read as one, or wait for ever.
** Returns INVALID_HANDLE_VALUE with *failure set on failure.
*/
static HANDLE OpenInput(const wchar_t* path, Failure* failure)
{
    std::wstring literal = LiteralPath(path);
    HANDLE file = literal.empty() ? INVALID_HANDLE_VALUE
        : CreateFileW(literal.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        Fail(failure, 2, L"cannot open input file: %ls", path);
        return INVALID_HANDLE_VALUE;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        Fail(failure, 2, L"input is not a regular file: %ls", path);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

/*
** Reads the open file into the editor's document, replacing what it held;
** *encoding gets the encoding the file came in. Returns FALSE with
** *failure set when the file is bad input (status 2: it cannot be read,
** invalid UTF-8, UTF-16 of odd length, over 2 GB) or cannot be taken in
** (status 1).
*/
BOOL ReadDocument(HANDLE file, Encoding* encoding, Failure* failure)
{
    Loader loader;
    loader.file = file;
    try {
        loader.bytes.resize(IO_CHUNK + 4);
        for (int k = 0; k < PIECES; k++)
            loader.pieces[k].units.resize(IO_CHUNK + 4);
    } catch (const std::bad_alloc&) {
        return Fail(failure, 1, L"out of memory: cannot read the input file");
    }
    loader.encoding = ENC_UTF8;
    loader.error = NULL;
    loader.stop = FALSE;
    if (!StartHandoff(&loader.handoff, ReadPieces, &loader))
        return Fail(failure, 1, L"cannot start reading the input file");

    /* The reading thread must be waited for before anything unwinds, so
       running out of memory here stops it and drains what it still sends. */
    BOOL outOfMemory = FALSE;
    HostClearText();
    BOOL first = TRUE;
    for (int k = 0;; k = (k + 1) % PIECES) {
        WaitForSingleObject(loader.handoff.ready, INFINITE);
        Piece* piece = &loader.pieces[k];
        if (!outOfMemory) {
            try {
                HostAppendText(piece->units.data(), piece->count);
                if (first && !piece->last)
                    ReserveForFile(loader.file, piece->bytesRead, HostLineCount());
            } catch (const std::bad_alloc&) {
                outOfMemory = TRUE;
                InterlockedExchange(&loader.stop, TRUE);
            }
        }
        first = FALSE;
        BOOL last = piece->last;
        ReleaseSemaphore(loader.handoff.free, 1, NULL);
        if (last)
            break;
    }
    EndHandoff(&loader.handoff);
    *encoding = loader.encoding;
    if (outOfMemory) {
        HostClearText();
        return Fail(failure, 1, L"out of memory: the document is too large for the host; nothing was written");
    }
    if (loader.error != NULL)
        return Fail(failure, 2, L"%hs", loader.error);
    return TRUE;
}

/* Reads the file at path into the document, as ReadDocument does. */
BOOL LoadDocument(const wchar_t* path, Encoding* encoding, Failure* failure)
{
    HANDLE file = OpenInput(path, failure);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    BOOL loaded = ReadDocument(file, encoding, failure);
    CloseHandle(file);
    if (!loaded && failure->status == 2)
        Fail(failure, 2, L"%ls: %ls", failure->text, path);
    return loaded;
}

/* Lines gathered for writing; an empty batch ends the document. */
typedef struct Saver {
    HANDLE file;
    Encoding encoding;
    std::vector<WCHAR> batches[PIECES];
    Handoff handoff;               /* the main thread gathers batches, the writing thread writes them */
    BOOL failed;                   /* a write failed; the rest is not written */
    BOOL outOfMemory;              /* a batch could not be encoded or gathered */
} Saver;

/* Writes count bytes to file. Returns FALSE when the write fails. */
static BOOL WriteBytes(HANDLE file, const void* data, size_t count)
{
    const char* next = (const char*)data;
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(file, next, (DWORD)count, &written, NULL) || written == 0)
            return FALSE;
        next += written;
        count -= written;
    }
    return TRUE;
}

/* Writes UTF-16 text in the document's encoding. Returns FALSE when the write fails. */
static BOOL WriteUnits(HANDLE file, const std::vector<WCHAR>& units, std::vector<char>* bytes, Encoding encoding)
{
    if (encoding == ENC_UTF16LE)
        return WriteBytes(file, units.data(), units.size() * sizeof(WCHAR));
    if (bytes->size() < units.size() * 3)
        bytes->resize(units.size() * 3);
    int n = WideCharToMultiByte(CP_UTF8, 0, units.data(), (int)units.size(), bytes->data(), (int)bytes->size(),
                                NULL, NULL);
    return WriteBytes(file, bytes->data(), (size_t)n);
}

/*
** The writing thread: writes the BOM, then each batch as it comes. After
** the first batch it stops where a test asks it to (TestStall). A batch
** that cannot be encoded for want of memory fails the write like an error.
*/
static unsigned __stdcall WriteBatches(void* context)
{
    Saver* saver = (Saver*)context;
    std::vector<char> bytes;
    if (saver->encoding == ENC_UTF16LE)
        saver->failed = !WriteBytes(saver->file, "\xFF\xFE", 2);
    else if (saver->encoding == ENC_UTF8_BOM)
        saver->failed = !WriteBytes(saver->file, "\xEF\xBB\xBF", 3);
    BOOL first = TRUE;
    for (int k = 0;; k = (k + 1) % PIECES) {
        WaitForSingleObject(saver->handoff.ready, INFINITE);
        std::vector<WCHAR>& units = saver->batches[k];
        BOOL last = units.empty();
        if (!last && !saver->failed) {
            try {
                saver->failed = !WriteUnits(saver->file, units, &bytes, saver->encoding);
            } catch (const std::bad_alloc&) {
                saver->failed = TRUE;
                saver->outOfMemory = TRUE;
            }
            if (first)
                TestStall("writing");
            first = FALSE;
        }
        units.clear();
        ReleaseSemaphore(saver->handoff.free, 1, NULL);
        if (last)
            return 0;
    }
}

/*
** Whether the file that Wine finds at the literal path has a name that
** differs from the path's own in case: on a case-sensitive file system
** Wine takes "Notes.txt" for an existing "notes.txt" when no file has the
** exact name, and would write over it. *other gets the file's name.
*/
static BOOL OtherCaseName(const std::wstring& literal, std::wstring* other)
{
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(literal.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return FALSE;
    FindClose(find);
    std::wstring name = literal.substr(literal.find_last_of(L'\\') + 1);
    if (name == found.cFileName)
        return FALSE;
    *other = found.cFileName;
    return TRUE;
}

/*
** The name the user gave the output, for messages: scripts/sortlines has
** the host write a temporary file that it names in SORTLINES_OUTPUT_NAME.
*/
static std::wstring OutputName(const wchar_t* output)
{
    wchar_t name[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"SORTLINES_OUTPUT_NAME", name, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(name) : std::wstring(output);
}

/*
** Writes the document to output, or to stdout when output is NULL, in the
** given encoding. Returns FALSE with *failure set when the output file
** cannot be made (status 2) or a write fails (status 1).
*/
BOOL SaveDocument(const wchar_t* output, Encoding encoding, Failure* failure)
{
    Saver saver;
    if (output != NULL) {
        std::wstring literal = LiteralPath(output);
        std::wstring other;
        if (!literal.empty() && OtherCaseName(literal, &other))
            return Fail(failure, 2, L"cannot write output file: %ls: another file, %ls, has that name but for "
                        L"case, and Wine would write that one", OutputName(output).c_str(), other.c_str());
        saver.file = literal.empty() ? INVALID_HANDLE_VALUE
            : CreateFileW(literal.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, NULL);
        if (saver.file == INVALID_HANDLE_VALUE)
            return Fail(failure, 2, L"cannot write output file: %ls", OutputName(output).c_str());
    } else {
        saver.file = GetStdHandle(STD_OUTPUT_HANDLE);
    }
    saver.encoding = encoding;
    saver.failed = FALSE;
    saver.outOfMemory = FALSE;
    try {
        for (int k = 0; k < PIECES; k++)
            saver.batches[k].reserve(IO_CHUNK + 1024);
    } catch (const std::bad_alloc&) {
        saver.outOfMemory = TRUE;
    }
    if (saver.outOfMemory || !StartHandoff(&saver.handoff, WriteBatches, &saver)) {
        if (output != NULL)
            CloseHandle(saver.file);
        return Fail(failure, 1, saver.outOfMemory ? L"out of memory: cannot write the result"
                    : L"cannot start writing the result");
    }

    /* A line too long for the memory left ends the document early: the
       empty batch still goes, so that the writing thread ends. */
    int count = HostLineCount();
    int y = 0;
    for (int k = 0;; k = (k + 1) % PIECES) {
        WaitForSingleObject(saver.handoff.free, INFINITE);
        std::vector<WCHAR>& units = saver.batches[k];
        while (y < count && units.size() < IO_CHUNK && !saver.outOfMemory) {
            size_t length;
            const WCHAR* eol;
            const WCHAR* text = HostLineView(y++, &length, &eol);
            try {
                units.insert(units.end(), text, text + length);
                units.insert(units.end(), eol, eol + wcslen(eol));
            } catch (const std::bad_alloc&) {
                units.clear();
                saver.outOfMemory = TRUE;
            }
        }
        BOOL last = units.empty();
        ReleaseSemaphore(saver.handoff.ready, 1, NULL);
        if (last)
            break;
    }
    EndHandoff(&saver.handoff);
    /* The bytes reach the disk before the file can be renamed over the
       user's: a crash after the rename must not leave an empty file. */
    if (output != NULL && !saver.failed && GetFileType(saver.file) == FILE_TYPE_DISK
            && !FlushFileBuffers(saver.file))
        saver.failed = TRUE;
    if (output != NULL && !CloseHandle(saver.file))
        saver.failed = TRUE;
    if (saver.outOfMemory)
        return Fail(failure, 1, L"out of memory: the result was not written whole");
    if (saver.failed && output != NULL)
        return Fail(failure, 1, L"cannot write the result: %ls", OutputName(output).c_str());
    if (saver.failed)
        return Fail(failure, 1, L"cannot write the result");
    return TRUE;
}
