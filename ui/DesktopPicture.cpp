// A window without a background keeps the desktop's picture on Windows, but
// Wine gives a new window a black surface, and the player copies the screen
// to paint over it: the full-screen window paints this copy so that both the
// user and the player see the desktop.
#include "DesktopPicture.h"

#include "ScopedWin.h"

namespace {

HBITMAP g_picture = nullptr;
int g_width = 0;
int g_height = 0;

}  // namespace

void CaptureDesktopPicture(int width, int height)
{
    ReleaseDesktopPicture();
    g_width = width;
    g_height = height;
    ScopedGetDC screen(nullptr);
    ScopedMemoryDC memory(screen);
    g_picture = CreateCompatibleBitmap(screen, width, height);
    ScopedSelectObject selectPicture(memory, g_picture);
    if (selectPicture.Selected())
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
}

void ReleaseDesktopPicture()
{
    if (g_picture)
        DeleteObject(g_picture);
    g_picture = nullptr;
}

void PaintDesktopPicture(HWND window, bool show)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (g_picture && show) {
        ScopedMemoryDC memory(dc);
        ScopedSelectObject selectPicture(memory, g_picture);
        BitBlt(dc, 0, 0, g_width, g_height, memory, 0, 0, SRCCOPY);
    }
    EndPaint(window, &paint);
}
