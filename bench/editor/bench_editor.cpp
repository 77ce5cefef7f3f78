// Figures of the editor, each with a baseline taken in the same run:
//   one recorded mouse move with the button held     vs  an empty message to the window
//   redraw of a 100,000-point show                    vs  the same lines in one GDI loop
//   private memory of a 1,000,000-point recording     vs  the points' own 16 bytes each
#include "BenchClock.h"
#include "EditorState.h"
#include "ProcessCounters.h"
#include "resource.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int kMoves = 3000;
const int kRedrawPoints = 100000;
const int kRecordedPoints = 1000000;

struct Figures {
    double median;
    double p99;
};

Figures Summarise(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values[values.size() * 99 / 100]};
}

void Pump(DWORD ms)
{
    double end = NowMs() + ms;
    while (NowMs() < end) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    }
}

double PrivateMb()
{
    return PrivateBytes() / (1024.0 * 1024.0);
}

// A zigzag over the whole painting, so every move draws a new segment.
POINT PathPoint(int k, int width, int height)
{
    int x = 20 + (k * 7) % (width - 40);
    int row = (k * 7) / (width - 40);
    int y = 40 + (row * 23 + (k % 2) * 5) % (height - 80);
    return {x, y};
}

void MeasureMoves()
{
    HWND window = g_editor.mainWindow;
    int width = g_editor.screenWidth;
    int height = g_editor.screenHeight;
    std::vector<double> moves, baseline;
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 40));
    for (int k = 1; k <= kMoves; k++) {
        POINT p = PathPoint(k, width, height);
        double start = NowMs();
        SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        moves.push_back(NowMs() - start);
        start = NowMs();
        SendMessageA(window, WM_NULL, 0, 0);
        baseline.push_back(NowMs() - start);
    }
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(20, 40));
    Figures move = Summarise(moves);
    Figures empty = Summarise(baseline);
    printf("recorded move at %dx%d: median %.3f ms, p99 %.3f ms (target p99 < 8 ms)\n", width,
           height, move.median, move.p99);
    printf("  baseline, empty message: median %.4f ms, p99 %.4f ms\n", empty.median, empty.p99);
    printf("  points recorded: %d of %d moves\n", g_editor.document->pointCount, kMoves);
}

// Strokes of changing colour and size, with a fill now and then.
void FillShow(ShowDocument& show, int width, int height)
{
    for (int k = 0; k < kRedrawPoints; k++) {
        POINT p = PathPoint(k, width, height);
        uint8_t flags = k % 50 == 0 ? 0 : PF_PEN_DOWN;
        if (k % 20000 == 10000)
            flags = PF_FILL;
        COLORREF colour = RGB((k / 500) * 37 % 256, (k / 500) * 91 % 256, 128);
        show.AddPoint(static_cast<uint16_t>(p.x), static_cast<uint16_t>(p.y), 10, colour,
                      static_cast<uint8_t>(1 + (k / 1000) % 8), flags);
    }
}

double PlainGdiLoop(ShowDocument& show, int width, int height)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    HPEN pen = CreatePen(PS_SOLID, 4, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(memory, pen);
    double start = NowMs();
    show.Rewind();
    while (PointNode* node = show.NextPoint())
        LineTo(memory, node->point.x, node->point.y);
    GdiFlush();
    double took = NowMs() - start;
    SelectObject(memory, oldPen);
    SelectObject(memory, oldBitmap);
    DeleteObject(pen);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return took;
}

void MeasureRedraw()
{
    int width = g_editor.screenWidth;
    int height = g_editor.screenHeight;
    ShowDocumentPtr show = NewShowDocument(g_editor.module, PRIORITY_MARKING_SUPPRESSED);
    show->header.block.width = static_cast<uint16_t>(width);
    show->header.block.height = static_cast<uint16_t>(height);
    FillShow(*show, width, height);
    double plain = PlainGdiLoop(*show, width, height);
    g_editor.document = std::move(show);
    MakeSurfaces(width, height);
    std::vector<double> runs;
    for (int run = 0; run < 3; run++) {
        double start = NowMs();
        Redraw();
        GdiFlush();
        runs.push_back(NowMs() - start);
    }
    double redraw = Summarise(runs).median;
    printf("redraw of %d points: %.1f ms (target < 1000 ms)\n", kRedrawPoints, redraw);
    printf("  baseline, the same lines in one pen: %.1f ms (ratio %.2f)\n", plain, redraw / plain);
}

void MeasureMemory()
{
    g_editor.document = NewShowDocument(g_editor.module, PRIORITY_MARKING_SUPPRESSED);
    double before = PrivateMb();
    for (int k = 0; k < kRecordedPoints; k++)
        g_editor.document->RecordLivePoint(static_cast<uint16_t>(k % 1900), static_cast<uint16_t>(k % 1000),
                                           RGB(0, 0, 0), 4, PF_PEN_DOWN);
    double after = PrivateMb();
    double own = kRecordedPoints * sizeof(ShowPoint) / (1024.0 * 1024.0);
    printf("recording of %d points: %.1f MB private memory (target < 64 MB)\n", kRecordedPoints,
           after - before);
    printf("  baseline, the points' own bytes: %.1f MB (ratio %.2f)\n", own, (after - before) / own);
    g_editor.changed = false;
    CloseDocument(false);
    printf("  after closing it: %.1f MB above the start\n", PrivateMb() - before);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (!StartEditor(instance, "")) {
        printf("the editor did not start\n");
        return 1;
    }
    Pump(3000);  // the splash, and the new painting
    if (!g_editor.document) {
        printf("no new painting\n");
        return 1;
    }
    MeasureMoves();
    MeasureRedraw();
    MeasureMemory();
    return 0;
}
