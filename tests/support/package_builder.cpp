// Test packages, byte patches, scratch folders and state resets.
#include "package_builder.h"

#include "app/heap_text.h"
#include "app/installer_state.h"

#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>
#include <iowin32.h>

#include <algorithm>
#include <fstream>

namespace {

bool AddEntry(zipFile archive, const PackageEntry &entry)
{
    zip_fileinfo info = {};
    int method = entry.stored ? 0 : Z_DEFLATED;
    if (zipOpenNewFileInZip64(archive, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                              method, Z_DEFAULT_COMPRESSION, 0) != ZIP_OK)
        return false;
    bool written = entry.data.empty() ||
                   zipWriteInFileInZip(archive, entry.data.data(), static_cast<unsigned>(entry.data.size())) == ZIP_OK;
    return zipCloseFileInZip(archive) == ZIP_OK && written;
}

uint32_t ReadLittleEndian(const std::string &bytes, size_t at, int width)
{
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

}  // namespace

bool BuildPackage(const std::wstring &path, const std::vector<PackageEntry> &entries)
{
    zlib_filefunc64_def functions;
    fill_win32_filefunc64W(&functions);
    zipFile archive = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
    if (!archive)
        return false;
    bool ok = true;
    for (const PackageEntry &entry : entries)
        ok = ok && AddEntry(archive, entry);
    return zipClose(archive, nullptr) == ZIP_OK && ok;
}

std::string ReadFileBytes(const std::wstring &path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::wstring &path, const std::string &bytes)
{
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

int PatchFileBytes(const std::wstring &path, const std::string &from, const std::string &to)
{
    std::string bytes = ReadFileBytes(path);
    int count = 0;
    for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size())) {
        bytes.replace(at, from.size(), to);
        ++count;
    }
    return WriteFileBytes(path, bytes) ? count : -1;
}

long EntryDataOffset(const std::wstring &path, int index)
{
    std::string bytes = ReadFileBytes(path);
    size_t at = 0;
    for (int i = 0;; ++i) {
        if (at + 30 > bytes.size() || bytes.compare(at, 4, "PK\x03\x04") != 0)
            return -1;
        size_t nameLength = ReadLittleEndian(bytes, at + 26, 2);
        size_t extraLength = ReadLittleEndian(bytes, at + 28, 2);
        size_t data = at + 30 + nameLength + extraLength;
        if (i == index)
            return static_cast<long>(data);
        at = data + ReadLittleEndian(bytes, at + 18, 4);
    }
}

std::string LittleEndian32(uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

uint32_t Crc32Of(const std::string &data)
{
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef *>(data.data()),
                                       static_cast<uInt>(data.size())));
}

bool CorruptEntryCrc(const std::wstring &path, const std::string &data)
{
    uint32_t crc = Crc32Of(data);
    return PatchFileBytes(path, LittleEndian32(crc), LittleEndian32(crc ^ 0x5A5A5A5Au)) == 2;
}

std::wstring Widen(const std::string &utf8)
{
    int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &text[0], units);
    return text;
}

std::string Narrow(const std::wstring &text)
{
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}

void RemoveTree(const std::wstring &path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

std::wstring ScratchFolder()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "scratch";
    for (char &c : name) {
        if (c == '/')
            c = '_';
    }
    std::wstring root = std::wstring(temp) + L"skintests";
    CreateDirectoryW(root.c_str(), nullptr);
    std::wstring folder = root + L"\\" + Widen(name);
    RemoveTree(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void ResetInstallerState(const std::wstring &path)
{
    ReleaseString(&InstallerState.packageName);
    ReleaseString(&InstallerState.packageVersion);
    ReleaseString(&InstallerState.packageAuthor);
    ReleaseString(&InstallerState.packageUpdatedBy);
    ReleaseString(&InstallerState.manifestFileName);
    ReleaseString(&InstallerState.packagePath);
    InstallerState.isLanguagePack = 0;
    InstallerState.packagePath = DuplicateText(path.c_str());
}

void SetClientPath(const std::wstring &folder)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Veltrane\\Veltrane", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE *>(folder.c_str()),
                   static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

static void ListFiles(const std::wstring &folder, const std::wstring &prefix, std::vector<std::wstring> *names)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(folder + L"\\" + name, prefix + name + L"\\", names);
        else
            names->push_back(prefix + name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names->begin(), names->end());
}

std::vector<std::wstring> FilesBelow(const std::wstring &folder)
{
    std::vector<std::wstring> names;
    ListFiles(folder, L"", &names);
    return names;
}

