// A window without a background keeps the desktop's picture on Windows, but
// Wine gives a new window a black surface, and the player copies the screen
// to paint over it: the full-screen window paints this copy so that both the
// user and the player see the desktop.
#include "DesktopPicture.h"

#include "ScopedWin.h"

namespace {

HBITMAP g_picture = nullptr;
RECT g_area = {0, 0, 0, 0};

}  // namespace

void CaptureDesktopPicture(int width, int height)
{
    RECT area = {0, 0, width, height};
    CaptureDesktopPictureOf(area);
}

void CaptureDesktopPictureOf(const RECT& area)
{
    ReleaseDesktopPicture();
    g_area = area;
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    ScopedGetDC screen(nullptr);
    ScopedMemoryDC memory(screen);
    g_picture = CreateCompatibleBitmap(screen, width, height);
    ScopedSelectObject selectPicture(memory, g_picture);
    if (selectPicture.Selected())
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
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
        RECT place;
        GetWindowRect(window, &place);
        ScopedMemoryDC memory(dc);
        ScopedSelectObject selectPicture(memory, g_picture);
        BitBlt(dc, 0, 0, place.right - place.left, place.bottom - place.top, memory,
               place.left - g_area.left, place.top - g_area.top, SRCCOPY);
    }
    EndPaint(window, &paint);
}

HBITMAP DesktopPictureBitmap()
{
    return g_picture;
}

POINT DesktopPictureOrigin()
{
    POINT origin = {g_area.left, g_area.top};
    return origin;
}
