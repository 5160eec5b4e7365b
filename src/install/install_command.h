// What the dialog's Install button does.
#pragma once

#include <windows.h>

void RunInstallCommand(HWND dialog);
