// Starts, watches and stops the client stand-in and reads back its log.
#include "client_control.h"
#include "process_helpers.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr DWORD kStartTimeoutMs = 15000;
constexpr DWORD kSyncTimeoutMs = 5000;
constexpr DWORD kCloseTimeoutMs = 5000;
constexpr DWORD kPollIntervalMs = 20;
// A log far beyond this is a runaway stand-in, not something to read.
constexpr LONGLONG kLogSizeLimit = 16 * 1024 * 1024;


bool HasExited(const ClientStandin &client)
{
    return !client.process.hProcess || WaitForSingleObject(client.process.hProcess, 0) == WAIT_OBJECT_0;
}

// The stand-in's folder is the running test program's folder.
std::wstring StandinProgramPath()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    std::wstring program(path, length);
    size_t slash = program.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return std::wstring();
    return program.substr(0, slash + 1) + L"client_standin.exe";
}

const wchar_t *ShowArgument(ClientShow show)
{
    switch (show) {
    case ClientShow::Minimized:
        return L"minimized";
    case ClientShow::Maximized:
        return L"maximized";
    case ClientShow::Normal:
        break;
    }
    return L"normal";
}

bool LaunchStandin(const std::wstring &logPath, ClientShow show, PROCESS_INFORMATION *process)
{
    std::wstring program = StandinProgramPath();
    if (program.empty())
        return false;
    std::wstring commandLine = L"\"" + program + L"\" \"" + logPath + L"\" " + ShowArgument(show);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, process) != FALSE;
}

// The log's bytes; empty when it does not exist (yet) or is absurdly large.
std::string ReadLog(const std::wstring &logPath)
{
    std::string bytes;
    HANDLE file = CreateFileW(logPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart <= kLogSizeLimit) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr))
            read = 0;
        bytes.resize(read);
    }
    CloseHandle(file);
    return bytes;
}

// Complete lines only: a line still being written has no newline yet.
std::vector<std::string> ReadLogLines(const std::wstring &logPath)
{
    std::string bytes = ReadLog(logPath);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = bytes.find('\n'); end != std::string::npos; end = bytes.find('\n', start)) {
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool StartsWith(const std::string &text, const char *prefix)
{
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

bool IsBookkeepingLine(const std::string &line)
{
    return StartsWith(line, "READY ") || StartsWith(line, "STATE ") || StartsWith(line, "SYNC ");
}

HWND WindowFromReadyLine(const std::wstring &logPath)
{
    for (const std::string &line : ReadLogLines(logPath)) {
        if (StartsWith(line, "READY "))
            return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(line.c_str() + 6, nullptr, 10)));
    }
    return nullptr;
}

// Guards against a reused handle: the window must still be the stand-in's.
bool IsStandinWindow(HWND window, DWORD processId)
{
    if (!window || !IsWindow(window))
        return false;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[64];
    return owner == processId && GetClassNameW(window, className, ARRAYSIZE(className)) > 0 &&
           lstrcmpW(className, kClientWindowClass) == 0;
}

// The installer finds the client by class alone, so a stray one would mislead it.
bool IsOnlyClientWindow(HWND window)
{
    for (HWND found = FindWindowExW(nullptr, nullptr, kClientWindowClass, nullptr); found;
         found = FindWindowExW(nullptr, found, kClientWindowClass, nullptr)) {
        if (found != window)
            return false;
    }
    return true;
}

HWND WaitForReadyWindow(const ClientStandin &client)
{
    for (Deadline deadline(kStartTimeoutMs); !deadline.Passed();) {
        HWND window = WindowFromReadyLine(client.logPath);
        if (IsStandinWindow(window, client.process.dwProcessId) && IsOnlyClientWindow(window))
            return window;
        if (WaitForSingleObject(client.process.hProcess, kPollIntervalMs) == WAIT_OBJECT_0)
            return nullptr;
    }
    return nullptr;
}

bool HasLine(const std::wstring &logPath, const std::string &wanted)
{
    for (const std::string &line : ReadLogLines(logPath)) {
        if (line == wanted)
            return true;
    }
    return false;
}

bool IsAlive(const ClientStandin &client)
{
    return !HasExited(client) && IsStandinWindow(client.window, client.process.dwProcessId);
}

}  // namespace

bool StartClientStandin(ClientStandin *client, const std::wstring &logPath, ClientShow show)
{
    StopClientStandin(client);
    client->logPath = logPath;
    // An old READY line would be taken for the new window's.
    DeleteFileW(logPath.c_str());
    if (GetFileAttributesW(logPath.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    if (!LaunchStandin(logPath, show, &client->process))
        return false;
    client->window = WaitForReadyWindow(*client);
    if (!client->window) {
        StopClientStandin(client);
        return false;
    }
    return true;
}

// Posted messages are handled in the order they were posted, so once the
// stand-in has logged this marker, everything posted before it is done.
// A sent message would not do: sent messages overtake posted ones.
bool SyncWithClient(const ClientStandin &client)
{
    static LONG lastMarker = 0;
    if (!IsAlive(client))
        return false;
    LONG marker = ++lastMarker;
    if (!PostMessageW(client.window, kClientSyncMessage, 0, marker))
        return false;
    std::string wanted = "SYNC " + std::to_string(marker);
    for (Deadline deadline(kSyncTimeoutMs); !deadline.Passed();) {
        if (HasLine(client.logPath, wanted))
            return true;
        if (WaitForSingleObject(client.process.hProcess, kPollIntervalMs) == WAIT_OBJECT_0)
            return HasLine(client.logPath, wanted);
    }
    return false;
}

std::vector<std::string> ClientMessages(const ClientStandin &client)
{
    SyncWithClient(client);
    std::vector<std::string> messages;
    for (const std::string &line : ReadLogLines(client.logPath)) {
        if (!IsBookkeepingLine(line))
            messages.push_back(line);
    }
    return messages;
}

bool ClientIsZoomed(const ClientStandin &client)
{
    return IsAlive(client) && IsZoomed(client.window);
}

bool ClientIsIconic(const ClientStandin &client)
{
    return IsAlive(client) && IsIconic(client.window);
}

void StopClientStandin(ClientStandin *client)
{
    if (!client)
        return;
    if (client->process.hProcess) {
        if (IsAlive(*client))
            PostMessageW(client->window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(client->process.hProcess, kCloseTimeoutMs) != WAIT_OBJECT_0) {
            TerminateProcess(client->process.hProcess, 1);
            WaitForSingleObject(client->process.hProcess, kCloseTimeoutMs);
        }
    }
    CloseHandleOnce(&client->process.hProcess);
    CloseHandleOnce(&client->process.hThread);
    client->process.dwProcessId = 0;
    client->process.dwThreadId = 0;
    client->window = nullptr;
}
