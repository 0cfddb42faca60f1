/*
** A check, once per locale and flags in a process, that sort keys order a
** set of awkward texts as the comparator does.
*/
#ifndef ZTOA_KEYPROBE_H
#define ZTOA_KEYPROBE_H

#include <windows.h>

#include "../settings/settings.h"

BOOL KeysAgreeOnProbe(const CompareSettings* settings);

#endif
