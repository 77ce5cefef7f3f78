#include "DirectDrawStarter.h"

DirectDrawStarter::DirectDrawStarter() : thread(nullptr), directDraw(nullptr) {
    thread = CreateThread(nullptr, 0, Start, this, 0, nullptr);
}

DirectDrawStarter::~DirectDrawStarter() {
    if (IDirectDraw4* unused = Take()) unused->Release();
}

DWORD WINAPI DirectDrawStarter::Start(void* starter) {
    DirectDrawStarter* self = static_cast<DirectDrawStarter*>(starter);
    IDirectDraw* first = nullptr;
    if (FAILED(DirectDrawCreate(nullptr, &first, nullptr)) || !first) return 0;
    if (FAILED(first->QueryInterface(IID_IDirectDraw4,
                                     reinterpret_cast<void**>(&self->directDraw)))) {
        self->directDraw = nullptr;
    }
    first->Release();
    return 0;
}

IDirectDraw4* DirectDrawStarter::Take() {
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        thread = nullptr;
    }
    IDirectDraw4* taken = directDraw;
    directDraw = nullptr;
    return taken;
}
