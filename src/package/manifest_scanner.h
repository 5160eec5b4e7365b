// Reading the attributes of a manifest's start tag, and UTF-8 conversion.
// Every returned string is a heap string that the caller frees.
#pragma once

wchar_t *GetManifestAttribute(const wchar_t *text, const wchar_t *attributeName);
void ReadManifestMetadata(const char *manifestText);
wchar_t *Utf8ToWide(const char *bytes);
