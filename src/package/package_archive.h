// Opening the package archive. Every pass opens it afresh through
// OpenPackageArchive and closes the handle itself with unzClose.
#pragma once

#include <windows.h>
#include <unzip.h>

unzFile OpenPackageArchive();
DWORD CountPackageEntries();

// Reads the current entry's information and its name, terminated, into a
// MAX_PATH byte buffer. A name that would not fit with its terminator is a
// failure, so no caller ever sees an unterminated name.
bool ReadCurrentEntryName(unzFile archive, unz_file_info *info, char (&name)[MAX_PATH]);
