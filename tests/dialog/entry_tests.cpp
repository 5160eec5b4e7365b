// The program's entry seen from outside: what each kind of argument text
// makes skin.exe do, which window it shows and the exit code it ends with.
#include "association_keys.h"
#include "dialog_driver.h"
#include "package_builder.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

constexpr wchar_t kRefusal[] = L"Please verify the skin is a valid Veltrane Skin and try again.";
constexpr DWORD kExitTimeoutMs = 10000;
// Both the platform's and Wine's message boxes give their text this id.
constexpr int kMessageBoxTextId = 0xFFFF;

DWORD CloseAndWaitForExitCode(const SkinRun &run)
{
    DWORD exitCode = STILL_ACTIVE;
    EXPECT_TRUE(PressButton(run.window, IDOK));
    EXPECT_TRUE(WaitForSkinExit(run, kExitTimeoutMs, &exitCode));
    return exitCode;
}

TEST(Entry, NoArgumentShowsWhatTheProgramIs)
{
    SkinRun run;
    StopSkinOnExit stop(&run);
    ASSERT_TRUE(StartSkin(L"", &run));
    EXPECT_FALSE(IsInstallerDialog(run.window));
    EXPECT_EQ(L"Veltrane Skin Installer", WindowCaption(run.window));
    EXPECT_EQ(L"Veltrane Skin Installer 1.0.12.7\n\nDouble-click on a Veltrane Skin File to use the Veltrane "
              L"Skin Installer.",
              ControlText(run.window, kMessageBoxTextId));
    EXPECT_EQ(L"OK", ControlText(run.window, IDOK));
    EXPECT_EQ(0u, CloseAndWaitForExitCode(run));
}

// The switches are compared with the whole text, ASCII case ignored; none
// shows a window, and each leaves the association written or removed.
struct SwitchCase {
    const wchar_t *argument;
    bool registers;
};

const SwitchCase kSwitchCases[] = {
    {L"/install", true},          {L"/INSTALL", true},          {L"/InStAlL", true},
    {L"/installsilent", true},    {L"/InstallSilent", true},    {L"/uninstall", false},
    {L"/UNINSTALL", false},       {L"/uninstallsilent", false}, {L"/UnInstallSILENT", false},
};

class Switch : public testing::TestWithParam<SwitchCase> {};

void PrintTo(const SwitchCase &row, std::ostream *out)
{
    *out << Narrow(row.argument);
}

TEST_P(Switch, RunsAssociationWithoutWindow)
{
    RemoveAssociationOnExit association;
    if (!GetParam().registers) {
        DWORD exitCode = 1;
        bool showedWindow = false;
        ASSERT_TRUE(RunSkinToExit(L"/install", &exitCode, &showedWindow));
        ASSERT_TRUE(UserKeyExists(kExtensionKey));
    }
    DWORD exitCode = 1;
    bool showedWindow = true;
    ASSERT_TRUE(RunSkinToExit(GetParam().argument, &exitCode, &showedWindow));
    EXPECT_EQ(0u, exitCode);
    EXPECT_FALSE(showedWindow);
    EXPECT_EQ(GetParam().registers, UserKeyExists(kExtensionKey));
    EXPECT_EQ(GetParam().registers, UserKeyExists(kFileTypeKey));
}

INSTANTIATE_TEST_SUITE_P(Table, Switch, testing::ValuesIn(kSwitchCases));

// Texts that are not exactly a switch are package paths: the dialog opens,
// refuses them, and nothing is registered.
const wchar_t *const kNotSwitchCases[] = {
    L"/install ", L"\"/install\"", L"/uninstall ", L"\"/UNINSTALL\"", L"/installsilently", L"/in", L"install",
};

class NotSwitch : public testing::TestWithParam<const wchar_t *> {};

TEST_P(NotSwitch, OpensDialogAndRefuses)
{
    RemoveAssociationOnExit association;
    SkinRun run;
    StopSkinOnExit stop(&run);
    ASSERT_TRUE(StartSkin(GetParam(), &run));
    ASSERT_TRUE(IsInstallerDialog(run.window));
    EXPECT_EQ(kRefusal, ControlText(run.window, IDC_STATUS));
    EXPECT_EQ(L"Veltrane Skin Installer", WindowCaption(run.window));
    EXPECT_FALSE(UserKeyExists(kExtensionKey));
}

INSTANTIATE_TEST_SUITE_P(Table, NotSwitch, testing::ValuesIn(kNotSwitchCases));

// Under Wine a process that had windows takes about two seconds to end, so
// few tests wait for the exit code of a closed dialog.
TEST(Entry, SwitchWithTrailingBlankExitsZero)
{
    RemoveAssociationOnExit association;
    SkinRun run;
    StopSkinOnExit stop(&run);
    ASSERT_TRUE(StartSkin(L"/install ", &run));
    ASSERT_TRUE(IsInstallerDialog(run.window));
    EXPECT_EQ(0u, CloseAndWaitForExitCode(run));
    EXPECT_FALSE(UserKeyExists(kExtensionKey));
}

// How the argument text is unquoted into a path. The package sits in a file
// with a blank in its name; a decoy named after the text before the blank
// shows up if the text were split into words.
struct QuotingCase {
    const char *label;
    const wchar_t *before;  // text before the package path
    const wchar_t *after;   // text after it
};

const QuotingCase kQuotingCases[] = {
    {"quoted", L"\"", L"\""},
    {"unquoted with blank", L"", L""},
    {"quoted then more words", L"\"", L"\" more words"},
    {"quoted then a blank", L"\"", L"\" "},
    {"opening quote only", L"\"", L""},
    {"quote in the middle", L"", L"\"tail.sks"},
    {"second quote cuts", L"\"", L"\"\""},
};

class Quoting : public testing::TestWithParam<QuotingCase> {};

void PrintTo(const QuotingCase &row, std::ostream *out)
{
    *out << row.label;
}

TEST_P(Quoting, YieldsThePackagePath)
{
    std::wstring folder = ScratchFolder();
    ASSERT_TRUE(BuildPackage(folder + L"\\with", {{"skin.xml", "<manifest name=\"Decoy\" version=\"1.0\"/>"}}));
    std::wstring path = folder + L"\\with blank.sks";
    ASSERT_TRUE(BuildPackage(path, {{"skin.xml", "<manifest name=\"Blank\" version=\"1.0\"/>"}}));
    SkinRun run;
    StopSkinOnExit stop(&run);
    ASSERT_TRUE(StartSkin(GetParam().before + path + GetParam().after, &run));
    ASSERT_TRUE(IsInstallerDialog(run.window));
    EXPECT_EQ(L"Blank 1.0", ControlText(run.window, IDC_NAME));
    EXPECT_EQ(L"Ready to install", ControlText(run.window, IDC_STATUS));
}

INSTANTIATE_TEST_SUITE_P(Table, Quoting, testing::ValuesIn(kQuotingCases));

TEST(Entry, TwoQuotesGiveAnEmptyPath)
{
    SkinRun run;
    StopSkinOnExit stop(&run);
    ASSERT_TRUE(StartSkin(L"\"\"", &run));
    ASSERT_TRUE(IsInstallerDialog(run.window));
    EXPECT_EQ(kRefusal, ControlText(run.window, IDC_STATUS));
    EXPECT_EQ(L"Unknown Skin", ControlText(run.window, IDC_NAME));
    ProgressState progress = ReadProgress(run.window, IDC_PROGRESS);
    EXPECT_EQ(1, progress.high) << "the entry count falls back to 1";
    EXPECT_EQ(1, progress.position);
}

}  // namespace
