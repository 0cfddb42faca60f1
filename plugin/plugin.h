/*
** The host's plug-in interface: request and bit values of the exports.
*/
#ifndef ZTOA_PLUGIN_H
#define ZTOA_PLUGIN_H

/* PlugInProc requests */
#define PP_QUERY_PROPERTIES 0x900
#define PP_SHOW_PROPERTIES  0x901
#define PP_GET_NAME         0x902
#define PP_GET_VERSION      0x904
#define PP_QUERY_UNINSTALL  0x906
#define PP_UNINSTALL        0x907
#define PP_GET_BITMAP_ID    0x908
#define PP_GET_MASK_COLOR   0x909

/* Bitmap request bits: the wParam of PP_GET_BITMAP_ID and PP_GET_MASK_COLOR */
#define BMP_LARGE      0x001   /* 24 x 24 instead of 16 x 16 (16 x 15 for the basic one) */
#define BMP_256_COLORS 0x010
#define BMP_TRUE_COLOR 0x020   /* wins over BMP_256_COLORS */
#define BMP_GRAYED     0x100   /* wins over BMP_DARK */
#define BMP_DARK       0x200

/* PP_GET_MASK_COLOR's answer for bitmaps that carry an alpha channel instead */
#define NO_MASK_COLOR  0xFFFFFFFF

/* Event bits of OnEvents */
#define EVT_SEND_VALUE 0x010
#define EVT_SET_VALUE  0x400

#endif
