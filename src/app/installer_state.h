// The one program-wide record. Every module reaches it by name; the entry
// resets it at start and releases its five metadata strings at the end.
#pragma once

#include <windows.h>

struct InstallerStateRecord {
    int isLanguagePack;
    wchar_t *packageName;
    wchar_t *packageVersion;
    wchar_t *packageAuthor;
    wchar_t *packageUpdatedBy;
    wchar_t *manifestFileName;
    wchar_t *packagePath;            // lives until the process ends
    DWORD entryCount;
    wchar_t installBase[MAX_PATH];   // ends with a backslash once resolved
    HBITMAP bannerBitmap;
};

extern InstallerStateRecord InstallerState;
