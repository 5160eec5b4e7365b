// Marking the newly installed skin active in the client's skin list.
#pragma once

int ActivateInstalledSkin();
int IsSkinManifestFile(const wchar_t *name);
