// Helpers shared by the fuzz targets.
#include "fuzz_support.h"

#include "app/heap_text.h"
#include "app/installer_state.h"

#include <windows.h>

#include <stdlib.h>
#include <string.h>

char *TerminatedBytes(const uint8_t *data, size_t size)
{
    char *copy = static_cast<char *>(malloc(size + 1));
    if (!copy)
        return nullptr;
    if (size)
        memcpy(copy, data, size);
    copy[size] = 0;
    return copy;
}

wchar_t *WidenUtf8(const char *text)
{
    int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (units <= 0)
        return nullptr;
    wchar_t *wide = static_cast<wchar_t *>(malloc(static_cast<size_t>(units) * sizeof(wchar_t)));
    if (wide && MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, units) != units) {
        free(wide);
        return nullptr;
    }
    return wide;
}

void ReleaseStateStrings()
{
    ReleaseString(&InstallerState.packageName);
    ReleaseString(&InstallerState.packageVersion);
    ReleaseString(&InstallerState.packageAuthor);
    ReleaseString(&InstallerState.packageUpdatedBy);
    ReleaseString(&InstallerState.manifestFileName);
    InstallerState.isLanguagePack = 0;
}
