// The installer dialog procedure. Everything it shows is composed in
// 260-unit buffers and cut to fit; the banner bitmap it loads is deleted
// when its window is destroyed.
#include "app/installer_dialog.h"

#include "app/heap_text.h"
#include "app/installer_state.h"
#include "client/client_window.h"
#include "install/install_command.h"
#include "package/package_archive.h"
#include "package/package_validation.h"
#include "resource.h"

#include <commctrl.h>

namespace {

const wchar_t kSkinTitle[] = L"Veltrane Skin Installer";
const wchar_t kLanguageTitle[] = L"Veltrane Language Installer";
const wchar_t kRefusal[] = L"Please verify the skin is a valid Veltrane Skin and try again.";

const int kOwnerDrawnControls[] = {IDC_PANEL, IDC_NAME, IDC_AUTHOR, IDC_STATUS};

void ShowBanner(HWND dialog)
{
    HINSTANCE module = GetModuleHandleW(nullptr);
    InstallerState.bannerBitmap = static_cast<HBITMAP>(
        LoadImageW(module, MAKEINTRESOURCEW(IDB_BANNER), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
    // A bitmap static sizes itself to its bitmap, whatever size is asked.
    HWND banner = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_BITMAP,
                                  0, 0, 293, 172, dialog, nullptr, module, nullptr);
    SendMessageW(banner, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(InstallerState.bannerBitmap));
}

void SetUpProgress(HWND dialog)
{
    SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, LOWORD(InstallerState.entryCount)));
    SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETSTEP, 1, 0);
}

void ShowRefusal(HWND dialog)
{
    SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETPOS, InstallerState.entryCount, 0);
    SetDlgItemTextW(dialog, IDC_STATUS, kRefusal);
    EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
    EnableWindow(GetDlgItem(dialog, IDC_INSTALL), FALSE);
}

const wchar_t *PackTitle()
{
    return InstallerState.isLanguagePack ? kLanguageTitle : kSkinTitle;
}

void ShowPackKind(HWND dialog)
{
    SetWindowTextW(dialog, PackTitle());
    if (InstallerState.isLanguagePack)
        SetDlgItemTextW(dialog, IDC_SELECT, L"Configure &Language...");
}

void MakeNameBold(HWND dialog)
{
    HFONT font = reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, IDC_NAME, WM_GETFONT, 0, 0));
    LOGFONTW logFont = {};
    if (!GetObjectW(font, sizeof logFont, &logFont))
        return;
    logFont.lfWeight = FW_BOLD;
    SendDlgItemMessageW(dialog, IDC_NAME, WM_SETFONT, reinterpret_cast<WPARAM>(CreateFontIndirectW(&logFont)), FALSE);
}

void ShowName(HWND dialog)
{
    if (!InstallerState.packageName)
        return;
    wchar_t nameLine[MAX_PATH];
    wchar_t caption[MAX_PATH];
    const wchar_t *version = InstallerState.packageVersion ? InstallerState.packageVersion : L"";
    ComposeText(nameLine, MAX_PATH, {InstallerState.packageName, L" ", version});
    ComposeText(caption, MAX_PATH, {nameLine, L" - ", PackTitle()});
    SetDlgItemTextW(dialog, IDC_NAME, nameLine);
    SetWindowTextW(dialog, caption);
}

void ShowAuthors(HWND dialog)
{
    const wchar_t *author = InstallerState.packageAuthor;
    const wchar_t *updater = InstallerState.packageUpdatedBy;
    wchar_t line[MAX_PATH];
    if (author) {
        ComposeText(line, MAX_PATH, {L"By ", author});
        SetDlgItemTextW(dialog, IDC_AUTHOR, line);
    }
    if (!updater || (author && EqualsExactly(author, updater)))
        return;
    if (!author) {
        ComposeText(line, MAX_PATH, {L"Updated by ", updater});
        SetDlgItemTextW(dialog, IDC_AUTHOR, line);
        return;
    }
    wchar_t addition[MAX_PATH];
    wchar_t current[MAX_PATH];
    ComposeText(addition, MAX_PATH, {L"; Updated by ", updater});
    GetDlgItemTextW(dialog, IDC_AUTHOR, current, MAX_PATH);
    ComposeText(line, MAX_PATH, {current, addition});
    SetDlgItemTextW(dialog, IDC_AUTHOR, line);
}

void SwitchToOwnerDrawing(HWND dialog)
{
    for (int id : kOwnerDrawnControls)
        SetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE, WS_CHILD | WS_VISIBLE | SS_OWNERDRAW);
}

void InitializeDialog(HWND dialog, LPARAM packagePath)
{
    EnableWindow(GetDlgItem(dialog, IDC_SELECT), FALSE);
    InstallerState.packagePath = reinterpret_cast<wchar_t *>(packagePath);
    InstallerState.entryCount = CountPackageEntries();
    if (InstallerState.entryCount == 0)
        InstallerState.entryCount = 1;
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_WINDOW));
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    ShowBanner(dialog);
    SetUpProgress(dialog);
    if (!ValidatePackage())
        ShowRefusal(dialog);
    ShowPackKind(dialog);
    MakeNameBold(dialog);
    ShowName(dialog);
    ShowAuthors(dialog);
    SwitchToOwnerDrawing(dialog);
}

bool IsOwnerDrawnControl(UINT id)
{
    for (int drawn : kOwnerDrawnControls) {
        if (id == static_cast<UINT>(drawn))
            return true;
    }
    return false;
}

// Fills the item with the scroll-bar colour, then floods it with the
// device context's default white brush, and draws the text black on it.
void DrawWhiteItem(HWND dialog, const DRAWITEMSTRUCT *item)
{
    HDC dc = item->hDC;
    FillRect(dc, &item->rcItem, reinterpret_cast<HBRUSH>(COLOR_SCROLLBAR + 1));
    ExtFloodFill(dc, item->rcItem.left, item->rcItem.top, RGB(0, 0, 0), FLOODFILLBORDER);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    wchar_t text[256];
    int length = GetDlgItemTextW(dialog, static_cast<int>(item->CtlID), text, 256);
    RECT bounds = item->rcItem;
    DrawTextW(dc, text, length, &bounds, 0);
}

void HandleCommand(HWND dialog, WORD id)
{
    switch (id) {
    case IDOK:
        EndDialog(dialog, 0);
        break;
    case IDC_SELECT:
        ApplyInClient(dialog);
        break;
    case IDC_INSTALL:
        RunInstallCommand(dialog);
        break;
    default:
        break;  // IDCANCEL among them: Escape does not close the dialog
    }
}

}  // namespace

INT_PTR CALLBACK InstallerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitializeDialog(dialog, lParam);
        break;
    case WM_DRAWITEM:
        if (IsOwnerDrawnControl(static_cast<UINT>(wParam)))
            DrawWhiteItem(dialog, reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
        break;
    case WM_COMMAND:
        HandleCommand(dialog, LOWORD(wParam));
        break;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        break;
    case WM_DESTROY:
        DeleteObject(InstallerState.bannerBitmap);
        InstallerState.bannerBitmap = nullptr;
        break;
    default:
        break;
    }
    return FALSE;
}
