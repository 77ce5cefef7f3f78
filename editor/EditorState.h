// The editor's process-wide state and the free functions that work on it.
// Everything runs on the window thread; the splash thread reads only the
// module and the main window handle.
#pragma once

#include "ShowDocument.h"

#include <windows.h>
#include <commdlg.h>

#include <cstdint>

class InputDevices;
class ShowPlayer;
class tvRegistryClient;

const int kEditorPathSize = 260;
const int kClassNameSize = 64;
const int kCustomColourCount = 16;

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

    // The painting: the window's own DC and the drawing surface, a DIB
    // section of the painting's size whose pixels the flood fill works on.
    HDC windowDC;
    HDC drawingDC;
    HBITMAP drawingBitmap;
    HGDIOBJ drawingDCFirstBitmap;  // what the memory DC held when it was made
    HGDIOBJ windowDCFirstPen;
    HGDIOBJ drawingDCFirstPen;
    HPEN drawingPen;
    void* drawingBits;
    int drawingPitch;
    int drawingBytesPerPixel;
    int drawingWidth;
    int drawingHeight;

    COLORREF currentColour;
    uint8_t penSize;
    int16_t playbackSpeed;
    int32_t character;
    uint8_t warningMode;
    bool osIsNT;

    ShowDocumentPtr document;
    char path[kEditorPathSize];
    bool documentOpen;
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

    tvRegistryClient* settings;
    InputDevices* input;
    ShowPlayer* player;

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
void StopPlayback();
bool CloseDocument(bool twoButtons);
bool ExitEditor(bool twoButtons);
void EndProgram();
bool SavePrompt(bool twoButtons);

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
void EnableMenuItems(const int* ids, int count, bool enabled);
template <int N>
void EnableMenuItems(const int (&ids)[N], bool enabled)
{
    EnableMenuItems(ids, N, enabled);
}
void EnableItem(int id, bool enabled);
void EnableSignatureItem();
void EnableItemsForPainting();
void GrayDocumentItems();
INT_PTR CALLBACK PenSizeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PlaybackSpeedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CharacterSelectionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SignatureDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
HBITMAP LoadCharacterBitmap(int32_t character);
int32_t RandomCharacter();
