// Helpers shared by the fuzz targets: exact-size heap copies of the input
// (so any read past the end is caught) and a reset of the program state.
#pragma once

#include <stddef.h>
#include <stdint.h>

// malloc'd copies, terminated, freed with free(); nullptr only when out of memory.
char *TerminatedBytes(const uint8_t *data, size_t size);
wchar_t *WidenUtf8(const char *text);

// Frees the metadata strings the package code stores, so each run starts
// clean and anything still allocated afterwards is a real leak.
void ReleaseStateStrings();
