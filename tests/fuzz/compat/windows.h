// The few Win32 declarations the package-reading code uses, for building it
// natively on Linux. Built with -fshort-wchar, so wchar_t is UTF-16 as on
// Windows; heap blocks come from malloc, so the sanitizers track them.
#pragma once

#include <stddef.h>
#include <stdint.h>

static_assert(sizeof(wchar_t) == 2, "build with -fshort-wchar");

#define WINAPI
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define CP_UTF8 65001

typedef int BOOL;
typedef unsigned int UINT;
typedef uint32_t DWORD;
typedef size_t SIZE_T;
typedef void *HANDLE;
typedef void *LPVOID;
typedef const char *LPCCH;
typedef const char *LPCSTR;
typedef char *LPSTR;
typedef wchar_t *LPWSTR;
struct HBITMAP__;
typedef HBITMAP__ *HBITMAP;

HANDLE WINAPI GetProcessHeap();
// Only flags 0 is supported; any other value fails.
LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID block);

// CP_UTF8 with flags 0 only: ill-formed input becomes U+FFFD, one per
// maximal ill-formed subpart; other code pages or flags fail with 0.
int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH bytes, int byteCount,
                               LPWSTR units, int unitCapacity);
