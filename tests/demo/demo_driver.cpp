// Drives the sample install from package to client for scripts/demo: opens
// skin.exe on the package with the client stand-in running, presses Install
// and the hand-over button, and reports what each step left. With
// --interactive the dialog is left to the person at the display.
#include "client_control.h"
#include "dialog_driver.h"
#include "package_builder.h"
#include "resource.h"

#include <stdio.h>

#include <string>
#include <vector>

namespace {

void Say(const std::wstring &text)
{
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes > 0 ? bytes : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &utf8[0], bytes, nullptr, nullptr);
    printf("demo: %s\n", utf8.c_str());
    fflush(stdout);
}

// The client's settings with an empty skin list, so the hand-over has one
// to mark the new skin in.
void PrepareClientSettings(const std::wstring &client)
{
    SetClientPath(client);
    HKEY list;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Veltrane\\Veltrane\\Skins", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &list, nullptr) == ERROR_SUCCESS)
        RegCloseKey(list);
}

void ListInstalledFiles(const std::wstring &skins)
{
    for (const std::wstring &name : FilesBelow(skins))
        Say(L"  installed Skins\\" + name);
}

void Screenshot(HWND dialog, const std::wstring &path)
{
    RgbImage image;
    if (CaptureWindowPng(dialog, path, &image))
        Say(L"screenshot " + path);
}

void ShowDialogState(HWND dialog)
{
    Say(L"caption \"" + WindowCaption(dialog) + L"\"");
    Say(L"name \"" + ControlText(dialog, IDC_NAME) + L"\", \"" + ControlText(dialog, IDC_AUTHOR) + L"\"");
    Say(L"status \"" + ControlText(dialog, IDC_STATUS) + L"\"");
}

void ShowClientMessages(const ClientStandin &client)
{
    for (const std::string &line : ClientMessages(client))
        Say(L"client received " + std::wstring(line.begin(), line.end()));
}

int DriveDialog(SkinRun *run, const std::wstring &demo, const ClientStandin &client)
{
    HWND dialog = run->window;
    ShowDialogState(dialog);
    Screenshot(dialog, demo + L"\\opened.png");
    if (!PressButton(dialog, IDC_INSTALL))
        return 1;
    ShowDialogState(dialog);
    Screenshot(dialog, demo + L"\\installed.png");
    ListInstalledFiles(demo + L"\\client\\Skins");
    if (!ControlEnabled(dialog, IDC_SELECT)) {
        Say(L"the hand-over button is disabled: nothing to hand over");
        return 1;
    }
    Say(L"pressing \"" + ControlText(dialog, IDC_SELECT) + L"\"");
    PressButton(dialog, IDC_SELECT);
    DWORD exitCode = STILL_ACTIVE;
    bool ended = WaitForSkinExit(*run, 10000, &exitCode);
    Say(ended ? L"the installer closed with exit code " + std::to_wstring(exitCode) : L"the installer did not close");
    ShowClientMessages(client);
    return ended ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    bool interactive = argc > 1 && std::wstring(argv[1]) == L"--interactive";
    if (argc != (interactive ? 4 : 3)) {
        fprintf(stderr, "usage: demo_driver [--interactive] PACKAGE DEMO_FOLDER\n");
        return 2;
    }
    std::wstring package = argv[interactive ? 2 : 1];
    std::wstring demo = argv[interactive ? 3 : 2];
    std::wstring client = demo + L"\\client";
    CreateDirectoryW(client.c_str(), nullptr);
    CreateDirectoryW((client + L"\\Skins").c_str(), nullptr);
    PrepareClientSettings(client);

    ClientStandin standin;
    StopClientOnExit stopClient(&standin);
    if (!StartClientStandin(&standin, demo + L"\\client.log")) {
        Say(L"the client stand-in did not start");
        return 1;
    }
    Say(L"client stand-in running; opening the installer on " + package);
    SkinRun run;
    StopSkinOnExit stopSkin(&run);
    if (!StartSkin(L"\"" + package + L"\"", &run) || !IsInstallerDialog(run.window)) {
        Say(L"the installer dialog did not open");
        return 1;
    }
    if (!interactive)
        return DriveDialog(&run, demo, standin);
    Say(L"the dialog is yours: press Install, then the hand-over button, or Close");
    DWORD exitCode = STILL_ACTIVE;
    while (!WaitForSkinExit(run, 1000, &exitCode)) {
    }
    ListInstalledFiles(client + L"\\Skins");
    ShowClientMessages(standin);
    return 0;
}
