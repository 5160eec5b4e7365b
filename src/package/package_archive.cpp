// Opening the package archive by its exact UTF-16 path, and counting its
// entries. Handles returned here belong to the caller.
#include "package/package_archive.h"

#include "app/installer_state.h"

#include <iowin32.h>

unzFile OpenPackageArchive()
{
    if (!InstallerState.packagePath)
        return nullptr;
    // The wide file functions open exactly the file named, whatever
    // characters its path holds; a narrowed path could name another file.
    zlib_filefunc64_def fileFunctions;
    fill_win32_filefunc64W(&fileFunctions);
    return unzOpen2_64(InstallerState.packagePath, &fileFunctions);
}

DWORD CountPackageEntries()
{
    unzFile archive = OpenPackageArchive();
    if (!archive)
        return 0;
    unz_global_info global;
    int status = unzGetGlobalInfo(archive, &global);
    unzClose(archive);
    return status == UNZ_OK ? global.number_entry : 0;
}

bool ReadCurrentEntryName(unzFile archive, unz_file_info *info, char (&name)[MAX_PATH])
{
    if (unzGetCurrentFileInfo(archive, info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    return info->size_filename < sizeof name;
}
