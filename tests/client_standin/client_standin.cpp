// Imitates the client's main window for the tests, only as far as the
// installer relies on it: logs every WM_SYSCOMMAND and WM_COMMAND it receives
// to the file named on its command line, and on "reload skins" logs which
// entries of the skin list are marked active. Never shipped.
//
// Usage: client_standin.exe LOGPATH [normal|minimized|maximized]
#include "../support/client_control.h"

#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr WPARAM kReloadSkinsCommand = 32965;
constexpr wchar_t kSkinListKey[] = L"Software\\Veltrane\\Veltrane\\Skins";
constexpr int kUsageError = 2;

std::wstring logPath;

// One open/append/close per line, so a reader never waits for a flush.
void AppendLogLine(const std::string &line)
{
    HANDLE file = CreateFileW(logPath.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ToUtf8(const std::wstring &text)
{
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
    if (bytes <= 0)
        return std::string();
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], bytes, nullptr,
                        nullptr);
    return utf8;
}

void LogMessage(const char *kind, WPARAM wParam, LPARAM lParam)
{
    AppendLogLine(std::string(kind) + " " + std::to_string(static_cast<unsigned long long>(wParam)) + " " +
                  std::to_string(static_cast<long long>(lParam)));
}

// Names of the skin list's values that hold REG_DWORD 1, in the key's order.
std::vector<std::wstring> ActiveSkinNames()
{
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSkinListKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    // The registry's longest value name plus a terminator, so every name fits.
    std::wstring name(16384, L'\0');
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = REG_NONE;
        DWORD data = 0;
        DWORD dataSize = sizeof(data);
        LONG result = RegEnumValueW(key, index, &name[0], &nameLength, nullptr, &type,
                                    reinterpret_cast<BYTE *>(&data), &dataSize);
        if (result == ERROR_MORE_DATA)
            continue;  // data longer than a DWORD cannot be a flag
        if (result != ERROR_SUCCESS)
            break;
        if (type == REG_DWORD && dataSize == sizeof(data) && data == 1)
            names.emplace_back(name.data(), nameLength);
    }
    RegCloseKey(key);
    return names;
}

void LogActiveSkins()
{
    std::vector<std::wstring> names = ActiveSkinNames();
    if (names.empty())
        AppendLogLine("ACTIVE");
    for (const std::wstring &name : names)
        AppendLogLine("ACTIVE " + ToUtf8(name));
}

void OnCommand(WPARAM wParam, LPARAM lParam)
{
    LogMessage("COMMAND", wParam, lParam);
    if (LOWORD(wParam) == kReloadSkinsCommand)
        LogActiveSkins();
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SYSCOMMAND:
        LogMessage("SYSCOMMAND", wParam, lParam);
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_COMMAND:
        OnCommand(wParam, lParam);
        return 0;
    case kClientSyncMessage:
        AppendLogLine("SYNC " + std::to_string(static_cast<long long>(lParam)));
        return 0;
    case WM_CLOSE:
        // The window is left for the process exit to remove: with no window
        // manager, Wine's X11 driver waits 2 s for one when a window is hidden.
        PostQuitMessage(0);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// SW_ value for the requested state, or -1 for a word it does not know.
int ShowCommandFor(const std::wstring &state)
{
    if (state == L"normal")
        return SW_SHOWNORMAL;
    if (state == L"minimized")
        return SW_SHOWMINIMIZED;
    if (state == L"maximized")
        return SW_SHOWMAXIMIZED;
    return -1;
}

// Reads LOGPATH into logPath and the state into *showCommand.
bool ParseCommandLine(int *showCommand)
{
    int count = 0;
    LPWSTR *arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments)
        return false;
    bool parsed = false;
    if (count == 2 || count == 3) {
        logPath = arguments[1];
        *showCommand = ShowCommandFor(count == 3 ? arguments[2] : L"normal");
        parsed = !logPath.empty() && *showCommand >= 0;
    }
    LocalFree(arguments);
    return parsed;
}

HWND CreateMainWindow(HINSTANCE instance)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClientWindowClass;
    if (!RegisterClassExW(&windowClass))
        return nullptr;
    return CreateWindowExW(0, kClientWindowClass, L"Client stand-in", WS_OVERLAPPEDWINDOW, 100, 100, 480, 320,
                           nullptr, nullptr, instance, nullptr);
}

// Logs the state the window really ended up in, not the one asked for.
void LogWindowState(HWND window)
{
    const char *state = IsIconic(window) ? "minimized" : IsZoomed(window) ? "maximized" : "normal";
    AppendLogLine(std::string("STATE ") + state);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    int showCommand = SW_SHOWNORMAL;
    if (!ParseCommandLine(&showCommand))
        return kUsageError;
    HWND window = CreateMainWindow(instance);
    if (!window)
        return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    LogWindowState(window);
    AppendLogLine("READY " + std::to_string(reinterpret_cast<uintptr_t>(window)));

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
