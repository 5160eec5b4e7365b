// The hand-over to the running client: the real dialog, after a real
// install, with the client stand-in recording what reaches its window.
#include "client_control.h"
#include "dialog_driver.h"
#include "package_builder.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kSkinListKey[] = L"Software\\Veltrane\\Veltrane\\Skins";
const std::string kSkinManifest = "<manifest type=\"skin\" name=\"Night\" version=\"2.1\"/>";
const std::string kLanguageManifest = "<manifest type=\"language\" name=\"English\"/>";

void WriteClientValue(const wchar_t *keyPath, const wchar_t *name, DWORD type, const void *data, DWORD bytes)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE *>(data), bytes);
    RegCloseKey(key);
}

void WriteFlag(const wchar_t *name, DWORD flag)
{
    WriteClientValue(kSkinListKey, name, REG_DWORD, &flag, sizeof flag);
}

// The value's data as "dword N", "string S", or "absent".
std::string ReadFlag(const wchar_t *name)
{
    BYTE data[520] = {};
    DWORD type = 0;
    DWORD size = sizeof data - 2;
    if (RegGetValueW(HKEY_CURRENT_USER, kSkinListKey, name, RRF_RT_ANY, &type, data, &size) != ERROR_SUCCESS)
        return "absent";
    if (type == REG_DWORD)
        return "dword " + std::to_string(*reinterpret_cast<DWORD *>(data));
    return "string " + Narrow(reinterpret_cast<wchar_t *>(data));
}

bool SkinListExists()
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSkinListKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

using Lines = std::vector<std::string>;

class HandOver : public testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Veltrane");
        folder = ScratchFolder();
        skins = folder + L"\\client\\Skins";
        CreateDirectoryW((folder + L"\\client").c_str(), nullptr);
        CreateDirectoryW(skins.c_str(), nullptr);
        CreateDirectoryW((skins + L"\\Languages").c_str(), nullptr);
        SetClientPath(folder + L"\\client");
    }

    void TearDown() override
    {
        StopSkin(&run);
        StopClientStandin(&client);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Veltrane");
    }

    void StartClient(ClientShow show = ClientShow::Normal)
    {
        ASSERT_TRUE(StartClientStandin(&client, folder + L"\\client.log", show));
    }

    // Opens the dialog on a package and installs it.
    void Install(const std::string &manifest, const wchar_t *manifestName = L"skin.xml")
    {
        std::wstring path = folder + L"\\pack.sks";
        ASSERT_TRUE(BuildPackage(path, {{Narrow(manifestName), manifest}, {"back.bmp", "BM"}}));
        ASSERT_TRUE(StartSkin(L"\"" + path + L"\"", &run));
        dialog = run.window;
        ASSERT_TRUE(PressButton(dialog, IDC_INSTALL));
    }

    // Presses the hand-over button; true when the dialog ended with exit code 0.
    bool PressSelectAndExpectEnd()
    {
        EXPECT_TRUE(ControlEnabled(dialog, IDC_SELECT));
        PressButton(dialog, IDC_SELECT);
        DWORD exitCode = STILL_ACTIVE;
        return WaitForSkinExit(run, 10000, &exitCode) && exitCode == 0;
    }

    std::wstring folder, skins;
    SkinRun run;
    ClientStandin client;
    HWND dialog = nullptr;
};

TEST_F(HandOver, SkinIsMarkedActiveBeforeTheClientIsToldToReload)
{
    CreateDirectoryW((skins + L"\\Old").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(skins + L"\\Old\\skin.xml", "<manifest type=\"skin\" name=\"Old\"/>"));
    WriteFlag(L"Old\\skin.xml", 1);
    StartClient();
    Install(kSkinManifest);
    ASSERT_TRUE(PressSelectAndExpectEnd());
    EXPECT_EQ(ClientMessages(client), (Lines{"SYSCOMMAND 61728 0", "COMMAND 32879 0", "COMMAND 32959 0",
                                             "COMMAND 32965 0", "ACTIVE Night\\skin.xml"}));
    EXPECT_EQ(ReadFlag(L"Night\\skin.xml"), "dword 1");
    EXPECT_EQ(ReadFlag(L"Old\\skin.xml"), "dword 0");
}

TEST_F(HandOver, LanguagePackLeavesTheSkinListAlone)
{
    WriteFlag(L"Old\\skin.xml", 1);
    StartClient(ClientShow::Minimized);
    Install(kLanguageManifest, L"English.xml");
    EXPECT_EQ(ControlText(dialog, IDC_SELECT), L"Configure &Language...");
    ASSERT_TRUE(PressSelectAndExpectEnd());
    EXPECT_EQ(ClientMessages(client), (Lines{"SYSCOMMAND 61728 0", "COMMAND 32879 0", "COMMAND 32974 0"}));
    EXPECT_EQ(ReadFlag(L"Old\\skin.xml"), "dword 1");
    EXPECT_EQ(ReadFlag(L"English\\English.xml"), "absent");
}

TEST_F(HandOver, MaximisedClientIsNotRestored)
{
    WriteFlag(L"Other\\skin.xml", 0);
    StartClient(ClientShow::Maximized);
    Install(kSkinManifest);
    ASSERT_TRUE(PressSelectAndExpectEnd());
    EXPECT_EQ(ClientMessages(client), (Lines{"COMMAND 32879 0", "COMMAND 32959 0", "COMMAND 32965 0",
                                             "ACTIVE Night\\skin.xml"}));
    EXPECT_TRUE(ClientIsZoomed(client));
}

TEST_F(HandOver, WithoutSkinListOnlyTheClientIsShown)
{
    StartClient();
    Install(kSkinManifest);
    ASSERT_TRUE(PressSelectAndExpectEnd());
    EXPECT_EQ(ClientMessages(client), (Lines{"SYSCOMMAND 61728 0", "COMMAND 32879 0"}));
    EXPECT_FALSE(SkinListExists());
}

TEST_F(HandOver, ClientGoneAtThePressPostsNothingAndTheDialogStays)
{
    WriteFlag(L"Old\\skin.xml", 1);
    StartClient();
    Install(kSkinManifest);
    EXPECT_TRUE(ControlEnabled(dialog, IDC_SELECT));
    StopClientStandin(&client);
    Lines before = ClientMessages(client);
    EXPECT_TRUE(PressButton(dialog, IDC_SELECT));
    EXPECT_TRUE(SkinIsRunning(run));
    EXPECT_TRUE(ControlEnabled(dialog, IDC_SELECT));
    EXPECT_EQ(ReadFlag(L"Old\\skin.xml"), "dword 1");
    EXPECT_EQ(ReadFlag(L"Night\\skin.xml"), "absent");
    EXPECT_EQ(ClientMessages(client), before);
}

TEST_F(HandOver, ClientNotRunningAtInstallLeavesSelectDisabled)
{
    Install(kSkinManifest);
    EXPECT_EQ(ControlText(dialog, IDC_STATUS), L"Skin successfully installed.");
    EXPECT_FALSE(ControlEnabled(dialog, IDC_SELECT));
    EXPECT_FALSE(ControlEnabled(dialog, IDC_INSTALL));
    EXPECT_TRUE(ControlEnabled(dialog, IDOK));
}

}  // namespace
