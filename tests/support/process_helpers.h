// Small pieces the drivers of other processes share: bounded waits and
// handles closed once.
#pragma once

#include <windows.h>

// A fixed end for a polling loop, so every wait stays bounded.
class Deadline {
public:
    explicit Deadline(DWORD milliseconds) : end_(GetTickCount64() + milliseconds) {}
    bool Passed() const { return GetTickCount64() >= end_; }

private:
    ULONGLONG end_;
};

inline void CloseHandleOnce(HANDLE *handle)
{
    if (*handle) {
        CloseHandle(*handle);
        *handle = nullptr;
    }
}
