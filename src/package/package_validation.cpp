// One pass over the archive: every entry name is checked, and the first
// ".xml" entry is read as the manifest. Metadata goes to the program state;
// the archive and the manifest buffer never outlive the pass.
#include "package/package_validation.h"

#include "app/heap_text.h"
#include "app/installer_state.h"
#include "package/manifest_scanner.h"
#include "package/package_archive.h"

#include <shlwapi.h>
#include <string.h>

namespace {

// A manifest larger than this is not a manifest; refusing it keeps a
// hostile stated size from exhausting memory.
const uLong kMaxManifestBytes = 16u * 1024u * 1024u;

bool ReadWholeEntry(unzFile archive, char *buffer, uLong size)
{
    uLong filled = 0;
    for (;;) {
        int got = unzReadCurrentFile(archive, buffer + filled, static_cast<unsigned>(size - filled));
        if (got < 0)
            return false;
        if (got == 0)
            break;
        filled += static_cast<uLong>(got);
    }
    buffer[filled] = 0;
    return true;
}

// Reads the current entry as the manifest and takes the metadata from it.
// Data that fails its CRC is damaged, so none of it is believed.
bool ReadManifestEntry(unzFile archive, uLong size)
{
    if (size > kMaxManifestBytes)
        return false;
    char *buffer = static_cast<char *>(AllocateBytes(size + 1));
    if (!buffer)
        return false;
    bool intact = false;
    if (unzOpenCurrentFile(archive) == UNZ_OK) {
        // The CRC is compared only once every stated byte was read, so data
        // that ends early must fail here or it would pass unchecked.
        bool read = ReadWholeEntry(archive, buffer, size) && unzeof(archive) == 1;
        intact = unzCloseCurrentFile(archive) == UNZ_OK && read;
    }
    if (intact) {
        const char *tag = strstr(buffer, "<manifest");
        if (tag)
            ReadManifestMetadata(tag);
    }
    ReleaseBytes(buffer);
    return intact;
}

void RecordManifestFileName(const char *name)
{
    const char *base = name;
    for (const char *byte = name; *byte; ++byte) {
        if (*byte == '/' || *byte == '\\')
            base = byte + 1;
    }
    ReleaseString(&InstallerState.manifestFileName);
    InstallerState.manifestFileName = Utf8ToWide(base);
}

int ValidateEntries(unzFile archive)
{
    unz_global_info global;
    if (unzGetGlobalInfo(archive, &global) != UNZ_OK || global.number_entry == 0)
        return 0;
    bool manifestTaken = false;
    for (uLong index = 0; index < global.number_entry; ++index) {
        unz_file_info info;
        char name[MAX_PATH];
        if (!ReadCurrentEntryName(archive, &info, name) || !IsSafeEntryName(name))
            return 0;
        if (!manifestTaken && HasManifestExtension(name)) {
            manifestTaken = true;
            if (!ReadManifestEntry(archive, info.uncompressed_size))
                return 0;
            RecordManifestFileName(name);
        }
        if (index + 1 < global.number_entry && unzGoToNextFile(archive) != UNZ_OK)
            return 0;
    }
    return manifestTaken ? 1 : 0;
}

}  // namespace

bool IsSafeEntryName(const char *name)
{
    return !strstr(name, "../") && !strstr(name, "..\\") && name[0] != '.';
}

bool HasManifestExtension(const char *name)
{
    const char *extension = PathFindExtensionA(name);
    static const char kManifest[] = ".xml";
    for (size_t i = 0; i < sizeof kManifest; ++i) {
        char byte = extension[i];
        if (byte >= 'A' && byte <= 'Z')
            byte = static_cast<char>(byte + ('a' - 'A'));
        if (byte != kManifest[i])
            return false;
    }
    return true;
}

int ValidatePackage()
{
    unzFile archive = OpenPackageArchive();
    if (!archive)
        return 0;
    int accepted = ValidateEntries(archive);
    unzClose(archive);
    return accepted;
}
