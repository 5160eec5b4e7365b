// The install base, folder creation and the name rules for what is written.
#include "app/installer_state.h"
#include "install/install_location.h"
#include "install/path_rules.h"
#include "package_builder.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kClientKey[] = L"Software\\Veltrane\\Veltrane";

void RemoveClientKey()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Veltrane");
}

void SetClientPathValue(DWORD type, const void *data, DWORD bytes)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kClientKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
    RegSetValueExW(key, L"Path", 0, type, static_cast<const BYTE *>(data), bytes);
    RegCloseKey(key);
}

std::wstring InstallerFolder()
{
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring path = module;
    return path.substr(0, path.rfind(L'\\'));
}

class InstallBase : public testing::Test {
protected:
    void SetUp() override { RemoveClientKey(); }
    void TearDown() override { RemoveClientKey(); }

    std::wstring Resolve(int expected = 1)
    {
        EXPECT_EQ(ResolveInstallBase(), expected);
        return InstallerState.installBase;
    }
};

TEST_F(InstallBase, FallsBackToTheInstallersFolder)
{
    EXPECT_EQ(Resolve(), InstallerFolder() + L"\\Skins\\");
    SetClientPath(std::wstring(260, L'x'));  // 522 bytes of data: more than the buffer takes
    EXPECT_EQ(Resolve(), InstallerFolder() + L"\\Skins\\");
    DWORD number = 7;
    SetClientPathValue(REG_DWORD, &number, sizeof number);
    EXPECT_EQ(Resolve(), InstallerFolder() + L"\\Skins\\");
    // A string filling the whole buffer without its terminator.
    std::wstring unterminated(260, L'y');
    SetClientPathValue(REG_SZ, unterminated.data(), 520);
    EXPECT_EQ(Resolve(), InstallerFolder() + L"\\Skins\\");
}

TEST_F(InstallBase, TakesTheClientsPathAsStored)
{
    const struct {
        const wchar_t *stored;
        const wchar_t *expected;
    } cases[] = {
        {L"C:\\Apps\\Client", L"C:\\Apps\\Client\\Skins\\"},
        {L"C:\\Apps\\Client\\", L"C:\\Apps\\Client\\\\Skins\\"},
        {L"", L"\\Skins\\"},
    };
    for (const auto &c : cases) {
        SetClientPath(c.stored);
        EXPECT_EQ(Resolve(), c.expected);
        EXPECT_EQ(Resolve(), c.expected) << "a second call rebuilds the same value";
    }
}

TEST_F(InstallBase, LongestPathThatFitsAndOneUnitMore)
{
    std::wstring folder = L"C:\\" + std::wstring(249, L'p');
    ASSERT_EQ(folder.size(), 252u);
    SetClientPath(folder);
    EXPECT_EQ(Resolve().size(), 259u);
    SetClientPath(folder + L"q");
    EXPECT_EQ(Resolve(0), L"") << "no room for \\Skins\\: the install fails instead";
}

TEST_F(InstallBase, BecomesTheCurrentDirectoryWhenItExists)
{
    std::wstring client = ScratchFolder();
    CreateDirectoryW((client + L"\\Skins").c_str(), nullptr);
    SetClientPath(client);
    Resolve();
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(std::wstring(current) + L"\\", client + L"\\Skins\\");
}

bool IsFolder(const std::wstring &path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(DirectoryTree, CreatesEveryMissingParent)
{
    std::wstring root = ScratchFolder();
    ASSERT_TRUE(WriteFileBytes(root + L"\\file.txt", "x"));
    const struct {
        std::wstring path;
        int result;
        std::wstring mustExist;
    } cases[] = {
        {root, 1, root},
        {root + L"\\A\\B\\C", 1, root + L"\\A\\B\\C"},
        {root + L"/D/E/", 1, root + L"\\D\\E"},
        {root + L"\\F\\G\\", 1, root + L"\\F\\G"},
        {root + L"\\H/I\\J", 1, root + L"\\H\\I\\J"},
        {root + L"\\file.txt", 1, root + L"\\file.txt"},
        {root + L"\\file.txt\\under", 0, L""},
        {root + L"\\bad?name\\under", 0, L""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(CreateDirectoryTree(c.path.c_str()), c.result) << Narrow(c.path);
        if (!c.mustExist.empty()) {
            EXPECT_NE(GetFileAttributesW(c.mustExist.c_str()), INVALID_FILE_ATTRIBUTES) << Narrow(c.mustExist);
        }
    }
    EXPECT_TRUE(IsFolder(root + L"\\A\\B"));
    EXPECT_FALSE(IsFolder(root + L"\\bad?name"));
}

TEST(DirectoryTree, EmptyPathIsRefused)
{
    EXPECT_EQ(CreateDirectoryTree(L""), 0);
    EXPECT_EQ(CreateDirectoryTree(L"/"), 0);
}

TEST(DirectoryTree, LeavesTheCallersStringAlone)
{
    std::wstring root = ScratchFolder();
    std::wstring path = root + L"\\K/L/";
    std::wstring before = path;
    EXPECT_EQ(CreateDirectoryTree(path.c_str()), 1);
    EXPECT_EQ(path, before);
}

struct NameRuleCase {
    const wchar_t *name;
    bool file;    // as a base name
    bool folder;  // as a skin's folder name
};

const NameRuleCase kNameRules[] = {
    {L"Night", true, true},
    {L"back.bmp", true, true},
    {L"Blue Steel 2", true, true},
    {L"\u0141\u00F3d\u017A \u4E00", true, true},
    {L"Themes\\Night", false, true},
    {L"Themes/Night", false, true},
    {L"", false, false},
    {L".", false, false},
    {L"..", false, false},
    {L"a\\..\\..\\b", false, false},
    {L"../escape", false, false},
    {L"\\abs", false, false},
    {L"/abs", false, false},
    {L"\\\\server\\share", false, false},
    {L"C:\\Windows", false, false},
    {L"C:rel", false, false},
    {L"a.bmp:stream", false, false},
    {L"a<b", false, false},
    {L"a>b", false, false},
    {L"a\"b", false, false},
    {L"a|b", false, false},
    {L"a?b", false, false},
    {L"a*b", false, false},
    {L"tab\there", false, false},
    {L"name.", false, false},
    {L"name ", false, false},
    {L"Night/", false, false},
    {L"a//b", false, false},
    {L"CON", false, false},
    {L"con.txt", false, false},
    {L"nul.bmp", false, false},
    {L"Aux", false, false},
    {L"PRN.tar.gz", false, false},
    {L"COM1", false, false},
    {L"com9.xml", false, false},
    {L"LPT1", false, false},
    {L"lpt5.dat", false, false},
    {L"COM\u00B9", false, false},
    {L"NUL .txt", false, false},
    {L"CONOUT$", false, false},
    {L"Themes\\nul", false, false},
    {L"COM0", true, true},
    {L"COM10", true, true},
    {L"console", true, true},
    {L"nullify.bmp", true, true},
    {L"auxiliary", true, true},
    {L"a..b", true, true},
    {L".hidden", true, true},
};

class NameRules : public testing::TestWithParam<NameRuleCase> {};

TEST_P(NameRules, AsFileAndAsFolder)
{
    const NameRuleCase &c = GetParam();
    EXPECT_EQ(IsSafeFileName(c.name, wcslen(c.name)), c.file);
    EXPECT_EQ(IsSafeFolderName(c.name), c.folder);
}

INSTANTIATE_TEST_SUITE_P(Table, NameRules, testing::ValuesIn(kNameRules));

TEST(NameRules, MissingFolderNameIsRefused)
{
    EXPECT_FALSE(IsSafeFolderName(nullptr));
}

}  // namespace
