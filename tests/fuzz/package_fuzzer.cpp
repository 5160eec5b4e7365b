// Fuzzes whole packages: each input is written to a file of this process's
// own, which is then counted and validated by path as the program does.
// The input also serves as an entry name for the name rules.
#include "fuzz_support.h"

#include "app/installer_state.h"
#include "package/package_archive.h"
#include "package/package_validation.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

char packageFile[4096];

void RemovePackageFile()
{
    remove(packageFile);
}

bool WriteInput(const uint8_t *data, size_t size)
{
    FILE *file = fopen(packageFile, "wb");
    if (!file)
        return false;
    bool written = fwrite(data, 1, size, file) == size;
    return fclose(file) == 0 && written;
}

void CheckNameRules(const uint8_t *data, size_t size)
{
    char *name = TerminatedBytes(data, size);
    if (!name)
        return;
    IsSafeEntryName(name);
    HasManifestExtension(name);
    free(name);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const char *folder = getenv("TMPDIR");
    int length = snprintf(packageFile, sizeof packageFile, "%s/skin-fuzz-%d.sks",
                          folder && *folder ? folder : "/tmp", static_cast<int>(getpid()));
    if (length <= 0 || static_cast<size_t>(length) >= sizeof packageFile)
        abort();
    // Lives until the process ends, as in the program.
    InstallerState.packagePath = WidenUtf8(packageFile);
    if (!InstallerState.packagePath)
        abort();
    atexit(RemovePackageFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CheckNameRules(data, size);
    // A file that cannot be written would make every run test nothing.
    if (!WriteInput(data, size))
        abort();
    DWORD entries = CountPackageEntries();
    int accepted = ValidatePackage();
    // An accepted package has entries and its manifest's name recorded.
    if (accepted && (entries == 0 || !InstallerState.manifestFileName))
        abort();
    ReleaseStateStrings();
    return 0;
}
