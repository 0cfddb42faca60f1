/*
** The key path's records: each line's place and the first bytes of its
** sort key, in blocks, and the cursor that std::sort moves through them.
*/
#ifndef ZTOA_RECORDS_H
#define ZTOA_RECORDS_H

#include <windows.h>
#include <stddef.h>

#include <iterator>

#define KEPT_WORDS 4                          /* key bytes kept per line, in 8-byte words */
#define KEPT_BYTES (8 * KEPT_WORDS)
#define RECORD_BLOCK_SHIFT 15                 /* records per block: 32768, 1.25 MiB of 40-byte records */
#define RECORD_BLOCK_SIZE ((size_t)1 << RECORD_BLOCK_SHIFT)
#define MAX_RECORD_KEY_BYTES 0x3FFFFFFF       /* the largest length a record holds */

/* Where a key stands against the key bytes that most lines share. */
enum KeyRank {
    RANK_BELOW = 0,    /* it ranks below every key that has the shared bytes */
    RANK_SHARED = 1,   /* it begins with the shared bytes; the kept ones follow them */
    RANK_ABOVE = 2     /* it ranks above every key that has the shared bytes */
};

/*
** A line's record. The kept bytes are big-endian words, zero-padded, so
** that comparing words compares bytes; they follow the shared bytes in a
** key of RANK_SHARED, and start at the key's beginning in the others. All
** records of a tied run share their rank and kept bytes, so while the run
** is ordered the last word instead says where the line's whole key is.
*/
typedef struct KeyRecord {
    unsigned long long kept[KEPT_WORDS - 1];
    union {
        unsigned long long bytes;   /* the last kept word */
        const BYTE* whole;          /* in a tied run: the line's whole key */
    } last;
    DWORD length : 30;              /* key bytes, terminator included */
    DWORD rank : 2;                 /* a KeyRank */
    DWORD index;                    /* the line's place in the range */
} KeyRecord;

/*
** A place in the records, which lie in blocks of RECORD_BLOCK_SIZE; what
** std::sort needs of an iterator so that it can sort them where they are.
*/
typedef struct RecordCursor {
    typedef std::random_access_iterator_tag iterator_category;
    typedef KeyRecord value_type;
    typedef ptrdiff_t difference_type;
    typedef KeyRecord* pointer;
    typedef KeyRecord& reference;

    KeyRecord** blocks;
    size_t at;

    KeyRecord& operator*() const { return blocks[at >> RECORD_BLOCK_SHIFT][at & (RECORD_BLOCK_SIZE - 1)]; }
    KeyRecord* operator->() const { return &**this; }
    KeyRecord& operator[](ptrdiff_t n) const { return *(*this + n); }
    RecordCursor& operator++() { at++; return *this; }
    RecordCursor& operator--() { at--; return *this; }
    RecordCursor operator++(int) { RecordCursor old = *this; at++; return old; }
    RecordCursor operator--(int) { RecordCursor old = *this; at--; return old; }
    RecordCursor& operator+=(ptrdiff_t n) { at += n; return *this; }
    RecordCursor& operator-=(ptrdiff_t n) { at -= n; return *this; }
    RecordCursor operator+(ptrdiff_t n) const { RecordCursor c = *this; c.at += n; return c; }
    RecordCursor operator-(ptrdiff_t n) const { RecordCursor c = *this; c.at -= n; return c; }
    ptrdiff_t operator-(const RecordCursor& o) const { return (ptrdiff_t)(at - o.at); }
    bool operator==(const RecordCursor& o) const { return at == o.at; }
    bool operator!=(const RecordCursor& o) const { return at != o.at; }
    bool operator<(const RecordCursor& o) const { return at < o.at; }
    bool operator>(const RecordCursor& o) const { return at > o.at; }
    bool operator<=(const RecordCursor& o) const { return at <= o.at; }
    bool operator>=(const RecordCursor& o) const { return at >= o.at; }
} RecordCursor;

/*
** How two records' kept bytes compare: above 0 when a's rank higher, 0
** when they tie. The rank is not looked at.
*/
static inline int CompareKeptBytes(const KeyRecord& a, const KeyRecord& b)
{
    for (int i = 0; i < KEPT_WORDS - 1; i++) {
        if (a.kept[i] != b.kept[i])
            return a.kept[i] > b.kept[i] ? 1 : -1;
    }
    if (a.last.bytes != b.last.bytes)
        return a.last.bytes > b.last.bytes ? 1 : -1;
    return 0;
}

KeyRecord** AllocateRecords(size_t count, size_t blockCount);
void FreeRecords(KeyRecord** blocks, size_t blockCount);
RecordCursor CursorAt(KeyRecord** blocks, size_t at);
void KeepKeptBytes(KeyRecord* record, const BYTE* key, DWORD length, DWORD from);

#endif
