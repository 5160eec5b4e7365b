// The process heap and CP_UTF8 decoding of the compatibility layer.
#include <windows.h>

#include <limits.h>
#include <stdlib.h>
#include <string.h>

namespace {

int processHeap;

struct LeadRule {
    unsigned char first, last;  // lead bytes this rule covers
    size_t length;              // bytes of a well-formed sequence
    unsigned char low, high;    // allowed range of the second byte
};

// The well-formed sequences of the Unicode standard, by lead byte; the
// second-byte ranges exclude overlong forms, surrogates and > U+10FFFF.
const LeadRule kLeadRules[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
};

const LeadRule *FindLeadRule(unsigned char lead)
{
    for (const LeadRule &rule : kLeadRules) {
        if (lead >= rule.first && lead <= rule.last)
            return &rule;
    }
    return nullptr;
}

// Decodes one sequence of at most `available` bytes into *codePoint and
// returns the bytes used; an ill-formed one gives U+FFFD and uses the
// longest prefix that could still have become well-formed.
size_t DecodeSequence(const unsigned char *bytes, size_t available, unsigned *codePoint)
{
    *codePoint = 0xFFFD;
    if (bytes[0] < 0x80) {
        *codePoint = bytes[0];
        return 1;
    }
    const LeadRule *rule = FindLeadRule(bytes[0]);
    if (!rule)
        return 1;
    unsigned value = bytes[0] & (0x7Fu >> rule->length);
    unsigned char low = rule->low, high = rule->high;
    for (size_t used = 1; used < rule->length; ++used) {
        if (used >= available || bytes[used] < low || bytes[used] > high)
            return used;
        value = (value << 6) | (bytes[used] & 0x3Fu);
        low = 0x80;
        high = 0xBF;
    }
    *codePoint = value;
    return rule->length;
}

// Appends the code point's UTF-16 units when they fit; false when not.
bool PutUnits(unsigned codePoint, wchar_t *units, size_t capacity, size_t *written)
{
    size_t needed = codePoint > 0xFFFF ? 2 : 1;
    if (units) {
        if (*written + needed > capacity)
            return false;
        if (needed == 2) {
            units[*written] = static_cast<wchar_t>(0xD800 + ((codePoint - 0x10000) >> 10));
            units[*written + 1] = static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
        } else {
            units[*written] = static_cast<wchar_t>(codePoint);
        }
    }
    *written += needed;
    return *written <= INT_MAX;
}

}  // namespace

HANDLE WINAPI GetProcessHeap()
{
    return &processHeap;
}

LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes)
{
    if (heap != &processHeap || flags != 0)
        return nullptr;
    // Windows hands out a distinct block even for 0 bytes.
    return malloc(bytes ? bytes : 1);
}

BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID block)
{
    if (heap != &processHeap || flags != 0)
        return FALSE;
    free(block);
    return TRUE;
}

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH bytes, int byteCount,
                               LPWSTR units, int unitCapacity)
{
    if (codePage != CP_UTF8 || flags != 0 || !bytes || byteCount == 0 || unitCapacity < 0
        || (!units && unitCapacity != 0))
        return 0;
    // A negative count means the whole string with its terminator.
    size_t available = byteCount < 0 ? strlen(bytes) + 1 : static_cast<size_t>(byteCount);
    wchar_t *output = unitCapacity == 0 ? nullptr : units;
    const unsigned char *next = reinterpret_cast<const unsigned char *>(bytes);
    size_t written = 0;
    while (available > 0) {
        unsigned codePoint;
        size_t used = DecodeSequence(next, available, &codePoint);
        next += used;
        available -= used;
        if (!PutUnits(codePoint, output, static_cast<size_t>(unitCapacity), &written))
            return 0;
    }
    return static_cast<int>(written);
}
