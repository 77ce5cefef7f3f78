// Painting with the mouse: the drawing surface behind the main window, the
// pen, recording every movement as a timed point, the flood fill, the redraw
// of a whole show and undo.
#include "EditorState.h"

#include "FloodFill.h"
#include "resource.h"

#include <algorithm>
#include <new>
#include <utility>

namespace {

// The block of pixels around a fill click that must all hold the clicked
// colour: a click on or right beside a line fills nothing.
const int kBlockLeft = 2;
const int kBlockRight = 1;

const int kRedrawPenWidth = 4;

// What ExtFloodFill(x, y, colour at (x, y), FLOODFILLSURFACE) does with a
// solid brush, without its per-row recursion, which overflows the stack on
// winding areas.
bool FillAreaAt(int x, int y, COLORREF colour)
{
    DrawingSurface* surface = g_editor.surface.get();
    if (!surface || x < 0 || y < 0 || x >= surface->width() || y >= surface->height())
        return false;
    GdiFlush();
    PixelMemory memory = surface->Pixels();
    uint32_t value = memory.bytesPerPixel == 2
                         ? PixelValueFromColor(colour, 0xF800, 0x07E0, 0x001F)
                         : PixelValueFromColor(colour, 0xFF0000, 0x00FF00, 0x0000FF);
    return SpanFloodFill(memory, x, y, value) >= 0;
}

// GDI's nearest colour, or the colour itself where GDI cannot say (it may need
// a palette object when no GDI handle is left).
COLORREF NearestColour(HDC dc, COLORREF colour)
{
    COLORREF nearest = GetNearestColor(dc, colour);
    return nearest == CLR_INVALID ? colour : nearest;
}

HDC WindowDC()
{
    return g_editor.surface ? g_editor.surface->windowDC() : nullptr;
}

HDC SurfaceDC()
{
    return g_editor.surface ? g_editor.surface->dc() : nullptr;
}

bool BlockHoldsColour(POINT p, COLORREF colour)
{
    if (colour == CLR_INVALID)
        return false;
    for (int y = p.y - kBlockLeft; y <= p.y + kBlockRight; y++)
        for (int x = p.x - kBlockLeft; x <= p.x + kBlockRight; x++)
            if (GetPixel(WindowDC(), x, y) != colour)
                return false;
    return true;
}

const char kRecordingFailedText[] =
    "The painting is no longer being recorded: there is not enough memory for more points.\n"
    "What was recorded up to here is kept and shown; save it now.";
const char kRecordingErrorCaption[] = "Recording Error";

// The drag ends where the cursor is: the moves that follow are pen moves.
void EndDrag()
{
    g_editor.buttonDown = false;
    ClipCursor(nullptr);
    ReleaseCapture();
}

// A point that cannot be had ends the recording: the window shows what the
// show holds, and the user learns it at once. The next press records again.
void StopRecordingForLackOfMemory()
{
    EndDrag();
    g_editor.recordingStarted = false;
    ReleaseFreePointMemory();
    Redraw();
    InvalidateRect(g_editor.mainWindow, nullptr, FALSE);
    UseSystemCursor(IDC_CROSS);
    MessageBoxA(g_editor.mainWindow, kRecordingFailedText, kRecordingErrorCaption,
                MB_OK | MB_ICONERROR);
}

bool Record(int x, int y, uint8_t flags)
{
    if (g_editor.document->RecordLivePoint(static_cast<uint16_t>(x), static_cast<uint16_t>(y),
                                           g_editor.currentColour, g_editor.penSize, flags))
        return true;
    StopRecordingForLackOfMemory();
    return false;
}

bool OnPainting(int x, int y)
{
    const ShowHeaderBlock& header = g_editor.document->header.block;
    return x < header.width && y < header.height;
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
    COLORREF picked = GetPixel(WindowDC(), x, y);
    if (picked == CLR_INVALID)
        return;
    g_editor.currentColour = picked;
    MakePen();
}

void FillAt(int x, int y)
{
    POINT p = {x, y};
    COLORREF clicked = GetPixel(WindowDC(), p.x, p.y);
    g_editor.fillMode = false;
    if (!BlockHoldsColour(p, clicked))
        return;
    UseSystemCursor(IDC_CROSS);
    if (!FillAreaAt(p.x, p.y, g_editor.currentColour))
        return;
    ForgetRedo();
    if (Record(x, y, PF_FILL))
        InvalidateRect(g_editor.mainWindow, nullptr, FALSE);
}

// The pen of the next points; when GDI can make none, the DC's own pen draws
// them in their colour, one pixel wide, and the old pen goes.
void SelectRedrawPen(HDC dc, ScopedPen& pen, const ShowPoint& point)
{
    COLORREF colour = NearestColour(dc, point.colour);
    HPEN next = CreatePen(PS_SOLID, point.penSize, colour);
    if (next)
        SelectObject(dc, next);
    else
        SelectColourPen(dc, colour);
    pen.Reset(next);
}

// Undo and Redo move the cursor to the end of the painting and the pen of
// both DCs with it, so the next move goes on from there.
void PutCursorAt(const ShowPoint& point)
{
    MoveToEx(WindowDC(), point.x, point.y, nullptr);
    MoveToEx(SurfaceDC(), point.x, point.y, nullptr);
    POINT p = {point.x, point.y};
    ClientToScreen(g_editor.mainWindow, &p);
    SetCursorPos(p.x, p.y);
}

void MarkChanged()
{
    g_editor.changed = true;
    g_editor.painted = true;
    UpdateMenu();
}

// What Undo is about to take; nothing when it is too long to keep or there is
// no memory for it.
UndoneStroke CopyUndoneStroke(ShowDocument& document)
{
    UndoneStroke stroke = {};
    PointNode* cut = document.FindUndoCut();
    if (!cut)
        return stroke;
    stroke.start = {cut->point.x, cut->point.y};
    size_t count = 0;
    for (PointNode* node = cut->next; node; node = node->next)
        count++;
    if (count > kRedoPointLimit)
        return stroke;
    try {
        stroke.points.reserve(count);
        for (PointNode* node = cut->next; node; node = node->next)
            stroke.points.push_back(node->point);
    } catch (const std::bad_alloc&) {
        stroke.points.clear();
    }
    return stroke;
}

// Redo bounds its memory: the oldest undone strokes go first. A stroke that
// could not be kept cannot be redone, nor can what was undone before it.
void KeepForRedo(UndoneStroke&& stroke)
{
    if (stroke.points.empty()) {
        ForgetRedo();
        return;
    }
    try {
        g_editor.redo.push_back(std::move(stroke));
    } catch (const std::bad_alloc&) {
        ForgetRedo();
        return;
    }
    g_editor.redoPoints += g_editor.redo.back().points.size();
    while (g_editor.redoPoints > kRedoPointLimit && !g_editor.redo.empty()) {
        g_editor.redoPoints -= g_editor.redo.front().points.size();
        g_editor.redo.erase(g_editor.redo.begin());
    }
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
    std::unique_ptr<DrawingSurface> surface(new (std::nothrow)
                                                DrawingSurface(g_editor.mainWindow, width, height));
    if (!surface || !surface->Ok())
        return false;
    g_editor.surface = std::move(surface);
    RECT area = {0, 0, width, height};
    FillRect(WindowDC(), &area, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    FillSurfaceWhite(width, height);
    MakePen();
    return true;
}

void MakePen()
{
    if (g_editor.surface)
        g_editor.surface->SetPen(g_editor.penSize, NearestColour(WindowDC(), g_editor.currentColour));
}

void ReleaseSurfaces()
{
    g_editor.surface.reset();
}

void FillWindowGrey()
{
    ScopedGetDC dc(g_editor.mainWindow);
    RECT area = {0, 0, g_editor.screenWidth, g_editor.screenHeight};
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
}

void FillSurfaceWhite(int width, int height)
{
    if (g_editor.surface)
        g_editor.surface->FillWhite(width, height);
}

// Pens are made again only where colour or size change from one point to the next.
void Redraw()
{
    HDC dc = SurfaceDC();
    if (!g_editor.document || !dc)
        return;
    ShowDocument& document = *g_editor.document;
    FillSurfaceWhite(document.header.block.width, document.header.block.height);
    ShowPoint penOf = {};
    penOf.colour = RGB(0, 0, 0);
    penOf.penSize = kRedrawPenWidth;
    COLORREF black = NearestColour(dc, penOf.colour);
    ScopedPen pen(CreatePen(PS_SOLID, kRedrawPenWidth, black));
    HGDIOBJ previous = pen ? SelectObject(dc, pen) : SelectColourPen(dc, black);
    document.Rewind();
    while (PointNode* node = document.NextPoint()) {
        const ShowPoint& point = node->point;
        if (point.colour != penOf.colour || point.penSize != penOf.penSize) {
            SelectRedrawPen(dc, pen, point);
            penOf = point;
        }
        if (point.flags & PF_FILL)
            FillAreaAt(point.x, point.y, point.colour);
        if (point.flags & PF_PEN_DOWN)
            LineTo(dc, point.x, point.y);
        else
            MoveToEx(dc, point.x, point.y, nullptr);
    }
    SelectObject(dc, previous);
    pen.Reset();
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
    HDC dc = BeginPaint(window, &paint);
    HBRUSH grey = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    if (dc && g_editor.documentOpen && g_editor.surface) {
        RECT painting = {0, 0, g_editor.surface->width(), g_editor.surface->height()};
        RECT shown;
        if (IntersectRect(&shown, &paint.rcPaint, &painting))
            BitBlt(dc, shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top,
                   SurfaceDC(), shown.left, shown.top, SRCCOPY);
        RECT right = {painting.right, paint.rcPaint.top, paint.rcPaint.right, paint.rcPaint.bottom};
        RECT below = {paint.rcPaint.left, painting.bottom, painting.right, paint.rcPaint.bottom};
        if (right.left < right.right)
            FillRect(dc, &right, grey);
        if (below.top < below.bottom)
            FillRect(dc, &below, grey);
    } else if (dc) {
        FillRect(dc, &paint.rcPaint, grey);
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
    if (g_editor.pickMode || !g_editor.documentOpen || !g_editor.surface || !OnPainting(x, y))
        return;
    SetEditorCursor(g_editor.drawCursor);
    ClipCursor(&g_editor.clipRect);
    SetCapture(g_editor.mainWindow);
    ForgetRedo();
    if (!g_editor.changed || !g_editor.recordingStarted) {
        MarkChanged();
        if (!g_editor.recordingStarted) {
            MoveToEx(WindowDC(), x, y, nullptr);
            MoveToEx(SurfaceDC(), x, y, nullptr);
            if (!Record(x, y, 0))
                return;
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
    // The grey around a painting smaller than the window is no part of it.
    if (g_editor.playing || !g_editor.document || !g_editor.surface || !OnPainting(x, y))
        return;

    POINT from = {};
    GetCurrentPositionEx(SurfaceDC(), &from);
    uint8_t flags = 0;
    if (g_editor.buttonDown && !modeOn) {
        SetEditorCursor(g_editor.drawCursor);
        LineTo(WindowDC(), x, y);
        LineTo(SurfaceDC(), x, y);
        flags = PF_PEN_DOWN;
    } else {
        if (!modeOn)
            UseSystemCursor(IDC_CROSS);
        MoveToEx(WindowDC(), x, y, nullptr);
        MoveToEx(SurfaceDC(), x, y, nullptr);
    }
    if (Record(x, y, flags))
        RepaintSegment(from, x, y);
}

void OnLeftButtonUp(int x, int y)
{
    if (g_editor.pickMode) {
        PickColourAt(x, y);
        return;
    }
    if (g_editor.fillMode && g_editor.document && g_editor.surface)
        FillAt(x, y);
    UseSystemCursor(IDC_CROSS);
    EndDrag();
}

// The cursor goes to the end of what is left, and the next move records
// from there, so the hand's path continues where the painting does. A drag
// that was going on ends there too.
void UndoCommand()
{
    if (!g_editor.document || g_editor.playing)
        return;
    UseSystemCursor(IDC_WAIT);
    if (g_editor.buttonDown)
        EndDrag();
    ShowDocument& document = *g_editor.document;
    UndoneStroke stroke = CopyUndoneStroke(document);
    PointNode* end = document.UndoLastStroke();
    ReleaseFreePointMemory();
    if (end) {
        KeepForRedo(std::move(stroke));
        Redraw();
        InvalidateRect(g_editor.mainWindow, nullptr, FALSE);
        PutCursorAt(end->point);
        MarkChanged();
    }
    UseSystemCursor(IDC_CROSS);
}

// Puts back the stroke Undo took last, with its timing, from where it began.
void RedoCommand()
{
    if (!g_editor.document || g_editor.playing || g_editor.redo.empty())
        return;
    UseSystemCursor(IDC_WAIT);
    if (g_editor.buttonDown)
        EndDrag();
    ShowDocument& document = *g_editor.document;
    UndoneStroke stroke = std::move(g_editor.redo.back());
    g_editor.redo.pop_back();
    g_editor.redoPoints -= stroke.points.size();
    const ShowPoint& last = document.tail->point;
    bool ok = true;
    if (last.x != stroke.start.x || last.y != stroke.start.y)
        ok = document.AddPoint(static_cast<uint16_t>(stroke.start.x),
                               static_cast<uint16_t>(stroke.start.y), 0, last.colour, last.penSize, 0);
    for (size_t k = 0; ok && k < stroke.points.size(); k++)
        ok = document.AppendPoint(stroke.points[k]);
    const ShowPoint& end = document.tail->point;
    document.lastRecorded.x = end.x;
    document.lastRecorded.y = end.y;
    document.lastRecorded.flags = end.flags;
    Redraw();
    InvalidateRect(g_editor.mainWindow, nullptr, FALSE);
    PutCursorAt(end);
    MarkChanged();
    UseSystemCursor(IDC_CROSS);
    if (!ok)
        StopRecordingForLackOfMemory();
}

void ForgetRedo()
{
    g_editor.redo.clear();
    g_editor.redo.shrink_to_fit();
    g_editor.redoPoints = 0;
}
