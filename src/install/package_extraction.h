// Writing a validated package's files into its skin folder or into the
// shared Languages folder, flattened to their base names.
#pragma once

#include <windows.h>

int ExtractPackage(HWND dialog);
