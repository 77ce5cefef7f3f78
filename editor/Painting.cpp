// Painting with the mouse: the drawing surface behind the main window, the
// pen, recording every movement as a timed point, the flood fill, the redraw
// of a whole show and undo.
#include "EditorState.h"

#include "FloodFill.h"
#include "resource.h"

#include <algorithm>

namespace {

// The block of pixels around a fill click that must all hold the clicked
// colour: a click on or right beside a line fills nothing.
const int kBlockLeft = 2;
const int kBlockRight = 1;

const int kRedrawPenWidth = 4;

// The drawing surface keeps the display's depth where the fill can work on it
// (16 bits as 5-6-5, else 32), so the window shows exactly what it holds.
HBITMAP CreateDrawingBitmap(int width, int height, void** bits, int* bytesPerPixel)
{
    struct {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } info = {};
    info.header.biSize = sizeof(info.header);
    info.header.biWidth = width;
    info.header.biHeight = -height;  // top-down: row 0 first, as the fill expects
    info.header.biPlanes = 1;
    if (GetDeviceCaps(g_editor.windowDC, BITSPIXEL) == 16) {
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
    return CreateDIBSection(g_editor.windowDC, reinterpret_cast<BITMAPINFO*>(&info),
                            DIB_RGB_COLORS, bits, nullptr, 0);
}

PixelMemory DrawingMemory()
{
    PixelMemory memory;
    memory.bits = static_cast<uint8_t*>(g_editor.drawingBits);
    memory.pitch = g_editor.drawingPitch;
    memory.width = g_editor.drawingWidth;
    memory.height = g_editor.drawingHeight;
    memory.bytesPerPixel = g_editor.drawingBytesPerPixel;
    return memory;
}

// What ExtFloodFill(x, y, colour at (x, y), FLOODFILLSURFACE) does with a
// solid brush, without its per-row recursion, which overflows the stack on
// winding areas.
bool FillAreaAt(int x, int y, COLORREF colour)
{
    if (!g_editor.drawingBits || x < 0 || y < 0 || x >= g_editor.drawingWidth ||
        y >= g_editor.drawingHeight)
        return false;
    GdiFlush();
    uint32_t value = g_editor.drawingBytesPerPixel == 2
                         ? PixelValueFromColor(colour, 0xF800, 0x07E0, 0x001F)
                         : PixelValueFromColor(colour, 0xFF0000, 0x00FF00, 0x0000FF);
    return SpanFloodFill(DrawingMemory(), x, y, value) >= 0;
}

bool BlockHoldsColour(POINT p, COLORREF colour)
{
    if (colour == CLR_INVALID)
        return false;
    for (int y = p.y - kBlockLeft; y <= p.y + kBlockRight; y++)
        for (int x = p.x - kBlockLeft; x <= p.x + kBlockRight; x++)
            if (GetPixel(g_editor.windowDC, x, y) != colour)
                return false;
    return true;
}

void Record(int x, int y, uint8_t flags)
{
    g_editor.document->RecordLivePoint(static_cast<uint16_t>(x), static_cast<uint16_t>(y),
                                       g_editor.currentColour, g_editor.penSize, flags);
}

// Only the part of the window the new segment touches is repainted from the
// surface: the rest already shows it.
void RepaintSegment(POINT from, int x, int y)
{
    int reach = g_editor.penSize / 2 + 2;
    RECT area = {std::min<LONG>(from.x, x) - reach, std::min<LONG>(from.y, y) - reach,
                 std::max<LONG>(from.x, x) + reach + 1, std::max<LONG>(from.y, y) + reach + 1};
    InvalidateRect(g_editor.mainWindow, &area, FALSE);
    UpdateWindow(g_editor.mainWindow);
}

// The pick and the fill act where the button was released, which the message
// tells; the cursor may have moved on before the message is handled.
void PickColourAt(int x, int y)
{
    g_editor.pickMode = false;
    UseSystemCursor(IDC_CROSS);
    COLORREF picked = GetPixel(g_editor.windowDC, x, y);
    if (picked == CLR_INVALID)
        return;
    g_editor.currentColour = picked;
    MakePen();
}

void FillAt(int x, int y)
{
    POINT p = {x, y};
    COLORREF clicked = GetPixel(g_editor.windowDC, p.x, p.y);
    g_editor.fillMode = false;
    if (!BlockHoldsColour(p, clicked))
        return;
    UseSystemCursor(IDC_CROSS);
    if (!FillAreaAt(p.x, p.y, g_editor.currentColour))
        return;
    Record(x, y, PF_FILL);
    InvalidateRect(g_editor.mainWindow, nullptr, FALSE);
}

void SelectRedrawPen(HPEN& pen, const ShowPoint& point)
{
    HPEN next = CreatePen(PS_SOLID, point.penSize, GetNearestColor(g_editor.drawingDC, point.colour));
    SelectObject(g_editor.drawingDC, next);
    DeleteObject(pen);
    pen = next;
}

}  // namespace

void SetEditorCursor(HCURSOR cursor)
{
    SetCursor(cursor);
}

void UseSystemCursor(LPCSTR id)
{
    SetEditorCursor(LoadCursorA(nullptr, id));
}

void SetIdleCursor()
{
    UseSystemCursor(g_editor.documentOpen ? IDC_CROSS : IDC_ARROW);
}

bool MakeSurfaces(int width, int height)
{
    ReleaseSurfaces();
    g_editor.windowDC = GetDC(g_editor.mainWindow);
    if (!g_editor.windowDC)
        return false;
    void* bits = nullptr;
    int bytesPerPixel = 4;
    HBITMAP bitmap = width > 0 && height > 0
                         ? CreateDrawingBitmap(width, height, &bits, &bytesPerPixel)
                         : nullptr;
    HDC memory = bitmap ? CreateCompatibleDC(g_editor.windowDC) : nullptr;
    if (!memory) {
        if (bitmap)
            DeleteObject(bitmap);
        return false;
    }
    g_editor.drawingBitmap = bitmap;
    g_editor.drawingDC = memory;
    g_editor.drawingDCFirstBitmap = SelectObject(memory, bitmap);
    g_editor.drawingBits = bits;
    g_editor.drawingBytesPerPixel = bytesPerPixel;
    g_editor.drawingPitch = ((width * bytesPerPixel) + 3) & ~3;
    g_editor.drawingWidth = width;
    g_editor.drawingHeight = height;

    RECT area = {0, 0, width, height};
    FillRect(g_editor.windowDC, &area, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    FillSurfaceWhite(width, height);
    MakePen();
    return true;
}

void MakePen()
{
    if (!g_editor.windowDC || !g_editor.drawingDC)
        return;
    if (g_editor.drawingPen) {
        SelectObject(g_editor.windowDC, g_editor.windowDCFirstPen);
        SelectObject(g_editor.drawingDC, g_editor.drawingDCFirstPen);
        DeleteObject(g_editor.drawingPen);
    }
    COLORREF nearest = GetNearestColor(g_editor.windowDC, g_editor.currentColour);
    g_editor.drawingPen = CreatePen(PS_SOLID, g_editor.penSize, nearest);
    g_editor.windowDCFirstPen = SelectObject(g_editor.windowDC, g_editor.drawingPen);
    g_editor.drawingDCFirstPen = SelectObject(g_editor.drawingDC, g_editor.drawingPen);
}

void ReleaseSurfaces()
{
    if (g_editor.drawingDC) {
        if (g_editor.drawingPen)
            SelectObject(g_editor.drawingDC, g_editor.drawingDCFirstPen);
        SelectObject(g_editor.drawingDC, g_editor.drawingDCFirstBitmap);
        DeleteDC(g_editor.drawingDC);
    }
    if (g_editor.windowDC && g_editor.drawingPen)
        SelectObject(g_editor.windowDC, g_editor.windowDCFirstPen);
    if (g_editor.drawingBitmap)
        DeleteObject(g_editor.drawingBitmap);
    if (g_editor.drawingPen)
        DeleteObject(g_editor.drawingPen);
    if (g_editor.windowDC)
        ReleaseDC(g_editor.mainWindow, g_editor.windowDC);
    g_editor.drawingDC = nullptr;
    g_editor.drawingBitmap = nullptr;
    g_editor.drawingPen = nullptr;
    g_editor.windowDC = nullptr;
    g_editor.drawingBits = nullptr;
    g_editor.drawingWidth = g_editor.drawingHeight = 0;
}

void FillWindowGrey()
{
    if (!g_editor.windowDC)
        return;
    RECT area = {0, 0, g_editor.screenWidth, g_editor.screenHeight};
    FillRect(g_editor.windowDC, &area, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
}

void FillSurfaceWhite(int width, int height)
{
    if (!g_editor.drawingDC)
        return;
    RECT area = {0, 0, width, height};
    FillRect(g_editor.drawingDC, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

// Pens are made again only where colour or size change from one point to the next.
void Redraw()
{
    if (!g_editor.document || !g_editor.drawingDC)
        return;
    ShowDocument& document = *g_editor.document;
    FillSurfaceWhite(document.header.block.width, document.header.block.height);
    ShowPoint penOf = {};
    penOf.colour = RGB(0, 0, 0);
    penOf.penSize = kRedrawPenWidth;
    HPEN pen = CreatePen(PS_SOLID, kRedrawPenWidth, GetNearestColor(g_editor.drawingDC, penOf.colour));
    HGDIOBJ previous = SelectObject(g_editor.drawingDC, pen);
    document.Rewind();
    while (PointNode* node = document.NextPoint()) {
        const ShowPoint& point = node->point;
        if (point.colour != penOf.colour || point.penSize != penOf.penSize) {
            SelectRedrawPen(pen, point);
            penOf = point;
        }
        if (point.flags & PF_FILL)
            FillAreaAt(point.x, point.y, point.colour);
        if (point.flags & PF_PEN_DOWN)
            LineTo(g_editor.drawingDC, point.x, point.y);
        else
            MoveToEx(g_editor.drawingDC, point.x, point.y, nullptr);
    }
    SelectObject(g_editor.drawingDC, previous);
    DeleteObject(pen);
    MakePen();
}

bool ComputeClipRect()
{
    RECT client;
    if (!GetClientRect(g_editor.mainWindow, &client))
        return false;
    if (g_editor.document) {
        client.right = std::min<LONG>(client.right, g_editor.document->header.block.width);
        client.bottom = std::min<LONG>(client.bottom, g_editor.document->header.block.height);
    }
    POINT topLeft = {client.left, client.top};
    POINT bottomRight = {client.right, client.bottom};
    if (!ClientToScreen(g_editor.mainWindow, &topLeft) ||
        !ClientToScreen(g_editor.mainWindow, &bottomRight))
        return false;
    SetRect(&g_editor.clipRect, topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
    return true;
}

// The window shows the drawing surface; around a painting smaller than the
// window lies the grey background.
void PaintMainWindow(HWND window)
{
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    HDC dc = g_editor.windowDC;
    HBRUSH grey = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    if (dc && g_editor.documentOpen && g_editor.drawingDC) {
        RECT painting = {0, 0, g_editor.drawingWidth, g_editor.drawingHeight};
        RECT shown;
        if (IntersectRect(&shown, &paint.rcPaint, &painting))
            BitBlt(dc, shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top,
                   g_editor.drawingDC, shown.left, shown.top, SRCCOPY);
        RECT right = {painting.right, paint.rcPaint.top, paint.rcPaint.right, paint.rcPaint.bottom};
        RECT below = {paint.rcPaint.left, painting.bottom, painting.right, paint.rcPaint.bottom};
        if (right.left < right.right)
            FillRect(dc, &right, grey);
        if (below.top < below.bottom)
            FillRect(dc, &below, grey);
    } else if (dc) {
        RECT area = {0, 0, g_editor.screenWidth, g_editor.screenHeight};
        FillRect(dc, &area, grey);
    }
    EndPaint(window, &paint);

    // Setting the same icon again costs a trip to the window manager per point.
    static HICON big = static_cast<HICON>(LoadImageA(g_editor.module, MAKEINTRESOURCEA(IDI_TOVAREN),
                                                     IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                     GetSystemMetrics(SM_CYICON), 0));
    static HICON small = static_cast<HICON>(LoadImageA(g_editor.module, MAKEINTRESOURCEA(IDI_TOVAREN),
                                                       IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                       GetSystemMetrics(SM_CYSMICON), 0));
    if (reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0)) != big)
        SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0)) != small)
        SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void OnLeftButtonDown(int x, int y)
{
    if (g_editor.swallowNextClick) {
        g_editor.swallowNextClick = false;
        return;
    }
    if (g_editor.pickMode || !g_editor.documentOpen)
        return;
    SetEditorCursor(g_editor.drawCursor);
    ClipCursor(&g_editor.clipRect);
    SetCapture(g_editor.mainWindow);
    if (!g_editor.changed || !g_editor.recordingStarted) {
        EnableItemsForPainting();
        g_editor.changed = true;
        if (!g_editor.recordingStarted) {
            MoveToEx(g_editor.windowDC, x, y, nullptr);
            MoveToEx(g_editor.drawingDC, x, y, nullptr);
            Record(x, y, 0);
        }
    }
    if (g_editor.playing) {
        StopPlayback();
        InvalidateRect(g_editor.mainWindow, nullptr, FALSE);
        return;
    }
    g_editor.buttonDown = true;
    g_editor.recordingStarted = true;
}

void OnMouseMove(int x, int y)
{
    bool modeOn = g_editor.pickMode || g_editor.fillMode;
    if (g_editor.pickMode)
        SetEditorCursor(g_editor.pickCursor);
    if (g_editor.fillMode)
        SetEditorCursor(g_editor.fillCursor);
    if (!g_editor.recordingStarted) {
        if (!modeOn)
            SetIdleCursor();
        return;
    }
    if (g_editor.playing || !g_editor.document)
        return;

    POINT from = {};
    GetCurrentPositionEx(g_editor.drawingDC, &from);
    uint8_t flags = 0;
    if (g_editor.buttonDown && !modeOn) {
        SetEditorCursor(g_editor.drawCursor);
        LineTo(g_editor.windowDC, x, y);
        LineTo(g_editor.drawingDC, x, y);
        flags = PF_PEN_DOWN;
    } else {
        if (!modeOn)
            UseSystemCursor(IDC_CROSS);
        MoveToEx(g_editor.windowDC, x, y, nullptr);
        MoveToEx(g_editor.drawingDC, x, y, nullptr);
    }
    Record(x, y, flags);
    RepaintSegment(from, x, y);
}

void OnLeftButtonUp(int x, int y)
{
    if (g_editor.pickMode) {
        PickColourAt(x, y);
        return;
    }
    if (g_editor.fillMode && g_editor.document)
        FillAt(x, y);
    UseSystemCursor(IDC_CROSS);
    g_editor.buttonDown = false;
    ClipCursor(nullptr);
    ReleaseCapture();
}

// The cursor goes to the end of what is left, and the next move records
// from there, so the hand's path continues where the painting does.
void UndoCommand()
{
    if (!g_editor.document)
        return;
    UseSystemCursor(IDC_WAIT);
    PointNode* end = g_editor.document->UndoLastStroke();
    ReleaseFreePointMemory();
    if (end) {
        Redraw();
        InvalidateRect(g_editor.mainWindow, nullptr, FALSE);
        POINT p = {end->point.x, end->point.y};
        ClientToScreen(g_editor.mainWindow, &p);
        SetCursorPos(p.x, p.y);
        if (!g_editor.changed) {
            const int items[] = {IDM_SAVE, IDM_SAVE_AS, IDM_CLOSE, IDM_PLAY, IDM_UNDO,
                                 IDM_EXPORT_ANIMATION, IDM_EXPORT_PICTURE};
            EnableMenuItems(items, true);
            DrawMenuBar(g_editor.mainWindow);
            g_editor.changed = true;
        }
    }
    UseSystemCursor(IDC_CROSS);
}
