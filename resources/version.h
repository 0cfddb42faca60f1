/*
 * The module's version, in the one place that the string tables
 * (IDS_VERSION), the version resource and scripts/release read it from.
 * Only #define lines: windres, the compilers and a shell script read it.
 */
#ifndef ZTOA_VERSION_H
#define ZTOA_VERSION_H

#define ZTOA_VERSION_MAJOR          1
#define ZTOA_VERSION_MINOR          2
#define ZTOA_VERSION_TEXT           "1.02"

#endif /* ZTOA_VERSION_H */
