// DirectDraw takes the better part of half a second to start under Wine. The
// screen saver starts it on a thread of its own while it captures the desktop
// and makes its windows, and hands it to the player of its first show.
#pragma once

#include <windows.h>
#include <ddraw.h>

class DirectDrawStarter {
public:
    DirectDrawStarter();
    // Waits for the thread; releases an object nobody took.
    ~DirectDrawStarter();

    DirectDrawStarter(const DirectDrawStarter&) = delete;
    DirectDrawStarter& operator=(const DirectDrawStarter&) = delete;

    // Waits for the thread and gives its object away: the caller owns the
    // reference. Null when DirectDraw 4 could not be had (the player then
    // tries again itself and says why), and on every later call.
    IDirectDraw4* Take();

private:
    static DWORD WINAPI Start(void* starter);

    HANDLE thread;
    IDirectDraw4* directDraw;
};
