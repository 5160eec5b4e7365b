// The hand-over: posted, never sent, so the installer never waits on the
// client. The order of the posts is what the client relies on.
#include "client/client_window.h"

#include "app/installer_state.h"
#include "client/skin_activation.h"

namespace {

const WPARAM kShowClient = 32879;
const WPARAM kConfigureLanguage = 32974;
const WPARAM kSelectSkin = 32959;
const WPARAM kReloadSkins = 32965;

}  // namespace

void ApplyInClient(HWND dialog)
{
    HWND client = FindWindowW(L"HalcyraMainWnd", nullptr);
    if (!client)
        return;
    if (!IsZoomed(client))
        PostMessageW(client, WM_SYSCOMMAND, SC_RESTORE, 0);
    PostMessageW(client, WM_COMMAND, kShowClient, 0);
    SetFocus(client);
    if (InstallerState.isLanguagePack) {
        PostMessageW(client, WM_COMMAND, kConfigureLanguage, 0);
    } else if (ActivateInstalledSkin()) {
        // The skin list is edited before the client is told to read it.
        PostMessageW(client, WM_COMMAND, kSelectSkin, 0);
        PostMessageW(client, WM_COMMAND, kReloadSkins, 0);
    }
    EndDialog(dialog, 0);
}
