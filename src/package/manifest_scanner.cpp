// The manifest attribute scanner: no XML parsing, only the attribute pairs
// after "<manifest" up to the first "/>". The scanned range is bounded by
// that "/>" (or the text's end) and nothing is copied but the value found.
#include "package/manifest_scanner.h"

#include "app/heap_text.h"
#include "app/installer_state.h"

#include <string.h>

namespace {

// "<manifest" and the unit after it are passed over unread.
const size_t kScanStart = 10;

bool IsWhitespace(wchar_t unit)
{
    return unit == L' ' || unit == L'\t' || unit == L'\r' || unit == L'\n';
}

bool IsBlank(wchar_t unit)
{
    return unit == L' ' || unit == L'\t';
}

bool IsNameEnd(wchar_t unit)
{
    return unit == L'=' || IsBlank(unit);
}

bool IsQuote(wchar_t unit)
{
    return unit == L'"' || unit == L'\'';
}

// End of the scanned text: the first "/>" searched from the very start, or
// the terminator. nullptr when the text holds no "/>" at all.
const wchar_t *FindScanEnd(const wchar_t *text)
{
    for (const wchar_t *unit = text; *unit; ++unit) {
        if (unit[0] == L'/' && unit[1] == L'>')
            return unit;
    }
    return nullptr;
}

// Units at or past `cut` count as the terminator, except that a "/>" before
// the scan start (an empty start tag) leaves the scan running to the end.
struct ScanText {
    const wchar_t *cut;
    bool AtEnd(const wchar_t *unit) const { return unit == cut || *unit == 0; }
};

const wchar_t *SkipWhile(const ScanText &scan, const wchar_t *unit, bool (*test)(wchar_t))
{
    while (!scan.AtEnd(unit) && test(*unit))
        ++unit;
    return unit;
}

}  // namespace

wchar_t *GetManifestAttribute(const wchar_t *text, const wchar_t *attributeName)
{
    const wchar_t *cut = FindScanEnd(text);
    if (!cut || TextLength(text) < kScanStart)
        return nullptr;
    ScanText scan = {cut};
    const wchar_t *position = text + kScanStart;
    while (!scan.AtEnd(position)) {
        position = SkipWhile(scan, position, IsWhitespace);
        const wchar_t *name = position;
        while (!scan.AtEnd(position) && !IsNameEnd(*position))
            ++position;
        size_t nameLength = static_cast<size_t>(position - name);
        position = SkipWhile(scan, position, IsBlank);
        if (scan.AtEnd(position))
            return nullptr;
        if (*position != L'=')
            continue;
        ++position;
        position = SkipWhile(scan, position, IsBlank);
        if (scan.AtEnd(position))
            return nullptr;
        const wchar_t *value;
        size_t valueLength;
        if (IsQuote(*position)) {
            wchar_t quote = *position++;
            value = position;
            while (!scan.AtEnd(position) && *position != quote)
                ++position;
            valueLength = static_cast<size_t>(position - value);
            if (!scan.AtEnd(position))
                ++position;
        } else {
            value = position;
            while (!scan.AtEnd(position) && !IsWhitespace(*position))
                ++position;
            valueLength = static_cast<size_t>(position - value);
        }
        if (nameLength > 0 && RangeEqualsIgnoringAsciiCase(name, nameLength, attributeName))
            return DuplicateRange(value, valueLength);
    }
    return nullptr;
}

namespace {

// Converts up to and including the terminator, so the result is terminated.
wchar_t *DecodeWholeText(const char *bytes)
{
    int units = MultiByteToWideChar(CP_UTF8, 0, bytes, -1, nullptr, 0);
    if (units <= 0)
        return nullptr;
    wchar_t *text = static_cast<wchar_t *>(AllocateBytes(static_cast<size_t>(units) * sizeof(wchar_t)));
    if (!text)
        return nullptr;
    if (MultiByteToWideChar(CP_UTF8, 0, bytes, -1, text, units) != units) {
        ReleaseBytes(text);
        return nullptr;
    }
    return text;
}

void StoreAttribute(const wchar_t *text, const wchar_t *attributeName, wchar_t **field)
{
    wchar_t *value = GetManifestAttribute(text, attributeName);
    if (!value)
        return;
    ReleaseString(field);
    *field = value;
}

}  // namespace

void ReadManifestMetadata(const char *manifestText)
{
    wchar_t *text = DecodeWholeText(manifestText);
    if (!text)
        return;
    wchar_t *type = GetManifestAttribute(text, L"type");
    if (type && EqualsIgnoringAsciiCase(type, L"language"))
        InstallerState.isLanguagePack = 1;
    ReleaseBytes(type);
    StoreAttribute(text, L"name", &InstallerState.packageName);
    StoreAttribute(text, L"version", &InstallerState.packageVersion);
    StoreAttribute(text, L"author", &InstallerState.packageAuthor);
    StoreAttribute(text, L"updatedby", &InstallerState.packageUpdatedBy);
    ReleaseBytes(text);
}

wchar_t *Utf8ToWide(const char *bytes)
{
    size_t byteCount = strlen(bytes);
    if (byteCount == 0 || byteCount > 0x7FFFFFFF)
        return nullptr;
    int length = static_cast<int>(byteCount);
    int units = MultiByteToWideChar(CP_UTF8, 0, bytes, length, nullptr, 0);
    if (units <= 0)
        return nullptr;
    wchar_t *text = static_cast<wchar_t *>(AllocateBytes((static_cast<size_t>(units) + 1) * sizeof(wchar_t)));
    if (!text)
        return nullptr;
    MultiByteToWideChar(CP_UTF8, 0, bytes, length, text, units);
    text[units] = 0;
    return text;
}
