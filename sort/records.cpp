/*
** The key path's record blocks. Records live in blocks of 1.25 MiB, never
** in one block the size of the document: a 32-bit editor that has run for
** a while has its address space in pieces, and the lines themselves fit there.
*/
#include "records.h"
#include "../common/memory.h"

/* Frees the record blocks and the table of them. */
void FreeRecords(KeyRecord** blocks, size_t blockCount)
{
    for (size_t b = 0; b < blockCount; b++)
        ZtoaFree(blocks[b]);
    ZtoaFree(blocks);
}

/*
** The records for count lines, in blockCount blocks of RECORD_BLOCK_SIZE
** (the last one shorter), and the table of them. Returns NULL when any
** cannot be had, with nothing left allocated.
*/
KeyRecord** AllocateRecords(size_t count, size_t blockCount)
{
    KeyRecord** blocks = (KeyRecord**)ZtoaAllocZeroed(blockCount, sizeof(KeyRecord*));
    if (blocks == NULL)
        return NULL;
    for (size_t b = 0; b < blockCount; b++) {
        size_t n = b + 1 < blockCount ? RECORD_BLOCK_SIZE : count - (b << RECORD_BLOCK_SHIFT);
        blocks[b] = (KeyRecord*)ZtoaAlloc(n * sizeof(KeyRecord));
        if (blocks[b] == NULL) {
            FreeRecords(blocks, b);
            return NULL;
        }
    }
    return blocks;
}

RecordCursor CursorAt(KeyRecord** blocks, size_t at)
{
    RecordCursor c;
    c.blocks = blocks;
    c.at = at;
    return c;
}

/* Eight key bytes from offset on, big-endian, as one integer; zeros past the end. */
static unsigned long long WordOf(const BYTE* key, DWORD length, DWORD offset)
{
    unsigned long long word = 0;
    for (DWORD i = offset; i < offset + 8; i++)
        word = (word << 8) | (i < length ? key[i] : 0);
    return word;
}

/* Keeps in record the KEPT_BYTES of key (length bytes) that begin at from. */
void KeepKeptBytes(KeyRecord* record, const BYTE* key, DWORD length, DWORD from)
{
    for (int w = 0; w < KEPT_WORDS - 1; w++)
        record->kept[w] = WordOf(key, length, from + 8 * w);
    record->last.bytes = WordOf(key, length, from + KEPT_BYTES - 8);
}
