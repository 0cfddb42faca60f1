/*
** Which family of Windows the module runs on.
*/
#include "platform.h"

/*
** Whether Windows is of the NT family, whose wide-character functions are
** complete. Windows 95, 98 and Me are not; a failed query counts as them.
*/
BOOL IsNtPlatform(void)
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}
