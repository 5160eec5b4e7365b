// Installs through the real dialog into folders of the test prefix, with the
// client's "Path" set in the prefix's registry: files written, outcomes and
// button states, and that a failed install never loses an installed file.
#include "dialog_driver.h"
#include "package_builder.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kSuccess[] = L"Skin successfully installed.";
const wchar_t kLanguageSuccess[] = L"Language successfully installed.";
const wchar_t kFailure[] = L"An error occurred extracting the skin.  Please try again.";

const std::string kSkinManifest = "<manifest type=\"skin\" name=\"Night\" version=\"2.1\"/>";

bool Exists(const std::wstring &path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class Install : public testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Veltrane");
        folder = ScratchFolder();
        client = folder + L"\\client";
        skins = client + L"\\Skins";
        CreateDirectoryW(client.c_str(), nullptr);
        SetClientPath(client);
    }

    void TearDown() override
    {
        StopSkin(&run);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Veltrane");
    }

    void Open(const std::vector<PackageEntry> &entries, const wchar_t *leaf = L"pack.sks")
    {
        std::wstring path = folder + L"\\" + leaf;
        ASSERT_TRUE(BuildPackage(path, entries));
        ASSERT_TRUE(StartSkin(L"\"" + path + L"\"", &run));
        ASSERT_TRUE(IsInstallerDialog(run.window));
        dialog = run.window;
    }

    // Presses Install and returns the status line it leaves.
    std::wstring PressInstall()
    {
        EXPECT_TRUE(PressButton(dialog, IDC_INSTALL));
        return ControlText(dialog, IDC_STATUS);
    }

    void InstallOnce(const std::vector<PackageEntry> &entries, const wchar_t *expected = kSuccess)
    {
        Open(entries);
        EXPECT_EQ(PressInstall(), expected);
        StopSkin(&run);
    }

    void ExpectButtons(bool install, bool close, bool select)
    {
        EXPECT_EQ(ControlEnabled(dialog, IDC_INSTALL), install);
        EXPECT_EQ(ControlEnabled(dialog, IDOK), close);
        EXPECT_EQ(ControlEnabled(dialog, IDC_SELECT), select);
    }

    std::wstring folder, client, skins;
    SkinRun run;
    HWND dialog = nullptr;
};

TEST_F(Install, SkinIsFlattenedIntoItsOwnFolder)
{
    Open({{"skin.xml", kSkinManifest},
          {"images/", ""},
          {"images/back.bmp", "BM back"},
          {"images\\icons\\play.bmp", "BM play"},
          {"empty.txt", ""}});
    EXPECT_EQ(PressInstall(), kSuccess);
    ExpectButtons(false, true, false);
    ProgressState progress = ReadProgress(dialog, IDC_PROGRESS);
    EXPECT_EQ(progress.high, 5);
    EXPECT_EQ(progress.position, 5);
    std::vector<std::wstring> expected = {L"Night\\back.bmp", L"Night\\empty.txt", L"Night\\play.bmp", L"Night\\skin.xml"};
    EXPECT_EQ(FilesBelow(skins), expected);
    EXPECT_EQ(ReadFileBytes(skins + L"\\Night\\play.bmp"), "BM play");
    EXPECT_EQ(ReadFileBytes(skins + L"\\Night\\skin.xml"), kSkinManifest);
    EXPECT_EQ(ReadFileBytes(skins + L"\\Night\\empty.txt"), "");
}

TEST_F(Install, LaterEntryOfTheSameBaseNameWins)
{
    InstallOnce({{"skin.xml", kSkinManifest}, {"a/x.bmp", "first"}, {"b\\x.bmp", "second"}});
    EXPECT_EQ(ReadFileBytes(skins + L"\\Night\\x.bmp"), "second");
}

TEST_F(Install, NestedSkinNameMakesNestedFolders)
{
    InstallOnce({{"skin.xml", "<manifest name=\"Themes/Night Blue\"/>"}, {"back.bmp", "BM"}});
    EXPECT_TRUE(Exists(skins + L"\\Themes\\Night Blue\\back.bmp"));
}

TEST_F(Install, ReusedSkinFolderKeepsOtherFiles)
{
    CreateDirectoryW(skins.c_str(), nullptr);
    CreateDirectoryW((skins + L"\\Night").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(skins + L"\\Night\\mine.cfg", "kept"));
    ASSERT_TRUE(WriteFileBytes(skins + L"\\Night\\back.bmp", "old"));
    InstallOnce({{"skin.xml", kSkinManifest}, {"back.bmp", "new"}});
    EXPECT_EQ(ReadFileBytes(skins + L"\\Night\\mine.cfg"), "kept");
    EXPECT_EQ(ReadFileBytes(skins + L"\\Night\\back.bmp"), "new");
}

TEST_F(Install, LanguagePackGoesIntoTheSharedLanguagesFolder)
{
    CreateDirectoryW(skins.c_str(), nullptr);
    CreateDirectoryW((skins + L"\\Languages").c_str(), nullptr);
    Open({{"English.xml", "<manifest type=\"language\" name=\"English\"/>"}, {"flags/en.gif", "GIF"}});
    EXPECT_EQ(PressInstall(), kLanguageSuccess);
    ExpectButtons(false, true, false);
    std::vector<std::wstring> expected = {L"Languages\\English.xml", L"Languages\\en.gif"};
    EXPECT_EQ(FilesBelow(skins), expected);
}

TEST_F(Install, LanguagePackWithoutLanguagesFolderFailsInSkinWords)
{
    Open({{"English.xml", "<manifest type=\"language\" name=\"English\"/>"}, {"en.gif", "GIF"}});
    EXPECT_EQ(PressInstall(), kFailure);
    ExpectButtons(true, true, false);
    EXPECT_EQ(ReadProgress(dialog, IDC_PROGRESS).position, 2);
    EXPECT_TRUE(FilesBelow(client).empty());
}

TEST_F(Install, WithoutPathTheInstallersFolderIsUsed)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Veltrane");
    std::wstring program = SkinProgramPath();
    std::wstring ownSkins = program.substr(0, program.rfind(L'\\')) + L"\\Skins";
    RemoveTree(ownSkins);
    InstallOnce({{"skin.xml", "<manifest name=\"Fallback Test\"/>"}, {"back.bmp", "BM"}});
    EXPECT_TRUE(Exists(ownSkins + L"\\Fallback Test\\back.bmp"));
    RemoveTree(ownSkins);
}

// A bad CRC on an entry that replaces a good file: the good file survives
// whole, no temporary file is left, and the install reports failure.
TEST_F(Install, BadCrcNeverReplacesAnInstalledFile)
{
    InstallOnce({{"skin.xml", kSkinManifest}, {"back.bmp", "good picture"}});
    std::string bad = "evil picture!";
    std::wstring path = folder + L"\\bad.sks";
    ASSERT_TRUE(BuildPackage(path, {{"skin.xml", kSkinManifest}, {"back.bmp", bad}}));
    ASSERT_TRUE(CorruptEntryCrc(path, bad));
    ASSERT_TRUE(StartSkin(L"\"" + path + L"\"", &run));
    dialog = run.window;
    EXPECT_EQ(PressInstall(), kFailure);
    EXPECT_EQ(ReadFileBytes(skins + L"\\Night\\back.bmp"), "good picture");
    std::vector<std::wstring> expected = {L"back.bmp", L"skin.xml"};
    EXPECT_EQ(FilesBelow(skins + L"\\Night"), expected);
}

TEST_F(Install, DamagedDataFailsAndKeepsTheEarlierFile)
{
    InstallOnce({{"skin.xml", kSkinManifest}, {"back.bmp", "good picture"}});
    std::string data(4000, 'z');
    std::wstring path = folder + L"\\damaged.sks";
    ASSERT_TRUE(BuildPackage(path, {{"skin.xml", kSkinManifest}, {"back.bmp", data}}));
    long offset = EntryDataOffset(path, 1);
    ASSERT_GT(offset, 0);
    std::string bytes = ReadFileBytes(path);
    for (long i = offset; i < offset + 6; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0xA5);
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    ASSERT_TRUE(StartSkin(L"\"" + path + L"\"", &run));
    dialog = run.window;
    EXPECT_EQ(PressInstall(), kFailure);
    EXPECT_EQ(ReadFileBytes(skins + L"\\Night\\back.bmp"), "good picture");
    EXPECT_EQ(FilesBelow(skins + L"\\Night").size(), 2u);
}

// A target held open without sharing by another process: the install fails,
// the file is untouched, and pressing Install again once it is free works.
TEST_F(Install, LockedTargetFailsThenRetrySucceeds)
{
    InstallOnce({{"skin.xml", kSkinManifest}, {"back.bmp", "old"}});
    Open({{"skin.xml", kSkinManifest}, {"back.bmp", "new"}});
    std::wstring target = skins + L"\\Night\\back.bmp";
    HANDLE lock = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(PressInstall(), kFailure);
    ExpectButtons(true, true, false);
    CloseHandle(lock);
    EXPECT_EQ(ReadFileBytes(target), "old");
    EXPECT_EQ(PressInstall(), kSuccess);
    ExpectButtons(false, true, false);
    EXPECT_EQ(ReadFileBytes(target), "new");
    EXPECT_EQ(FilesBelow(skins + L"\\Night").size(), 2u);
}

TEST_F(Install, FolderWhereAFileShouldGoFails)
{
    CreateDirectoryW(skins.c_str(), nullptr);
    CreateDirectoryW((skins + L"\\Night").c_str(), nullptr);
    CreateDirectoryW((skins + L"\\Night\\back.bmp").c_str(), nullptr);
    Open({{"skin.xml", kSkinManifest}, {"back.bmp", "BM"}});
    EXPECT_EQ(PressInstall(), kFailure);
}

struct RefusedCase {
    const char *label;
    std::vector<PackageEntry> entries;
};

// Packages that must install nothing at all, anywhere.
const RefusedCase kRefusedCases[] = {
    {"no name", {{"skin.xml", "<manifest type=\"skin\"/>"}, {"a.bmp", "x"}}},
    {"empty name", {{"skin.xml", "<manifest name=\"\"/>"}, {"a.bmp", "x"}}},
    {"climbing name", {{"skin.xml", "<manifest name=\"..\\..\\Escape\"/>"}, {"a.bmp", "x"}}},
    {"climbing with slashes", {{"skin.xml", "<manifest name=\"x/../../Escape\"/>"}, {"a.bmp", "x"}}},
    {"absolute name", {{"skin.xml", "<manifest name=\"\\Escape\"/>"}, {"a.bmp", "x"}}},
    {"drive name", {{"skin.xml", "<manifest name=\"C:\\Escape\"/>"}, {"a.bmp", "x"}}},
    {"UNC name", {{"skin.xml", "<manifest name=\"\\\\host\\share\"/>"}, {"a.bmp", "x"}}},
    {"device name", {{"skin.xml", "<manifest name=\"NUL\"/>"}, {"a.bmp", "x"}}},
    {"forbidden character", {{"skin.xml", "<manifest name=\"Ni?ght\"/>"}, {"a.bmp", "x"}}},
    {"device base name", {{"skin.xml", kSkinManifest}, {"good.bmp", "x"}, {"img/nul.bmp", "x"}}},
    {"device base name aux", {{"skin.xml", kSkinManifest}, {"aux.txt", "x"}}},
    {"alternate data stream", {{"skin.xml", kSkinManifest}, {"good.bmp", "x"}, {"a.bmp:x", "x"}}},
    {"dot dot base name", {{"skin.xml", kSkinManifest}, {"images/..", "x"}}},
    {"forbidden base character", {{"skin.xml", kSkinManifest}, {"a|b.bmp", "x"}}},
    {"path too long", {{"skin.xml", kSkinManifest}, {"good.bmp", "x"}, {std::string(240, 'p') + ".bmp", "x"}}},
};

class RefusedInstall : public Install, public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedInstall, FailsBeforeWritingAnything)
{
    Open(GetParam().entries);
    EXPECT_EQ(PressInstall(), kFailure);
    ExpectButtons(true, true, false);
    EXPECT_TRUE(FilesBelow(client).empty());
    std::vector<std::wstring> outside = {L"client", L"pack.sks"};
    std::vector<std::wstring> present;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            present.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(present.begin(), present.end());
    EXPECT_EQ(present, outside);
    EXPECT_FALSE(Exists(L"C:\\Escape"));
}

INSTANTIATE_TEST_SUITE_P(Table, RefusedInstall, testing::ValuesIn(kRefusedCases),
                         [](const testing::TestParamInfo<RefusedCase> &info) {
                             std::string label;
                             for (const char *c = info.param.label; *c; ++c)
                                 label += isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return label;
                         });

// The package changes between opening the dialog and pressing Install.
TEST_F(Install, PackageGoneOrTruncatedAfterOpeningFails)
{
    InstallOnce({{"skin.xml", kSkinManifest}, {"back.bmp", "good picture"}});
    for (bool remove : {true, false}) {
        std::wstring path = folder + L"\\pack.sks";
        Open({{"skin.xml", kSkinManifest}, {"back.bmp", std::string(5000, 'n')}});
        std::string bytes = ReadFileBytes(path);
        if (remove)
            ASSERT_TRUE(DeleteFileW(path.c_str()));
        else
            ASSERT_TRUE(WriteFileBytes(path, bytes.substr(0, bytes.size() / 2)));
        EXPECT_EQ(PressInstall(), kFailure) << (remove ? "deleted" : "truncated");
        EXPECT_EQ(ReadFileBytes(skins + L"\\Night\\back.bmp"), "good picture");
        StopSkin(&run);
    }
}

// Entries whose headers claim far more data than they hold.
TEST_F(Install, EntryClaimingHugeSizeFailsAndKeepsTheEarlierFile)
{
    InstallOnce({{"skin.xml", kSkinManifest}, {"back.bmp", "good picture"}});
    std::string data = "short data";
    std::wstring path = folder + L"\\pack.sks";
    ASSERT_TRUE(BuildPackage(path, {{"skin.xml", kSkinManifest}, {"back.bmp", data, true}}));
    std::string crc = LittleEndian32(Crc32Of(data));
    std::string size = LittleEndian32(static_cast<uint32_t>(data.size()));
    ASSERT_EQ(PatchFileBytes(path, crc + size + size, crc + size + LittleEndian32(0xFFFFFFF0u)), 2);
    ASSERT_TRUE(StartSkin(L"\"" + path + L"\"", &run));
    dialog = run.window;
    EXPECT_EQ(PressInstall(), kFailure);
    EXPECT_EQ(ReadFileBytes(skins + L"\\Night\\back.bmp"), "good picture");
}

std::string Incompressible(size_t size)
{
    std::string data(size, '\0');
    uint32_t state = 2463534242u;
    for (char &byte : data) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state);
    }
    return data;
}

// Drive T: is a 256 KiB disk (set up by the test fixture when it may mount).
TEST_F(Install, DiskFillingUpFailsAndKeepsTheEarlierFile)
{
    if (GetFileAttributesW(L"T:\\") == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no small disk mapped as T:";
    RemoveTree(L"T:\\client");
    CreateDirectoryW(L"T:\\client", nullptr);
    SetClientPath(L"T:\\client");
    InstallOnce({{"skin.xml", kSkinManifest}, {"back.bmp", "good picture"}});
    Open({{"skin.xml", kSkinManifest}, {"back.bmp", Incompressible(400 * 1024), true}});
    EXPECT_EQ(PressInstall(), kFailure);
    ExpectButtons(true, true, false);
    EXPECT_EQ(ReadFileBytes(L"T:\\client\\Skins\\Night\\back.bmp"), "good picture");
    std::vector<std::wstring> expected = {L"back.bmp", L"skin.xml"};
    EXPECT_EQ(FilesBelow(L"T:\\client\\Skins\\Night"), expected) << "the partial file is removed";
    StopSkin(&run);
    RemoveTree(L"T:\\client");
}

TEST_F(Install, ClientPathTooLongFailsCleanly)
{
    SetClientPath(L"C:\\" + std::wstring(250, L'q'));
    Open({{"skin.xml", kSkinManifest}, {"a.bmp", "x"}});
    EXPECT_EQ(PressInstall(), kFailure);
    ExpectButtons(true, true, false);
}

}  // namespace
