// The screen saver contract: how the system starts us (command line), the
// window we cover the screen or the preview with, and the two loops that drive
// the player until the user comes back.
#include "ScreenSaver.h"

#include "CompatibilityWarning.h"
#include "DesktopPicture.h"
#include "DirectDrawStarter.h"
#include "DirectoryList.h"
#include "HelpFile.h"
#include "InputDevices.h"
#include "SaverState.h"
#include "ScreenRepaint.h"
#include "ShowPlayer.h"
#include "StandaloneInfo.h"
#include "resource.h"
#include "tvRegistryClient.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <new>

namespace {

const char kWindowClass[] = "Tovaren";
const DWORD kLoopSleepMs = 5;
const DWORD kPauseWaitSleepMs = 20;
const DWORD kKeyRepeatSleepMs = 150;
const DWORD kPreviewStartDelayMs = 800;
const DWORD kPauseKeyHoldMs = 120000;
const int32_t kIdleLeadMs = 60;
// How long after monitors came or went, or the main monitor changed its
// mode beside others, the pointer's moves are the system's, not the user's.
const DWORD kLayoutSettleMs = 3000;
// Beside other monitors, a single move of the mouse ends the saver only when
// no monitor came or went within this time after it: the system's jump of
// the pointer may be read just before the new layout can be seen.
const DWORD kLoneMoveWaitMs = 250;

enum SaverMode { MODE_SETTINGS, MODE_PREVIEW, MODE_FULL_SCREEN };

SaverMode ModeFromCommandLine(const char* commandLine)
{
    if (commandLine[0] == '\0' || strncmp(commandLine, "/c", 2) == 0)
        return MODE_SETTINGS;
    if (strncmp(commandLine, "/p", 2) == 0)
        return MODE_PREVIEW;
    return MODE_FULL_SCREEN;
}

// The handle follows "/p" and one separator; a bare "/p" names no window.
HWND PreviewParent(const char* commandLine)
{
    if (strlen(commandLine) < 3)
        return nullptr;
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(atoi(commandLine + 3)));
}

void DestroySettingsAndStandalone()
{
    delete g_saver.settings;
    g_saver.settings = nullptr;
    delete g_saver.standalone;
    g_saver.standalone = nullptr;
}

void RunSettingsMode()
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (DialogBoxParamA(g_saver.module, MAKEINTRESOURCEA(IDD_SETTINGS), nullptr, SettingsDialogProc,
                        0) == -1) {
        char text[128];
        snprintf(text, sizeof(text), "DialogBox function failed.  Error Code: [%d]",
                 static_cast<int>(GetLastError()));
        MessageBoxA(nullptr, text, "Settings Dialog Init Failure", MB_OK);
    }
    DestroySettingsAndStandalone();
}

bool RegisterSaverClass()
{
    WNDCLASSEXA windowClass;
    memset(&windowClass, 0, sizeof(windowClass));
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SaverWindowProc;
    windowClass.hInstance = g_saver.module;
    windowClass.hIcon = LoadIconA(g_saver.module, MAKEINTRESOURCEA(IDI_TOVAREN));
    // No background brush: the window keeps the desktop's picture, which the
    // player copies when it is made.
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExA(&windowClass) != 0;
}

void RunPreviewMode(HWND parent)
{
    g_saver.previewMode = 1;
    RECT client = {0, 0, 0, 0};
    GetClientRect(parent, &client);
    HWND window = CreateWindowExA(0, kWindowClass, kWindowClass, WS_CHILD | WS_VISIBLE, client.left,
                                  client.top, client.right, client.bottom, parent, nullptr,
                                  g_saver.module, nullptr);
    if (!window) {
        MessageBoxA(nullptr, "Failed to create child window for preview...", "Error", MB_OK);
        ReleaseAll();
        CoUninitialize();
        ExitProcess(0);
    }
    SetTimer(window, 1, 1000, nullptr);
    RunPreview(window);
    g_saver.errorText[0] = '\0';
    ReleaseAll();
}

// The user is back. The main window turns see-through at once, so that the
// desktop shows on the main monitor while its display mode is given back
// (a third of a second under Wine beside another monitor); the other
// monitors' windows go next, before the mode.
void GiveBackEveryMonitor(HWND window)
{
    SetWindowRgn(window, CreateRectRgn(0, 0, 0, 0), TRUE);
    ReleaseMonitorShows();
    DestroyMonitorWindows();
    ReleaseAll();
    DestroyWindow(window);
    ReleaseDesktopPicture();
    RepaintWholeScreen();
}

void RunFullScreenMode(int showCommand)
{
    // DirectDraw starts while the desktop is captured and the windows made.
    DirectDrawStarter directDraw;
    RECT everyMonitor = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                         0, 0};
    everyMonitor.right = everyMonitor.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    everyMonitor.bottom = everyMonitor.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    CaptureDesktopPictureOf(everyMonitor);
    CreateMonitorWindows();
    HWND window = CreateWindowExA(WS_EX_TOPMOST, kWindowClass, kWindowClass, WS_POPUP, 0, 0,
                                  g_saver.screenWidth, g_saver.screenHeight, nullptr, nullptr,
                                  g_saver.module, nullptr);
    if (!window) {
        DestroyMonitorWindows();
        ReleaseDesktopPicture();
        MessageBoxA(nullptr, "Failed to create main window for screensaver", "Error", MB_OK);
        // The extracted show and bitmap of a standalone saver go with us.
        ReleaseAll();
        CoUninitialize();
        ExitProcess(0);
    }
    // Showing before focusing: focusing a hidden window deactivates it at
    // once on some systems, and deactivation ends the saver.
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    SetForegroundWindow(window);
    SetFocus(window);
    ShowCursor(FALSE);
    RunFullScreen(window, &directDraw);
    GiveBackEveryMonitor(window);
    ShowCursor(TRUE);
}

// While the next point of a show is far off, the picture on screen cannot
// change (the scrolling warning aside), yet a step re-presents it every 20 ms;
// under Wine's DirectDraw that alone keeps most of a core busy. The loops skip
// the step until the point is nearly due, once the current picture is shown.
bool g_pictureShown = false;

void NoteNewPicture()
{
    g_pictureShown = false;
}

bool PlayerCanIdle()
{
    return g_pictureShown && g_saver.warningMode != WARNING_SCROLLING &&
           static_cast<int32_t>(g_saver.player->nextDueMs - timeGetTime()) > kIdleLeadMs;
}

// One step of the player, or a rest when nothing is due. False when the show
// has ended or presenting failed, as PlayStep.
bool StepPlayer()
{
    if (PlayerCanIdle()) {
        Sleep(kPauseWaitSleepMs);
        return true;
    }
    bool goesOn = g_saver.player->PlayStep();
    g_pictureShown = goesOn;
    return goesOn;
}

bool StartNextFullScreenShow()
{
    NoteNewPicture();
    return StartNextShow();
}

// Set while the saver itself shows a message over its window: the message
// takes the focus and moves the mouse over it, and neither may end the saver
// (and with it the message) before the user has read it.
bool g_showingMessage = false;

void OpenHelpOrSayItIsMissing()
{
    if (OpenHelpFile(nullptr, g_saver.settings->settings[SETTING_INSTALL_FOLDER]))
        return;
    g_showingMessage = true;
    ShowHelpMissing(true);
    g_showingMessage = false;
    NoteNewPicture();  // the message box left its mark on the picture
}

void ReleaseDevices(InputDevices*& devices)
{
    devices->Shutdown();
    delete devices;
    devices = nullptr;
}

// Runs once the show on screen has ended: waits the pause, then asks for the
// next show. False only when starting it failed.
template <typename StartNext>
bool ApplyPauseRule(StartNext startNext)
{
    if (g_saver.nextShowDeadline == 0)
        g_saver.nextShowDeadline = static_cast<uint32_t>(time(nullptr) + g_saver.pauseSeconds);
    long long now = static_cast<long long>(time(nullptr));
    long long deadline = static_cast<int32_t>(g_saver.nextShowDeadline);
    if (now > deadline) {
        g_saver.nextShowDeadline = 0;
        return startNext();
    }
    Sleep(kPauseWaitSleepMs);
    return true;
}

bool StartNextPreviewShow()
{
    NoteNewPicture();
    g_saver.nextShowDeadline = 0;
    if (!LoadShowFile(g_saver.showList->PickNext()))
        return false;
    if (g_saver.player &&
        !g_saver.player->StartShow(g_saver.document, g_saver.characterBitmap, g_saver.speed, 0)) {
        SetSaverError("%s", g_saver.player->message);
        return false;
    }
    return true;
}

void HandlePauseKey(InputDevices* devices)
{
    if (!devices->PollPauseKey())
        return;
    Sleep(kKeyRepeatSleepMs);
    if (!g_saver.player)
        return;
    NoteNewPicture();
    if (devices->paused)
        g_saver.player->DelayNextPoint(kPauseKeyHoldMs);
    else
        g_saver.player->ResetClock();
    PauseMonitorShows(devices->paused, kPauseKeyHoldMs);
}

}  // namespace

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
    case WM_SETCURSOR:
    case WM_SYSCOMMAND:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
        if (wParam == 0 && !g_showingMessage) {
            g_saver.closeRequested = 1;
            PostMessageA(window, WM_CLOSE, 0, lParam);
        }
        return 0;
    case WM_PAINT:
        PaintDesktopPicture(window, !g_saver.previewMode);
        NoteNewPicture();  // whatever damaged the window, the player paints it again
        return 0;
    case WM_TIMER:
        Sleep(5);
        return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (!g_saver.previewMode && !g_showingMessage) {
            g_saver.closeRequested = 1;
            PostMessageA(window, WM_CLOSE, wParam, lParam);
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

namespace {

// When the monitor left of or above the main one goes, the main monitor keeps
// its place in window coordinates but not on the display: Wine leaves the
// window where the main monitor was. Moving it off its place and back puts
// it on the main monitor again.
void KeepOnMainMonitor(HWND window)
{
    const UINT flags = SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOSIZE;
    SetWindowPos(window, nullptr, 1, 1, 0, 0, flags);
    SetWindowPos(window, nullptr, 0, 0, 0, 0, flags);
}

// When a monitor goes, the system moves the pointer (under Wine, a reading
// of the mouse jumps) and its window goes; neither is the user coming back.
// True when the layout changed just now.
bool FollowMonitorChanges(HWND window, InputDevices* devices, DWORD& settleUntil)
{
    bool changed = MonitorLayoutChanged();
    if (changed) {
        settleUntil = timeGetTime() + kLayoutSettleMs;
        CheckMonitorsStillThere();
        KeepOnMainMonitor(window);
    }
    if (static_cast<int32_t>(settleUntil - timeGetTime()) > 0)
        devices->ForgetMouseMovement();
    return changed;
}

// The activity rule of the loop. The mouse may jump in the very moment
// monitors come or go, after the layout was looked at; beside other monitors
// a move alone is believed once the layout stayed as it was for a moment.
bool UserCameBack(HWND window, InputDevices* devices, DWORD& settleUntil, DWORD& loneMoveAt)
{
    if (devices->PollActivity()) {
        if (FollowMonitorChanges(window, devices, settleUntil)) {
            loneMoveAt = 0;
            return false;
        }
        if (g_saver.monitorCount == 0 || !devices->lastActivityWasMove || loneMoveAt != 0)
            return true;
        loneMoveAt = timeGetTime() | 1;
        return false;
    }
    return loneMoveAt != 0 && timeGetTime() - loneMoveAt >= kLoneMoveWaitMs;
}

}  // namespace

bool RunFullScreen(HWND window, DirectDrawStarter* directDraw)
{
    InputDevices* devices = new (std::nothrow) InputDevices(g_saver.module, INPUT_RULE_SAVER);
    if (!devices) {
        SetSaverError("Tovaren: DirectInput Init Error: %s", "");
        return false;
    }
    if (!devices->ok) {
        SetSaverError("Tovaren: DirectInput Init Error: %s", devices->message);
        ReleaseDevices(devices);
        return false;
    }
    if (devices->PollActivity()) {
        ReleaseDevices(devices);
        return true;
    }
    DWORD settleUntil = timeGetTime();
    DWORD loneMoveAt = 0;  // when a single move waits to be confirmed
    for (;;) {
        if (g_saver.closeRequested) {
            ReleaseDevices(devices);
            return true;
        }
        Sleep(kLoopSleepMs);
        if (!g_saver.player) {
            HBITMAP character = PickCharacterBitmap();
            NoteNewPicture();
            if (!StartFirstShow(window, character, directDraw)) {
                if (character != g_saver.characterBitmap)
                    DeleteObject(character);
                ReleaseDevices(devices);
                return false;
            }
            StartMonitorShows();
            // Wine moves the pointer to the main monitor's edge a moment
            // after its mode changed when there are several monitors.
            if (g_saver.monitorCount > 0)
                settleUntil = timeGetTime() + kLayoutSettleMs;
        }
        HandlePauseKey(devices);
        if (devices->PollNextKey()) {
            g_saver.nextShowDeadline = 0;
            Sleep(kKeyRepeatSleepMs);
            if (!StartNextFullScreenShow()) {
                ReleaseDevices(devices);
                return false;
            }
            SkipMonitorShows();
        }
        if (devices->PollHelpKey())
            OpenHelpOrSayItIsMissing();
        // The other monitors step first: under Wine a monitor's frame waits
        // for DirectDraw to finish showing the main monitor's last Flip.
        StepMonitorShows();
        if (g_saver.player && !StepPlayer()) {
            if (!g_saver.player->ok || !ApplyPauseRule(StartNextFullScreenShow)) {
                ReleaseDevices(devices);
                return false;
            }
        }
        if (FollowMonitorChanges(window, devices, settleUntil))
            loneMoveAt = 0;
        if (UserCameBack(window, devices, settleUntil, loneMoveAt)) {
            ReleaseDevices(devices);
            return true;
        }
    }
}

bool RunPreview(HWND window)
{
    DWORD startTime = timeGetTime() + kPreviewStartDelayMs;
    BOOL lastGet = 1;
    while (!g_saver.closeRequested) {
        Sleep(kLoopSleepMs);
        MSG message;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            lastGet = GetMessageA(&message, nullptr, 0, 0);
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (!g_saver.player) {
            if (static_cast<int32_t>(timeGetTime() - startTime) > 0) {
                HBITMAP character = LoadBitmapA(g_saver.module, MAKEINTRESOURCEA(IDB_CHAR_PREVIEW));
                NoteNewPicture();
                if (!StartFirstShow(window, character)) {
                    if (character != g_saver.characterBitmap)
                        DeleteObject(character);
                    return false;
                }
            }
            if (!g_saver.player) {
                if (lastGet == 0)
                    return true;
                continue;
            }
        }
        if (!StepPlayer()) {
            if (!g_saver.player->ok || !ApplyPauseRule(StartNextPreviewShow))
                return false;
        }
        if (lastGet == 0)
            return true;
    }
    return true;
}

int RunScreenSaver(HINSTANCE module, const char* commandLine, int showCommand)
{
    ResetSaverState(module);
    GetModuleFileNameA(nullptr, g_saver.modulePath, sizeof(g_saver.modulePath));
    g_saver.standalone = new (std::nothrow) StandaloneInfo(g_saver.modulePath);
    if (!InitSaver()) {
        delete g_saver.standalone;
        g_saver.standalone = nullptr;
        return -1;
    }
    if (!commandLine)
        commandLine = "";
    SaverMode mode = ModeFromCommandLine(commandLine);
    if (mode == MODE_SETTINGS) {
        RunSettingsMode();
        CoUninitialize();
        return 0;
    }
    if (!PrepareLists()) {
        ReleaseAll();
        CoUninitialize();
        return 0;
    }
    RegisterSaverClass();
    if (mode == MODE_PREVIEW)
        RunPreviewMode(PreviewParent(commandLine));
    else
        RunFullScreenMode(showCommand);
    CoUninitialize();
    if (g_saver.errorText[0] != '\0') {
        // Destroying the window posted WM_QUIT; left in the queue it would end
        // the message box before the user could read it.
        MSG quit;
        while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        MessageBoxA(nullptr, g_saver.errorText, "Tovaren Error", MB_OK);
    }
    return 0;
}
