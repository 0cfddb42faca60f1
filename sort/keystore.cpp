/*
** The key store. Keys live in chunks of at most a megabyte, never in one
** block the size of the document: a 32-bit editor that has run for a
** while has its address space in pieces, and the lines themselves fit there.
*/
#include "keystore.h"
#include "compare.h"
#include "numbers.h"
#include "../common/memory.h"
#include "../common/winapi.h"
#include <assert.h>

#define MAX_KEY_BYTES 0x7FFFFFFF              /* the largest size LCMapStringW takes */

/* A new chunk of size bytes put after chunk; NULL when no memory can be had. */
static MemoryChunk* InsertChunk(MemoryChunk* chunk, size_t size)
{
    MemoryChunk* added = NewChunk(size);
    if (added == NULL)
        return NULL;
    added->next = chunk->next;
    chunk->next = added;
    return added;
}

/* Gives the store its first chunk. Returns FALSE when no memory can be had. */
BOOL OpenKeyStore(KeyStore* store)
{
    store->first = store->current = NewChunk(KEY_CHUNK_FIRST_BYTES);
    return store->first != NULL;
}

/* Makes the store empty, its chunks kept for the keys to come. */
void EmptyKeyStore(KeyStore* store)
{
    store->current = store->first;
    store->first->used = 0;
}

/* Keeps the key that MakeKey made last, of length bytes, in the store. */
void KeepMadeKey(KeyStore* store, DWORD length)
{
    assert(store->current->size - store->current->used >= length);
    store->current->used += length;
}

void CloseKeyStore(KeyStore* store)
{
    FreeChunks(store->first);
}

/*
** Makes the sort key of text (its line end left out) under settings at the end of the
** store's current chunk, moving on to a following chunk, or a new one,
** when it does not fit. When the settings order lines by their leading
** numbers, the key begins with the number's key bytes and the locale's
** key follows them. The key is not counted as used: the caller keeps
** it with KeepMadeKey. Returns the key and its length in *length, or NULL
** when no key can be made or no memory had.
*/
const BYTE* MakeKey(KeyStore* store, const WCHAR* text, const CompareSettings* settings, DWORD* length)
{
    LCID locale = settings->locale;
    DWORD flags = LCMAP_SORTKEY | settings->flags;
    int len = ComparedLength(text);
    const WCHAR* source = len > 0 ? text : L"";
    int sourceLen = len > 0 ? len : -1;
    LeadingNumber number = { NUMBER_NONE, 0, 0, NULL };
    size_t prefix = 0;
    if (settings->numbers) {
        ReadLeadingNumber(text, settings->decimalSeparator, settings->groupSeparator, &number);
        prefix = NumberKeyLength(&number);
    }
    MemoryChunk* chunk = store->current;
    assert(chunk != NULL && chunk->used <= chunk->size);
    /* A size of 0 would ask for the key's length and write nothing: a
       chunk without room beyond the number is passed over, never handed
       to LCMapStringW. */
    size_t room = chunk->size - chunk->used;
    if (room > prefix) {
        BYTE* at = ChunkData(chunk) + chunk->used;
        room -= prefix;
        int n = Win()->LCMapStringW(locale, flags, source, sourceLen, (LPWSTR)(void*)(at + prefix),
                             room < MAX_KEY_BYTES ? (int)room : MAX_KEY_BYTES);
        if (n > 0) {
            if (prefix > 0)
                WriteNumberKey(&number, at);
            *length = (DWORD)(prefix + n);
            return at;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return NULL;
    }
    int n = Win()->LCMapStringW(locale, flags, source, sourceLen, NULL, 0);
    if (n <= 0)
        return NULL;
    size_t need = prefix + (size_t)n;
    MemoryChunk* next = chunk->next;
    if (next == NULL || next->size < need) {
        size_t size = chunk->size < KEY_CHUNK_MAX_BYTES ? 2 * chunk->size : KEY_CHUNK_MAX_BYTES;
        next = InsertChunk(chunk, size > need ? size : need);
        if (next == NULL)
            return NULL;
    }
    next->used = 0;
    store->current = next;
    if (Win()->LCMapStringW(locale, flags, source, sourceLen, (LPWSTR)(void*)(ChunkData(next) + prefix), n) != n)
        return NULL;
    if (prefix > 0)
        WriteNumberKey(&number, ChunkData(next));
    *length = (DWORD)need;
    return ChunkData(next);
}
