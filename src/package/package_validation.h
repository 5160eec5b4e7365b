// Judging a package by its entry names and reading its manifest into the
// program state.
#pragma once

int ValidatePackage();

// The entry-name rules, on the name's bytes as stored.
bool IsSafeEntryName(const char *name);
bool HasManifestExtension(const char *name);
