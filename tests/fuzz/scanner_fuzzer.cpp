// Fuzzes the manifest scanner and the UTF-8 conversion. The input's first
// line is an attribute name; the rest follows "<manifest", as every caller
// hands the scanner a text that starts with the tag.
#include "fuzz_support.h"

#include "app/heap_text.h"
#include "package/manifest_scanner.h"

#include <stdlib.h>
#include <string.h>

namespace {

const char kTag[] = "<manifest";
// Where the scanner starts reading: the tag and the unit after it.
const size_t kScanStart = sizeof kTag;

const wchar_t *FindTagEnd(const wchar_t *text)
{
    for (; *text; ++text) {
        if (text[0] == L'/' && text[1] == L'>')
            return text;
    }
    return nullptr;
}

// A "/>" past the scan start bounds the scan, so no value found can hold
// one; an earlier "/>" (an empty tag) lets the scan run to the end.
void CheckValue(const wchar_t *text, const wchar_t *value)
{
    const wchar_t *end = FindTagEnd(text);
    if (value && end && static_cast<size_t>(end - text) >= kScanStart && FindTagEnd(value))
        abort();
}

void ScanForName(const char *name, const char *rest)
{
    size_t restLength = strlen(rest);
    char *tagged = static_cast<char *>(malloc(sizeof kTag + restLength));
    if (!tagged)
        return;
    memcpy(tagged, kTag, sizeof kTag - 1);
    memcpy(tagged + sizeof kTag - 1, rest, restLength + 1);
    wchar_t *text = WidenUtf8(tagged);
    wchar_t *wideName = WidenUtf8(name);
    if (text && wideName) {
        wchar_t *value = GetManifestAttribute(text, wideName);
        CheckValue(text, value);
        ReleaseBytes(value);
    }
    ReadManifestMetadata(tagged);
    free(wideName);
    free(text);
    free(tagged);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    char *raw = TerminatedBytes(data, size);
    if (!raw)
        return 0;
    ReleaseBytes(Utf8ToWide(raw));
    ReadManifestMetadata(raw);
    ReleaseStateStrings();
    char *lineEnd = strchr(raw, '\n');
    if (lineEnd) {
        *lineEnd = 0;
        ScanForName(raw, lineEnd + 1);
    } else {
        ScanForName("", raw);
    }
    ReleaseStateStrings();
    free(raw);
    return 0;
}
