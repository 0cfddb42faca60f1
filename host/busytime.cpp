/*
** Timing the stand-in host's answers (see busytime.h).
*/
#include "busytime.h"
#include "host.h"

#include <intrin.h>

static BOOL g_timeMessages;                /* add up the time spent answering */
static unsigned long long g_busyCycles;    /* processor cycles spent answering messages */
static unsigned long long g_clearedCycles; /* the cycle count at the last clear */
static LONGLONG g_clearedTicks;            /* and the performance counter then */

static LONGLONG Now(void)
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

BusyTime BusyTimeBegin(void)
{
    return g_timeMessages ? __rdtsc() : 0;
}

void BusyTimeEnd(BusyTime began)
{
    if (g_timeMessages)
        g_busyCycles += __rdtsc() - began;
}

void BusyTimeClear(void)
{
    g_busyCycles = 0;
    g_clearedCycles = __rdtsc();
    g_clearedTicks = Now();
}

void HostTimeMessages(BOOL time)
{
    g_timeMessages = time;
}

LONGLONG HostBusyTicks(void)
{
    unsigned long long cycles = __rdtsc() - g_clearedCycles;
    LONGLONG ticks = Now() - g_clearedTicks;
    if (cycles == 0)
        return 0;
    return (LONGLONG)((double)g_busyCycles * (double)ticks / (double)cycles);
}
