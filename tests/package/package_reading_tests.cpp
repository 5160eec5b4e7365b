// Opening, counting and validating real packages built in the test.
#include "app/installer_state.h"
#include "package/package_archive.h"
#include "package/package_validation.h"
#include "package_builder.h"

#include <gtest/gtest.h>

namespace {

const PackageEntry kManifest = {"skin.xml", "<manifest type=\"skin\" name=\"Night\" version=\"2.1\"/>"};

class PackageFile : public testing::Test {
protected:
    void SetUp() override { folder = ScratchFolder(); }
    void TearDown() override { ResetInstallerState(); }

    std::wstring Build(const std::vector<PackageEntry> &entries, const std::wstring &leaf = L"pack.sks")
    {
        std::wstring path = folder + L"\\" + leaf;
        EXPECT_TRUE(BuildPackage(path, entries));
        ResetInstallerState(path);
        return path;
    }

    std::wstring folder;
};

// The package path holds characters that no 8-bit narrowing survives; a
// decoy whose name is what narrowing would produce lies beside each one.
struct PathCase {
    const wchar_t *leaf;
    const wchar_t *decoy;
};

const PathCase kPathCases[] = {
    {L"with blanks in name.sks", nullptr},
    {L"\u0141.sks", L"A.sks"},
    {L"\u0142og \u0141ake.sks", L"Bog Aake.sks"},
    {L"\u4E00\u4E8C.sks", nullptr},
    {L"\u0100rchive.sks", nullptr},
    {L"\u0416\u0438\u0432\u043E \u03A9 \u00E9.sks", nullptr},
};

class PackagePath : public PackageFile, public testing::WithParamInterface<PathCase> {};

TEST_P(PackagePath, OpensExactlyTheNamedFile)
{
    if (GetParam().decoy)
        Build({{"decoy.xml", "<manifest name=\"Decoy\"/>"}, {"x", ""}}, GetParam().decoy);
    std::wstring path = Build({kManifest, {"back.bmp", "BM"}}, GetParam().leaf);
    EXPECT_EQ(CountPackageEntries(), 2u);
    EXPECT_EQ(ValidatePackage(), 1);
    EXPECT_STREQ(InstallerState.packageName, L"Night");
    EXPECT_STREQ(InstallerState.packagePath, path.c_str()) << "the path is never rewritten";
}

INSTANTIATE_TEST_SUITE_P(Table, PackagePath, testing::ValuesIn(kPathCases));

TEST_F(PackageFile, UnreadableInputsCountAsNothing)
{
    std::wstring notZip = folder + L"\\plain.sks";
    ASSERT_TRUE(WriteFileBytes(notZip, "this is not a zip archive at all"));
    for (const std::wstring &path : {notZip, folder + L"\\missing.sks", std::wstring()}) {
        ResetInstallerState(path);
        EXPECT_EQ(CountPackageEntries(), 0u) << Narrow(path);
        EXPECT_EQ(ValidatePackage(), 0) << Narrow(path);
        EXPECT_EQ(std::wstring(InstallerState.packagePath), path);
    }
}

TEST_F(PackageFile, EmptyArchiveCountsZeroAndIsRefused)
{
    Build({});
    EXPECT_EQ(CountPackageEntries(), 0u);
    EXPECT_EQ(ValidatePackage(), 0);
}

TEST_F(PackageFile, CountingTwiceGivesTheSameCount)
{
    Build({kManifest, {"a", ""}, {"b/", ""}});
    EXPECT_EQ(CountPackageEntries(), 3u);
    EXPECT_EQ(CountPackageEntries(), 3u);
}

TEST_F(PackageFile, SixtyFiveThousandFiveHundredThirtySevenEntries)
{
    std::vector<PackageEntry> entries = {kManifest};
    for (int i = 1; i < 65537; ++i)
        entries.push_back({"f" + std::to_string(i), "", true});
    Build(entries);
    EXPECT_EQ(CountPackageEntries(), 65537u);
    EXPECT_EQ(ValidatePackage(), 1);
}

struct NameCase {
    const char *name;
    bool safe;
    bool manifestExtension;
};

const NameCase kNameCases[] = {
    {"skin.xml", true, true},
    {"Skin.XML", true, true},
    {"folder\\skin.xml", true, true},
    {"folder/.xml", true, true},
    {"skin.xml.bak", true, false},
    {"skin.xml b", true, false},
    {"skin.xml\\", true, false},
    {"a.xml/", true, false},
    {"a/../b", false, false},
    {"a\\..\\b", false, false},
    {"../x.xml", false, true},
    {".hidden", false, false},
    {"./skin.xml", false, true},
    {".xml", false, true},
    {"a..b", true, false},
    {"a/..", true, false},
    {"a/.hidden", true, false},
    {"/abs/skin.xml", true, true},
    {"c:/skin.xml", true, true},
};

class EntryName : public testing::TestWithParam<NameCase> {};

TEST_P(EntryName, VerdictAndExtension)
{
    EXPECT_EQ(IsSafeEntryName(GetParam().name), GetParam().safe);
    EXPECT_EQ(HasManifestExtension(GetParam().name), GetParam().manifestExtension);
}

INSTANTIATE_TEST_SUITE_P(Table, EntryName, testing::ValuesIn(kNameCases));

struct ValidationCase {
    const char *label;
    std::vector<PackageEntry> entries;
    int accepted;
    const wchar_t *name;          // packageName afterwards
    const wchar_t *manifestFile;  // manifestFileName afterwards
};

const std::string kLong259(255, 'n');

const ValidationCase kValidationCases[] = {
    {"manifest only", {kManifest}, 1, L"Night", L"skin.xml"},
    {"no xml entry", {{"readme.txt", "hi"}}, 0, nullptr, nullptr},
    {"folder entries and both separators",
     {{"images/", ""}, {"images\\back.bmp", "BM"}, {"skins/blue/skin.xml", kManifest.data}}, 1, L"Night", L"skin.xml"},
    {"mixed separators in the manifest name", {{"skins\\blue/skin.xml", kManifest.data}}, 1, L"Night", L"skin.xml"},
    {"only the first xml is read",
     {{"first.xml", "<manifest name=\"First\"/>"}, {"second.xml", "<manifest name=\"Second\"/>"}}, 1, L"First", L"first.xml"},
    {"unsafe name after the manifest keeps the metadata", {kManifest, {"a/../b", ""}}, 0, L"Night", L"skin.xml"},
    {"unsafe second xml", {kManifest, {"../evil.xml", ""}}, 0, L"Night", L"skin.xml"},
    {"unsafe name before the manifest", {{".hidden", ""}, kManifest}, 0, nullptr, nullptr},
    {"empty manifest", {{"empty.xml", ""}}, 1, nullptr, L"empty.xml"},
    {"byte-order mark and declaration",
     {{"skin.xml", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<manifest name=\"Marked\"/>"}}, 1, L"Marked", L"skin.xml"},
    {"UTF-16 manifest", {{"skin.xml", std::string("\xFF\xFE<\0m\0a\0n\0i\0f\0e\0s\0t\0 \0/\0>\0", 26)}}, 1, nullptr, L"skin.xml"},
    {"tag spelt with a capital", {{"skin.xml", "<Manifest name=\"Caps\"/>"}}, 1, nullptr, L"skin.xml"},
    {"UTF-8 manifest name", {{"\xC5\x81\xC3\xB3" "d\xC5\xBA.xml", "<manifest name=\"\xE4\xB8\x80\"/>"}}, 1, L"\u4E00", L"\u0141\u00F3d\u017A.xml"},
    {"name of 259 bytes", {kManifest, {kLong259 + ".bmp", ""}}, 1, L"Night", L"skin.xml"},
    {"name of 260 bytes", {kManifest, {kLong259 + "x.bmp", ""}}, 0, L"Night", L"skin.xml"},
    {"name of 300 bytes before the manifest", {{std::string(300, 'x'), ""}, kManifest}, 0, nullptr, nullptr},
};

class Validation : public PackageFile, public testing::WithParamInterface<ValidationCase> {};

TEST_P(Validation, VerdictAndWhatItRecords)
{
    const ValidationCase &c = GetParam();
    Build(c.entries);
    EXPECT_EQ(ValidatePackage(), c.accepted);
    auto same = [](const wchar_t *actual, const wchar_t *expected) {
        return expected ? actual && std::wstring(actual) == expected : actual == nullptr;
    };
    EXPECT_TRUE(same(InstallerState.packageName, c.name)) << Narrow(InstallerState.packageName ? InstallerState.packageName : L"(null)");
    EXPECT_TRUE(same(InstallerState.manifestFileName, c.manifestFile));
}

INSTANTIATE_TEST_SUITE_P(Table, Validation, testing::ValuesIn(kValidationCases),
                         [](const testing::TestParamInfo<ValidationCase> &info) {
                             std::string label;
                             for (const char *c = info.param.label; *c; ++c)
                                 label += isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return label;
                         });

TEST_F(PackageFile, LanguageTypeIsRecordedEvenWhenRefused)
{
    Build({{"lang.xml", "<manifest type=\"Language\" name=\"Deutsch\"/>"}, {".bad", ""}});
    EXPECT_EQ(ValidatePackage(), 0);
    EXPECT_EQ(InstallerState.isLanguagePack, 1);
    EXPECT_STREQ(InstallerState.packageName, L"Deutsch");
}

TEST_F(PackageFile, DamagedManifestDataIsRefused)
{
    std::string manifest = kManifest.data + std::string(2000, ' ');
    std::wstring path = Build({{"skin.xml", manifest}});
    long data = EntryDataOffset(path, 0);
    ASSERT_GT(data, 0);
    std::string bytes = ReadFileBytes(path);
    for (long i = data; i < data + 8; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0xFF);
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    EXPECT_EQ(ValidatePackage(), 0);
}

TEST_F(PackageFile, ManifestFailingItsCrcIsRefusedAndNotBelieved)
{
    for (bool stored : {true, false}) {
        std::wstring path = Build({{"skin.xml", kManifest.data, stored}});
        ASSERT_TRUE(CorruptEntryCrc(path, kManifest.data));
        EXPECT_EQ(ValidatePackage(), 0) << "stored " << stored;
        EXPECT_EQ(InstallerState.packageName, nullptr);
    }
}

TEST_F(PackageFile, ManifestShorterThanItsStatedSizeIsRefused)
{
    // Both headers claim one byte more than the data holds, and the data no
    // longer matches its CRC: only a check that every byte came can tell.
    std::string manifest = kManifest.data;
    std::wstring path = Build({{"skin.xml", manifest, true}});
    std::string size = LittleEndian32(static_cast<uint32_t>(manifest.size()));
    std::string longer = LittleEndian32(static_cast<uint32_t>(manifest.size() + 1));
    std::string crc = LittleEndian32(Crc32Of(manifest));
    ASSERT_EQ(PatchFileBytes(path, crc + size + size, crc + size + longer), 2);
    ASSERT_EQ(PatchFileBytes(path, "Night", "Evil!"), 1);
    EXPECT_EQ(ValidatePackage(), 0);
    EXPECT_EQ(InstallerState.packageName, nullptr);
}

TEST_F(PackageFile, ManifestOverSixteenMebibytesIsRefused)
{
    const std::string tag = "<manifest name=\"Big\"/>";
    const size_t limit = 16u * 1024u * 1024u;
    Build({{"skin.xml", tag + std::string(limit - tag.size(), ' ')}});
    EXPECT_EQ(ValidatePackage(), 1);
    EXPECT_STREQ(InstallerState.packageName, L"Big");
    Build({{"skin.xml", tag + std::string(limit - tag.size() + 1, ' ')}});
    EXPECT_EQ(ValidatePackage(), 0);
    EXPECT_EQ(InstallerState.packageName, nullptr);
}

TEST_F(PackageFile, ManifestClaimingFourGibibytesIsRefused)
{
    std::string manifest = kManifest.data;
    std::wstring path = Build({{"skin.xml", manifest, true}});
    // Both headers claim the size, so the archive stays self-consistent.
    ASSERT_EQ(PatchFileBytes(path, LittleEndian32(Crc32Of(manifest)) + LittleEndian32(static_cast<uint32_t>(manifest.size())) +
                                       LittleEndian32(static_cast<uint32_t>(manifest.size())),
                             LittleEndian32(Crc32Of(manifest)) + LittleEndian32(static_cast<uint32_t>(manifest.size())) +
                                 LittleEndian32(0xFFFFFFF0u)),
              2);
    EXPECT_EQ(ValidatePackage(), 0);
}

}  // namespace
