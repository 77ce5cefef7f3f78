// The screen as it was before the full-screen window appeared.
#pragma once

#include <windows.h>

void CaptureDesktopPicture(int width, int height);
void ReleaseDesktopPicture();
// Paints the window's update region; with show clear it only validates it.
void PaintDesktopPicture(HWND window, bool show);
