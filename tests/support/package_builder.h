// Test packages built on the spot with minizip's zip writer, byte patches
// for damaged ones, scratch folders inside the test prefix, and a reset of
// the program state between cases.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct PackageEntry {
    std::string name;   // bytes as stored, UTF-8 expected
    std::string data;
    bool stored = false;  // true: no compression, so data bytes sit in the file as is
};

// Writes a zip archive at path (any UTF-16 path). Returns false on failure.
bool BuildPackage(const std::wstring &path, const std::vector<PackageEntry> &entries);

std::string ReadFileBytes(const std::wstring &path);
bool WriteFileBytes(const std::wstring &path, const std::string &bytes);

// Replaces every occurrence of `from` in the file by `to` (same length);
// returns how many were replaced.
int PatchFileBytes(const std::wstring &path, const std::string &from, const std::string &to);

// Offset in the file of the first data byte of entry `index`, or -1.
long EntryDataOffset(const std::wstring &path, int index);

std::string LittleEndian32(uint32_t value);
uint32_t Crc32Of(const std::string &data);

// Gives an entry a wrong CRC in both of its headers, so that only the check
// after reading the data can notice.
bool CorruptEntryCrc(const std::wstring &path, const std::string &data);

std::wstring Widen(const std::string &utf8);
std::string Narrow(const std::wstring &text);

// A fresh, empty folder under the prefix's temporary folder, named after
// the running test. Ends without a backslash.
std::wstring ScratchFolder();
void RemoveTree(const std::wstring &path);

// The client's "Path" setting in the prefix's registry.
void SetClientPath(const std::wstring &folder);

// Every file below a folder, relative to it ("sub\\name"), sorted.
std::vector<std::wstring> FilesBelow(const std::wstring &folder);

// Frees the program state's strings and points packagePath at `path`.
void ResetInstallerState(const std::wstring &path = L"");
