#include "SaverProcess.h"

#include <cstdlib>


SaverProcess::~SaverProcess()
{
    if (process_.hProcess) {
        if (Running())
            TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
}

bool SaverProcess::Start(const std::string& arguments, const std::string& programPath)
{
    std::string program = programPath.empty() ? BinPath("tovarensaver.scr") : programPath;
    startTick = GetTickCount();
    if (!StartProgram(program, arguments, &process_))
        return false;
    processId = process_.dwProcessId;
    return true;
}

bool SaverProcess::Running()
{
    if (!process_.hProcess)
        return false;
    GetExitCodeProcess(process_.hProcess, &exitCode);
    return exitCode == STILL_ACTIVE;
}

bool SaverProcess::WaitForExit(DWORD timeoutMs)
{
    bool exited = WaitUntil([this] { return !Running(); }, timeoutMs, 5);
    return exited;
}

void PumpFor(DWORD ms)
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

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs)
{
    DWORD end = GetTickCount() + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        if (static_cast<int>(GetTickCount() - end) >= 0)
            return false;
        PumpFor(stepMs);
    }
}

HWND FindSaverWindow()
{
    return FindWindowA("Tovaren", "Tovaren");
}

HWND FindTopWindow(const char* title)
{
    return FindWindowA(nullptr, title);
}

HWND WaitForShownWindow(const char* title, DWORD timeoutMs)
{
    HWND window = nullptr;
    WaitUntil([&] {
        window = FindTopWindow(title);
        return window && IsWindowVisible(window);
    }, timeoutMs);
    return window && IsWindowVisible(window) ? window : nullptr;
}

std::string WindowText(HWND window)
{
    char text[2048] = "";
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_BLOCK,
                        2000, nullptr);
    return text;
}

std::string ControlText(HWND dialog, int id)
{
    return WindowText(GetDlgItem(dialog, id));
}

namespace {

BOOL CALLBACK CollectStaticText(HWND child, LPARAM data)
{
    char className[32] = "";
    GetClassNameA(child, className, sizeof(className));
    std::string text = WindowText(child);
    if (_stricmp(className, "Static") == 0 && !text.empty())
        *reinterpret_cast<std::string*>(data) = text;
    return TRUE;
}

}  // namespace

std::string MessageBoxText(HWND box)
{
    std::string found;
    EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&found));
    return found;
}

ScreenPixels::ScreenPixels(const RECT& area) : area_(area)
{
    HDC screen = GetDC(nullptr);
    pixels_ = ReadPixels(screen, area);
    ReleaseDC(nullptr, screen);
}

int ScreenPixels::Count(const RECT& part, const std::function<bool(COLORREF)>& test) const
{
    RECT inside;
    if (!IntersectRect(&inside, &part, &area_))
        return 0;
    int width = area_.right - area_.left;
    int count = 0;
    for (int y = inside.top; y < inside.bottom; ++y) {
        const COLORREF* row = &pixels_[static_cast<size_t>(y - area_.top) * width];
        for (int x = inside.left; x < inside.right; ++x)
            count += test(row[x - area_.left]);
    }
    return count;
}

int CountScreenColour(const RECT& area, COLORREF colour, int tolerance)
{
    return ScreenPixels(area).Count(area, [&](COLORREF pixel) {
        return abs(GetRValue(pixel) - GetRValue(colour)) <= tolerance &&
               abs(GetGValue(pixel) - GetGValue(colour)) <= tolerance &&
               abs(GetBValue(pixel) - GetBValue(colour)) <= tolerance;
    });
}

void SendKeyEvent(WORD vk, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
}

void PressKey(WORD vk, DWORD holdMs)
{
    SendKeyEvent(vk, false);
    Sleep(holdMs);
    SendKeyEvent(vk, true);
}

// A hand on a mouse sends a move as a run of small steps. On a busy machine
// Wine's DirectInput can miss a lone injected step (its hook measures the move
// against the pointer's position, which may already be the new one).
void MoveMouseBy(int dx, int dy)
{
    const int kSteps = 5;
    for (int step = 0; step < kSteps; ++step) {
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dx = dx / kSteps;
        input.mi.dy = dy / kSteps;
        input.mi.dwFlags = MOUSEEVENTF_MOVE;
        SendInput(1, &input, sizeof(input));
        Sleep(30);
    }
}

void ClickMouse()
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &input, sizeof(input));
    Sleep(60);
    input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof(input));
}

namespace {

LRESULT CALLBACK FakeDesktopProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HBRUSH green = CreateSolidBrush(FakeDesktop::kGreen);
        HBRUSH grey = CreateSolidBrush(FakeDesktop::kGrey);
        RECT client;
        GetClientRect(window, &client);
        for (int y = 0; y < client.bottom; y += 64)
            for (int x = 0; x < client.right; x += 64) {
                RECT cell = {x, y, x + 64, y + 64};
                FillRect(dc, &cell, ((x + y) / 64) % 2 ? grey : green);
            }
        DeleteObject(green);
        DeleteObject(grey);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND)
        return 1;
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

FakeDesktop::FakeDesktop()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = FakeDesktopProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TovarenTestDesktop";
    RegisterClassA(&windowClass);
    window = CreateWindowExA(0, "TovarenTestDesktop", "desktop", WS_POPUP | WS_VISIBLE, 0, 0,
                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    UpdateWindow(window);
    PumpFor(300);
}

FakeDesktop::~FakeDesktop()
{
    DestroyWindow(window);
    PumpFor(100);
}
