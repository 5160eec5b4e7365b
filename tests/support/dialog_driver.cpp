// Starts skin.exe, finds its dialog, reads and works its controls across the
// process boundary, and copies its pixels from the screen.
#include "dialog_driver.h"
#include "process_helpers.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kRunTimeoutMs = 20000;
constexpr DWORD kKillTimeoutMs = 5000;
constexpr UINT kQuestionTimeoutMs = 5000;
// Install runs inside the click's handler, so a click may take a while.
constexpr UINT kClickTimeoutMs = 60000;
constexpr DWORD kPollIntervalMs = 20;
constexpr int kInstallButtonId = 110;
// How far from a caption's colours a pixel has to be to count as the icon's.
constexpr double kBlendTolerance = 40.0;


std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    std::wstring program(path, length);
    size_t slash = program.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : program.substr(0, slash + 1);
}

// Wine leaves window frames to the window manager, and a bare Xvfb has
// none: the client area would show at the window's origin, frameless. With
// frames drawn by Wine itself the screen matches the window's coordinates.
void LetWineDrawFrames()
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\skin.exe\\X11 Driver", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    const wchar_t no[] = L"N";
    RegSetValueExW(key, L"Decorated", 0, REG_SZ, reinterpret_cast<const BYTE *>(no), sizeof(no));
    RegCloseKey(key);
}

bool Launch(const std::wstring &argumentText, PROCESS_INFORMATION *process)
{
    std::wstring program = SkinProgramPath();
    if (program.empty())
        return false;
    LetWineDrawFrames();
    // The blank after the name is what the entry point skips; anything
    // after it, trailing blanks included, is the argument text.
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!argumentText.empty())
        commandLine += L" " + argumentText;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, process) != FALSE;
}

struct WindowSearch {
    DWORD processId;
    bool dialogsOnly;
    HWND found;
};

bool IsDialogClass(HWND window)
{
    wchar_t className[16];
    return GetClassNameW(window, className, ARRAYSIZE(className)) > 0 && lstrcmpW(className, L"#32770") == 0;
}

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM parameter)
{
    auto *search = reinterpret_cast<WindowSearch *>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window) || (search->dialogsOnly && !IsDialogClass(window)))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND VisibleWindowOf(DWORD processId, bool dialogsOnly)
{
    WindowSearch search = {processId, dialogsOnly, nullptr};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool HasEnded(const PROCESS_INFORMATION &process, DWORD waitMs)
{
    return !process.hProcess || WaitForSingleObject(process.hProcess, waitMs) == WAIT_OBJECT_0;
}

HWND WaitForDialog(const PROCESS_INFORMATION &process)
{
    for (Deadline deadline(kStartTimeoutMs); !deadline.Passed();) {
        HWND window = VisibleWindowOf(process.dwProcessId, true);
        if (window)
            return window;
        if (HasEnded(process, kPollIntervalMs))
            return nullptr;
    }
    return nullptr;
}

bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR *answer)
{
    *answer = 0;
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kQuestionTimeoutMs, answer) != 0;
}

LRESULT AnswerOf(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR answer = 0;
    Ask(window, message, wParam, lParam, &answer);
    return static_cast<LRESULT>(answer);
}

RECT ScreenRectOf(HWND dialog, int id)
{
    RECT rect = {};
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    return rect;
}

void BringToFront(HWND window)
{
    SetForegroundWindow(window);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    SyncWithWindow(window);
    // The X server shows what Wine drew a moment later.
    Sleep(300);
}

// The DIB section's rows are padded to four bytes and hold blue, green, red.
void CopyDibPixels(const uint8_t *bits, int width, int height, RgbImage *image)
{
    size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    image->width = width;
    image->height = height;
    image->rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t *row = bits + stride * static_cast<size_t>(y);
        uint8_t *out = &image->rgb[static_cast<size_t>(y) * static_cast<size_t>(width) * 3];
        for (int x = 0; x < width; ++x) {
            out[3 * x] = row[3 * x + 2];
            out[3 * x + 1] = row[3 * x + 1];
            out[3 * x + 2] = row[3 * x];
        }
    }
}

bool CopyScreenArea(const RECT &area, RgbImage *image)
{
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;

    bool copied = false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void *bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (screen && memory && dib) {
        HGDIOBJ previous = SelectObject(memory, dib);
        copied = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY) != FALSE;
        GdiFlush();
        if (copied)
            CopyDibPixels(static_cast<const uint8_t *>(bits), width, height, image);
        SelectObject(memory, previous);
    }
    if (dib)
        DeleteObject(dib);
    if (memory)
        DeleteDC(memory);
    if (screen)
        ReleaseDC(nullptr, screen);
    return copied;
}

INT_PTR CALLBACK IgnoreEverything(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

void AppendText(std::vector<WORD> *words, const wchar_t *text)
{
    do
        words->push_back(static_cast<WORD>(*text));
    while (*text++);
}

// An extended dialog template without controls: version, signature, help id,
// extended style, style, item count, position, size, menu, class, caption, font.
std::vector<WORD> FontOnlyTemplate(const wchar_t *fontFace, WORD pointSize)
{
    const DWORD style = WS_POPUP | DS_SETFONT;
    std::vector<WORD> words = {1, 0xFFFF, 0, 0, 0, 0, LOWORD(style), HIWORD(style), 0, 0, 0, 10, 10, 0, 0};
    AppendText(&words, L"");
    words.push_back(pointSize);
    words.push_back(FW_NORMAL);
    words.push_back(0);  // not italic, character set 0
    AppendText(&words, fontFace);
    return words;
}

struct Rgb {
    double channel[3];
};

Rgb ChannelsOf(COLORREF colour)
{
    return {{double(GetRValue(colour)), double(GetGValue(colour)), double(GetBValue(colour))}};
}

double SquaredDistanceToSegment(const Rgb &point, const Rgb &start, const Rgb &end)
{
    double along = 0, length = 0;
    for (int i = 0; i < 3; ++i) {
        along += (point.channel[i] - start.channel[i]) * (end.channel[i] - start.channel[i]);
        length += (end.channel[i] - start.channel[i]) * (end.channel[i] - start.channel[i]);
    }
    double t = length > 0 ? std::min(1.0, std::max(0.0, along / length)) : 0;
    double distance = 0;
    for (int i = 0; i < 3; ++i) {
        double off = point.channel[i] - (start.channel[i] + t * (end.channel[i] - start.channel[i]));
        distance += off * off;
    }
    return distance;
}

// The colours between a caption's background and its text, which the
// smoothed edges of the caption's letters take.
struct ColourBlend {
    COLORREF from;
    COLORREF to;

    bool Holds(COLORREF colour) const
    {
        return SquaredDistanceToSegment(ChannelsOf(colour), ChannelsOf(from), ChannelsOf(to)) <=
               kBlendTolerance * kBlendTolerance;
    }
};

bool IsSaturated(COLORREF colour)
{
    int high = std::max({GetRValue(colour), GetGValue(colour), GetBValue(colour)});
    int low = std::min({GetRValue(colour), GetGValue(colour), GetBValue(colour)});
    return high - low > 32;
}

}  // namespace

std::wstring SkinProgramPath()
{
    std::wstring folder = ProgramFolder();
    return folder.empty() ? folder : folder + L"skin.exe";
}

std::wstring ScreenshotFolder()
{
    std::wstring wanted = ProgramFolder() + L"..\\screenshots";
    wchar_t full[MAX_PATH];
    DWORD length = GetFullPathNameW(wanted.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    CreateDirectoryW(full, nullptr);
    return full;
}

bool StartSkin(const std::wstring &argumentText, SkinRun *run)
{
    StopSkin(run);
    if (!Launch(argumentText, &run->process))
        return false;
    run->window = WaitForDialog(run->process);
    if (!run->window) {
        StopSkin(run);
        return false;
    }
    return true;
}

bool RunSkinToExit(const std::wstring &argumentText, DWORD *exitCode, bool *showedWindow)
{
    *showedWindow = false;
    SkinRun run;
    if (!Launch(argumentText, &run.process))
        return false;
    // A window means the run waits for a user: it is ended at once.
    bool ended = false;
    for (Deadline deadline(kRunTimeoutMs); !ended && !*showedWindow && !deadline.Passed();) {
        *showedWindow = VisibleWindowOf(run.process.dwProcessId, false) != nullptr;
        ended = HasEnded(run.process, kPollIntervalMs);
    }
    ended = ended && GetExitCodeProcess(run.process.hProcess, exitCode);
    StopSkin(&run);
    return ended;
}

bool IsInstallerDialog(HWND window)
{
    return IsDialogClass(window) && GetDlgItem(window, kInstallButtonId) != nullptr;
}

std::wstring WindowCaption(HWND window)
{
    // For another process's window this reads the stored caption, sending nothing.
    wchar_t caption[1024];
    int length = GetWindowTextW(window, caption, ARRAYSIZE(caption));
    return std::wstring(caption, static_cast<size_t>(length > 0 ? length : 0));
}

std::wstring WindowText(HWND window)
{
    DWORD_PTR length = 0;
    if (!window || !Ask(window, WM_GETTEXTLENGTH, 0, 0, &length))
        return std::wstring();
    std::vector<wchar_t> text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied);
    return std::wstring(text.data(), copied < text.size() ? copied : 0);
}

std::wstring ControlText(HWND dialog, int id)
{
    return WindowText(GetDlgItem(dialog, id));
}

bool ControlEnabled(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowEnabled(control);
}

DWORD ControlStyle(HWND dialog, int id)
{
    return static_cast<DWORD>(GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE));
}

ProgressState ReadProgress(HWND dialog, int id)
{
    HWND bar = GetDlgItem(dialog, id);
    ProgressState state;
    if (!bar)
        return state;
    // With no PBRANGE record, wParam TRUE asks for the low end, FALSE for the high end.
    state.low = static_cast<int>(AnswerOf(bar, PBM_GETRANGE, TRUE));
    state.high = static_cast<int>(AnswerOf(bar, PBM_GETRANGE, FALSE));
    state.position = static_cast<int>(AnswerOf(bar, PBM_GETPOS));
    return state;
}

RECT ControlRect(HWND dialog, int id)
{
    RECT rect = ScreenRectOf(dialog, id);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&rect), 2);
    return rect;
}

RECT ControlRectInCapture(HWND dialog, int id)
{
    RECT rect = ScreenRectOf(dialog, id);
    RECT window = {};
    GetWindowRect(dialog, &window);
    OffsetRect(&rect, -window.left, -window.top);
    return rect;
}

LRESULT WindowIcon(HWND window, WPARAM which)
{
    return AnswerOf(window, WM_GETICON, which);
}

RECT DialogUnitsToPixels(const DialogUnits &units, const wchar_t *fontFace, WORD pointSize)
{
    std::vector<WORD> words = FontOnlyTemplate(fontFace, pointSize);
    RECT pixels = {units.x, units.y, units.width, units.height};
    HWND measure = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                              reinterpret_cast<const DLGTEMPLATE *>(words.data()), nullptr,
                                              IgnoreEverything, 0);
    if (!measure)
        return RECT{};
    MapDialogRect(measure, &pixels);
    DestroyWindow(measure);
    pixels.right += pixels.left;
    pixels.bottom += pixels.top;
    return pixels;
}

int CaptionIconPixels(HWND window, const RgbImage &capture)
{
    RECT frame = {};
    POINT client = {0, 0};
    GetWindowRect(window, &frame);
    ClientToScreen(window, &client);
    int border = client.x - frame.left;
    RECT square = {border, border, border + GetSystemMetrics(SM_CYCAPTION), client.y - frame.top};
    const ColourBlend captionBlends[] = {
        {GetSysColor(COLOR_ACTIVECAPTION), GetSysColor(COLOR_CAPTIONTEXT)},
        {GetSysColor(COLOR_GRADIENTACTIVECAPTION), GetSysColor(COLOR_CAPTIONTEXT)},
        {GetSysColor(COLOR_INACTIVECAPTION), GetSysColor(COLOR_INACTIVECAPTIONTEXT)},
        {GetSysColor(COLOR_GRADIENTINACTIVECAPTION), GetSysColor(COLOR_INACTIVECAPTIONTEXT)},
    };
    int count = 0;
    for (LONG y = square.top; y < square.bottom; ++y) {
        for (LONG x = square.left; x < square.right; ++x) {
            COLORREF pixel = capture.Pixel(x, y);
            bool isCaption = std::any_of(std::begin(captionBlends), std::end(captionBlends),
                                         [pixel](const ColourBlend &blend) { return blend.Holds(pixel); });
            if (!isCaption && IsSaturated(pixel))
                ++count;
        }
    }
    return count;
}

bool PressButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    DWORD_PTR answer = 0;
    return button && SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                         reinterpret_cast<LPARAM>(button), SMTO_NORMAL, kClickTimeoutMs,
                                         &answer) != 0;
}

bool SendCancelCommand(HWND dialog)
{
    DWORD_PTR answer = 0;
    return Ask(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)), &answer);
}

bool PressEscapeKey(const SkinRun &run)
{
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof(thread);
    HWND target = GetGUIThreadInfo(run.process.dwThreadId, &thread) && thread.hwndFocus ? thread.hwndFocus
                                                                                       : run.window;
    constexpr LPARAM kEscapeScanCode = 0x01 << 16;
    bool posted = PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, kEscapeScanCode | 1) &&
                  PostMessageW(target, WM_KEYUP, VK_ESCAPE, kEscapeScanCode | 0xC0000001);
    WaitUntilIdle(run);
    return posted;
}

void CloseByCaption(HWND window)
{
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

bool SyncWithWindow(HWND window)
{
    DWORD_PTR answer = 0;
    return Ask(window, WM_NULL, 0, 0, &answer);
}

// A sent message is handled at the receiver's next look at its queue, ahead
// of what was posted; the next one waits until that posted message is done.
void WaitUntilIdle(const SkinRun &run)
{
    for (int round = 0; round < 3; ++round)
        SyncWithWindow(run.window);
}

bool SkinIsRunning(const SkinRun &run)
{
    return !HasEnded(run.process, 0);
}

bool WaitForSkinExit(const SkinRun &run, DWORD timeoutMs, DWORD *exitCode)
{
    return run.process.hProcess && WaitForSingleObject(run.process.hProcess, timeoutMs) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(run.process.hProcess, exitCode);
}

void StopSkin(SkinRun *run)
{
    if (!run)
        return;
    if (!HasEnded(run->process, 0)) {
        TerminateProcess(run->process.hProcess, 1);
        WaitForSingleObject(run->process.hProcess, kKillTimeoutMs);
    }
    CloseHandleOnce(&run->process.hProcess);
    CloseHandleOnce(&run->process.hThread);
    run->process.dwProcessId = 0;
    run->process.dwThreadId = 0;
    run->window = nullptr;
}

bool CaptureWindow(HWND window, RgbImage *image)
{
    RECT area = {};
    if (!IsWindow(window) || !GetWindowRect(window, &area))
        return false;
    BringToFront(window);
    return CopyScreenArea(area, image);
}

bool CaptureWindowPng(HWND window, const std::wstring &path, RgbImage *image)
{
    return CaptureWindow(window, image) && WritePng(path, *image);
}
