// Heap strings and bounded text buffers shared by every module. Heap
// strings come from the process heap; whoever receives one frees it.
#pragma once

#include <stddef.h>
#include <initializer_list>

void *AllocateBytes(size_t size);
void ReleaseBytes(void *block);
void ReleaseString(wchar_t **text);

size_t TextLength(const wchar_t *text);
wchar_t *DuplicateText(const wchar_t *text);
wchar_t *DuplicateRange(const wchar_t *first, size_t length);

// Only A to Z fold; every other unit must match exactly.
wchar_t AsciiLower(wchar_t unit);
bool EqualsIgnoringAsciiCase(const wchar_t *left, const wchar_t *right);
bool RangeEqualsIgnoringAsciiCase(const wchar_t *first, size_t length, const wchar_t *text);
bool EqualsExactly(const wchar_t *left, const wchar_t *right);

// Joins the parts into buffer, never writing past capacity units (the
// terminator included). Returns false when the text had to be cut, so
// callers building paths can refuse and display texts can ignore it.
bool ComposeText(wchar_t *buffer, size_t capacity, std::initializer_list<const wchar_t *> parts);

// The unit after the last '/' or '\' of text (text itself when it has none).
const wchar_t *AfterLastSeparator(const wchar_t *text);
