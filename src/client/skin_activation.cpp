// The client's skin list: one REG_DWORD per installed manifest, 1 for the
// active skin. The key handle and every manifest buffer live only for the
// call that made them.
#include "client/skin_activation.h"

#include "app/heap_text.h"
#include "app/installer_state.h"
#include "package/manifest_scanner.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

namespace {

const wchar_t kSkinListKey[] = L"Software\\Veltrane\\Veltrane\\Skins";

// An installed manifest larger than this is no manifest worth buffering.
const long kMaxManifestBytes = 16L * 1024L * 1024L;

void SetSkinFlag(HKEY key, const wchar_t *name, DWORD flag)
{
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&flag), sizeof flag);
}

// The file's bytes up to its first zero byte, terminated; nullptr when the
// file cannot be opened or buffered.
char *ReadManifestBytes(const wchar_t *name)
{
    FILE *file = _wfopen(name, L"rb");
    if (!file)
        return nullptr;
    char *bytes = nullptr;
    long size = -1;
    if (fseek(file, 0, SEEK_END) == 0)
        size = ftell(file);
    rewind(file);
    if (size >= 0 && size <= kMaxManifestBytes)
        bytes = static_cast<char *>(AllocateBytes(static_cast<size_t>(size) + 1));
    if (bytes)
        bytes[fread(bytes, 1, static_cast<size_t>(size), file)] = 0;
    fclose(file);
    return bytes;
}

// Decodes UTF-8 text into a new terminated string; empty text gives an
// empty string.
wchar_t *DecodeText(const char *text)
{
    int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (units <= 0)
        return nullptr;
    wchar_t *decoded = static_cast<wchar_t *>(AllocateBytes(static_cast<size_t>(units) * sizeof(wchar_t)));
    if (decoded)
        MultiByteToWideChar(CP_UTF8, 0, text, -1, decoded, units);
    return decoded;
}

int DeclaresSkin(const wchar_t *text)
{
    const wchar_t *tag = wcsstr(text, L"<manifest");
    if (!tag)
        return 1;
    wchar_t *type = GetManifestAttribute(tag, L"type");
    int skin = !type || EqualsIgnoringAsciiCase(type, L"skin");
    ReleaseBytes(type);
    return skin;
}

}  // namespace

int IsSkinManifestFile(const wchar_t *name)
{
    SetCurrentDirectoryW(InstallerState.installBase);
    char *bytes = ReadManifestBytes(name);
    if (!bytes)
        return 0;
    const char *text = bytes;
    if (strlen(text) > 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0)
        text += 3;
    wchar_t *decoded = DecodeText(text);
    ReleaseBytes(bytes);
    if (!decoded)
        return 0;
    int skin = DeclaresSkin(decoded);
    ReleaseBytes(decoded);
    return skin;
}

int ActivateInstalledSkin()
{
    if (!InstallerState.manifestFileName || !InstallerState.packageName)
        return 0;
    wchar_t entryName[MAX_PATH];
    if (!ComposeText(entryName, MAX_PATH, {InstallerState.packageName, L"\\", InstallerState.manifestFileName}))
        return 0;
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSkinListKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    bool found = false;
    // Only existing values change during the walk, so the indexes hold.
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD capacity = 256;
        if (RegEnumValueW(key, index, name, &capacity, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (EqualsIgnoringAsciiCase(name, entryName)) {
            SetSkinFlag(key, name, 1);
            found = true;
        } else if (*name && IsSkinManifestFile(name)) {
            SetSkinFlag(key, name, 0);
        }
    }
    if (!found)
        SetSkinFlag(key, entryName, 1);
    RegCloseKey(key);
    return 1;
}
