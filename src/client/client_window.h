// Handing over to the running client through its main window.
#pragma once

#include <windows.h>

void ApplyInClient(HWND dialog);
