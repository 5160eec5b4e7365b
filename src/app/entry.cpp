// Program entry: one run does one thing, chosen by its one argument, and
// releases the pack's metadata strings at the end whatever it did.
#include "app/heap_text.h"
#include "app/installer_dialog.h"
#include "app/installer_state.h"
#include "client/file_association.h"
#include "resource.h"

#include <commctrl.h>

namespace {

void ResetState()
{
    InstallerState.isLanguagePack = 0;
    InstallerState.packageName = nullptr;
    InstallerState.packageVersion = nullptr;
    InstallerState.packageAuthor = nullptr;
    InstallerState.packageUpdatedBy = nullptr;
    InstallerState.manifestFileName = nullptr;
}

void ReleaseMetadata()
{
    ReleaseString(&InstallerState.packageName);
    ReleaseString(&InstallerState.packageVersion);
    ReleaseString(&InstallerState.packageAuthor);
    ReleaseString(&InstallerState.packageUpdatedBy);
    ReleaseString(&InstallerState.manifestFileName);
}

void ShowAbout()
{
    MessageBoxW(nullptr,
                L"Veltrane Skin Installer 1.0.12.7\n\nDouble-click on a Veltrane Skin File to use the Veltrane Skin Installer.",
                L"Veltrane Skin Installer", MB_OK | MB_ICONINFORMATION);
}

// The copy becomes packagePath and lives until the process ends.
void ShowInstallerDialog(const wchar_t *argument)
{
    static wchar_t noPath[1];
    wchar_t *copy = DuplicateText(argument);
    wchar_t *path = copy ? copy : noPath;
    if (*path == L'"')
        ++path;
    for (wchar_t *unit = path; *unit; ++unit) {
        if (*unit == L'"') {
            *unit = 0;
            break;
        }
    }
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_INSTALLER), nullptr, InstallerDialogProc,
                    reinterpret_cast<LPARAM>(path));
}

int DispatchArgument(const wchar_t *argument)
{
    if (!*argument) {
        ShowAbout();
        return 0;
    }
    if (EqualsIgnoringAsciiCase(argument, L"/install") || EqualsIgnoringAsciiCase(argument, L"/installsilent"))
        return static_cast<int>(RegisterFileAssociation());
    if (EqualsIgnoringAsciiCase(argument, L"/uninstall") || EqualsIgnoringAsciiCase(argument, L"/uninstallsilent"))
        return static_cast<int>(UnregisterFileAssociation());
    ShowInstallerDialog(argument);
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR argument, int)
{
    InitCommonControls();
    ResetState();
    int exitCode = DispatchArgument(argument ? argument : L"");
    ReleaseMetadata();
    return exitCode;
}
