// The editor's start-up, its two windows, the message loop with its playback
// branch, and the routines that end a playback, a document and the program.
#include "EditorState.h"

#include "AboutDialog.h"
#include "AutoSpeed.h"
#include "DesktopPicture.h"
#include "InputDevices.h"
#include "ScreenRepaint.h"
#include "ShowPlayer.h"
#include "WindowsFamily.h"
#include "resource.h"
#include "tvRegistryClient.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

EditorState g_editor;

namespace {

const char kPlaybackClass[] = "Screen Saving";
const char kMainWindowTitle[] = "Tovaren Editor";
const char kErrorCaption[] = "Error";
const char kSavePromptText[] =
    "Your current drawing has changed.\nWould you like to save your changes?";
const char kSavePromptCaption[] = "Psst?";
const char kPlayErrorCaption[] = "Play Painting Error";

const DWORD kShowEndLingerMs = 2500;
const DWORD kPauseKeySleepMs = 150;
const DWORD kActivitySleepMs = 100;
const DWORD kPauseHoldMs = 120000;
const int kSplashSeconds = 2;
const DWORD kSplashSleepMs = 100;

void ResetEditorState(HINSTANCE module)
{
    g_editor.document.reset();
    EditorState fresh = {};
    fresh.module = module;
    fresh.penSize = kDefaultPenSize;
    fresh.playbackSpeed = kDefaultPlaybackSpeed;
    fresh.screenWidth = static_cast<uint16_t>(GetSystemMetrics(SM_CXSCREEN));
    fresh.screenHeight = static_cast<uint16_t>(GetSystemMetrics(SM_CYSCREEN));
    g_editor = std::move(fresh);
}

// The About box without its button, for one to two seconds after a start
// without a show to play. It runs on a thread of its own so that the window
// thread starts up meanwhile.
DWORD WINAPI SplashThread(LPVOID)
{
    HWND splash = CreateDialogParamA(g_editor.module, MAKEINTRESOURCEA(IDD_ABOUT),
                                     g_editor.mainWindow, AboutDialogProc, 0);
    if (!splash)
        return 0;
    ShowWindow(GetDlgItem(splash, IDOK), SW_HIDE);
    // The main window opens maximised meanwhile and would hide the splash.
    SetWindowPos(splash, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ShowWindow(splash, SW_SHOWNORMAL);
    // Every waiting message is handled at each tick: the box paints each of its
    // pictures and texts in a message of its own.
    time_t start = time(nullptr);
    do {
        Sleep(kSplashSleepMs);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    } while (time(nullptr) < start + kSplashSeconds);
    EndDialog(splash, 1);
    DestroyWindow(splash);
    return 0;
}

void StartSplash()
{
    HANDLE thread = CreateThread(nullptr, 0, SplashThread, nullptr, 0, nullptr);
    if (thread)
        CloseHandle(thread);
}

void LoadSettings()
{
    g_editor.settings.reset(new (std::nothrow) tvRegistryClient(g_editor.module));
    tvRegistryClient* settings = g_editor.settings.get();
    if (!settings)
        return;
    if (settings->OpenMachineKey()) {
        settings->ReadInstallFolder();
        settings->CloseMachineKey();
    }
    if (settings->OpenUserKey()) {
        settings->ReadUserSettings();
        settings->CloseUserKey();
    }
    settings->ComputeDefaultFolder();
}

void LoadEditorResources()
{
    if (LoadStringA(g_editor.module, IDS_PRODUCT_NAME, g_editor.className, kClassNameSize) <= 0)
        strcpy(g_editor.className, "Tovaren");
    g_editor.drawCursor = LoadCursorA(g_editor.module, MAKEINTRESOURCEA(IDC_CURSOR_DRAW));
    g_editor.pickCursor = LoadCursorA(g_editor.module, MAKEINTRESOURCEA(IDC_CURSOR_PICK));
    g_editor.fillCursor = LoadCursorA(g_editor.module, MAKEINTRESOURCEA(IDC_CURSOR_FILL));
    g_editor.accelerators = LoadAcceleratorsA(g_editor.module, MAKEINTRESOURCEA(IDR_EDITOR_ACCELERATORS));
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
}

bool RegisterWindowClasses()
{
    HICON icon = LoadIconA(g_editor.module, MAKEINTRESOURCEA(IDI_TOVAREN));
    WNDCLASSA playback = {};
    playback.style = CS_HREDRAW | CS_VREDRAW;
    playback.lpfnWndProc = PlaybackWindowProc;
    playback.hInstance = g_editor.module;
    playback.hIcon = icon;
    playback.lpszClassName = kPlaybackClass;
    if (!RegisterClassA(&playback))
        return false;

    // No class cursor: the editor sets the cursor itself on every move.
    WNDCLASSA main = {};
    main.style = CS_HREDRAW | CS_VREDRAW;
    main.lpfnWndProc = MainWindowProc;
    main.hInstance = g_editor.module;
    main.hIcon = icon;
    main.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    main.lpszClassName = g_editor.className;
    return RegisterClassA(&main) != 0;
}

void PrepareMenu()
{
    g_editor.menu = LoadMenuA(g_editor.module, MAKEINTRESOURCEA(IDR_EDITOR_MENU));
    LoadRecentFiles();
    UpdateMenu();
}

// Opens the show named on the command line; a show that plays for some time
// makes this a play-only start.
void OpenCommandLineShow(const char* commandLine)
{
    char path[kEditorPathSize];
    if (!TakeCommandLinePath(commandLine, path, sizeof(path)))
        return;
    int32_t total = OpenShow(path, true);
    if (total <= 0)
        return;
    g_editor.playbackSpeed = AutoSpeedFromDuration(static_cast<uint32_t>(total));
    g_editor.playOnly = true;
    ShowWindow(g_editor.mainWindow, SW_FORCEMINIMIZE);
}

// Ends the playback and stays in the editor on the show, also after a
// play-only start.
void ReturnToEditor()
{
    g_editor.playOnly = false;
    StopPlayback();
    UseSystemCursor(IDC_WAIT);
    Redraw();
    InvalidateRect(g_editor.mainWindow, nullptr, FALSE);
    UseSystemCursor(IDC_CROSS);
}

bool IsPressed(int pollResult)
{
    return pollResult != INPUT_NOT_SEEN;
}

// During a playback only the first of the three polls that sees its input acts.
void PollPlaybackInput()
{
    InputDevices* input = g_editor.input.get();
    if (IsPressed(input->PollEscapeKey())) {
        if (g_editor.player)
            g_editor.player->ResetClock();
        StopPlayback();
        if (g_editor.playOnly) {
            RepaintWholeScreen();
            ExitEditor(false);
        }
        return;
    }
    if (IsPressed(input->PollPauseKey())) {
        Sleep(kPauseKeySleepMs);
        if (g_editor.player) {
            if (input->paused)
                g_editor.player->DelayNextPoint(kPauseHoldMs);
            else
                g_editor.player->ResetClock();
        }
        return;
    }
    if (IsPressed(input->PollActivity())) {
        if (g_editor.player)
            g_editor.player->ResetClock();
        Sleep(kActivitySleepMs);
        if (input->paused)
            return;
        ReturnToEditor();
    }
}

void StepPlayback()
{
    if (!g_editor.player->PlayStep()) {
        Sleep(kShowEndLingerMs);
        StopPlayback();
        if (g_editor.playOnly)
            ExitEditor(false);
    }
    if (g_editor.playing)
        PollPlaybackInput();
}

void OnActivate(WPARAM wParam)
{
    if (LOWORD(wParam) != WA_INACTIVE)
        return;
    if (g_editor.playing)
        ReturnToEditor();
    ComputeClipRect();
}

void OnRightButtonDown()
{
    if (g_editor.pickMode) {
        g_editor.pickMode = false;
        UseSystemCursor(IDC_CROSS);
    }
    if (g_editor.fillMode) {
        g_editor.fillMode = false;
        UseSystemCursor(IDC_CROSS);
    }
    GetCursorPos(&g_editor.savedCursor);
    TrackPopupMenu(GetSubMenu(g_editor.menu, 1), 0, g_editor.savedCursor.x, g_editor.savedCursor.y,
                   0, g_editor.mainWindow, nullptr);
}

// The window may only go once the drawing is safe: saved, or given up by the
// user. A failed save or a Cancel keeps it.
void OnClose(HWND window)
{
    if (ExitEditor(false))
        DestroyWindow(window);
}

}  // namespace

// The path is one argument, usually in double quotes (as the shell passes
// it); quotes are taken off only where they are, so a bare path stays whole.
bool TakeCommandLinePath(const char* commandLine, char* path, size_t size)
{
    while (*commandLine == ' ' || *commandLine == '\t')
        commandLine++;
    size_t length = strlen(commandLine);
    while (length > 0 && (commandLine[length - 1] == ' ' || commandLine[length - 1] == '\t'))
        length--;
    if (length >= 2 && commandLine[0] == '"' && commandLine[length - 1] == '"') {
        commandLine++;
        length -= 2;
    }
    if (length == 0 || length >= size)
        return false;
    memcpy(path, commandLine, length);
    path[length] = '\0';
    return true;
}

int RunEditor(HINSTANCE module, const char* commandLine)
{
    if (!StartEditor(module, commandLine))
        return 0;
    return RunMessageLoop();
}

bool StartEditor(HINSTANCE module, const char* commandLine)
{
    ResetEditorState(module);
    bool withShow = commandLine && commandLine[0] != '\0';
    if (!withShow)
        StartSplash();

    LoadEditorResources();
    LoadSettings();
    PrepareFileDialog();
    PrepareMenu();
    g_editor.osIsNT = IsNtFamily();
    if (!RegisterWindowClasses()) {
        MessageBoxA(nullptr, "Failed to Register window class...", kErrorCaption, MB_OK);
        return false;
    }

    g_editor.mainWindow = CreateWindowExA(0, g_editor.className, kMainWindowTitle,
                                          WS_OVERLAPPEDWINDOW | WS_MAXIMIZE, CW_USEDEFAULT,
                                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                          g_editor.menu, module, nullptr);
    if (!g_editor.mainWindow) {
        MessageBoxA(nullptr, "Failed to create the editor window.", kErrorCaption, MB_OK);
        return false;
    }
    DragAcceptFiles(g_editor.mainWindow, TRUE);

    if (withShow)
        OpenCommandLineShow(commandLine);
    if (!g_editor.playOnly) {
        ShowWindow(g_editor.mainWindow, SW_SHOWMAXIMIZED);
        UpdateWindow(g_editor.mainWindow);
    }
    if (!ComputeClipRect()) {
        MessageBoxA(nullptr, "Failed to getAppMetrics.", kErrorCaption, MB_OK);
        return false;
    }
    // An opened show has made surfaces of its own size already.
    if (!g_editor.documentOpen)
        MakeSurfaces(g_editor.screenWidth, g_editor.screenHeight);

    srand(timeGetTime());
    g_editor.character = RandomCharacter();
    SetTitle();

    if (g_editor.playOnly) {
        if (!PlayShow())
            ExitEditor(false);
    } else {
        PostMessageA(g_editor.mainWindow, WM_COMMAND, IDM_NEW, 0);
    }
    return true;
}

// While a show plays the loop retrieves no messages at all: it steps the
// player, which paces itself, and polls the input devices.
int RunMessageLoop()
{
    MSG message = {};
    for (;;) {
        if (g_editor.playing) {
            StepPlayback();
            continue;
        }
        BOOL result = GetMessageA(&message, nullptr, 0, 0);
        if (result == 0)
            return static_cast<int>(message.wParam);
        if (result == -1)
            return 0;
        if (TranslateAcceleratorA(g_editor.mainWindow, g_editor.accelerators, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Wine keeps a menu out of reach of other processes; this message tells them
// the state of one item (as GetMenuState gives it), so tests and assistive
// tools can read what the user sees.
const char kItemStateMessage[] = "TovarenEditorItemState";

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    static const UINT itemStateMessage = RegisterWindowMessageA(kItemStateMessage);
    if (message == itemStateMessage && itemStateMessage != 0)
        return GetMenuState(g_editor.menu, static_cast<UINT>(wParam), MF_BYCOMMAND);
    int x = LOWORD(lParam);
    int y = HIWORD(lParam);
    switch (message) {
    case WM_CREATE: UseSystemCursor(IDC_ARROW); break;
    case WM_CLOSE: OnClose(window); return 0;
    case WM_QUERYENDSESSION: return QueryEndSession();
    case WM_ENDSESSION:
        if (wParam)
            EndSession();
        return 0;
    case WM_DROPFILES: OpenDroppedFile(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_DESTROY:
        // Reached without WM_CLOSE only when the system takes the window: the
        // user is asked once more, and the program ends whatever the answer.
        if (!g_editor.exited && !ExitEditor(true))
            EndProgram();
        return 0;
    // Activation still goes on to DefWindowProc, which gives the window the
    // keyboard focus that the accelerators need.
    case WM_ACTIVATE: OnActivate(wParam); break;
    case WM_PAINT: PaintMainWindow(window); return 0;
    case WM_WINDOWPOSCHANGED:
        if (g_editor.playing)
            StopPlayback();
        ComputeClipRect();
        break;
    case WM_SIZING:
        Sleep(40);
        ComputeClipRect();
        break;
    case WM_EXITMENULOOP: g_editor.swallowNextClick = true; break;
    case WM_COMMAND:
        g_editor.pickMode = false;
        g_editor.fillMode = false;
        RunCommand(LOWORD(wParam));
        break;
    case WM_LBUTTONDOWN: OnLeftButtonDown(x, y); break;
    case WM_MOUSEMOVE: OnMouseMove(x, y); break;
    case WM_LBUTTONUP: OnLeftButtonUp(x, y); break;
    case WM_RBUTTONDOWN: OnRightButtonDown(); break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK PlaybackWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE)
        return 0;
    if (message == WM_PAINT) {
        PaintDesktopPicture(window, true);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The window shows the desktop as it was, so that the player, which copies
// the screen, paints over the desktop and not over an empty window.
bool CreatePlaybackWindow()
{
    CaptureDesktopPicture(g_editor.screenWidth, g_editor.screenHeight);
    g_editor.playbackWindow =
        CreateWindowExA(WS_EX_TOPMOST, kPlaybackClass, kPlaybackClass, WS_POPUP, 0, 0,
                        g_editor.screenWidth, g_editor.screenHeight, nullptr, nullptr,
                        g_editor.module, nullptr);
    if (!g_editor.playbackWindow)
        return false;
    SetFocus(g_editor.playbackWindow);
    ShowWindow(g_editor.playbackWindow, SW_SHOWMAXIMIZED);
    UpdateWindow(g_editor.playbackWindow);
    ShowCursor(FALSE);
    return true;
}

void DestroyPlaybackWindow()
{
    if (!g_editor.playbackWindow)
        return;
    DestroyWindow(g_editor.playbackWindow);
    g_editor.playbackWindow = nullptr;
    ReleaseDesktopPicture();
    SetFocus(g_editor.mainWindow);
    ShowCursor(TRUE);
}

void StopPlayback(const char* failure)
{
    g_editor.playing = false;
    char errorText[kPlayerMessageSize] = "";
    if (failure)
        snprintf(errorText, sizeof(errorText), "%s", failure);
    if (g_editor.player) {
        if (!g_editor.player->ok)
            snprintf(errorText, sizeof(errorText), "%s", g_editor.player->message);
        g_editor.player->Shutdown();
        g_editor.player.reset();
    }
    if (g_editor.input) {
        g_editor.input->Shutdown();
        g_editor.input.reset();
    }
    RepaintWholeScreen();

    // A play-only start keeps its playback window until the program ends,
    // unless there is a failure to tell: the box must not open under a
    // top-most window without a cursor.
    if (!g_editor.playOnly) {
        DestroyPlaybackWindow();
        ShowWindow(g_editor.mainWindow, SW_RESTORE);
        UpdateMenu();
        UseSystemCursor(IDC_CROSS);
        SetCursorPos(g_editor.savedCursor.x, g_editor.savedCursor.y);
    } else if (errorText[0] != '\0') {
        DestroyPlaybackWindow();
    }
    // Said also in play-only mode: a show that cannot play must not end the
    // program without a word.
    if (errorText[0] != '\0')
        MessageBoxA(nullptr, errorText, kPlayErrorCaption, MB_OK);
}

// The session may end: the user is asked as for Close, but the program goes
// on until the session really ends, since another program may refuse.
BOOL QueryEndSession()
{
    if (g_editor.exited || !g_editor.documentOpen || !g_editor.changed)
        return TRUE;
    if (g_editor.playing)
        StopPlayback();
    return SavePrompt(false) ? TRUE : FALSE;
}

// The user has been asked already; the system ends the process after this.
void EndSession()
{
    if (!g_editor.exited)
        EndProgram();
}

bool SavePrompt(bool twoButtons)
{
    int answer = MessageBoxA(g_editor.mainWindow, kSavePromptText, kSavePromptCaption,
                             twoButtons ? MB_YESNO : MB_YESNOCANCEL);
    if (answer == IDYES)
        return SaveDocument(false);
    return answer == IDNO;
}

// True when the document is gone: saved, given up, or never there.
bool CloseDocument(bool twoButtons)
{
    g_editor.pickMode = false;
    if (g_editor.documentOpen && g_editor.changed && !SavePrompt(twoButtons))
        return false;
    g_editor.document.reset();
    ForgetRedo();
    ReleaseFreePointMemory();
    g_editor.path[0] = '\0';
    FillWindowGrey();
    FillSurfaceWhite(g_editor.screenWidth, g_editor.screenHeight);
    g_editor.documentOpen = false;
    g_editor.painted = false;
    g_editor.changed = false;
    g_editor.recordingStarted = false;
    UpdateMenu();
    ComputeClipRect();
    SetTitle();
    UseSystemCursor(IDC_ARROW);
    return true;
}

// The menu belongs to the main window and goes with it.
bool ExitEditor(bool twoButtons)
{
    if (g_editor.documentOpen && !CloseDocument(twoButtons))
        return false;
    EndProgram();
    return true;
}

void EndProgram()
{
    g_editor.path[0] = '\0';
    g_editor.settings.reset();
    ReleaseSurfaces();
    g_editor.exited = true;
    PostQuitMessage(0);
}
