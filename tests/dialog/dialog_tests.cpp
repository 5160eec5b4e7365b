// The installer dialog of the real skin.exe, opened on packages built in the
// test: what it shows for accepted and refused packs, its texts and their
// bounds, its controls as the template lays them out, and its pixels.
#include "dialog_driver.h"
#include "package_builder.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kRefusal[] = L"Please verify the skin is a valid Veltrane Skin and try again.";
constexpr DWORD kExitTimeoutMs = 10000;

// A manifest start tag from attribute pairs; a null value leaves the attribute out.
struct Attribute {
    const char *name;
    const char *value;
};

std::string ManifestTag(const std::vector<Attribute> &attributes)
{
    std::string tag = "<manifest";
    for (const Attribute &attribute : attributes) {
        if (attribute.value)
            tag += std::string(" ") + attribute.name + "=\"" + attribute.value + "\"";
    }
    return tag + "/>";
}

std::vector<PackageEntry> SkinEntries(const std::string &manifest)
{
    return {{"skin.xml", manifest}, {"images/", ""}, {"images/back.bmp", "BM"}};
}

class InstallerDialog : public testing::Test {
protected:
    void SetUp() override { folder = ScratchFolder(); }

    // Builds the package and opens the dialog on it, as the shell would.
    void Open(const std::vector<PackageEntry> &entries)
    {
        std::wstring path = folder + L"\\pack.sks";
        ASSERT_TRUE(BuildPackage(path, entries));
        OpenPath(L"\"" + path + L"\"");
    }

    void OpenPath(const std::wstring &argumentText)
    {
        ASSERT_TRUE(StartSkin(argumentText, &run));
        ASSERT_TRUE(IsInstallerDialog(run.window));
        dialog = run.window;
    }

    std::wstring Text(int id) const { return ControlText(dialog, id); }

    void ExpectExitCodeZeroAfter(void (*end)(HWND))
    {
        end(dialog);
        DWORD exitCode = STILL_ACTIVE;
        ASSERT_TRUE(WaitForSkinExit(run, kExitTimeoutMs, &exitCode));
        EXPECT_EQ(0u, exitCode);
    }

    std::wstring folder;
    SkinRun run;
    StopSkinOnExit stop{&run};
    HWND dialog = nullptr;
};

void PressClose(HWND dialog)
{
    EXPECT_TRUE(PressButton(dialog, IDOK));
}

TEST_F(InstallerDialog, AcceptedSkinIsReadyToInstall)
{
    Open(SkinEntries(ManifestTag({{"type", "skin"}, {"name", "Night"}, {"version", "2.1"}, {"author", "Ann"}})));
    EXPECT_EQ(L"Night 2.1 - Veltrane Skin Installer", WindowCaption(dialog));
    EXPECT_EQ(L"Night 2.1", Text(IDC_NAME));
    EXPECT_EQ(L"By Ann", Text(IDC_AUTHOR));
    EXPECT_EQ(L"Ready to install", Text(IDC_STATUS));
    EXPECT_EQ(L"Select &Skin", Text(IDC_SELECT));
    EXPECT_TRUE(ControlEnabled(dialog, IDC_INSTALL));
    EXPECT_TRUE(ControlEnabled(dialog, IDOK));
    EXPECT_FALSE(ControlEnabled(dialog, IDC_SELECT));
    ProgressState progress = ReadProgress(dialog, IDC_PROGRESS);
    EXPECT_EQ(0, progress.low);
    EXPECT_EQ(3, progress.high) << "one step per archive entry";
    EXPECT_EQ(0, progress.position);
    ExpectExitCodeZeroAfter(PressClose);
}

// The manifest comes before the unsafe entry, so its metadata is shown.
TEST_F(InstallerDialog, RefusedPackageShowsWhyAndCannotInstall)
{
    Open({{"skin.xml", ManifestTag({{"name", "Night"}, {"version", "2.1"}, {"author", "Ann"}})},
          {"../escape.bmp", "BM"}});
    EXPECT_EQ(kRefusal, Text(IDC_STATUS));
    EXPECT_EQ(L"Night 2.1 - Veltrane Skin Installer", WindowCaption(dialog));
    EXPECT_EQ(L"Night 2.1", Text(IDC_NAME));
    EXPECT_EQ(L"By Ann", Text(IDC_AUTHOR));
    EXPECT_FALSE(ControlEnabled(dialog, IDC_INSTALL));
    EXPECT_TRUE(ControlEnabled(dialog, IDOK));
    EXPECT_FALSE(ControlEnabled(dialog, IDC_SELECT));
    ProgressState progress = ReadProgress(dialog, IDC_PROGRESS);
    EXPECT_EQ(0, progress.low);
    EXPECT_EQ(2, progress.high);
    EXPECT_EQ(2, progress.position) << "the bar shows full";
}

// What the pack's type and name make of the captions, accepted or refused.
struct PackKindCase {
    const char *label;
    std::vector<PackageEntry> entries;
    const wchar_t *caption;
    const wchar_t *nameLine;
    const wchar_t *selectLabel;
    const wchar_t *status;
};

const PackKindCase kPackKindCases[] = {
    {"language pack", {{"English.xml", ManifestTag({{"type", "Language"}, {"name", "English"}, {"version", "1.0"}})}},
     L"English 1.0 - Veltrane Language Installer", L"English 1.0", L"Configure &Language...", L"Ready to install"},
    {"refused language pack",
     {{"English.xml", ManifestTag({{"type", "language"}, {"name", "English"}, {"version", "1.0"}})}, {".hidden", ""}},
     L"English 1.0 - Veltrane Language Installer", L"English 1.0", L"Configure &Language...", kRefusal},
    {"language pack without a name", {{"English.xml", ManifestTag({{"type", "LANGUAGE"}, {"version", "1.0"}})}},
     L"Veltrane Language Installer", L"Unknown Skin", L"Configure &Language...", L"Ready to install"},
    {"skin without a name", {{"skin.xml", ManifestTag({{"type", "skin"}, {"version", "1.0"}})}},
     L"Veltrane Skin Installer", L"Unknown Skin", L"Select &Skin", L"Ready to install"},
    {"other type is a skin", {{"skin.xml", ManifestTag({{"type", "lang"}, {"name", "Day"}, {"version", "3"}})}},
     L"Day 3 - Veltrane Skin Installer", L"Day 3", L"Select &Skin", L"Ready to install"},
    {"no manifest at all", {{"readme.txt", "hello"}}, L"Veltrane Skin Installer", L"Unknown Skin", L"Select &Skin",
     kRefusal},
};

class PackKind : public InstallerDialog, public testing::WithParamInterface<PackKindCase> {};

void PrintTo(const PackKindCase &row, std::ostream *out)
{
    *out << row.label;
}

TEST_P(PackKind, SetsCaptionsAndLabels)
{
    const PackKindCase &row = GetParam();
    Open(row.entries);
    EXPECT_EQ(row.caption, WindowCaption(dialog));
    EXPECT_EQ(row.nameLine, Text(IDC_NAME));
    EXPECT_EQ(row.selectLabel, Text(IDC_SELECT));
    EXPECT_EQ(row.status, Text(IDC_STATUS));
    EXPECT_FALSE(ControlEnabled(dialog, IDC_SELECT));
}

INSTANTIATE_TEST_SUITE_P(Table, PackKind, testing::ValuesIn(kPackKindCases));

// The name line is "%s %s" of name and version, the caption "%s - %s" of
// the name line and the title; texts keep their ampersands as written.
struct NameCase {
    const char *name;
    const char *version;
    const wchar_t *nameLine;
    const wchar_t *caption;
};

const NameCase kNameCases[] = {
    {"Night", "2.1", L"Night 2.1", L"Night 2.1 - Veltrane Skin Installer"},
    {"Night", nullptr, L"Night ", L"Night  - Veltrane Skin Installer"},
    {"Night", "", L"Night ", L"Night  - Veltrane Skin Installer"},
    {"", "1.0", L" 1.0", L" 1.0 - Veltrane Skin Installer"},
    {"Rock &amp; Roll", "1&2", L"Rock &amp; Roll 1&2", L"Rock &amp; Roll 1&2 - Veltrane Skin Installer"},
    {"A&B &&C", "&", L"A&B &&C &", L"A&B &&C & - Veltrane Skin Installer"},
};

class NameLine : public InstallerDialog, public testing::WithParamInterface<NameCase> {};

void PrintTo(const NameCase &row, std::ostream *out)
{
    *out << "name " << row.name << ", version " << (row.version ? row.version : "absent");
}

TEST_P(NameLine, ComposesNameAndCaption)
{
    const NameCase &row = GetParam();
    Open(SkinEntries(ManifestTag({{"name", row.name}, {"version", row.version}})));
    EXPECT_EQ(row.nameLine, Text(IDC_NAME));
    EXPECT_EQ(row.caption, WindowCaption(dialog));
}

INSTANTIATE_TEST_SUITE_P(Table, NameLine, testing::ValuesIn(kNameCases));

struct AuthorCase {
    const char *author;
    const char *updater;
    const wchar_t *authorLine;
};

const AuthorCase kAuthorCases[] = {
    {nullptr, nullptr, L"Unknown Author"},
    {"Ann", nullptr, L"By Ann"},
    {nullptr, "Bob", L"Updated by Bob"},
    {"Ann", "Bob", L"By Ann; Updated by Bob"},
    {"Ann", "Ann", L"By Ann"},
    {"Ann", "ANN", L"By Ann; Updated by ANN"},
    {"", nullptr, L"By "},
    {"", "Bob", L"By ; Updated by Bob"},
    {nullptr, "", L"Updated by "},
    {"Ann &amp; Co", "B&B", L"By Ann &amp; Co; Updated by B&B"},
};

class AuthorLine : public InstallerDialog, public testing::WithParamInterface<AuthorCase> {};

void PrintTo(const AuthorCase &row, std::ostream *out)
{
    *out << "author " << (row.author ? row.author : "absent") << ", updater "
         << (row.updater ? row.updater : "absent");
}

TEST_P(AuthorLine, CombinesAuthorAndUpdater)
{
    const AuthorCase &row = GetParam();
    Open(SkinEntries(ManifestTag({{"name", "Night"}, {"author", row.author}, {"updatedby", row.updater}})));
    EXPECT_EQ(row.authorLine, Text(IDC_AUTHOR));
}

INSTANTIATE_TEST_SUITE_P(Table, AuthorLine, testing::ValuesIn(kAuthorCases));

// Composed texts are cut to 259 units, the buffer less its terminator.
struct LongTextCase {
    const char *label;
    std::vector<Attribute> attributes;
    int id;  // 0: the caption
    std::wstring expected;
};

const std::string kLong(300, 'x');
const std::wstring kLongWide(300, L'x');
// With " 1" and " - Veltrane Skin Installer" these make captions of 259 and 260 units.
const std::string kFittingName(231, 'x');
const std::string kOverlongName(232, 'x');

const LongTextCase kLongTextCases[] = {
    {"name line", {{"name", kLong.c_str()}, {"version", "1"}}, IDC_NAME, kLongWide.substr(0, 259)},
    {"caption", {{"name", kLong.c_str()}, {"version", "1"}}, 0, kLongWide.substr(0, 259)},
    {"long version", {{"name", "Night"}, {"version", kLong.c_str()}}, IDC_NAME,
     L"Night " + kLongWide.substr(0, 253)},
    {"caption from a full name line", {{"name", "Night"}, {"version", kLong.c_str()}}, 0,
     L"Night " + kLongWide.substr(0, 253)},
    {"caption just fitting", {{"name", kFittingName.c_str()}, {"version", "1"}}, 0,
     std::wstring(231, L'x') + L" 1 - Veltrane Skin Installer"},
    {"caption one over", {{"name", kOverlongName.c_str()}, {"version", "1"}}, 0,
     std::wstring(232, L'x') + L" 1 - Veltrane Skin Installe"},
    {"author", {{"name", "Night"}, {"author", kLong.c_str()}}, IDC_AUTHOR, L"By " + kLongWide.substr(0, 256)},
    {"updater only", {{"name", "Night"}, {"updatedby", kLong.c_str()}}, IDC_AUTHOR,
     L"Updated by " + kLongWide.substr(0, 248)},
    {"author and updater", {{"name", "Night"}, {"author", "Ann"}, {"updatedby", kLong.c_str()}}, IDC_AUTHOR,
     L"By Ann; Updated by " + kLongWide.substr(0, 240)},
    {"long author and updater", {{"name", "Night"}, {"author", kLong.c_str()}, {"updatedby", "Bob"}}, IDC_AUTHOR,
     L"By " + kLongWide.substr(0, 256)},
};

class LongText : public InstallerDialog, public testing::WithParamInterface<LongTextCase> {};

void PrintTo(const LongTextCase &row, std::ostream *out)
{
    *out << row.label;
}

TEST_P(LongText, IsCutTo259Units)
{
    const LongTextCase &row = GetParam();
    Open(SkinEntries(ManifestTag(row.attributes)));
    std::wstring shown = row.id ? Text(row.id) : WindowCaption(dialog);
    EXPECT_EQ(row.expected.size(), shown.size());
    EXPECT_EQ(row.expected, shown);
}

INSTANTIATE_TEST_SUITE_P(Table, LongText, testing::ValuesIn(kLongTextCases));

// The progress range holds only the low 16 bits of the entry count.
struct EntryCountCase {
    int entries;
    int high;
};

const EntryCountCase kEntryCountCases[] = {{65536, 0}, {65537, 1}};

class EntryCount : public InstallerDialog, public testing::WithParamInterface<EntryCountCase> {};

void PrintTo(const EntryCountCase &row, std::ostream *out)
{
    *out << row.entries << " entries";
}

TEST_P(EntryCount, SetsProgressRangeFromLowBits)
{
    std::vector<PackageEntry> entries = {{"skin.xml", ManifestTag({{"name", "Many"}})}};
    for (int i = 1; i < GetParam().entries; ++i)
        entries.push_back({"f" + std::to_string(i), "", true});
    Open(entries);
    EXPECT_EQ(L"Ready to install", Text(IDC_STATUS));
    ProgressState progress = ReadProgress(dialog, IDC_PROGRESS);
    EXPECT_EQ(0, progress.low);
    EXPECT_EQ(GetParam().high, progress.high);
    EXPECT_EQ(0, progress.position);
}

INSTANTIATE_TEST_SUITE_P(Table, EntryCount, testing::ValuesIn(kEntryCountCases));

// A package that cannot be counted still gets a range of one step.
TEST_F(InstallerDialog, UnreadablePackageGetsRangeOfOne)
{
    std::wstring notZip = folder + L"\\plain.sks";
    ASSERT_TRUE(WriteFileBytes(notZip, "not a zip archive"));
    std::wstring empty = folder + L"\\empty.sks";
    ASSERT_TRUE(BuildPackage(empty, {}));
    for (const std::wstring &path : {notZip, empty, folder + L"\\missing.sks"}) {
        SCOPED_TRACE(Narrow(path));
        OpenPath(L"\"" + path + L"\"");
        EXPECT_EQ(kRefusal, Text(IDC_STATUS));
        EXPECT_EQ(L"Veltrane Skin Installer", WindowCaption(dialog));
        ProgressState progress = ReadProgress(dialog, IDC_PROGRESS);
        EXPECT_EQ(0, progress.low);
        EXPECT_EQ(1, progress.high);
        EXPECT_EQ(1, progress.position);
        StopSkin(&run);
    }
}

TEST_F(InstallerDialog, EscapeDoesNothing)
{
    Open(SkinEntries(ManifestTag({{"name", "Night"}})));
    ASSERT_TRUE(PressEscapeKey(run));
    ASSERT_TRUE(SendCancelCommand(dialog));
    WaitUntilIdle(run);
    EXPECT_TRUE(SkinIsRunning(run));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(L"Ready to install", Text(IDC_STATUS));
    EXPECT_TRUE(ControlEnabled(dialog, IDC_INSTALL));
}

TEST_F(InstallerDialog, CaptionCloseEndsWithExitCodeZero)
{
    Open(SkinEntries(ManifestTag({{"name", "Night"}})));
    ExpectExitCodeZeroAfter(CloseByCaption);
}

// The controls in template order, and how opening the dialog changes them:
// four statics become owner-drawn, Select is disabled, the banner is added.
struct ControlCase {
    int id;
    const wchar_t *className;
    const wchar_t *text;
    DWORD style;
    DialogUnits units;
};

constexpr DWORD kVisibleChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kOwnerDrawn = kVisibleChild | SS_OWNERDRAW;

const ControlCase kControlCases[] = {
    {IDC_PANEL, L"Static", L"", kOwnerDrawn, {0, 31, 293, 75}},
    {IDC_NAME, L"Static", L"Night 2.1", kOwnerDrawn, {10, 38, 265, 14}},
    {IDC_AUTHOR, L"Static", L"By Ann", kOwnerDrawn, {10, 52, 265, 19}},
    {IDC_PROGRESS, L"msctls_progress32", L"Progress1", kVisibleChild | WS_BORDER, {10, 74, 273, 10}},
    {IDC_STATUS, L"Static", L"Ready to install", kOwnerDrawn, {10, 91, 273, 8}},
    {-1, L"Static", L"", kVisibleChild | SS_ETCHEDHORZ, {0, 106, 293, 1}},
    {IDC_SELECT, L"Button", L"Select &Skin", kVisibleChild | WS_TABSTOP | BS_PUSHBUTTON | WS_DISABLED,
     {9, 114, 83, 15}},
    {IDC_INSTALL, L"Button", L"&Install", kVisibleChild | WS_TABSTOP | BS_DEFPUSHBUTTON, {190, 114, 45, 15}},
    {IDOK, L"Button", L"&Close", kVisibleChild | WS_TABSTOP | BS_PUSHBUTTON, {240, 114, 45, 15}},
};

// The themed progress bar takes WS_BORDER off itself and draws its own frame.
DWORD StyleAsCompared(int id, DWORD style)
{
    return id == IDC_PROGRESS ? style & ~WS_BORDER : style;
}

void ExpectControl(HWND control, const ControlCase &row)
{
    SCOPED_TRACE(testing::Message() << "control " << row.id);
    wchar_t className[64] = L"";
    GetClassNameW(control, className, ARRAYSIZE(className));
    EXPECT_EQ(0, lstrcmpiW(row.className, className)) << Narrow(className);
    EXPECT_EQ(row.id, GetWindowLongW(control, GWL_ID));
    EXPECT_EQ(row.text, WindowText(control));
    EXPECT_EQ(StyleAsCompared(row.id, row.style),
              StyleAsCompared(row.id, static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE))));
    RECT expected = DialogUnitsToPixels(row.units, L"Tahoma", 8);
    RECT actual = {};
    GetWindowRect(control, &actual);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT *>(&actual), 2);
    EXPECT_EQ(expected.left, actual.left);
    EXPECT_EQ(expected.top, actual.top);
    EXPECT_EQ(expected.bottom, actual.bottom);
    // The etched line takes a static edge, and with it some width of its own.
    if (row.id != -1) {
        EXPECT_EQ(expected.right, actual.right);
    }
}

TEST_F(InstallerDialog, ControlsFollowTheTemplate)
{
    Open(SkinEntries(ManifestTag({{"name", "Night"}, {"version", "2.1"}, {"author", "Ann"}})));
    HWND control = GetWindow(dialog, GW_CHILD);
    for (const ControlCase &row : kControlCases) {
        ASSERT_NE(nullptr, control);
        ExpectControl(control, row);
        control = GetWindow(control, GW_HWNDNEXT);
    }
    ASSERT_NE(nullptr, control) << "the banner comes last";
    EXPECT_EQ(0, GetWindowLongW(control, GWL_ID));
    EXPECT_EQ(kVisibleChild | SS_BITMAP, static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE)));
    RECT banner = {};
    GetWindowRect(control, &banner);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&banner), 2);
    RECT expectedBanner = {0, 0, 438, 50};
    EXPECT_TRUE(EqualRect(&expectedBanner, &banner)) << "the bitmap static takes its bitmap's size";
    EXPECT_EQ(nullptr, GetWindow(control, GW_HWNDNEXT));
}

TEST_F(InstallerDialog, WindowFollowsTheTemplate)
{
    Open(SkinEntries(ManifestTag({{"name", "Night"}})));
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_CENTER | DS_MODALFRAME | DS_SETFONT;
    DWORD actual = static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE));
    EXPECT_EQ(style, actual & style);
    EXPECT_EQ(0u, actual & (WS_MAXIMIZEBOX | WS_THICKFRAME));
    RECT client = {};
    GetClientRect(dialog, &client);
    RECT expected = DialogUnitsToPixels({0, 0, 292, 135}, L"Tahoma", 8);
    EXPECT_TRUE(EqualRect(&expected, &client)) << client.right << "x" << client.bottom;

    RECT window = {};
    GetWindowRect(dialog, &window);
    RECT screen = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
    EXPECT_NEAR((screen.left + screen.right) / 2, (window.left + window.right) / 2, 1) << "centred";
    EXPECT_NEAR((screen.top + screen.bottom) / 2, (window.top + window.bottom) / 2, 1) << "centred";
}

// Wine cannot answer WM_GETICON across processes, so the icon is looked for
// where the user sees it: at the left of the caption.
TEST_F(InstallerDialog, HasWindowIcon)
{
    Open(SkinEntries(ManifestTag({{"name", "Night"}})));
    RgbImage image;
    ASSERT_TRUE(CaptureWindow(dialog, &image));
    EXPECT_GT(CaptionIconPixels(dialog, image), 16) << "an icon-less caption gives 0";
}

// White panel, black text: the owner drawing fills each item white and
// draws its text in black.
void ExpectWhitePanelWithBlackText(HWND dialog, const RgbImage &image, int textId)
{
    RECT panel = ControlRectInCapture(dialog, IDC_PANEL);
    RECT progress = ControlRectInCapture(dialog, IDC_PROGRESS);
    RECT leftMargin = {panel.left, panel.top, progress.left, panel.bottom};
    RECT rightMargin = {progress.right, panel.top, progress.right + 8, panel.bottom};
    for (const RECT &margin : {leftMargin, rightMargin}) {
        LONG area = (margin.right - margin.left) * (margin.bottom - margin.top);
        EXPECT_GT(area, 0);
        EXPECT_EQ(area, CountPixels(image, margin, RGB(255, 255, 255))) << "panel is white";
    }
    RECT text = ControlRectInCapture(dialog, textId);
    LONG textArea = (text.right - text.left) * (text.bottom - text.top);
    EXPECT_GT(CountPixels(image, text, RGB(0, 0, 0)), 20) << "text in black";
    EXPECT_GT(CountPixels(image, text, RGB(255, 255, 255)), textArea / 2) << "on white";
}

struct ScreenshotCase {
    const char *file;
    std::vector<PackageEntry> entries;
    int textId;
};

const ScreenshotCase kScreenshotCases[] = {
    {"accepted_dialog.png",
     {{"skin.xml", ManifestTag({{"name", "Night"}, {"version", "2.1"}, {"author", "Ann"}, {"updatedby", "Bob"}})}},
     IDC_NAME},
    {"refused_dialog.png", {{"skin.xml", ManifestTag({{"name", "Night"}})}, {"a/../b", ""}}, IDC_STATUS},
};

class Screenshot : public InstallerDialog, public testing::WithParamInterface<ScreenshotCase> {};

void PrintTo(const ScreenshotCase &row, std::ostream *out)
{
    *out << row.file;
}

TEST_P(Screenshot, ShowsWhitePanelWithBlackText)
{
    Open(GetParam().entries);
    RgbImage image;
    std::wstring folder = ScreenshotFolder();
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(CaptureWindowPng(dialog, folder + L"\\" + Widen(GetParam().file), &image));
    ExpectWhitePanelWithBlackText(dialog, image, GetParam().textId);
    ExpectWhitePanelWithBlackText(dialog, image, IDC_AUTHOR);
}

INSTANTIATE_TEST_SUITE_P(Table, Screenshot, testing::ValuesIn(kScreenshotCases));

}  // namespace
