// The per-user ".sks" file association under HKEY_CURRENT_USER\SOFTWARE\Classes.
#pragma once

#include <windows.h>

DWORD RegisterFileAssociation();
DWORD UnregisterFileAssociation();
DWORD WriteKeyDefaultValue(const wchar_t *keyPath, const wchar_t *text);
DWORD DeleteRegistryKey(const wchar_t *keyPath);
