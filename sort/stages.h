/*
** Marks at the boundaries of the sort command's stages. The module is built
** without them (each mark compiles to nothing); only the benchmark's build
** of the same sources defines ZTOA_SORT_STAGES and supplies the hook, so
** that the shipped DLL carries no timing code.
*/
#ifndef ZTOA_STAGES_H
#define ZTOA_STAGES_H

#include <stddef.h>

enum SortStage {
    SORT_STAGE_FETCHING,   /* the lines are about to be read from the host */
    SORT_STAGE_FETCHED,    /* every line is read (or one could not be) */
    SORT_STAGE_KEYED,      /* key path: every line has its kept key bytes */
    SORT_STAGE_SORTED,     /* key path: the records are in the order of their kept bytes */
    SORT_STAGE_TIED,       /* key path: ties broken; value is the lines whose kept bytes tie */
    SORT_STAGE_REMADE,     /* key path: value is the whole keys made again to break them */
    SORT_STAGE_CHECKED,    /* key path: each adjacent pair compared; value is 1 when the order held */
    SORT_STAGE_ORDERED,    /* the lines are in order; value is 1 by keys, 0 by comparator */
    SORT_STAGE_INSERTED,   /* the sorted lines are inserted; they are read back next */
    SORT_STAGE_REWRITTEN,  /* the host holds the sorted lines, read back */
    SORT_STAGE_FREED,      /* the command's memory is back */
    SORT_STAGE_COUNT
};

#ifdef ZTOA_SORT_STAGES
void SortStageReached(SortStage stage, size_t value);
#define SORT_STAGE(stage, value) SortStageReached((stage), (value))
#else
#define SORT_STAGE(stage, value) ((void)0)
#endif

#endif
