// minizip's wide-path file functions, for the native build: the UTF-16
// path is turned into UTF-8 and opened with minizip's stdio functions.
#pragma once

#include <ioapi.h>

void fill_win32_filefunc64W(zlib_filefunc64_def *fileFunctions);
