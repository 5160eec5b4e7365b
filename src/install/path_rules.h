// Which names may become files and folders below the Skins folder. Names
// come from the package, so none may climb out, name a device or a stream,
// or hold a character that Windows forbids.
#pragma once

#include <stddef.h>

bool IsSafeFileName(const wchar_t *name, size_t length);
// A skin's folder name: one or more safe names joined by '/' or '\'.
bool IsSafeFolderName(const wchar_t *name);
