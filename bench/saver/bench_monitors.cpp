// Figures of the real screen saver on the monitors the X server offers (run
// by bench/saver/monitors.sh, once on two monitors and once on one), each
// with a baseline taken in the same run:
//   start to first frame on every monitor  vs  a bare DirectDraw program
//       (window, desktop capture, the 16-bit mode, one Flip)
//   presents per second on each monitor with every frame dirty
//   key press to every monitor repainted
// Lines starting with "FIGURE" are read by the script for the ratios between
// the two runs.
//
// "bench_monitors --bare" is the bare DirectDraw program itself.
#include "BenchClock.h"
#include "DesktopPicture.h"
#include "SaverProcess.h"
#include "SaverTestSupport.h"
#include "ShowDocument.h"
#include "ShowPlayer.h"

#include <ddraw.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kYellow = RGB(255, 255, 0);
const COLORREF kCharacter = RGB(0, 200, 255);

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::vector<RECT> g_monitors;  // the main monitor first

BOOL CALLBACK NoteMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoA(monitor, &info);
    if (info.dwFlags & MONITORINFOF_PRIMARY)
        g_monitors.insert(g_monitors.begin(), info.rcMonitor);
    else
        g_monitors.push_back(info.rcMonitor);
    return TRUE;
}

// ---------------------------------------------------------------------------
// The bare DirectDraw program: what any full-screen DirectDraw saver must do
// before its first frame, and nothing more.

LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETCURSOR)
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunBareDirectDraw()
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC capture = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ oldPicture = SelectObject(capture, picture);
    BitBlt(capture, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    ReleaseDC(nullptr, screen);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BareWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "BareDirectDraw";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "BareDirectDraw", "bare", WS_POPUP, 0, 0, width,
                                  height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);

    IDirectDraw* first = nullptr;
    IDirectDraw4* directDraw = nullptr;
    IDirectDrawSurface4* primary = nullptr;
    IDirectDrawSurface4* back = nullptr;
    if (FAILED(DirectDrawCreate(nullptr, &first, nullptr)) ||
        FAILED(first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&directDraw))))
        return 1;
    first->Release();
    directDraw->SetCooperativeLevel(window, DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE);
    if (FAILED(directDraw->SetDisplayMode(width, height, 16, 0, 0)))
        return 2;
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    if (FAILED(directDraw->CreateSurface(&desc, &primary, nullptr)))
        return 3;
    DDSCAPS2 caps = {};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    primary->GetAttachedSurface(&caps, &back);
    HDC backDC = nullptr;
    if (back && SUCCEEDED(back->GetDC(&backDC))) {
        BitBlt(backDC, 0, 0, width, height, capture, 0, 0, SRCCOPY);
        HBRUSH brush = CreateSolidBrush(kCharacter);
        RECT mark = {500, 300, 560, 360};
        FillRect(backDC, &mark, brush);
        DeleteObject(brush);
        back->ReleaseDC(backDC);
    }
    primary->Flip(nullptr, DDFLIP_WAIT);

    // Until a key, as a saver would.
    DWORD end = GetTickCount() + 15000;
    while (!(GetAsyncKeyState('A') & 0x8000) && static_cast<int>(GetTickCount() - end) < 0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(5);
    }
    directDraw->RestoreDisplayMode();
    if (back)
        back->Release();
    primary->Release();
    directDraw->Release();
    DestroyWindow(window);
    SelectObject(capture, oldPicture);
    DeleteObject(picture);
    DeleteDC(capture);
    return 0;
}

// ---------------------------------------------------------------------------
// Start to first frame

// Rows top to bottom of the first monitors, read at once: reading the whole
// screen takes a good part of the time measured, and reading each monitor
// apart would make two monitors look slower for the reading alone.
ScreenPixels ReadRows(size_t monitors, int top, int bottom)
{
    RECT band = {g_monitors[0].left, top, g_monitors[0].right, bottom};
    for (size_t i = 1; i < monitors; ++i) {
        RECT row = {g_monitors[i].left, top, g_monitors[i].right, bottom};
        UnionRect(&band, &band, &row);
    }
    return ScreenPixels(band);
}

bool Near(COLORREF pixel, COLORREF colour)
{
    return abs(GetRValue(pixel) - GetRValue(colour)) <= 10 &&
           abs(GetGValue(pixel) - GetGValue(colour)) <= 10 &&
           abs(GetBValue(pixel) - GetBValue(colour)) <= 10;
}

// The character of the first frame stands about the first point, (100, 300),
// of the shows; the bare program's mark at (500, 300).
bool CharacterOnEveryMonitor(size_t monitors)
{
    ScreenPixels rows = ReadRows(monitors, 200, 420);
    for (size_t i = 0; i < monitors; ++i) {
        if (rows.Count(g_monitors[i], [](COLORREF p) { return Near(p, kCharacter); }) < 1000)
            return false;
    }
    return true;
}

// From the start of the process to the character on the first monitors; 0
// when it was not seen.
double StartToFirstFrame(const std::string& program, const std::string& arguments,
                         size_t monitors)
{
    double start = NowMs();
    SaverProcess saver;
    saver.Start(arguments, program);
    double seen = 0;
    if (WaitUntil([&] { return CharacterOnEveryMonitor(monitors); }, 15000, 2))
        seen = NowMs() - start;
    PressKey('A', 150);
    saver.WaitForExit(5000);
    PumpFor(300);
    return seen;
}

std::string CharacterFolder()
{
    std::string folder = FreshFolder("bench_monitor_chars");
    WriteBytes(JoinPath(folder, "c.bmp"), BitmapBytes(60, 60, kCharacter));
    return folder;
}

void MeasureStart()
{
    std::string shows = FreshFolder("bench_monitor_shows");
    WriteShow(JoinPath(shows, "red.sho"), LinePoints(200, 40, kRed));
    WriteShow(JoinPath(shows, "yellow.sho"), LinePoints(200, 40, kYellow));
    DeleteProductKeys();
    SetPlainSettings(shows, CharacterFolder());
    FakeDesktop desktop;
    // Taken in turns, so that the machine's ups and downs fall on both.
    std::vector<double> saverTimes, bareTimes;
    for (int run = 0; run < 9; ++run) {
        if (double ms = StartToFirstFrame("", "/s", g_monitors.size()))
            saverTimes.push_back(ms);
        if (double ms = StartToFirstFrame(BinPath("bench_monitors.exe"), "--bare", 1))
            bareTimes.push_back(ms);
    }
    double saver = Median(saverTimes);
    double bare = Median(bareTimes);
    printf("start to first frame, saver on %zu monitor(s): median %7.1f ms\n", g_monitors.size(),
           saver);
    printf("baseline, bare DirectDraw program:           median %7.1f ms; ratio %.2f\n", bare,
           bare > 0 ? saver / bare : 0);
    printf("FIGURE start_saver_%zu %.1f\n", g_monitors.size(), saver);
    printf("FIGURE start_bare_%zu %.1f\n", g_monitors.size(), bare);
}

// ---------------------------------------------------------------------------
// Presents per second with every frame dirty: the saver's loop over the real
// players, the main one full screen and one per other monitor, playing a
// show whose every point is a short white stroke: white erases, so every
// present rebuilds the whole picture from the desktop and the painting.

HWND MakeWindow(const RECT& rect)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "BenchMonitor";
        RegisterClassA(&windowClass);
        registered = true;
    }
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "BenchMonitor", "Tovaren", WS_POPUP | WS_VISIBLE,
                                  rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    PumpFor(100);
    return window;
}

HBITMAP MakeCharacter()
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 60, 80);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all = {0, 0, 60, 80};
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

void MeasurePresents()
{
    std::string folder = FreshFolder("bench_monitor_dirty");
    std::vector<TestPoint> points;
    points.push_back({512, 384, 0, RGB(255, 255, 255), 2, 0});
    for (int i = 0; i < 20000; ++i)
        points.push_back({static_cast<uint16_t>(500 + i % 20), 384, 1, RGB(255, 255, 255), 2,
                          PF_PEN_DOWN});
    std::string path = JoinPath(folder, "dirty.sho");
    WriteShow(path, points);

    RECT all = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
    all.right = all.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    all.bottom = all.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    CaptureDesktopPictureOf(all);
    HBITMAP character = MakeCharacter();

    std::vector<HWND> windows;
    for (const RECT& rect : g_monitors)
        windows.push_back(MakeWindow(rect));
    std::vector<ShowPlayer*> players;
    std::vector<ShowDocument*> documents;
    POINT origin = DesktopPictureOrigin();
    for (size_t i = 0; i < windows.size(); ++i) {
        ShowPlayer* player =
            i == 0 ? new ShowPlayer(windows[i])
                   : new ShowPlayer(windows[i], DesktopPictureBitmap(),
                                    g_monitors[i].left - origin.x, g_monitors[i].top - origin.y,
                                    players[0]->directDraw);
        if (!player->ok)
            printf("player %zu: %s\n", i, player->message);
        ShowDocument* document = new ShowDocument(GetModuleHandleA(nullptr), 1);
        document->Load(path.c_str());
        player->StartShow(document, character, 1, 0);
        players.push_back(player);
        documents.push_back(document);
    }
    std::vector<int> presents(players.size(), 0);
    std::vector<double> stepMs(players.size(), 0.0);
    double start = NowMs();
    while (NowMs() - start < 6000) {
        Sleep(5);  // as the saver's loop
        for (size_t i = 0; i < players.size(); ++i) {
            double stepStart = NowMs();
            if (players[i]->PlayStep())
                ++presents[i];
            else
                players[i]->StartShow(documents[i], character, 1, 0);
            stepMs[i] += NowMs() - stepStart;
        }
    }
    double seconds = (NowMs() - start) / 1000.0;
    for (size_t i = 0; i < players.size(); ++i) {
        printf("presents per second, every frame dirty, monitor %zu of %zu (%ldx%ld): %6.1f  "
               "(target >= 30)\n",
               i + 1, players.size(), g_monitors[i].right - g_monitors[i].left,
               g_monitors[i].bottom - g_monitors[i].top, presents[i] / seconds);
        printf("  time in one step (drawing and presenting): %.1f ms\n",
               presents[i] ? stepMs[i] / presents[i] : 0.0);
        printf("FIGURE presents_%zu_%zu %.1f\n", players.size(), i + 1, presents[i] / seconds);
    }
    for (size_t i = 0; i < players.size(); ++i) {
        players[i]->Shutdown();
        delete players[i];
        delete documents[i];
        DestroyWindow(windows[i]);
    }
    DeleteObject(character);
    ReleaseDesktopPicture();
    PumpFor(300);
}

// ---------------------------------------------------------------------------
// Key press to every monitor showing its desktop again.

// Share of each monitor's middle rows covered by a show's colour; the shows
// flood the whole monitor.
std::vector<double> ShowShares()
{
    ScreenPixels rows = ReadRows(g_monitors.size(), 380, 388);
    std::vector<double> shares;
    for (const RECT& rect : g_monitors) {
        int count = rows.Count(rect, [](COLORREF p) {
            return GetRValue(p) > 240 && GetBValue(p) < 16 &&
                   (GetGValue(p) < 16 || GetGValue(p) > 240);
        });
        shares.push_back(count / (8.0 * (rect.right - rect.left)));
    }
    return shares;
}

bool ShowOnAnyMonitor()
{
    for (double share : ShowShares()) {
        if (share > 0.1)
            return true;
    }
    return false;
}

bool ShowOnEveryMonitor()
{
    for (double share : ShowShares()) {
        if (share < 0.5)
            return false;
    }
    return true;
}

void MeasureInputToRepaint()
{
    std::string shows = FreshFolder("bench_monitor_input");
    WriteShow(JoinPath(shows, "red.sho"), FloodShow(kRed));
    WriteShow(JoinPath(shows, "yellow.sho"), FloodShow(kYellow));
    DeleteProductKeys();
    SetPlainSettings(shows, CharacterFolder());
    FakeDesktop desktop;
    RECT all = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    SetWindowPos(desktop.window, nullptr, all.left, all.top, all.right, all.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(300);
    std::vector<double> times;
    for (int run = 0; run < 7; ++run) {
        SaverProcess saver;
        saver.Start("/s");
        if (!WaitUntil(ShowOnEveryMonitor, 15000, 20)) {
            printf("run %d: the shows were not seen on every monitor\n", run);
            continue;
        }
        double start = NowMs();
        SendKeyEvent('A', false);
        bool repainted = WaitUntil([] { return !ShowOnAnyMonitor(); }, 5000, 1);
        double end = NowMs();
        SendKeyEvent('A', true);
        if (repainted)
            times.push_back(end - start);
        saver.WaitForExit(5000);
        PumpFor(300);
    }
    double median = Median(times);
    printf("key press to every monitor repainted (%zu monitor(s)): median %6.1f ms (%zu runs)  "
           "(target < 150 ms)\n",
           g_monitors.size(), median, times.size());
    printf("FIGURE input_%zu %.1f\n", g_monitors.size(), median);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && strcmp(argv[1], "--bare") == 0)
        return RunBareDirectDraw();
    if (argc > 1 && strcmp(argv[1], "--presents") == 0) {
        EnumDisplayMonitors(nullptr, nullptr, NoteMonitor, 0);
        MeasurePresents();
        return 0;
    }
    setvbuf(stdout, nullptr, _IONBF, 0);
    EnumDisplayMonitors(nullptr, nullptr, NoteMonitor, 0);
    printf("monitors: %zu\n", g_monitors.size());
    MeasureStart();
    MeasurePresents();
    MeasureInputToRepaint();
    DeleteProductKeys();
    return 0;
}
