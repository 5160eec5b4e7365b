// PathFindExtensionA for the native build of the package-reading code.
#pragma once

#include <windows.h>

// The last '.' of the last component ('\\' and ' ' end a candidate, '/'
// does not), or the terminator when there is none. Single-byte code page.
LPSTR WINAPI PathFindExtensionA(LPCSTR path);
