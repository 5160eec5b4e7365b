// Runs the real skin.exe, from the running test program's folder, and looks
// at its windows from outside as a user would: texts, button states, the
// progress bar, pixels on the screen. The caller owns the process and thread
// handles in SkinRun until StopSkin releases them.
#pragma once

#include "png_writer.h"

#include <windows.h>

#include <string>

struct SkinRun {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;  // its first visible dialog: the installer or a message box
};

struct ProgressState {
    int low = -1;
    int high = -1;
    int position = -1;
};

// skin.exe beside the running test program; empty when that path is too long.
std::wstring SkinProgramPath();

// The build's screenshots folder (beside the programs' folder), created if missing.
std::wstring ScreenshotFolder();

// Starts skin.exe with the command line "<quoted path> " + argumentText, or
// just the quoted path when argumentText is empty, and waits up to 20 s for a
// visible dialog of that process. On failure nothing is left running.
bool StartSkin(const std::wstring &argumentText, SkinRun *run);

// Runs skin.exe to its end (bounded at 20 s), watching for windows. A run
// that shows a window is ended at once; false then, and when it could not
// be started or did not end by itself.
bool RunSkinToExit(const std::wstring &argumentText, DWORD *exitCode, bool *showedWindow);

// The installer dialog has the Install button; a message box has not.
bool IsInstallerDialog(HWND window);

std::wstring WindowCaption(HWND window);
// The text of any window of another process, asked with WM_GETTEXT.
std::wstring WindowText(HWND window);
std::wstring ControlText(HWND dialog, int id);
bool ControlEnabled(HWND dialog, int id);
DWORD ControlStyle(HWND dialog, int id);
ProgressState ReadProgress(HWND dialog, int id);
// In the dialog's client coordinates.
RECT ControlRect(HWND dialog, int id);
// In the coordinates of a capture of the whole dialog window.
RECT ControlRectInCapture(HWND dialog, int id);
// Icon handle the window reports for ICON_BIG or ICON_SMALL (0 for none).
// Wine does not carry WM_GETICON across processes and always gives 0.
LRESULT WindowIcon(HWND window, WPARAM which);
// A control's place in a dialog template.
struct DialogUnits {
    int x, y, width, height;
};

// Where the dialog manager puts a control with these dialog units, for a
// template that names this font, measured on a dialog of the test's own.
// Position and size are converted separately, as the dialog manager does.
RECT DialogUnitsToPixels(const DialogUnits &units, const wchar_t *fontFace, WORD pointSize);

// Sends the button's click command and returns when its handler has returned.
bool PressButton(HWND dialog, int id);
// What the dialog manager sends for Escape.
bool SendCancelCommand(HWND dialog);
// A real Escape key, posted to the control that has the focus, and handled
// by the dialog's own message loop before this returns.
bool PressEscapeKey(const SkinRun &run);
// The caption's close button.
void CloseByCaption(HWND window);

// Returns once the window's thread has handled everything sent before.
bool SyncWithWindow(HWND window);
// Waits for everything posted to the process to be handled (bounded).
void WaitUntilIdle(const SkinRun &run);

bool SkinIsRunning(const SkinRun &run);
// True when the process ended within timeoutMs; its exit code is then set.
bool WaitForSkinExit(const SkinRun &run, DWORD timeoutMs, DWORD *exitCode);
// Ends the process if it still runs and closes its handles; safe to repeat.
void StopSkin(SkinRun *run);

// The pixels of the caption's icon square that are neither grey nor one of
// the caption's colours or their blends: none for a caption without an icon.
int CaptionIconPixels(HWND window, const RgbImage &capture);

// Brings the window to the front, repaints it and copies its pixels from the screen.
bool CaptureWindow(HWND window, RgbImage *image);
// CaptureWindow, then writes the pixels to path as a PNG file.
bool CaptureWindowPng(HWND window, const std::wstring &path, RgbImage *image);

// Stops skin.exe when a test leaves its scope, also through a failed ASSERT.
class StopSkinOnExit {
public:
    explicit StopSkinOnExit(SkinRun *run) : run_(run) {}
    ~StopSkinOnExit() { StopSkin(run_); }
    StopSkinOnExit(const StopSkinOnExit &) = delete;
    StopSkinOnExit &operator=(const StopSkinOnExit &) = delete;

private:
    SkinRun *run_;
};
