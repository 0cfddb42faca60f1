/*
 * Resource identifiers of the ZtoA plug-in.
 *
 * Included by the resource scripts (windres) and by the C/C++ sources, so it
 * holds nothing but #define lines with plain integer values.
 */
#ifndef ZTOA_RESOURCE_H
#define ZTOA_RESOURCE_H

/* String table */
#define IDS_UNINSTALL_PROMPT        1
#define IDS_VERSION                 2
#define IDS_MENU_TEXT_ASCENDING     3
#define IDS_STATUS_ASCENDING        4
#define IDS_MENU_TEXT               5
#define IDS_STATUS_MESSAGE          6
#define IDS_NO_MEMORY               7   /* why a sort did not happen, */
#define IDS_UNMOVABLE_LINE          8   /* told in a message box      */
#define IDS_SETTINGS_REJECTED       9
#define IDS_EDITOR_DISAGREES        10  /* the editor's answers did not agree: not sorted     */
#define IDS_REWRITE_UNVERIFIED      11  /* after the rewrite the lines are not as expected    */
#define IDS_NOT_DELETED             12  /* the editor kept lines it was asked to delete       */
#define IDS_SAVE_FAILED             13  /* the dialog could not store the settings            */

/* Toolbar bitmaps */
#define IDB_TOOLBAR                 101 /* 16 x 15, 16 colours           */
#define IDB_LARGE                   104 /* 24 x 24, 16 colours           */
#define IDB_256_GRAYED              105 /* 16 x 16, 256 colours, greys   */
#define IDB_256                     106 /* 16 x 16, 256 colours          */
#define IDB_256_DARK                107 /* 16 x 16, 256 colours, dark    */
#define IDB_TRUE_GRAYED             108 /* 16 x 16, 32 bpp, greys        */
#define IDB_TRUE                    109 /* 16 x 16, 32 bpp               */
#define IDB_TRUE_DARK               111 /* 16 x 16, 32 bpp, dark         */
#define IDB_LARGE_256_GRAYED        112 /* 24 x 24, 256 colours, greys   */
#define IDB_LARGE_256               113 /* 24 x 24, 256 colours          */
#define IDB_LARGE_256_DARK          114 /* 24 x 24, 256 colours, dark    */
#define IDB_LARGE_TRUE_GRAYED       115 /* 24 x 24, 32 bpp, greys        */
#define IDB_LARGE_TRUE              116 /* 24 x 24, 32 bpp               */
#define IDB_LARGE_TRUE_DARK         117 /* 24 x 24, 32 bpp, dark         */

/* Properties dialog */
#define IDD_PROPERTIES              103
#define IDC_LOCALE                  1000
#define IDC_IGNORE_CASE             1001
#define IDC_IGNORE_KANA             1002
#define IDC_IGNORE_NONSPACE         1003
#define IDC_IGNORE_SYMBOLS          1004
#define IDC_IGNORE_WIDTH            1005
#define IDC_STRING_SORT             1006
#define IDC_DIGITS_AS_NUMBERS       1007
#define IDC_LEADING_NUMBER          1008 /* order by the number each line starts with */

#endif /* ZTOA_RESOURCE_H */
