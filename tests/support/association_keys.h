// The two key trees that the ".sks" association lives in, for tests that
// run the association switches and have to leave the prefix as they found it.
#pragma once

#include <windows.h>

#include <string>

constexpr wchar_t kClassesKey[] = L"SOFTWARE\\Classes";
constexpr wchar_t kExtensionKey[] = L"SOFTWARE\\Classes\\.sks";
constexpr wchar_t kFileTypeKey[] = L"SOFTWARE\\Classes\\Veltrane.SkinFile";

inline bool UserKeyExists(const std::wstring &path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

inline void RemoveAssociationKeys()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kExtensionKey);
    RegDeleteTreeW(HKEY_CURRENT_USER, kFileTypeKey);
}

// Removes the association keys when a test starts and when it leaves its scope.
class RemoveAssociationOnExit {
public:
    RemoveAssociationOnExit() { RemoveAssociationKeys(); }
    ~RemoveAssociationOnExit() { RemoveAssociationKeys(); }
    RemoveAssociationOnExit(const RemoveAssociationOnExit &) = delete;
    RemoveAssociationOnExit &operator=(const RemoveAssociationOnExit &) = delete;
};
