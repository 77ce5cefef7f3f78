// The screen saver's process-wide state and the free functions that work on it.
#pragma once

#include "EntryNames.h"

#include <windows.h>
#include <cstdint>

class DirectDrawStarter;
class DirectoryList;
class ShowDocument;
class ShowPlayer;
class StandaloneInfo;
class tvRegistryClient;

const int kModulePathSize = 1024;
const int kSaverErrorSize = 2048;
const int kMaxOtherMonitors = 15;
const int kShowPathBufferSize = 263;

// A monitor other than the main one: a top-most window of its rectangle
// that plays its own sequence of shows, or stays dark.
struct MonitorShow {
    RECT rect;  // screen coordinates
    HWND window;
    ShowPlayer* player;  // null while the monitor is dark
    ShowDocument* document;
    HBITMAP characterBitmap;
    int16_t speed;
    BYTE warningMode;
    uint32_t nextShowDeadline;  // seconds of time(); 0 while no pause runs
    bool pictureShown;          // the window shows the player's last frame
    bool dark;                  // the main monitor only, or this monitor failed
    POINT cursorAtStart;        // a mouse message from here is no movement
    char showPath[kShowPathBufferSize];
};

struct SaverState {
    HINSTANCE module;
    char modulePath[kModulePathSize];
    StandaloneInfo* standalone;
    tvRegistryClient* settings;
    DirectoryList* showList;
    DirectoryList* characterList;
    ShowDocument* document;
    ShowPlayer* player;
    HBITMAP characterBitmap;
    int16_t speed;
    BYTE warningMode;
    int32_t pauseSeconds;
    uint32_t nextShowDeadline;  // seconds of time(); 0 while no pause runs
    int32_t randomHoldCount;
    uint32_t showCount;
    uint32_t showsLoaded;
    BYTE stopPriorityMarking;
    BYTE runningOnNT;
    BYTE previewMode;
    BYTE closeRequested;
    int32_t screenWidth;
    int32_t screenHeight;
    char errorText[kSaverErrorSize];
    char mainShowPath[kShowPathBufferSize];  // what the main monitor plays
    MonitorShow monitors[kMaxOtherMonitors];
    int monitorCount;
};

extern SaverState g_saver;

// Start-up, playback sequence and tear-down.
void ResetSaverState(HINSTANCE module);
bool InitSaver();
bool LoadSettings();
// The player takes DirectDraw from directDraw when given.
bool StartFirstShow(HWND window, HBITMAP characterBitmap, DirectDrawStarter* directDraw = nullptr);
bool StartNextShow();
void ReleaseAll();
void SetSaverError(const char* format, ...);

// Show selection, speed and character.
bool PrepareLists();
bool BuildShowList(const char* folder);
bool BuildCharacterList(const char* folder);
bool LoadShowFile(const char* path);
void ChooseShowSpeed(uint32_t totalMs);
int16_t RandomSpeedDraw();
int16_t CombineSpeed(int16_t base, int16_t slider);
HBITMAP PickCharacterBitmap();
HRESULT ResolveShortcut(const char* shortcutPath, char* output);

// The monitors besides the main one.
bool PaintsEveryMonitor();
void CreateMonitorWindows();
void StartMonitorShows();
void StepMonitorShows();
void PauseMonitorShows(bool paused, DWORD holdMs);
bool SkipMonitorShows();
void CheckMonitorsStillThere();
// True once when monitors came, went or moved since the last call.
bool MonitorLayoutChanged();
void ReleaseMonitorShows();
void DestroyMonitorWindows();
// The next show for a monitor (-1: the main one), not one that another
// monitor plays now unless there are fewer shows than monitors.
const char* PickShowFor(int monitorIndex);
LRESULT CALLBACK MonitorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The settings dialog and its sub-dialog.
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CharacterDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void FillSettingsControls(HWND dialog);
void SetSpeedSlider(HWND dialog, int16_t value);
int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data);
bool PathExists(const char* path);
