/*
** Two threads passing PIECES buffers back and forth, for the stand-in
** host's files: while the second thread reads and decodes the next
** megabyte of a file (or encodes and writes the last one), the main thread
** files lines into the document (or gathers the next batch), so that the
** two kinds of work overlap instead of taking turns.
*/
#ifndef ZTOA_HANDOFF_H
#define ZTOA_HANDOFF_H

#include <windows.h>

#define PIECES 2   /* buffers in flight between the two threads */

/*
** Two threads handing PIECES buffers back and forth: one fills a buffer and
** signals ready, the other empties it and signals free.
*/
typedef struct Handoff {
    HANDLE ready;                  /* counts buffers filled and not yet emptied */
    HANDLE free;                   /* counts buffers free to be filled */
    HANDLE thread;                 /* the second thread */
} Handoff;

BOOL StartHandoff(Handoff* handoff, unsigned (__stdcall* proc)(void*), void* context);
void EndHandoff(Handoff* handoff);

#endif
