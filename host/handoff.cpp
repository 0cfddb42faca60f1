/*
** The hand-off between the stand-in host's two file threads (see handoff.h).
*/
#include "handoff.h"

#include <process.h>

/* Starts proc on a second thread with the buffers all free. Returns FALSE on failure. */
BOOL StartHandoff(Handoff* handoff, unsigned (__stdcall* proc)(void*), void* context)
{
    handoff->ready = CreateSemaphoreW(NULL, 0, PIECES, NULL);
    handoff->free = CreateSemaphoreW(NULL, PIECES, PIECES, NULL);
    handoff->thread = NULL;
    if (handoff->ready != NULL && handoff->free != NULL)
        handoff->thread = (HANDLE)_beginthreadex(NULL, 0, proc, context, 0, NULL);
    return handoff->thread != NULL;
}

/* Waits for the second thread to end, and closes the handles. */
void EndHandoff(Handoff* handoff)
{
    WaitForSingleObject(handoff->thread, INFINITE);
    CloseHandle(handoff->thread);
    CloseHandle(handoff->ready);
    CloseHandle(handoff->free);
}
