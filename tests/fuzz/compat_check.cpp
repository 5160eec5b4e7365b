// Checks the compatibility layer against the Win32 behaviour the package
// code relies on. Also builds with mingw-w64 against the real headers, so
// the same table can be compared with Wine or Windows.
#include <windows.h>
#include <shlwapi.h>

#include <stdio.h>
#include <string.h>

namespace {

struct DecodeCase {
    const char *bytes;
    int byteCount;          // as passed: -1 for the whole string
    int capacity;           // 0 asks for the count only
    int result;
    const wchar_t *units;   // expected output when capacity > 0
    bool grouping = false;  // the U+FFFD count depends on how bad bytes are grouped
};

const DecodeCase kDecodeCases[] = {
    {"abc", -1, 0, 4, nullptr},
    {"abc", -1, 4, 4, L"abc"},
    {"abc", 3, 3, 3, L"abc"},
    {"abc", 2, 0, 2, nullptr},
    {"abc", 0, 0, 0, nullptr},
    {"", -1, 1, 1, L""},
    {"abc", -1, 3, 0, nullptr},          // too small for the terminator
    {"\xC3\xA9", 2, 1, 1, L"\u00E9"},
    {"\xE2\x82\xAC", 3, 1, 1, L"\u20AC"},
    {"\xF0\x9F\x98\x80", 4, 2, 2, L"\xD83D\xDE00"},
    {"\xF4\x8F\xBF\xBF", 4, 2, 2, L"\xDBFF\xDFFF"},
    {"\xC0\xAF", 2, 2, 2, L"\xFFFD\xFFFD"},  // overlong
    {"\xE0\x80\xAF", 3, 3, 3, L"\xFFFD\xFFFD\xFFFD", true},
    {"\xED\xA0\x80", 3, 3, 3, L"\xFFFD\xFFFD\xFFFD", true},  // surrogate
    {"\xF4\x90\x80\x80", 4, 4, 4, L"\xFFFD\xFFFD\xFFFD\xFFFD", true},
    {"\xFF" "a", 2, 2, 2, L"\xFFFD" L"a"},
    {"\xE2\x82" "a", 3, 2, 2, L"\xFFFD" L"a"},
    {"\xE2\x82\x00", 3, 2, 2, L"\xFFFD"},  // the terminator survives
    {"\xE2\x82", 2, 1, 1, L"\xFFFD"},      // cut short at the end
    {"\xF0\x9F\x98", 3, 1, 1, L"\xFFFD"},
    {"\xE2" "a", 2, 2, 2, L"\xFFFD" L"a", true},
    {"a\0b", 3, 3, 3, L"a\0b"},
};

struct ExtensionCase {
    const char *path;
    size_t offset;  // of the returned pointer
};

const ExtensionCase kExtensionCases[] = {
    {"skin.xml", 4},       {"a.b.xml", 3},     {"dir.d\\file", 10}, {"dir.d/file", 3},
    {"name.xml ", 9},      {"name. xml", 9},   {"noext", 5},        {"", 0},
    {".xml", 0},           {"a\\.xml", 2},     {"a.", 1},           {"a.xml\\", 6},
};

int CheckDecodeCase(const DecodeCase &row, size_t index)
{
#ifdef _WIN32
    // Wine 8 groups bad bytes its own way; these rows hold for the layer only.
    if (row.grouping)
        return 0;
#endif
    wchar_t units[8] = {0x7777, 0x7777, 0x7777, 0x7777, 0x7777, 0x7777, 0x7777, 0x7777};
    int got = MultiByteToWideChar(CP_UTF8, 0, row.bytes, row.byteCount, row.capacity ? units : nullptr,
                                  row.capacity);
    bool same = got == row.result;
    if (same && row.units)
        same = memcmp(units, row.units, static_cast<size_t>(row.result) * sizeof(wchar_t)) == 0;
    if (!same)
        printf("decode case %u: got %d\n", static_cast<unsigned>(index), got);
    return same ? 0 : 1;
}

int CheckExtensionCase(const ExtensionCase &row)
{
    const char *got = PathFindExtensionA(row.path);
    bool same = got == row.path + row.offset;
    if (!same)
        printf("extension of \"%s\": got offset %d\n", row.path, static_cast<int>(got - row.path));
    return same ? 0 : 1;
}

int CheckInvalidCalls()
{
    wchar_t unit;
    int failures = 0;
    failures += MultiByteToWideChar(CP_UTF8, 0, "a", 1, nullptr, 1) != 0;
    failures += MultiByteToWideChar(CP_UTF8, 0, nullptr, 1, &unit, 1) != 0;
    failures += HeapFree(GetProcessHeap(), 0, HeapAlloc(GetProcessHeap(), 0, 0)) == FALSE;
    if (failures)
        printf("%d invalid-call checks failed\n", failures);
    return failures;
}

}  // namespace

int main()
{
    int failures = CheckInvalidCalls();
    for (size_t i = 0; i < sizeof kDecodeCases / sizeof kDecodeCases[0]; ++i)
        failures += CheckDecodeCase(kDecodeCases[i], i);
    for (const ExtensionCase &row : kExtensionCases)
        failures += CheckExtensionCase(row);
    printf("compat_check: %d failure(s)\n", failures);
    return failures ? 1 : 0;
}
