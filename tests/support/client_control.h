// Starts, watches and stops the client stand-in (client_standin.exe) for the
// tests, and reads back the messages it logged. The caller owns the process
// and thread handles in ClientStandin until StopClientStandin releases them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Shared with the stand-in itself, which includes this header for them.
constexpr wchar_t kClientWindowClass[] = L"HalcyraMainWnd";
// Posted by SyncWithClient; the stand-in answers with a log line "SYNC <lParam>".
constexpr UINT kClientSyncMessage = WM_APP + 0x51;

struct ClientStandin {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
    std::wstring logPath;
};

enum class ClientShow { Normal, Minimized, Maximized };

// Starts client_standin.exe from the running test program's folder, logging
// to logPath (emptied first), and waits up to 15 s until its window is up,
// has logged READY and is the only top-level window of kClientWindowClass.
// On failure nothing is left running and false is returned.
bool StartClientStandin(ClientStandin *client, const std::wstring &logPath,
                        ClientShow show = ClientShow::Normal);

// Returns once the stand-in has handled every message posted to it before
// this call (bounded at 5 s); false when it is gone or did not answer.
bool SyncWithClient(const ClientStandin &client);

// The logged lines other than READY, STATE and SYNC, in order, after a
// SyncWithClient. Still reads the log when the stand-in has died.
std::vector<std::string> ClientMessages(const ClientStandin &client);

// The window's state now; false when the stand-in is gone.
bool ClientIsZoomed(const ClientStandin &client);
bool ClientIsIconic(const ClientStandin &client);

// Asks the stand-in to close, ends it after 5 s if it has not, and closes
// its handles. Safe when it already died, never started, or was stopped.
// The log stays where it is, so it can still be read.
void StopClientStandin(ClientStandin *client);

// Stops the stand-in when a test leaves its scope, also through a failed ASSERT.
class StopClientOnExit {
public:
    explicit StopClientOnExit(ClientStandin *client) : client_(client) {}
    ~StopClientOnExit() { StopClientStandin(client_); }
    StopClientOnExit(const StopClientOnExit &) = delete;
    StopClientOnExit &operator=(const StopClientOnExit &) = delete;

private:
    ClientStandin *client_;
};
