/*
** The store the key path's keys are made into: whole keys are made there
** while the lines whose kept bytes tie are put in order, and for the probe.
*/
#ifndef ZTOA_KEYSTORE_H
#define ZTOA_KEYSTORE_H

#include <windows.h>
#include <stddef.h>

#include "../common/chunks.h"
#include "../settings/settings.h"

#define KEY_CHUNK_FIRST_BYTES 4096            /* the key store's first chunk; later ones grow */
#define KEY_CHUNK_MAX_BYTES (1 << 20)         /* by doubling up to this */

/* Made keys, in chained chunks: first is kept, current takes the next key. */
typedef struct KeyStore {
    MemoryChunk* first;
    MemoryChunk* current;
} KeyStore;

BOOL OpenKeyStore(KeyStore* store);
void EmptyKeyStore(KeyStore* store);
const BYTE* MakeKey(KeyStore* store, const WCHAR* text, const CompareSettings* settings, DWORD* length);
void KeepMadeKey(KeyStore* store, DWORD length);
void CloseKeyStore(KeyStore* store);

#endif
