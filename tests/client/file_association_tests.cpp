// The ".sks" association as skin.exe writes and removes it with its
// switches, read back from the prefix's registry key by key, value by value.
#include "association_keys.h"
#include "dialog_driver.h"
#include "package_builder.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

struct Value {
    std::wstring name;
    DWORD type = REG_NONE;
    std::string bytes;

    bool operator==(const Value &other) const
    {
        return name == other.name && type == other.type && bytes == other.bytes;
    }
};

// Every key below a root, by its path relative to SOFTWARE\Classes, with its values.
using KeyTree = std::map<std::wstring, std::vector<Value>>;

// The size is asked for on its own: a read into a larger buffer would have
// the terminator added to a string stored without one.
bool ReadValue(HKEY key, const std::wstring &name, Value *value)
{
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &value->type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    value->name = name;
    value->bytes.assign(size, '\0');
    return size == 0 || RegQueryValueExW(key, name.c_str(), nullptr, nullptr,
                                         reinterpret_cast<BYTE *>(&value->bytes[0]), &size) == ERROR_SUCCESS;
}

std::vector<Value> ValuesOf(HKEY key)
{
    std::vector<Value> values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = ARRAYSIZE(name);
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        Value value;
        if (ReadValue(key, std::wstring(name, nameLength), &value))
            values.push_back(value);
    }
    return values;
}

std::vector<std::wstring> SubkeysOf(HKEY key)
{
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = ARRAYSIZE(name);
        if (RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, nameLength);
    }
    return names;
}

void CollectTree(const std::wstring &relative, KeyTree *tree)
{
    HKEY key = nullptr;
    std::wstring path = std::wstring(kClassesKey) + L"\\" + relative;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    (*tree)[relative] = ValuesOf(key);
    std::vector<std::wstring> subkeys = SubkeysOf(key);
    RegCloseKey(key);
    for (const std::wstring &subkey : subkeys)
        CollectTree(relative + L"\\" + subkey, tree);
}

KeyTree AssociationTree()
{
    KeyTree tree;
    CollectTree(L".sks", &tree);
    CollectTree(L"Veltrane.SkinFile", &tree);
    return tree;
}

std::set<std::wstring> ClassNames()
{
    std::set<std::wstring> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kClassesKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (const std::wstring &name : SubkeysOf(key))
        names.insert(name);
    RegCloseKey(key);
    return names;
}

// A default value as the association stores it: REG_SZ, the UTF-16 units
// and their terminator, 2 * (length + 1) bytes.
std::vector<Value> DefaultText(const std::wstring &text)
{
    std::string bytes(reinterpret_cast<const char *>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
    return {{L"", REG_SZ, bytes}};
}

std::wstring CommandText()
{
    return L"\"" + SkinProgramPath() + L"\" \"%1\"";
}

const KeyTree &RegisteredTree()
{
    static const KeyTree tree = {
        {L".sks", DefaultText(L"Veltrane.SkinFile")},
        {L"Veltrane.SkinFile", DefaultText(L"Veltrane Skin File")},
        {L"Veltrane.SkinFile\\DefaultIcon", DefaultText(SkinProgramPath() + L",0")},
        {L"Veltrane.SkinFile\\shell", DefaultText(L"open")},
        {L"Veltrane.SkinFile\\shell\\open", {}},
        {L"Veltrane.SkinFile\\shell\\open\\command", DefaultText(CommandText())},
        {L"Veltrane.SkinFile\\shell\\skininstall", DefaultText(L"Install Veltrane Skin")},
        {L"Veltrane.SkinFile\\shell\\skininstall\\command", DefaultText(CommandText())},
    };
    return tree;
}

std::wstring Describe(const KeyTree &tree)
{
    std::wstring text;
    for (const auto &key : tree) {
        text += key.first + L"\n";
        for (const Value &value : key.second) {
            text += L"  [" + value.name + L"] type " + std::to_wstring(value.type) + L": " +
                    std::wstring(reinterpret_cast<const wchar_t *>(value.bytes.data()), value.bytes.size() / 2) +
                    L" (" + std::to_wstring(value.bytes.size()) + L" bytes)\n";
        }
    }
    return text;
}

void SetDefaultText(const std::wstring &relative, const std::wstring &text, DWORD options = 0)
{
    HKEY key = nullptr;
    std::wstring path = std::wstring(kClassesKey) + L"\\" + relative;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    RegSetValueExW(key, L"", 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

class FileAssociation : public testing::Test {
protected:
    void SetUp() override { classesBefore = ClassNames(); }

    DWORD Run(const wchar_t *argument)
    {
        DWORD exitCode = STILL_ACTIVE;
        bool showedWindow = true;
        EXPECT_TRUE(RunSkinToExit(argument, &exitCode, &showedWindow)) << Narrow(argument);
        EXPECT_FALSE(showedWindow) << Narrow(argument);
        return exitCode;
    }

    RemoveAssociationOnExit association;
    std::set<std::wstring> classesBefore;
};

TEST_F(FileAssociation, RegisterWritesSevenKeysAndNothingElse)
{
    ASSERT_EQ(0u, Run(L"/install"));
    KeyTree tree = AssociationTree();
    EXPECT_EQ(RegisteredTree(), tree) << Narrow(Describe(tree));
    std::set<std::wstring> expectedClasses = classesBefore;
    expectedClasses.insert(L".sks");
    expectedClasses.insert(L"Veltrane.SkinFile");
    EXPECT_EQ(expectedClasses, ClassNames());
}

TEST_F(FileAssociation, RegisteringTwiceGivesTheSameKeys)
{
    ASSERT_EQ(0u, Run(L"/install"));
    ASSERT_EQ(0u, Run(L"/installsilent"));
    KeyTree tree = AssociationTree();
    EXPECT_EQ(RegisteredTree(), tree) << Narrow(Describe(tree));
}

TEST_F(FileAssociation, RegisteringReplacesStaleTexts)
{
    SetDefaultText(L".sks", L"Other.File");
    SetDefaultText(L"Veltrane.SkinFile\\shell\\open\\command", L"\"C:\\old\\skin.exe\" \"%1\" and more");
    ASSERT_EQ(0u, Run(L"/installsilent"));
    KeyTree tree = AssociationTree();
    EXPECT_EQ(RegisteredTree(), tree) << Narrow(Describe(tree));
}

TEST_F(FileAssociation, UnregisterRemovesEveryKey)
{
    for (const wchar_t *uninstall : {L"/uninstall", L"/uninstallsilent"}) {
        SCOPED_TRACE(Narrow(uninstall));
        ASSERT_EQ(0u, Run(L"/install"));
        EXPECT_EQ(0u, Run(uninstall));
        EXPECT_TRUE(AssociationTree().empty()) << Narrow(Describe(AssociationTree()));
        EXPECT_EQ(classesBefore, ClassNames());
    }
}

TEST_F(FileAssociation, UnregisterWithNothingRegisteredExitsZero)
{
    EXPECT_EQ(0u, Run(L"/uninstall"));
    EXPECT_EQ(0u, Run(L"/uninstallsilent"));
    EXPECT_TRUE(AssociationTree().empty());
    EXPECT_EQ(classesBefore, ClassNames());
}

// A key with a subkey of someone else's is not deleted; the rest goes.
TEST_F(FileAssociation, ForeignSubkeyKeepsExtensionKey)
{
    ASSERT_EQ(0u, Run(L"/install"));
    SetDefaultText(L".sks\\OpenWithProgids", L"kept");
    EXPECT_EQ(0u, Run(L"/uninstall"));
    KeyTree expected = {
        {L".sks", DefaultText(L"Veltrane.SkinFile")},
        {L".sks\\OpenWithProgids", DefaultText(L"kept")},
    };
    KeyTree tree = AssociationTree();
    EXPECT_EQ(expected, tree) << Narrow(Describe(tree));
}

TEST_F(FileAssociation, ForeignVerbKeepsShellAndFileType)
{
    ASSERT_EQ(0u, Run(L"/install"));
    SetDefaultText(L"Veltrane.SkinFile\\shell\\edit\\command", L"notepad \"%1\"");
    EXPECT_EQ(0u, Run(L"/uninstall"));
    KeyTree expected = {
        {L"Veltrane.SkinFile", DefaultText(L"Veltrane Skin File")},
        {L"Veltrane.SkinFile\\shell", DefaultText(L"open")},
        {L"Veltrane.SkinFile\\shell\\edit", {}},
        {L"Veltrane.SkinFile\\shell\\edit\\command", DefaultText(L"notepad \"%1\"")},
    };
    KeyTree tree = AssociationTree();
    EXPECT_EQ(expected, tree) << Narrow(Describe(tree));
}

// Below a volatile key only volatile keys can be created, so the third key
// is refused; the first two stay written and the refusal is the exit code.
TEST_F(FileAssociation, RefusedKeyStopsRegistration)
{
    SetDefaultText(L"Veltrane.SkinFile", L"", REG_OPTION_VOLATILE);
    EXPECT_EQ(static_cast<DWORD>(ERROR_CHILD_MUST_BE_VOLATILE), Run(L"/install"));
    KeyTree expected = {
        {L".sks", DefaultText(L"Veltrane.SkinFile")},
        {L"Veltrane.SkinFile", DefaultText(L"Veltrane Skin File")},
    };
    KeyTree tree = AssociationTree();
    EXPECT_EQ(expected, tree) << Narrow(Describe(tree));
}

}  // namespace
