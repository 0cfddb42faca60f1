/*
** Putting in order the records whose kept key bytes tie with another's.
*/
#ifndef ZTOA_TIEBREAK_H
#define ZTOA_TIEBREAK_H

#include "keystore.h"
#include "records.h"

/*
** What breaking the ties of one range needs: the lines, the settings, the
** store the keys are made into, how many bytes of keys a run may keep at
** once, and a count of the keys made.
*/
typedef struct TieBreak {
    WCHAR** lines;
    const CompareSettings* settings;
    KeyStore* store;
    DWORD shared;      /* the key bytes that records of RANK_SHARED pass over */
    size_t budget;
    size_t made;
} TieBreak;

BOOL BreakTies(RecordCursor records, size_t count, TieBreak* tb);

#endif
