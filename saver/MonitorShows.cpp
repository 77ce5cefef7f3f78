// The monitors besides the main one. The main monitor plays full screen; each
// other monitor gets a top-most window of its own rectangle and its own
// sequence of shows, stepped by the same loop. A monitor that cannot play is
// covered dark and the others go on.
#include "SaverState.h"

#include "CompatibilityWarning.h"
#include "DesktopPicture.h"
#include "DirectoryList.h"
#include "ShowDocument.h"
#include "ShowPlayer.h"
#include "tvRegistryClient.h"

#include <mmsystem.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <new>

namespace {

const char kMonitorWindowClass[] = "TovarenMonitor";
const DWORD kFirstPointDelayMs = 500;
const DWORD kMonitorCheckMs = 1000;

DWORD g_lastMonitorCheck = 0;

struct Layout {
    int monitors, left, top, width, height;
};
Layout g_layout = {0, 0, 0, 0, 0};

Layout CurrentLayout()
{
    Layout now = {GetSystemMetrics(SM_CMONITORS), GetSystemMetrics(SM_XVIRTUALSCREEN),
                  GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN),
                  GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    return now;
}

struct MonitorRects {
    RECT rects[kMaxOtherMonitors];
    int count;
};

BOOL CALLBACK CollectOtherMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    MonitorRects* found = reinterpret_cast<MonitorRects*>(data);
    MONITORINFO info;
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoA(monitor, &info) || (info.dwFlags & MONITORINFOF_PRIMARY))
        return TRUE;
    if (found->count < kMaxOtherMonitors)
        found->rects[found->count++] = info.rcMonitor;
    return TRUE;
}

MonitorRects OtherMonitors()
{
    MonitorRects found;
    found.count = 0;
    EnumDisplayMonitors(nullptr, nullptr, CollectOtherMonitor, reinterpret_cast<LPARAM>(&found));
    return found;
}

MonitorShow* MonitorOfWindow(HWND window)
{
    for (int i = 0; i < g_saver.monitorCount; ++i) {
        if (g_saver.monitors[i].window == window)
            return &g_saver.monitors[i];
    }
    return nullptr;
}

void DestroyMonitorPlayer(MonitorShow& monitor)
{
    if (monitor.player) {
        monitor.player->Shutdown();
        delete monitor.player;
        monitor.player = nullptr;
    }
    delete monitor.document;
    monitor.document = nullptr;
    if (monitor.characterBitmap)
        DeleteObject(monitor.characterBitmap);
    monitor.characterBitmap = nullptr;
    monitor.showPath[0] = '\0';
}

void CoverDark(MonitorShow& monitor)
{
    DestroyMonitorPlayer(monitor);
    monitor.dark = true;
    if (monitor.window)
        InvalidateRect(monitor.window, nullptr, FALSE);
}

// Loads the next show for this monitor through the same loader as the main
// monitor's, whose document, speed and warning mode are kept aside meanwhile.
// A failure here is this monitor's alone: it leaves no error text behind.
bool LoadMonitorShow(MonitorShow& monitor, int index)
{
    const char* path = PickShowFor(index);
    char pickedPath[kShowPathBufferSize];
    snprintf(pickedPath, sizeof(pickedPath), "%s", path ? path : "");

    ShowDocument* mainDocument = g_saver.document;
    int16_t mainSpeed = g_saver.speed;
    BYTE mainWarningMode = g_saver.warningMode;
    char mainError[kSaverErrorSize];
    memcpy(mainError, g_saver.errorText, sizeof(mainError));

    g_saver.document = monitor.document;
    bool loaded = LoadShowFile(path ? pickedPath : nullptr);
    monitor.document = g_saver.document;
    monitor.speed = g_saver.speed;
    monitor.warningMode = g_saver.warningMode;

    g_saver.document = mainDocument;
    g_saver.speed = mainSpeed;
    g_saver.warningMode = mainWarningMode;
    memcpy(g_saver.errorText, mainError, sizeof(mainError));
    if (loaded)
        snprintf(monitor.showPath, sizeof(monitor.showPath), "%s", pickedPath);
    return loaded;
}

bool StartMonitorShow(MonitorShow& monitor, int index)
{
    monitor.pictureShown = false;
    monitor.nextShowDeadline = 0;
    if (!LoadMonitorShow(monitor, index))
        return false;
    if (monitor.characterBitmap)
        DeleteObject(monitor.characterBitmap);
    monitor.characterBitmap = PickCharacterBitmap();
    return monitor.player->StartShow(monitor.document, monitor.characterBitmap, monitor.speed,
                                     monitor.warningMode);
}

bool StartFirstMonitorShow(MonitorShow& monitor, int index)
{
    POINT corner = DesktopPictureOrigin();
    monitor.player = new (std::nothrow)
        ShowPlayer(monitor.window, DesktopPictureBitmap(), monitor.rect.left - corner.x,
                   monitor.rect.top - corner.y,
                   g_saver.player ? g_saver.player->directDraw : nullptr);
    if (!monitor.player || !monitor.player->ok)
        return false;
    if (!StartMonitorShow(monitor, index))
        return false;
    monitor.player->DelayNextPoint(kFirstPointDelayMs);
    return true;
}

bool MonitorCanIdle(const MonitorShow& monitor)
{
    if (!monitor.pictureShown || monitor.warningMode == WARNING_SCROLLING)
        return false;
    return static_cast<int32_t>(monitor.player->nextDueMs - timeGetTime()) > 0;
}

// The pause between shows, as on the main monitor, counted for this monitor.
void ApplyMonitorPause(MonitorShow& monitor, int index)
{
    if (monitor.nextShowDeadline == 0)
        monitor.nextShowDeadline = static_cast<uint32_t>(time(nullptr) + g_saver.pauseSeconds);
    long long now = static_cast<long long>(time(nullptr));
    if (now > static_cast<int32_t>(monitor.nextShowDeadline)) {
        if (!StartMonitorShow(monitor, index))
            CoverDark(monitor);
    }
}

void StepMonitor(MonitorShow& monitor, int index)
{
    if (!monitor.player || MonitorCanIdle(monitor))
        return;
    bool goesOn = monitor.player->PlayStep();
    monitor.pictureShown = goesOn;
    if (goesOn)
        return;
    if (!monitor.player->ok)
        CoverDark(monitor);
    else
        ApplyMonitorPause(monitor, index);
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void PaintDark(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EndPaint(window, &paint);
}

bool RegisterMonitorClass()
{
    WNDCLASSEXA windowClass;
    memset(&windowClass, 0, sizeof(windowClass));
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MonitorWindowProc;
    windowClass.hInstance = g_saver.module;
    windowClass.lpszClassName = kMonitorWindowClass;
    return RegisterClassExA(&windowClass) != 0;
}

}  // namespace

bool PaintsEveryMonitor()
{
    return strcmp(g_saver.settings->settings[SETTING_MONITORS], "0") != 0;
}

// Made before the main window, so that neither takes the other's activation
// away: these windows never activate, and only the main one ends the saver
// when it loses the focus.
void CreateMonitorWindows()
{
    g_layout = CurrentLayout();
    MonitorRects others = OtherMonitors();
    if (others.count == 0)
        return;
    RegisterMonitorClass();
    bool dark = !PaintsEveryMonitor();
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    for (int i = 0; i < others.count; ++i) {
        MonitorShow& monitor = g_saver.monitors[g_saver.monitorCount];
        memset(&monitor, 0, sizeof(monitor));
        monitor.rect = others.rects[i];
        monitor.dark = dark;
        monitor.cursorAtStart = cursor;
        monitor.window = CreateWindowExA(
            WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kMonitorWindowClass,
            kMonitorWindowClass, WS_POPUP, monitor.rect.left, monitor.rect.top,
            monitor.rect.right - monitor.rect.left, monitor.rect.bottom - monitor.rect.top, nullptr,
            nullptr, g_saver.module, nullptr);
        if (!monitor.window)
            continue;
        ++g_saver.monitorCount;
        ShowWindow(monitor.window, SW_SHOWNA);
        UpdateWindow(monitor.window);
    }
    g_lastMonitorCheck = timeGetTime();
}

void StartMonitorShows()
{
    for (int i = 0; i < g_saver.monitorCount; ++i) {
        MonitorShow& monitor = g_saver.monitors[i];
        if (monitor.dark || monitor.player || !monitor.window)
            continue;
        if (!StartFirstMonitorShow(monitor, i))
            CoverDark(monitor);
    }
}

void StepMonitorShows()
{
    for (int i = 0; i < g_saver.monitorCount; ++i)
        StepMonitor(g_saver.monitors[i], i);
    if (timeGetTime() - g_lastMonitorCheck >= kMonitorCheckMs)
        CheckMonitorsStillThere();
}

void PauseMonitorShows(bool paused, DWORD holdMs)
{
    for (int i = 0; i < g_saver.monitorCount; ++i) {
        MonitorShow& monitor = g_saver.monitors[i];
        if (!monitor.player)
            continue;
        monitor.pictureShown = false;
        if (paused)
            monitor.player->DelayNextPoint(holdMs);
        else
            monitor.player->ResetClock();
    }
}

// N: every monitor goes on with its next show at once.
bool SkipMonitorShows()
{
    for (int i = 0; i < g_saver.monitorCount; ++i) {
        MonitorShow& monitor = g_saver.monitors[i];
        if (monitor.player && !StartMonitorShow(monitor, i))
            CoverDark(monitor);
    }
    return true;
}

// A monitor that was unplugged takes its window with it; the others go on.
void CheckMonitorsStillThere()
{
    g_lastMonitorCheck = timeGetTime();
    if (g_saver.monitorCount == 0)
        return;
    MonitorRects present = OtherMonitors();
    for (int i = 0; i < g_saver.monitorCount; ++i) {
        MonitorShow& monitor = g_saver.monitors[i];
        if (!monitor.window)
            continue;
        bool stillThere = false;
        for (int j = 0; j < present.count; ++j)
            stillThere = stillThere || SameRect(present.rects[j], monitor.rect);
        if (stillThere)
            continue;
        DestroyMonitorPlayer(monitor);
        monitor.dark = true;
        DestroyWindow(monitor.window);
        monitor.window = nullptr;
    }
}

bool MonitorLayoutChanged()
{
    Layout now = CurrentLayout();
    if (memcmp(&now, &g_layout, sizeof(now)) == 0)
        return false;
    g_layout = now;
    return true;
}

void ReleaseMonitorShows()
{
    for (int i = 0; i < g_saver.monitorCount; ++i)
        DestroyMonitorPlayer(g_saver.monitors[i]);
}

void DestroyMonitorWindows()
{
    for (int i = 0; i < g_saver.monitorCount; ++i) {
        MonitorShow& monitor = g_saver.monitors[i];
        if (monitor.window)
            DestroyWindow(monitor.window);
        monitor.window = nullptr;
    }
    g_saver.monitorCount = 0;
}

const char* PickShowFor(int monitorIndex)
{
    if (!g_saver.showList)
        return nullptr;
    const char* busy[kMaxOtherMonitors + 1];
    int busyCount = 0;
    if (monitorIndex != -1 && g_saver.mainShowPath[0] != '\0')
        busy[busyCount++] = g_saver.mainShowPath;
    for (int i = 0; i < g_saver.monitorCount; ++i) {
        const MonitorShow& monitor = g_saver.monitors[i];
        if (i != monitorIndex && monitor.player && monitor.showPath[0] != '\0')
            busy[busyCount++] = monitor.showPath;
    }
    return g_saver.showList->PickNextAvoiding(busy, busyCount);
}

LRESULT CALLBACK MonitorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MonitorShow* monitor = MonitorOfWindow(window);
    switch (message) {
    case WM_SETCURSOR:
    case WM_SYSCOMMAND:
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_PAINT:
        if (!monitor || monitor->dark) {
            PaintDark(window);
            return 0;
        }
        PaintDesktopPicture(window, true);
        monitor->pictureShown = false;  // the player paints its frame again
        return 0;
    case WM_MOUSEMOVE: {
        // Windows sends a move when a window appears under the pointer;
        // only a pointer that really went somewhere ends the saver.
        POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ClientToScreen(window, &at);
        if (monitor && at.x == monitor->cursorAtStart.x && at.y == monitor->cursorAtStart.y)
            return 0;
        g_saver.closeRequested = 1;
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        g_saver.closeRequested = 1;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
