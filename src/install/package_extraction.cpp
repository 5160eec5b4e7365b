// Extraction. Every name is checked before anything is written, and each
// file is written beside its target and moved over it only once its data
// has been read whole and has passed its CRC, so an existing file is either
// replaced whole or left as it was.
#include "install/package_extraction.h"

#include "app/heap_text.h"
#include "app/installer_state.h"
#include "install/install_location.h"
#include "install/path_rules.h"
#include "package/manifest_scanner.h"
#include "package/package_archive.h"
#include "resource.h"

#include <commctrl.h>

namespace {

const DWORD kNewFileAttributes = FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_ARCHIVE;

bool BuildTargetFolder(wchar_t (&folder)[MAX_PATH])
{
    if (InstallerState.isLanguagePack)
        return ComposeText(folder, MAX_PATH, {InstallerState.installBase, L"Languages\\"});
    return IsSafeFolderName(InstallerState.packageName) &&
           ComposeText(folder, MAX_PATH, {InstallerState.installBase, InstallerState.packageName});
}

bool BuildTargetPath(const wchar_t *folder, const wchar_t *baseName, wchar_t (&path)[MAX_PATH])
{
    const wchar_t *separator = InstallerState.isLanguagePack ? L"" : L"\\";
    return ComposeText(path, MAX_PATH, {folder, separator, baseName});
}

// The entry's name converted, or nullptr for a name that converts to nothing.
// A name whose conversion fails for lack of memory is a failure, not an empty name.
bool ReadEntryWideName(unzFile archive, wchar_t **wideName)
{
    unz_file_info info;
    char name[MAX_PATH];
    if (!ReadCurrentEntryName(archive, &info, name))
        return false;
    *wideName = Utf8ToWide(name);
    return *wideName || name[0] == 0;
}

bool IsWritableEntry(const wchar_t *folder, const wchar_t *wideName)
{
    const wchar_t *baseName = AfterLastSeparator(wideName);
    if (!*baseName)
        return true;
    wchar_t path[MAX_PATH];
    return IsSafeFileName(baseName, TextLength(baseName)) && BuildTargetPath(folder, baseName, path);
}

bool CheckEveryEntry(unzFile archive, uLong entryTotal, const wchar_t *folder)
{
    for (uLong index = 0; index < entryTotal; ++index) {
        wchar_t *wideName = nullptr;
        bool ok = ReadEntryWideName(archive, &wideName) && (!wideName || IsWritableEntry(folder, wideName));
        ReleaseBytes(wideName);
        if (!ok)
            return false;
        if (index + 1 < entryTotal && unzGoToNextFile(archive) != UNZ_OK)
            return false;
    }
    return unzGoToFirstFile(archive) == UNZ_OK;
}

bool CopyEntryData(unzFile archive, HANDLE file)
{
    char buffer[256];
    for (;;) {
        int got = unzReadCurrentFile(archive, buffer, sizeof buffer);
        // Data that ends before its stated size would escape the CRC check.
        if (got == 0)
            return unzeof(archive) == 1;
        DWORD written = 0;
        if (got < 0 || !WriteFile(file, buffer, static_cast<DWORD>(got), &written, nullptr) ||
            written != static_cast<DWORD>(got))
            return false;
    }
}

bool WriteTemporaryFile(unzFile archive, const wchar_t *temporary)
{
    if (unzOpenCurrentFile(archive) != UNZ_OK)
        return false;
    HANDLE file = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, kNewFileAttributes, nullptr);
    bool copied = file != INVALID_HANDLE_VALUE && CopyEntryData(archive, file);
    // The CRC verdict comes only with closing the entry's data.
    bool intact = unzCloseCurrentFile(archive) == UNZ_OK;
    if (file != INVALID_HANDLE_VALUE)
        copied = CloseHandle(file) && copied;
    return copied && intact;
}

bool WriteEntryFile(unzFile archive, const wchar_t *folder, const wchar_t *baseName)
{
    wchar_t target[MAX_PATH];
    wchar_t temporary[MAX_PATH];
    if (!BuildTargetPath(folder, baseName, target) || !GetTempFileNameW(folder, L"sks", 0, temporary))
        return false;
    bool written = WriteTemporaryFile(archive, temporary) &&
                   MoveFileExW(temporary, target, MOVEFILE_REPLACE_EXISTING);
    if (!written)
        DeleteFileW(temporary);
    return written;
}

void ShowEntryProgress(HWND dialog, const wchar_t *baseName)
{
    SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_STEPIT, 0, 0);
    wchar_t status[MAX_PATH];
    ComposeText(status, MAX_PATH, {L"Installing (", baseName, L")..."});
    SetWindowTextW(GetDlgItem(dialog, IDC_STATUS), status);
}

bool ExtractCurrentEntry(unzFile archive, HWND dialog, const wchar_t *folder)
{
    wchar_t *wideName = nullptr;
    if (!ReadEntryWideName(archive, &wideName))
        return false;
    const wchar_t *baseName = wideName ? AfterLastSeparator(wideName) : L"";
    ShowEntryProgress(dialog, baseName);
    // A folder entry, or one without a name, writes nothing.
    bool ok = !*baseName || WriteEntryFile(archive, folder, baseName);
    ReleaseBytes(wideName);
    return ok;
}

int ExtractEntries(unzFile archive, HWND dialog)
{
    unz_global_info global;
    wchar_t folder[MAX_PATH];
    if (unzGetGlobalInfo(archive, &global) != UNZ_OK || !BuildTargetFolder(folder) ||
        !CheckEveryEntry(archive, global.number_entry, folder))
        return 0;
    // The shared Languages folder is the client's; it has to exist already.
    if (!InstallerState.isLanguagePack && !CreateDirectoryTree(folder))
        return 0;
    for (uLong index = 0; index < global.number_entry; ++index) {
        if (!ExtractCurrentEntry(archive, dialog, folder))
            return 0;
        if (index + 1 < global.number_entry && unzGoToNextFile(archive) != UNZ_OK)
            return 0;
    }
    return 1;
}

}  // namespace

int ExtractPackage(HWND dialog)
{
    unzFile archive = OpenPackageArchive();
    if (!archive)
        return 0;
    int result = ExtractEntries(archive, dialog);
    unzClose(archive);
    return result;
}
