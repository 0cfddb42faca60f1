/*
** sortlines --info: what the editor learns from the module when it loads
** it, printed in UTF-8, one fact a line.
*/
#include "sortlines.h"

#include <stdio.h>
#include <fcntl.h>
#include <io.h>

/* The three sizes, colour depths and variants the editor asks bitmaps for. */
static const struct BitmapAxis {
    WPARAM bit;
    const char* name;
} g_sizes[] = {
    { 0, "small" }, { BMP_LARGE, "large" },
}, g_depths[] = {
    { 0, "basic" }, { BMP_256_COLORS, "256-colour" }, { BMP_TRUE_COLOR, "true-colour" },
}, g_variants[] = {
    { 0, "normal" }, { BMP_GRAYED, "grayed" }, { BMP_DARK, "dark" },
};


static void PrintText(const char* label, const std::wstring& text)
{
    printf("%s: %s\n", label, Utf8FromWide(text).c_str());
}

/* "16x15, 4 bpp", or a note that the module holds no such bitmap. */
static std::string DescribeBitmap(const PlugIn* plugIn, UINT id)
{
    BitmapShape shape;
    if (!PlugInBitmapShape(plugIn, id, &shape))
        return "no such bitmap in the module";
    char text[64];
    snprintf(text, sizeof(text), "%ldx%ld, %u bpp", shape.width, shape.height, shape.bitCount);
    return text;
}

static void PrintStrings(const PlugIn* plugIn)
{
    UINT menuId = plugIn->getMenuTextID();
    UINT statusId = plugIn->getStatusMessageID();
    printf("menu text id: %u\n", menuId);
    PrintText("menu text", PlugInString(plugIn, menuId));
    printf("status text id: %u\n", statusId);
    PrintText("status text", PlugInString(plugIn, statusId));
}

/* The size a request reports is printed apart, to show what the host was told. */
static void PrintRequestText(const PlugIn* plugIn, const char* label, UINT request)
{
    LRESULT size;
    std::wstring text = PlugInRequestText(plugIn, HostEditorWindow(), request, &size);
    printf("%s size: %ld\n", label, (long)size);
    PrintText(label, text);
}

/* Every combination, even those whose answer cannot differ, as a host asks them all. */
static void PrintBitmaps(const PlugIn* plugIn)
{
    UINT basic = plugIn->getBitmapID();
    printf("toolbar bitmap: %u (%s)\n", basic, DescribeBitmap(plugIn, basic).c_str());
    for (size_t s = 0; s < ARRAYSIZE(g_sizes); s++) {
        for (size_t d = 0; d < ARRAYSIZE(g_depths); d++) {
            for (size_t v = 0; v < ARRAYSIZE(g_variants); v++) {
                WPARAM bits = g_sizes[s].bit | g_depths[d].bit | g_variants[v].bit;
                UINT id = (UINT)plugIn->plugInProc(HostEditorWindow(), PP_GET_BITMAP_ID, bits, 0);
                DWORD mask = (DWORD)plugIn->plugInProc(HostEditorWindow(), PP_GET_MASK_COLOR, bits, 0);
                printf("bitmap %s %s %s (0x%03x): %u (%s), mask colour 0x%08lX\n",
                       g_sizes[s].name, g_depths[d].name, g_variants[v].name, (unsigned)bits,
                       id, DescribeBitmap(plugIn, id).c_str(), (unsigned long)mask);
            }
        }
    }
}

static void PrintAvailability(const PlugIn* plugIn)
{
    BOOL state = TRUE;   /* not FALSE, so that a module that leaves it alone shows */
    BOOL available = plugIn->queryStatus(HostEditorWindow(), &state);
    POINT start, end;
    HostGetSelection(&start, &end);
    printf("selection: %ld:%ld-%ld:%ld\n", start.y, start.x, end.y, end.x);
    printf("available: %s\n", available ? "yes" : "no");
    printf("checked: %s\n", state ? "yes" : "no");
}

/*
** Prints all that the editor would ask of the module, in the order it asks
** when it loads the module and later when it builds its menu.
*/
BOOL RunInfo(const PlugIn* plugIn, Failure* failure)
{
    if (!plugIn->getMenuTextID || !plugIn->getStatusMessageID || !plugIn->getBitmapID
            || !plugIn->plugInProc || !plugIn->queryStatus)
        return Fail(failure, 1, L"the module lacks an export the editor needs");
    _setmode(_fileno(stdout), _O_BINARY);
    PrintStrings(plugIn);
    PrintRequestText(plugIn, "name", PP_GET_NAME);
    PrintRequestText(plugIn, "version", PP_GET_VERSION);
    PrintBitmaps(plugIn);
    PrintAvailability(plugIn);
    if (fflush(stdout) != 0)
        return Fail(failure, 1, L"cannot write the result");
    return TRUE;
}
