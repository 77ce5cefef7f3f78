// A real program started as Windows starts it (the screen saver unless told
// otherwise), and what the tests of the windowed programs need around it:
// pumping their own windows, finding windows and reading their text, reading
// the screen, input as the user gives it.
#pragma once

#include "TestSupport.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class SaverProcess {
public:
    SaverProcess() = default;
    ~SaverProcess();
    SaverProcess(const SaverProcess&) = delete;
    SaverProcess& operator=(const SaverProcess&) = delete;

    // programPath defaults to the built tovarensaver.scr.
    bool Start(const std::string& arguments, const std::string& programPath = "");
    // Waits (pumping this thread's messages) for the exit; false on timeout.
    bool WaitForExit(DWORD timeoutMs);
    bool Running();
    HANDLE Handle() const { return process_.hProcess; }
    DWORD exitCode = STILL_ACTIVE;
    DWORD startTick = 0;
    DWORD processId = 0;

private:
    PROCESS_INFORMATION process_ = {};
};

// Dispatches this thread's messages for the given time.
void PumpFor(DWORD ms);
// Pumps until the condition holds or the time is up; true when it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs = 20);

HWND FindSaverWindow();
HWND FindTopWindow(const char* title);
// Waits for a top-level window with this title to show. A dialog has its
// title from the start but shows only once its controls have been set.
HWND WaitForShownWindow(const char* title, DWORD timeoutMs);
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
// The message of a message box: its static text that is not the icon.
std::string MessageBoxText(HWND box);

// What the screen shows in a rectangle (screen coordinates), read at once.
class ScreenPixels {
public:
    explicit ScreenPixels(const RECT& area);
    // Pixels of the part of the rectangle inside part that the test holds true of.
    int Count(const RECT& part, const std::function<bool(COLORREF)>& test) const;

private:
    RECT area_;
    std::vector<COLORREF> pixels_;
};

// Screen pixels: number of pixels of one colour (within tolerance) in a rectangle.
int CountScreenColour(const RECT& area, COLORREF colour, int tolerance = 24);

void PressKey(WORD vk, DWORD holdMs = 90);
// One key going down or up, injected as the keyboard would send it.
void SendKeyEvent(WORD vk, bool up);
// A move of the mouse, sent as a run of small steps.
void MoveMouseBy(int dx, int dy);
void ClickMouse();

// A full-screen window in this process that plays the user's desktop: a
// green and grey checker board that repaints itself.
class FakeDesktop {
public:
    FakeDesktop();
    ~FakeDesktop();
    HWND window = nullptr;
    static const COLORREF kGreen = RGB(0, 160, 0);
    static const COLORREF kGrey = RGB(200, 200, 200);
};
