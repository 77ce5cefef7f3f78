// The editor recording and undoing, in its own process with its own window:
// points recorded through mouse messages in strokes of a thousand, then every
// stroke undone. Private memory and GDI objects must come back to where they
// were before the first stroke.
//
//   editor_soak.exe <points>
//
// Ends with "soak editor points N memory-growth K KB gdi-growth G" and status
// 0 when both came back, 1 when something stayed, 2 when the editor failed.
#include "EditorState.h"
#include "ProcessCounters.h"
#include "resource.h"

#include <cstdio>
#include <cstdlib>

namespace {

const int kStrokePoints = 1000;
const SIZE_T kMemorySlackBytes = 256 * 1024;  // less than the points of a short soak

void Pump(DWORD ms)
{
    DWORD end = GetTickCount() + ms;
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    } while (static_cast<int>(GetTickCount() - end) < 0);
}

LPARAM At(int x, int y)
{
    return MAKELPARAM(x, y);
}

// A pen move to the stroke's start, then a zigzag with the button held.
void RecordStroke(int stroke)
{
    HWND window = g_editor.mainWindow;
    int top = 40 + (stroke * 37) % 600;
    SendMessageA(window, WM_MOUSEMOVE, 0, At(20, top));
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(20, top));
    for (int k = 1; k < kStrokePoints; k++)
        SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, At(20 + k % 900, top + (k / 900) * 20 + k % 7));
    SendMessageA(window, WM_LBUTTONUP, 0, At(20, top));
}

void Undo()
{
    SendMessageA(g_editor.mainWindow, WM_COMMAND, IDM_UNDO, 0);
}

void Report(const char* when, int points)
{
    std::string kinds;
    int gdi = CountGdiObjects(&kinds);
    printf("soak editor %s: %d points, private %lu KB, GDI objects %d (by type%s)\n", when, points,
           static_cast<unsigned long>(PrivateBytes() / 1024), gdi, kinds.c_str());
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    int points = argc > 1 ? atoi(argv[1]) : 0;
    if (points < kStrokePoints) {
        fprintf(stderr, "usage: editor_soak <points, at least %d>\n", kStrokePoints);
        return 2;
    }
    int strokes = points / kStrokePoints;
    if (!StartEditor(GetModuleHandleA(nullptr), "")) {
        fprintf(stderr, "soak: the editor did not start\n");
        return 2;
    }
    Pump(3000);  // the splash, and the new painting
    if (!g_editor.document) {
        fprintf(stderr, "soak: no new painting\n");
        return 2;
    }
    // One stroke and its undo first, so that what the editor keeps for good
    // (pens, surfaces, the pool's first block) is there before counting.
    RecordStroke(0);
    Undo();
    Pump(100);
    SIZE_T memory = PrivateBytes();
    int gdi = CountGdiObjects();
    Report("before", g_editor.document->pointCount);

    for (int stroke = 0; stroke < strokes; stroke++) {
        RecordStroke(stroke);
        if (stroke % 10 == 9)
            Pump(10);
    }
    Report("recorded", g_editor.document->pointCount);
    for (int stroke = 0; stroke < strokes; stroke++)
        Undo();
    Pump(100);
    Report("undone", g_editor.document->pointCount);

    SIZE_T after = PrivateBytes();
    SIZE_T growth = after > memory ? after - memory : 0;
    int gdiGrowth = CountGdiObjects() - gdi;
    printf("soak editor points %d memory-growth %lu KB gdi-growth %d\n", strokes * kStrokePoints,
           static_cast<unsigned long>(growth / 1024), gdiGrowth);
    return growth > kMemorySlackBytes || gdiGrowth > 0 ? 1 : 0;
}
