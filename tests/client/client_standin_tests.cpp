// Checks the client stand-in that the hand-over tests talk to: what it logs,
// which skin it reports active, that a restore really restores, and that the
// control API copes with a stand-in that is already gone.
#include "client_control.h"
#include "package_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kSettingsRoot[] = L"Software\\Veltrane";
constexpr wchar_t kSkinListKey[] = L"Software\\Veltrane\\Veltrane\\Skins";
constexpr WPARAM kFocusCommand = 32879;
constexpr WPARAM kReloadSkinsCommand = 32965;

struct SkinFlag {
    const wchar_t *name;
    DWORD data;
};

// Removes the client's settings key when a test leaves its scope.
class RemoveSettingsOnExit {
public:
    RemoveSettingsOnExit() { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsRoot); }
    ~RemoveSettingsOnExit() { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsRoot); }
    RemoveSettingsOnExit(const RemoveSettingsOnExit &) = delete;
    RemoveSettingsOnExit &operator=(const RemoveSettingsOnExit &) = delete;
};

bool WriteSkinList(const std::vector<SkinFlag> &flags)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSkinListKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    bool written = true;
    for (const SkinFlag &flag : flags) {
        written = written && RegSetValueExW(key, flag.name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&flag.data),
                                            sizeof(flag.data)) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return written;
}

std::wstring LogPath()
{
    return ScratchFolder() + L"\\client.log";
}

void Post(const ClientStandin &client, UINT message, WPARAM wParam, LPARAM lParam = 0)
{
    ASSERT_TRUE(PostMessageW(client.window, message, wParam, lParam));
}

bool LogHasLine(const ClientStandin &client, const std::string &wanted)
{
    std::string log = ReadFileBytes(client.logPath);
    return ("\n" + log).find("\n" + wanted + "\n") != std::string::npos;
}

struct ShowRow {
    ClientShow show;
    const char *stateLine;
    bool zoomed;
    bool iconic;
};

const ShowRow kShowRows[] = {
    {ClientShow::Normal, "STATE normal", false, false},
    {ClientShow::Minimized, "STATE minimized", false, true},
    {ClientShow::Maximized, "STATE maximized", true, false},
};

// The hand-over's sequence for a skin, with the list edited between the
// focus command and the reload, as the installer does it.
void CheckHandOverRecorded(const ShowRow &row)
{
    SCOPED_TRACE(row.stateLine);
    RemoveSettingsOnExit settings;
    ClientStandin client;
    StopClientOnExit stop(&client);
    ASSERT_TRUE(StartClientStandin(&client, LogPath(), row.show));
    EXPECT_TRUE(LogHasLine(client, row.stateLine));
    EXPECT_EQ(row.zoomed, ClientIsZoomed(client));
    EXPECT_EQ(row.iconic, ClientIsIconic(client));

    Post(client, WM_SYSCOMMAND, SC_RESTORE);
    Post(client, WM_COMMAND, kFocusCommand);
    ASSERT_TRUE(WriteSkinList({{L"Day\\skin.xml", 0}, {L"Night\\skin.xml", 1}}));
    Post(client, WM_COMMAND, kReloadSkinsCommand);

    std::vector<std::string> expected = {"SYSCOMMAND 61728 0", "COMMAND 32879 0", "COMMAND 32965 0",
                                         "ACTIVE Night\\skin.xml"};
    EXPECT_EQ(expected, ClientMessages(client));
    EXPECT_FALSE(ClientIsZoomed(client));
    EXPECT_FALSE(ClientIsIconic(client));
}

}  // namespace

TEST(ClientStandin, NormalWindowRecordsHandOver)
{
    CheckHandOverRecorded(kShowRows[0]);
}

TEST(ClientStandin, MinimisedWindowIsRestoredAndRecordsHandOver)
{
    CheckHandOverRecorded(kShowRows[1]);
}

TEST(ClientStandin, MaximisedWindowIsRestoredAndRecordsHandOver)
{
    CheckHandOverRecorded(kShowRows[2]);
}

TEST(ClientStandin, ReportsNoActiveSkinWithoutSkinList)
{
    RemoveSettingsOnExit settings;
    ClientStandin client;
    StopClientOnExit stop(&client);
    ASSERT_TRUE(StartClientStandin(&client, LogPath()));
    Post(client, WM_COMMAND, kReloadSkinsCommand);
    EXPECT_EQ(std::vector<std::string>({"COMMAND 32965 0", "ACTIVE"}), ClientMessages(client));
}

TEST(ClientStandin, ReportsEveryActiveSkinAndIgnoresOtherTypes)
{
    RemoveSettingsOnExit settings;
    ASSERT_TRUE(WriteSkinList({{L"A\\a.xml", 1}, {L"B\\b.xml", 2}, {L"C\\c.xml", 1}}));
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kSkinListKey, 0, KEY_SET_VALUE, &key));
    const wchar_t text[] = L"1";
    RegSetValueExW(key, L"D\\d.xml", 0, REG_SZ, reinterpret_cast<const BYTE *>(text), sizeof(text));
    RegCloseKey(key);

    ClientStandin client;
    StopClientOnExit stop(&client);
    ASSERT_TRUE(StartClientStandin(&client, LogPath()));
    Post(client, WM_COMMAND, kReloadSkinsCommand);
    std::vector<std::string> messages = ClientMessages(client);
    ASSERT_EQ(3u, messages.size());
    EXPECT_EQ("COMMAND 32965 0", messages[0]);
    std::vector<std::string> active(messages.begin() + 1, messages.end());
    std::sort(active.begin(), active.end());
    EXPECT_EQ(std::vector<std::string>({"ACTIVE A\\a.xml", "ACTIVE C\\c.xml"}), active);
}

// Raw values: a notification code in the high word and a negative lParam
// stay as they came; the system command still reaches DefWindowProc.
TEST(ClientStandin, RecordsRawValuesUnmasked)
{
    ClientStandin client;
    StopClientOnExit stop(&client);
    ASSERT_TRUE(StartClientStandin(&client, LogPath()));
    Post(client, WM_COMMAND, MAKEWPARAM(kFocusCommand, 1), -1);
    Post(client, WM_SYSCOMMAND, SC_MINIMIZE, 7);
    EXPECT_EQ(std::vector<std::string>({"COMMAND 98415 -1", "SYSCOMMAND 61472 7"}), ClientMessages(client));
    EXPECT_TRUE(ClientIsIconic(client));
}

TEST(ClientStandin, ClosesWithExitCodeZero)
{
    ClientStandin client;
    StopClientOnExit stop(&client);
    ASSERT_TRUE(StartClientStandin(&client, LogPath()));
    Post(client, WM_CLOSE, 0);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(client.process.hProcess, 5000));
    DWORD exitCode = STILL_ACTIVE;
    ASSERT_TRUE(GetExitCodeProcess(client.process.hProcess, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_FALSE(ClientIsZoomed(client));
    EXPECT_FALSE(SyncWithClient(client));
}

TEST(ClientStandin, ControlToleratesDeadClient)
{
    ClientStandin client;
    StopClientOnExit stop(&client);
    ASSERT_TRUE(StartClientStandin(&client, LogPath()));
    Post(client, WM_COMMAND, kFocusCommand);
    ASSERT_TRUE(SyncWithClient(client));
    ASSERT_TRUE(TerminateProcess(client.process.hProcess, 3));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(client.process.hProcess, 5000));

    EXPECT_EQ(std::vector<std::string>({"COMMAND 32879 0"}), ClientMessages(client));
    EXPECT_FALSE(ClientIsIconic(client));
    StopClientStandin(&client);
    StopClientStandin(&client);
    EXPECT_EQ(nullptr, client.process.hProcess);
    EXPECT_EQ(nullptr, client.window);
    EXPECT_EQ(std::vector<std::string>({"COMMAND 32879 0"}), ClientMessages(client));
}

TEST(ClientStandin, StopsNeverStartedClient)
{
    ClientStandin client;
    StopClientStandin(&client);
    StopClientStandin(nullptr);
    EXPECT_EQ(nullptr, client.process.hProcess);
}

TEST(ClientStandin, LogsToPathWithSpacesAndAccents)
{
    ClientStandin client;
    StopClientOnExit stop(&client);
    ASSERT_TRUE(StartClientStandin(&client, ScratchFolder() + L"\\client log \u00e9t\u00e9.log"));
    Post(client, WM_COMMAND, kFocusCommand);
    EXPECT_EQ(std::vector<std::string>({"COMMAND 32879 0"}), ClientMessages(client));
}

TEST(ClientStandin, RestartsWithFreshLog)
{
    ClientStandin client;
    StopClientOnExit stop(&client);
    std::wstring log = LogPath();
    ASSERT_TRUE(StartClientStandin(&client, log));
    Post(client, WM_COMMAND, kFocusCommand);
    ASSERT_TRUE(SyncWithClient(client));
    ASSERT_TRUE(StartClientStandin(&client, log));
    EXPECT_TRUE(ClientMessages(client).empty());
}
