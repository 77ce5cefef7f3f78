// The editor's process-wide state and the free functions that work on it.
// Everything runs on the window thread; the splash thread reads only the
// module and the main window handle.
#pragma once

#include "DrawingSurface.h"
#include "InputDevices.h"
#include "ShowDocument.h"
#include "ShowPlayer.h"
#include "resource.h"
#include "tvRegistryClient.h"

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <vector>

const int kEditorPathSize = 260;
const int kClassNameSize = 64;
const int kCustomColourCount = 16;
const int kRecentFileCount = IDM_RECENT_COUNT;
// What Redo can put back is bounded: beyond this many points (16 bytes each,
// 160 KB; a minute or two of painting) the oldest undone strokes are forgotten.
const size_t kRedoPointLimit = 10000;

// Which built-in character plays the show; the values are the ones stored
// history and the character dialog know them by.
enum : int32_t {
    CHARACTER_VELKA = 1,
    CHARACTER_RARE = 2,  // only the random choice at start picks it
    CHARACTER_BRAMWELL = 3,
    CHARACTER_DORIN = 69,
};

const uint8_t kDefaultPenSize = 4;
const int16_t kDefaultPlaybackSpeed = 85;

// One stroke that Undo took: the points after the one it cut at, with their
// delays, and where the stroke began.
struct UndoneStroke {
    POINT start;
    std::vector<ShowPoint> points;
};

struct EditorState {
    HINSTANCE module;
    HWND mainWindow;
    HWND playbackWindow;
    HMENU menu;
    HACCEL accelerators;
    HCURSOR drawCursor;
    HCURSOR pickCursor;
    HCURSOR fillCursor;
    char className[kClassNameSize];

    // The painting as the window shows it; none when it could not be made.
    std::unique_ptr<DrawingSurface> surface;

    COLORREF currentColour;
    uint8_t penSize;
    int16_t playbackSpeed;
    int32_t character;
    uint8_t warningMode;
    bool osIsNT;

    ShowDocumentPtr document;
    char path[kEditorPathSize];
    bool documentOpen;
    // The document was opened, painted on or undone: the items that work on
    // its points are offered (a new painting offers them from its first press).
    bool painted;
    bool changed;
    bool recordingStarted;
    bool buttonDown;
    bool playing;
    bool playOnly;
    bool pickMode;
    bool fillMode;
    bool swallowNextClick;
    bool exited;  // the exit routine has run; the window may go
    POINT savedCursor;
    RECT clipRect;
    uint16_t screenWidth;
    uint16_t screenHeight;

    std::unique_ptr<tvRegistryClient> settings;
    std::unique_ptr<InputDevices> input;  // during a playback
    std::unique_ptr<ShowPlayer> player;   // during a playback

    // Strokes that Undo took, the last one last, for Redo.
    std::vector<UndoneStroke> redo;
    size_t redoPoints;
    char recentFiles[kRecentFileCount][kEditorPathSize];  // the newest first

    COLORREF customColours[kCustomColourCount];
    OPENFILENAMEA fileDialog;
    char fileDialogFolder[kEditorPathSize];
};

extern EditorState g_editor;

// Start-up and the loop (EditorWindow.cpp).
int RunEditor(HINSTANCE module, const char* commandLine);
// Everything before the message loop; false when the program must end.
bool StartEditor(HINSTANCE module, const char* commandLine);
bool TakeCommandLinePath(const char* commandLine, char* path, size_t size);
int RunMessageLoop();
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PlaybackWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool CreatePlaybackWindow();
void DestroyPlaybackWindow();
// A failure text, when given, is said as the player's would be.
void StopPlayback(const char* failure = nullptr);
bool CloseDocument(bool twoButtons);
bool ExitEditor(bool twoButtons);
void EndProgram();
bool SavePrompt(bool twoButtons);
BOOL QueryEndSession();
void EndSession();

// The painting (Painting.cpp).
bool MakeSurfaces(int width, int height);
void MakePen();
void ReleaseSurfaces();
void Redraw();
bool ComputeClipRect();
void FillWindowGrey();
void FillSurfaceWhite(int width, int height);
void PaintMainWindow(HWND window);
void OnLeftButtonDown(int x, int y);
void OnMouseMove(int x, int y);
void OnLeftButtonUp(int x, int y);
void UndoCommand();
void RedoCommand();
void ForgetRedo();
void SetEditorCursor(HCURSOR cursor);
void UseSystemCursor(LPCSTR id);  // IDC_ARROW, IDC_CROSS, IDC_WAIT
void SetIdleCursor();

// Commands, routines and dialogs (EditorCommands.cpp, EditorDialogs.cpp).
void RunCommand(int id);
void NewDocument();
int32_t OpenShow(const char* givenPath, bool fromCommandLine);
bool SaveDocument(bool saveAs);
bool PlayShow();
void SetTitle();
void PrepareFileDialog();
// Works out every item's state from the editor state; called wherever it changes.
void UpdateMenu();
bool HasSignature();
void OpenDroppedFile(HDROP drop);
INT_PTR CALLBACK PenSizeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PlaybackSpeedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CharacterSelectionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SignatureDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
HBITMAP LoadCharacterBitmap(int32_t character);
int32_t RandomCharacter();

// The shows opened or saved last, at the end of the File menu (RecentFiles.cpp).
void LoadRecentFiles();
void RememberRecentFile(const char* path);
void ForgetRecentFile(const char* path);
void OpenRecentFile(int index);
