#include "PlayerTestSupport.h"

#include "TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A crash ends the test program at once instead of waiting in the debugger.
const UINT kQuietErrors = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);

const char kPlainClass[] = "PlayerTestWindow";
const char kPatternClass[] = "PlayerTestDesktop";

void PaintPattern(HDC dc, int width, int height) {
    const COLORREF colours[4] = {kDesktopTopLeft, kDesktopTopRight, kDesktopBottomLeft,
                                 kDesktopBottomRight};
    for (int q = 0; q < 4; ++q) {
        RECT r = {q % 2 ? width / 2 : 0, q / 2 ? height / 2 : 0, q % 2 ? width : width / 2,
                  q / 2 ? height : height / 2};
        HBRUSH brush = CreateSolidBrush(colours[q]);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
}

LRESULT CALLBACK PatternProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT r;
        GetClientRect(window, &r);
        PaintPattern(dc, r.right, r.bottom);
        EndPaint(window, &ps);
        return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
    return DefWindowProcA(window, msg, wParam, lParam);
}

void RegisterClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    WNDCLASSA plain = {};
    plain.style = CS_HREDRAW | CS_VREDRAW;
    plain.lpfnWndProc = DefWindowProcA;
    plain.hInstance = GetModuleHandleA(nullptr);
    plain.lpszClassName = kPlainClass;  // no background brush, like the callers' windows
    RegisterClassA(&plain);
    WNDCLASSA pattern = plain;
    pattern.lpfnWndProc = PatternProc;
    pattern.lpszClassName = kPatternClass;
    RegisterClassA(&pattern);
}

}  // namespace

COLORREF DesktopColourAt(int x, int y, int width, int height) {
    bool right = x >= width / 2;
    bool bottom = y >= height / 2;
    if (!bottom) return right ? kDesktopTopRight : kDesktopTopLeft;
    return right ? kDesktopBottomRight : kDesktopBottomLeft;
}

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

TestWindows::TestWindows() { RegisterClasses(); }

TestWindows::~TestWindows() {
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) DestroyWindow(*it);
    PumpMessages();
}

void TestWindows::PaintDesktopPattern() {
    HWND pattern = CreateWindowExA(WS_EX_TOPMOST, kPatternClass, "desktop", WS_POPUP | WS_VISIBLE,
                                   0, 0, ScreenWidth(), ScreenHeight(), nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    windows.push_back(pattern);
    UpdateWindow(pattern);
    for (int i = 0; i < 10; ++i) {
        PumpMessages();
        Sleep(20);
    }
}

bool TestWindows::WaitForDesktopPattern() {
    int w = ScreenWidth(), h = ScreenHeight();
    const POINT probes[] = {{w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4},
                            {3 * w / 4, 3 * h / 4}, {2, 2}, {w - 3, h - 3}};
    for (int attempt = 0; attempt < 100; ++attempt) {
        HDC screen = GetDC(nullptr);
        bool shown = true;
        for (const POINT& p : probes) {
            if (!Near(GetPixel(screen, p.x, p.y), DesktopColourAt(p.x, p.y, w, h))) shown = false;
        }
        ReleaseDC(nullptr, screen);
        if (shown) return true;
        // After a full-screen session Wine sometimes leaves a new window's
        // picture off the X screen until the window is shown and painted again.
        if (attempt % 10 == 9) {
            for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
                char name[64] = "";
                GetClassNameA(w, name, sizeof(name));
                if (strcmp(name, kPatternClass) == 0) {
                    SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0,
                                 SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
                    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                }
            }
        }
        PumpMessages();
        Sleep(20);
    }
    return false;
}

HWND TestWindows::MakeFullScreenWindow() {
    return MakePopup(0, 0, ScreenWidth(), ScreenHeight());
}

HWND TestWindows::MakePopup(int left, int top, int width, int height) {
    HWND window = CreateWindowExA(WS_EX_TOPMOST, kPlainClass, "Tovaren", WS_POPUP | WS_VISIBLE,
                                  left, top, width, height, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    windows.push_back(window);
    PumpMessages();
    return window;
}

HWND TestWindows::MakePreviewWindow(int width, int height, int left, int top) {
    HWND parent = CreateWindowExA(0, kPatternClass, "parent", WS_POPUP | WS_VISIBLE, 100, 100,
                                  width + 2 * left, height + 2 * top, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    windows.push_back(parent);
    UpdateWindow(parent);
    HWND child = CreateWindowExA(0, kPlainClass, "preview", WS_CHILD | WS_VISIBLE, left, top,
                                 width, height, parent, nullptr, GetModuleHandleA(nullptr),
                                 nullptr);
    windows.push_back(child);
    for (int i = 0; i < 5; ++i) {
        PumpMessages();
        Sleep(20);
    }
    return child;
}

HBITMAP MakeCharacterBitmap(COLORREF transparent) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 80);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, 40, 80};
    HBRUSH back = CreateSolidBrush(transparent);
    FillRect(dc, &all, back);
    DeleteObject(back);
    RECT tip = {2, 65, 5, 68};
    FillRect(dc, &tip, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

std::unique_ptr<ShowDocument> MakeShow(const std::vector<Pt>& points, uint16_t width,
                                       uint16_t height, const char* signature) {
    std::unique_ptr<ShowDocument> show(new ShowDocument(GetModuleHandleA(nullptr), 1));
    show->header.block.width = width;
    show->header.block.height = height;
    for (const Pt& p : points) show->AddPoint(p.x, p.y, p.delay, p.colour, p.penSize, p.flags);
    if (signature) show->SetSignature(signature);
    return show;
}

SurfaceImage::SurfaceImage(IDirectDrawSurface4* surface) {
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    surface->GetSurfaceDesc(&desc);
    HDC dc = nullptr;
    if (SUCCEEDED(surface->GetDC(&dc))) {
        CopyFrom(dc, static_cast<int>(desc.dwWidth), static_cast<int>(desc.dwHeight));
        surface->ReleaseDC(dc);
    }
}

SurfaceImage SurfaceImage::OfScreen() {
    SurfaceImage image;
    HDC dc = GetDC(nullptr);
    image.CopyFrom(dc, ScreenWidth(), ScreenHeight());
    ReleaseDC(nullptr, dc);
    return image;
}

void SurfaceImage::CopyFrom(HDC source, int w, int h) {
    width = w;
    height = h;
    RECT all = {0, 0, w, h};
    pixels = ReadPixels(source, all);
}

COLORREF SurfaceImage::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    return pixels[static_cast<size_t>(y) * width + x];
}

int SurfaceImage::Count(const RECT& area, COLORREF colour) const {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (Near(At(x, y), colour)) ++count;
    return count;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    if (a == CLR_INVALID || b == CLR_INVALID) return a == b;
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

int PlayToEnd(ShowPlayer& player, int maxSteps) {
    int steps = 0;
    while (steps < maxSteps) {
        ++steps;
        if (!player.PlayStep()) break;
    }
    return steps;
}
