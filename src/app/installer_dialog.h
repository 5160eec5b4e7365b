// The installer dialog: opens on a package path, shows the pack or the
// refusal, and runs the install and the hand-over from its buttons.
#pragma once

#include <windows.h>

INT_PTR CALLBACK InstallerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
