// The screen saver's process-wide state and the free functions that work on it.
#pragma once

#include "EntryNames.h"

#include <windows.h>
#include <cstdint>

class DirectoryList;
class ShowDocument;
class ShowPlayer;
class StandaloneInfo;
class tvRegistryClient;

const int kModulePathSize = 1024;
const int kSaverErrorSize = 2048;

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
};

extern SaverState g_saver;

// Start-up, playback sequence and tear-down.
void ResetSaverState(HINSTANCE module);
bool InitSaver();
bool LoadSettings();
bool StartFirstShow(HWND window, HBITMAP characterBitmap);
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

// The settings dialog and its sub-dialog.
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CharacterDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void FillSettingsControls(HWND dialog);
void SetSpeedSlider(HWND dialog, int16_t value);
int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data);
bool PathExists(const char* path);
