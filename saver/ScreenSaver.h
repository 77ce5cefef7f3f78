// The screen saver contract: command line, window and the two playback loops.
#pragma once

#include <windows.h>

class DirectDrawStarter;

int RunScreenSaver(HINSTANCE module, const char* commandLine, int showCommand);
LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The first show's player takes its DirectDraw from directDraw when given.
bool RunFullScreen(HWND window, DirectDrawStarter* directDraw = nullptr);
bool RunPreview(HWND window);
