// The walk over the client's skin list, called in-process on a list and
// manifest files made in the test prefix.
#include "app/heap_text.h"
#include "app/installer_state.h"
#include "client/skin_activation.h"
#include "package_builder.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const wchar_t kSkinListKey[] = L"Software\\Veltrane\\Veltrane\\Skins";

struct ListValue {
    std::wstring name;
    DWORD type;
    std::string data;  // a DWORD's bytes, or a string's UTF-8
};

ListValue Flag(const std::wstring &name, DWORD flag)
{
    return {name, REG_DWORD, std::string(reinterpret_cast<const char *>(&flag), sizeof flag)};
}

ListValue Text(const std::wstring &name, const std::string &text)
{
    return {name, REG_SZ, text};
}

struct ManifestFile {
    std::wstring path;  // below the Skins folder
    std::string bytes;
};

struct WalkCase {
    const char *label;
    std::vector<ListValue> before;
    std::vector<ManifestFile> files;
    std::map<std::wstring, std::string> after;  // name as enumerated -> "dword N" / "string S"
};

const std::string kSkin = "<manifest type=\"skin\" name=\"X\"/>";

const WalkCase kWalkCases[] = {
    {"empty list", {}, {}, {{L"Night\\skin.xml", "dword 1"}}},
    {"entry present with 0, other skin deactivated",
     {Flag(L"Night\\skin.xml", 0), Flag(L"Blue\\skin.xml", 1)},
     {{L"Blue\\skin.xml", kSkin}},
     {{L"Night\\skin.xml", "dword 1"}, {L"Blue\\skin.xml", "dword 0"}}},
    {"case-different entry kept under its own name",
     {Flag(L"NIGHT\\SKIN.XML", 0)}, {}, {{L"NIGHT\\SKIN.XML", "dword 1"}}},
    {"skins after the match are still deactivated",
     {Flag(L"Night\\skin.xml", 0), Flag(L"Late\\skin.xml", 1)},
     {{L"Late\\skin.xml", kSkin}},
     {{L"Night\\skin.xml", "dword 1"}, {L"Late\\skin.xml", "dword 0"}}},
    {"deleted folder keeps its data", {Flag(L"Gone\\skin.xml", 1)}, {},
     {{L"Gone\\skin.xml", "dword 1"}, {L"Night\\skin.xml", "dword 1"}}},
    {"types decide",
     {Flag(L"Lang\\lang.xml", 1), Flag(L"Caps\\skin.xml", 1), Flag(L"Empty\\skin.xml", 1)},
     {{L"Lang\\lang.xml", "<manifest type=\"Language\"/>"},
      {L"Caps\\skin.xml", "<manifest type=\"SKIN\"/>"},
      {L"Empty\\skin.xml", "<manifest type=\"\"/>"}},
     {{L"Lang\\lang.xml", "dword 1"}, {L"Caps\\skin.xml", "dword 0"}, {L"Empty\\skin.xml", "dword 1"},
      {L"Night\\skin.xml", "dword 1"}}},
    {"files without a usable type count as skins",
     {Flag(L"A\\skin.xml", 1), Flag(L"B\\skin.xml", 1), Flag(L"C\\skin.xml", 1), Flag(L"D\\skin.xml", 1),
      Flag(L"E\\skin.xml", 1), Flag(L"F\\skin.xml", 1)},
     {{L"A\\skin.xml", ""},
      {L"B\\skin.xml", "<skin/>"},
      {L"C\\skin.xml", "<manifest name=\"untyped\"/>"},
      {L"D\\skin.xml", std::string("\xFF\xFE<\0m\0a\0n\0i\0f\0e\0s\0t\0", 20)},
      {L"E\\skin.xml", "\xEF\xBB\xBF"},
      {L"F\\skin.xml", "\xEF\xBB\xBF<manifest type=\"language\"/>"}},
     {{L"A\\skin.xml", "dword 0"}, {L"B\\skin.xml", "dword 0"}, {L"C\\skin.xml", "dword 0"},
      {L"D\\skin.xml", "dword 0"}, {L"E\\skin.xml", "dword 0"}, {L"F\\skin.xml", "dword 1"},
      {L"Night\\skin.xml", "dword 1"}}},
    {"string data becomes a DWORD 0", {Text(L"Str\\skin.xml", "1")}, {{L"Str\\skin.xml", kSkin}},
     {{L"Str\\skin.xml", "dword 0"}, {L"Night\\skin.xml", "dword 1"}}},
    {"unnamed default value is never written", {Text(L"", "keep")}, {},
     {{L"", "string keep"}, {L"Night\\skin.xml", "dword 1"}}},
    {"a name over 255 units ends the walk",
     {Flag(L"A\\skin.xml", 1), Flag(std::wstring(300, L'l'), 1), Flag(L"Z\\skin.xml", 1)},
     {{L"A\\skin.xml", kSkin}, {L"Z\\skin.xml", kSkin}},
     {{L"A\\skin.xml", "dword 0"}, {std::wstring(300, L'l'), "dword 1"}, {L"Z\\skin.xml", "dword 1"},
      {L"Night\\skin.xml", "dword 1"}}},
};

void WriteList(const std::vector<ListValue> &values)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSkinListKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
    for (const ListValue &value : values) {
        std::wstring text = Widen(value.data);
        const BYTE *data = value.type == REG_DWORD ? reinterpret_cast<const BYTE *>(value.data.data())
                                                   : reinterpret_cast<const BYTE *>(text.c_str());
        DWORD size = value.type == REG_DWORD ? 4 : static_cast<DWORD>((text.size() + 1) * 2);
        RegSetValueExW(key, value.name.c_str(), 0, value.type, data, size);
    }
    RegCloseKey(key);
}

// Every value of the list by name as enumerated (with a large buffer).
std::map<std::wstring, std::string> ReadList()
{
    std::map<std::wstring, std::string> values;
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSkinListKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[1024];
        DWORD capacity = 1024, type = 0;
        BYTE data[1024] = {};
        DWORD size = sizeof data - 2;
        if (RegEnumValueW(key, index, name, &capacity, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        values[name] = type == REG_DWORD ? "dword " + std::to_string(*reinterpret_cast<DWORD *>(data))
                                         : "string " + Narrow(reinterpret_cast<wchar_t *>(data));
    }
    RegCloseKey(key);
    return values;
}

class SkinList : public testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Veltrane");
        skins = ScratchFolder();
        ResetInstallerState();
        InstallerState.packageName = DuplicateText(L"Night");
        InstallerState.manifestFileName = DuplicateText(L"skin.xml");
        ComposeText(InstallerState.installBase, MAX_PATH, {skins.c_str(), L"\\"});
    }
    void TearDown() override
    {
        ResetInstallerState();
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Veltrane");
    }

    void WriteManifest(const ManifestFile &file)
    {
        std::wstring path = skins + L"\\" + file.path;
        CreateDirectoryW(path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
        ASSERT_TRUE(WriteFileBytes(path, file.bytes));
    }

    std::wstring skins;
};

class SkinListWalk : public SkinList, public testing::WithParamInterface<WalkCase> {};

TEST_P(SkinListWalk, MarksTheNewSkinAndDeactivatesOtherSkins)
{
    for (const ManifestFile &file : GetParam().files)
        WriteManifest(file);
    WriteList(GetParam().before);
    EXPECT_EQ(ActivateInstalledSkin(), 1);
    EXPECT_EQ(ReadList(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Table, SkinListWalk, testing::ValuesIn(kWalkCases),
                         [](const testing::TestParamInfo<WalkCase> &info) {
                             std::string label;
                             for (const char *c = info.param.label; *c; ++c)
                                 label += isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return label;
                         });

TEST_F(SkinList, MissingKeyIsNotCreated)
{
    EXPECT_EQ(ActivateInstalledSkin(), 0);
    HKEY key;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, kSkinListKey, 0, KEY_READ, &key), ERROR_SUCCESS);
}

TEST_F(SkinList, MissingNamesTouchNothing)
{
    WriteList({Flag(L"A\\skin.xml", 1)});
    ReleaseString(&InstallerState.manifestFileName);
    EXPECT_EQ(ActivateInstalledSkin(), 0);
    EXPECT_EQ(ReadList(), (std::map<std::wstring, std::string>{{L"A\\skin.xml", "dword 1"}}));
}

TEST_F(SkinList, EntryNameTooLongForItsBufferTouchesNothing)
{
    WriteList({Flag(L"A\\skin.xml", 1)});
    WriteManifest({L"A\\skin.xml", kSkin});
    ReleaseString(&InstallerState.packageName);
    InstallerState.packageName = DuplicateText(std::wstring(251, L'n').c_str());  // 251 + 1 + 8 = 260 units
    EXPECT_EQ(ActivateInstalledSkin(), 0);
    EXPECT_EQ(ReadList(), (std::map<std::wstring, std::string>{{L"A\\skin.xml", "dword 1"}}));
}

TEST_F(SkinList, ManifestTooLargeToBufferCountsAsNoSkin)
{
    WriteManifest({L"Huge\\skin.xml", "<manifest type=\"skin\"/>" + std::string(16u * 1024u * 1024u, ' ')});
    WriteList({Flag(L"Huge\\skin.xml", 1)});
    EXPECT_EQ(ActivateInstalledSkin(), 1);
    EXPECT_EQ(ReadList()[L"Huge\\skin.xml"], "dword 1");
}

}  // namespace
