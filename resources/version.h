/*
 * The module's version, in the one place that the string tables
 * (IDS_VERSION), the version resource and scripts/release read it from.
 * A patch release changes ZTOA_VERSION_PATCH and ZTOA_RELEASE_TEXT only.
 * Only #define lines: windres, the compilers and a shell script read it.
 */
#ifndef ZTOA_VERSION_H
#define ZTOA_VERSION_H

#define ZTOA_VERSION_MAJOR          1
#define ZTOA_VERSION_MINOR          2
#define ZTOA_VERSION_PATCH          1
/* What PP_GET_VERSION answers: the editor's plug-in list expects major.minor. */
#define ZTOA_VERSION_TEXT           "1.02"
/* The release: the zip's name and the version resource's strings. */
#define ZTOA_RELEASE_TEXT           "1.02.1"

#endif /* ZTOA_VERSION_H */
