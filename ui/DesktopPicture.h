// The screen as it was before the full-screen window appeared.
#pragma once

#include <windows.h>

void CaptureDesktopPicture(int width, int height);
// The same for any part of the screen, e.g. every monitor at once: a window
// anywhere inside area paints its own part.
void CaptureDesktopPictureOf(const RECT& area);
void ReleaseDesktopPicture();
// Paints the window's update region; with show clear it only validates it.
void PaintDesktopPicture(HWND window, bool show);
// The picture itself (null before a capture) and the screen point of its
// top left pixel.
HBITMAP DesktopPictureBitmap();
POINT DesktopPictureOrigin();
