// Where packs are installed, and creating folders with their parents.
#pragma once

// Rebuilds installBase (the client's folder and "\Skins\") and makes it the
// current directory. Returns 0, leaving installBase empty, when the folder
// would not fit its buffer.
int ResolveInstallBase();
int CreateDirectoryTree(const wchar_t *path);
