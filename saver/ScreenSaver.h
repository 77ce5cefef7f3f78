// The screen saver contract: command line, window and the two playback loops.
#pragma once

#include <windows.h>

int RunScreenSaver(HINSTANCE module, const char* commandLine, int showCommand);
LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool RunFullScreen(HWND window);
bool RunPreview(HWND window);
