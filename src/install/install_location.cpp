// The install base comes from the client's "Path" setting, or from the
// installer's own folder when the setting is missing or unusable.
#include "install/install_location.h"

#include "app/heap_text.h"
#include "app/installer_state.h"

#include <shlwapi.h>

namespace {

bool HoldsTerminator(const wchar_t *buffer, size_t capacity)
{
    for (size_t i = 0; i < capacity; ++i) {
        if (buffer[i] == 0)
            return true;
    }
    return false;
}

bool ReadClientFolder(wchar_t (&folder)[MAX_PATH])
{
    DWORD type = REG_NONE;
    DWORD size = sizeof folder;
    if (SHGetValueW(HKEY_CURRENT_USER, L"Software\\Veltrane\\Veltrane", L"Path", &type, folder, &size) != ERROR_SUCCESS)
        return false;
    return (type == REG_SZ || type == REG_EXPAND_SZ) && HoldsTerminator(folder, MAX_PATH);
}

bool ReadInstallerFolder(wchar_t (&folder)[MAX_PATH])
{
    DWORD length = GetModuleFileNameW(nullptr, folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    wchar_t *lastBackslash = nullptr;
    for (wchar_t *unit = folder; *unit; ++unit) {
        if (*unit == L'\\')
            lastBackslash = unit;
    }
    if (lastBackslash)
        *lastBackslash = 0;
    return true;
}

}  // namespace

int ResolveInstallBase()
{
    wchar_t folder[MAX_PATH];
    InstallerState.installBase[0] = 0;
    if (!ReadClientFolder(folder) && !ReadInstallerFolder(folder))
        return 0;
    if (!ComposeText(InstallerState.installBase, MAX_PATH, {folder, L"\\Skins\\"})) {
        InstallerState.installBase[0] = 0;
        return 0;
    }
    SetCurrentDirectoryW(InstallerState.installBase);
    return 1;
}

namespace {

bool CreateOrFind(const wchar_t *path)
{
    return CreateDirectoryW(path, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool CreateEachPrefix(wchar_t *path)
{
    for (wchar_t *unit = path + 1;; ++unit) {
        if (*unit == L'\\' || *unit == L'/') {
            wchar_t separator = *unit;
            *unit = 0;
            bool created = CreateOrFind(path);
            *unit = separator;
            if (!created)
                return false;
        } else if (*unit == 0) {
            return CreateOrFind(path);
        }
    }
}

}  // namespace

int CreateDirectoryTree(const wchar_t *path)
{
    if (!*path)
        return 0;
    wchar_t *copy = DuplicateText(path);
    if (!copy)
        return 0;
    size_t length = TextLength(copy);
    if (copy[length - 1] == L'/')
        copy[length - 1] = 0;
    bool created = CreateDirectoryW(copy, nullptr) || (*copy && CreateEachPrefix(copy));
    ReleaseBytes(copy);
    return created ? 1 : 0;
}
