#include "DrawingSurface.h"

namespace {

// The surface keeps the display's depth where the fill can work on it (16 bits
// as 5-6-5, else 32), so the window shows exactly what it holds.
HBITMAP CreateDrawingBitmap(HDC windowDC, int width, int height, void** bits, int* bytesPerPixel)
{
    if (!windowDC || width <= 0 || height <= 0)
        return nullptr;
    struct {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } info = {};
    info.header.biSize = sizeof(info.header);
    info.header.biWidth = width;
    info.header.biHeight = -height;  // top-down: row 0 first, as the fill expects
    info.header.biPlanes = 1;
    if (GetDeviceCaps(windowDC, BITSPIXEL) == 16) {
        info.header.biBitCount = 16;
        info.header.biCompression = BI_BITFIELDS;
        info.masks[0] = 0xF800;
        info.masks[1] = 0x07E0;
        info.masks[2] = 0x001F;
        *bytesPerPixel = 2;
    } else {
        info.header.biBitCount = 32;
        info.header.biCompression = BI_RGB;
        *bytesPerPixel = 4;
    }
    HBITMAP bitmap = CreateDIBSection(windowDC, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                      bits, nullptr, 0);
    if (!bitmap)
        *bits = nullptr;
    return bitmap;
}

}  // namespace

HGDIOBJ SelectColourPen(HDC dc, COLORREF colour)
{
    SetDCPenColor(dc, colour);
    return SelectObject(dc, GetStockObject(DC_PEN));
}

DrawingSurface::DrawingSurface(HWND window, int width, int height)
    : width_(width),
      height_(height),
      windowDC_(window),
      memoryDC_(windowDC_),
      bitmap_(CreateDrawingBitmap(windowDC_, width, height, &bits_, &bytesPerPixel_)),
      bitmapSelection_(memoryDC_, bitmap_)
{
}

PixelMemory DrawingSurface::Pixels() const
{
    PixelMemory memory;
    memory.bits = static_cast<uint8_t*>(bits_);
    memory.pitch = ((width_ * bytesPerPixel_) + 3) & ~3;
    memory.width = width_;
    memory.height = height_;
    memory.bytesPerPixel = bytesPerPixel_;
    return memory;
}

void DrawingSurface::SetPen(int width, COLORREF colour)
{
    if (!Ok())
        return;
    penInWindow_.reset();
    penInMemory_.reset();
    pen_.Reset(CreatePen(PS_SOLID, width, colour));
    HGDIOBJ pen = pen_.Get();
    if (!pen) {
        SetDCPenColor(windowDC_, colour);
        SetDCPenColor(memoryDC_, colour);
        pen = GetStockObject(DC_PEN);
    }
    penInWindow_.emplace(windowDC_, pen);
    penInMemory_.emplace(memoryDC_, pen);
}

void DrawingSurface::FillWhite(int width, int height)
{
    if (!Ok())
        return;
    RECT area = {0, 0, width, height};
    FillRect(memoryDC_, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}
