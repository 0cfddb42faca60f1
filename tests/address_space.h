/*
** A process nearly out of address space, as a 32-bit editor that has run
** for a long time can be: the tests take all of it but a few megabytes.
*/
#ifndef ZTOA_ADDRESS_SPACE_H
#define ZTOA_ADDRESS_SPACE_H

#include <windows.h>
#include <vector>

/* Reserves the free address space, largest pieces first, and gives back
** about `left` bytes of it. Returns the reservations (empty when none
** could be made), for ReleaseAddressSpace. */
std::vector<void*> TakeAddressSpace(SIZE_T left);
void ReleaseAddressSpace(const std::vector<void*>& reserved);

#endif
