// The install command: locks Close while it works, installs, fills the bar
// and leaves the buttons set for what may follow.
#include "install/install_command.h"

#include "app/installer_state.h"
#include "install/install_location.h"
#include "install/package_extraction.h"
#include "resource.h"

#include <commctrl.h>

namespace {

void ShowInstalled(HWND dialog)
{
    const wchar_t *text = InstallerState.isLanguagePack ? L"Language successfully installed."
                                                        : L"Skin successfully installed.";
    SetWindowTextW(GetDlgItem(dialog, IDC_STATUS), text);
    EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
    EnableWindow(GetDlgItem(dialog, IDC_INSTALL), FALSE);
    if (FindWindowW(L"HalcyraMainWnd", nullptr))
        EnableWindow(GetDlgItem(dialog, IDC_SELECT), TRUE);
}

void ShowFailed(HWND dialog)
{
    SetWindowTextW(GetDlgItem(dialog, IDC_STATUS), L"An error occurred extracting the skin.  Please try again.");
    EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
}

}  // namespace

void RunInstallCommand(HWND dialog)
{
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    bool installed = ResolveInstallBase() && ExtractPackage(dialog);
    SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETPOS, InstallerState.entryCount, 0);
    if (installed)
        ShowInstalled(dialog);
    else
        ShowFailed(dialog);
}
