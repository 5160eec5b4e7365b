// Writing and removing the ".sks" association. Every key handle is closed
// by the call that opened it; only registry error codes are reported.
#include "client/file_association.h"

#include "app/heap_text.h"

namespace {

const wchar_t kExtensionKey[] = L"SOFTWARE\\Classes\\.sks";
const wchar_t kTypeKey[] = L"SOFTWARE\\Classes\\Veltrane.SkinFile";
const wchar_t kIconKey[] = L"SOFTWARE\\Classes\\Veltrane.SkinFile\\DefaultIcon";
const wchar_t kShellKey[] = L"SOFTWARE\\Classes\\Veltrane.SkinFile\\shell";
const wchar_t kOpenKey[] = L"SOFTWARE\\Classes\\Veltrane.SkinFile\\shell\\open";
const wchar_t kOpenCommandKey[] = L"SOFTWARE\\Classes\\Veltrane.SkinFile\\shell\\open\\command";
const wchar_t kInstallVerbKey[] = L"SOFTWARE\\Classes\\Veltrane.SkinFile\\shell\\skininstall";
const wchar_t kInstallCommandKey[] = L"SOFTWARE\\Classes\\Veltrane.SkinFile\\shell\\skininstall\\command";

// A module path that was cut, or that leaves no room for the texts built
// from it, would register a command that runs some other file.
bool ComposeAssociationTexts(wchar_t (&command)[MAX_PATH], wchar_t (&icon)[MAX_PATH])
{
    wchar_t module[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    return ComposeText(command, MAX_PATH, {L"\"", module, L"\" \"%1\""}) &&
           ComposeText(icon, MAX_PATH, {module, L",0"});
}

}  // namespace

DWORD WriteKeyDefaultValue(const wchar_t *keyPath, const wchar_t *text)
{
    HKEY key;
    LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return static_cast<DWORD>(status);
    DWORD bytes = static_cast<DWORD>((TextLength(text) + 1) * sizeof(wchar_t));
    RegSetValueExW(key, L"", 0, REG_SZ, reinterpret_cast<const BYTE *>(text), bytes);
    RegCloseKey(key);
    return 0;
}

DWORD DeleteRegistryKey(const wchar_t *keyPath)
{
    HKEY key;
    LONG status = RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, &key);
    if (status != ERROR_SUCCESS)
        return static_cast<DWORD>(status);
    RegDeleteKeyW(key, L"");
    RegCloseKey(key);
    return 0;
}

DWORD RegisterFileAssociation()
{
    wchar_t command[MAX_PATH];
    wchar_t icon[MAX_PATH];
    if (!ComposeAssociationTexts(command, icon))
        return ERROR_FILENAME_EXCED_RANGE;
    const struct {
        const wchar_t *key;
        const wchar_t *text;
    } keys[] = {
        {kExtensionKey, L"Veltrane.SkinFile"},
        {kTypeKey, L"Veltrane Skin File"},
        {kIconKey, icon},
        {kShellKey, L"open"},
        {kOpenCommandKey, command},
        {kInstallVerbKey, L"Install Veltrane Skin"},
        {kInstallCommandKey, command},
    };
    for (const auto &entry : keys) {
        DWORD status = WriteKeyDefaultValue(entry.key, entry.text);
        if (status != 0)
            return status;
    }
    return 0;
}

// Each key goes after its subkeys, since a key with subkeys is not deleted.
DWORD UnregisterFileAssociation()
{
    const wchar_t *const keys[] = {
        kExtensionKey, kOpenCommandKey, kOpenKey, kInstallCommandKey,
        kInstallVerbKey, kShellKey, kIconKey, kTypeKey,
    };
    for (const wchar_t *key : keys)
        DeleteRegistryKey(key);
    return 0;
}
