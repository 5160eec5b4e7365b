// Name rules for what extraction writes.
#include "install/path_rules.h"

#include "app/heap_text.h"

namespace {

bool IsForbiddenUnit(wchar_t unit)
{
    if (unit < 0x20)
        return true;
    for (const wchar_t *forbidden = L"<>:\"|?*/\\"; *forbidden; ++forbidden) {
        if (unit == *forbidden)
            return true;
    }
    return false;
}

bool IsDeviceDigit(wchar_t unit)
{
    // Windows also takes the superscript digits as device numbers.
    return (unit >= L'1' && unit <= L'9') || unit == 0x00B9 || unit == 0x00B2 || unit == 0x00B3;
}

// Windows treats a device name as the device with any extension and with
// trailing blanks, so only the part before the first '.' counts.
bool NamesDevice(const wchar_t *name, size_t length)
{
    size_t stem = 0;
    while (stem < length && name[stem] != L'.')
        ++stem;
    while (stem > 0 && name[stem - 1] == L' ')
        --stem;
    static const wchar_t *const kDevices[] = {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"};
    for (const wchar_t *device : kDevices) {
        if (RangeEqualsIgnoringAsciiCase(name, stem, device))
            return true;
    }
    return stem == 4 && IsDeviceDigit(name[3]) &&
           (RangeEqualsIgnoringAsciiCase(name, 3, L"com") || RangeEqualsIgnoringAsciiCase(name, 3, L"lpt"));
}

}  // namespace

bool IsSafeFileName(const wchar_t *name, size_t length)
{
    if (length == 0)
        return false;
    // Windows drops trailing dots and blanks, so "..", "x." and "x " would
    // name something other than what they say.
    wchar_t last = name[length - 1];
    if (last == L'.' || last == L' ')
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (IsForbiddenUnit(name[i]))
            return false;
    }
    return !NamesDevice(name, length);
}

bool IsSafeFolderName(const wchar_t *name)
{
    if (!name || !*name)
        return false;
    const wchar_t *component = name;
    for (const wchar_t *unit = name;; ++unit) {
        if (*unit == L'/' || *unit == L'\\' || *unit == 0) {
            if (!IsSafeFileName(component, static_cast<size_t>(unit - component)))
                return false;
            if (*unit == 0)
                return true;
            component = unit + 1;
        }
    }
}
