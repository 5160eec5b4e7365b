// Opening a UTF-16 path through minizip's stdio file functions.
#include "wide_file_functions.h"

#include <windows.h>

#include <stdlib.h>

namespace {

open64_file_func openNarrowPath;

// Unpaired surrogates become U+FFFD, as Windows does when it narrows.
size_t EncodeUnit(const wchar_t *text, unsigned char *out, size_t *used)
{
    unsigned value = static_cast<unsigned short>(text[0]);
    *used = 1;
    if (value >= 0xD800 && value <= 0xDBFF && text[1] >= 0xDC00 && text[1] <= 0xDFFF) {
        value = 0x10000 + ((value - 0xD800) << 10) + (static_cast<unsigned short>(text[1]) - 0xDC00);
        *used = 2;
    } else if (value >= 0xD800 && value <= 0xDFFF) {
        value = 0xFFFD;
    }
    if (value < 0x80) {
        out[0] = static_cast<unsigned char>(value);
        return 1;
    }
    size_t length = value < 0x800 ? 2 : value < 0x10000 ? 3 : 4;
    static const unsigned char kLeads[] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (size_t i = length - 1; i > 0; --i, value >>= 6)
        out[i] = static_cast<unsigned char>(0x80 | (value & 0x3F));
    out[0] = static_cast<unsigned char>(kLeads[length] | value);
    return length;
}

// A heap copy of the path in UTF-8 (at most 4 bytes per unit); the caller frees it.
char *NarrowPath(const wchar_t *path)
{
    size_t units = 0;
    while (path[units])
        ++units;
    unsigned char *narrow = static_cast<unsigned char *>(malloc(units * 4 + 1));
    if (!narrow)
        return nullptr;
    size_t length = 0;
    for (size_t at = 0, used; at < units; at += used)
        length += EncodeUnit(path + at, narrow + length, &used);
    narrow[length] = 0;
    return reinterpret_cast<char *>(narrow);
}

voidpf ZCALLBACK OpenWidePath(voidpf opaque, const void *path, int mode)
{
    if (!path)
        return nullptr;
    char *narrow = NarrowPath(static_cast<const wchar_t *>(path));
    if (!narrow)
        return nullptr;
    voidpf stream = openNarrowPath(opaque, narrow, mode);
    free(narrow);
    return stream;
}

}  // namespace

void fill_win32_filefunc64W(zlib_filefunc64_def *fileFunctions)
{
    fill_fopen64_filefunc(fileFunctions);
    openNarrowPath = fileFunctions->zopen64_file;
    fileFunctions->zopen64_file = OpenWidePath;
}
