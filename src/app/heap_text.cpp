// Heap strings and bounded text buffers shared by every module.
#include "app/heap_text.h"

#include <windows.h>

void *AllocateBytes(size_t size)
{
    return HeapAlloc(GetProcessHeap(), 0, size);
}

void ReleaseBytes(void *block)
{
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}

void ReleaseString(wchar_t **text)
{
    ReleaseBytes(*text);
    *text = nullptr;
}

size_t TextLength(const wchar_t *text)
{
    size_t length = 0;
    while (text[length])
        ++length;
    return length;
}

wchar_t *DuplicateRange(const wchar_t *first, size_t length)
{
    wchar_t *copy = static_cast<wchar_t *>(AllocateBytes((length + 1) * sizeof(wchar_t)));
    if (!copy)
        return nullptr;
    for (size_t i = 0; i < length; ++i)
        copy[i] = first[i];
    copy[length] = 0;
    return copy;
}

wchar_t *DuplicateText(const wchar_t *text)
{
    return DuplicateRange(text, TextLength(text));
}

wchar_t AsciiLower(wchar_t unit)
{
    return (unit >= L'A' && unit <= L'Z') ? static_cast<wchar_t>(unit + (L'a' - L'A')) : unit;
}

bool RangeEqualsIgnoringAsciiCase(const wchar_t *first, size_t length, const wchar_t *text)
{
    for (size_t i = 0; i < length; ++i) {
        if (!text[i] || AsciiLower(first[i]) != AsciiLower(text[i]))
            return false;
    }
    return text[length] == 0;
}

bool EqualsIgnoringAsciiCase(const wchar_t *left, const wchar_t *right)
{
    return RangeEqualsIgnoringAsciiCase(left, TextLength(left), right);
}

bool EqualsExactly(const wchar_t *left, const wchar_t *right)
{
    while (*left && *left == *right) {
        ++left;
        ++right;
    }
    return *left == *right;
}

bool ComposeText(wchar_t *buffer, size_t capacity, std::initializer_list<const wchar_t *> parts)
{
    if (capacity == 0)
        return false;
    size_t length = 0;
    for (const wchar_t *part : parts) {
        for (; *part; ++part) {
            if (length + 1 >= capacity) {
                buffer[length] = 0;
                return false;
            }
            buffer[length++] = *part;
        }
    }
    buffer[length] = 0;
    return true;
}

const wchar_t *AfterLastSeparator(const wchar_t *text)
{
    const wchar_t *start = text;
    for (const wchar_t *unit = text; *unit; ++unit) {
        if (*unit == L'/' || *unit == L'\\')
            start = unit + 1;
    }
    return start;
}
