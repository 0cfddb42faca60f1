/*
** The time the stand-in host spends answering the module's messages, for
** the benchmark. The processor's cycle counter costs a fraction of
** QueryPerformanceCounter, which, called twice for each of millions of
** messages, would weigh on the very time it measures; the cycles are
** turned into counter ticks at the rate both ran at since the last clear.
** Nothing is timed unless HostTimeMessages asked for it.
*/
#ifndef ZTOA_BUSYTIME_H
#define ZTOA_BUSYTIME_H

typedef unsigned long long BusyTime;

BusyTime BusyTimeBegin(void);        /* when a message's answer began, or 0 */
void BusyTimeEnd(BusyTime began);     /* adds the time since began */
void BusyTimeClear(void);             /* starts counting from 0 */

#endif
