// Owners of a DirectDraw surface's DC and lock, for the player's drawing on
// its surfaces. Like the handle owners of ScopedWin.h they give back in their
// destructors; they live here so that only the programs that link the player
// pull in DirectDraw.
#pragma once

#include <windows.h>
#include <ddraw.h>

// The DC of a DirectDraw surface, given back before the surface is blitted,
// locked or flipped.
class ScopedSurfaceDC {
public:
    explicit ScopedSurfaceDC(IDirectDrawSurface4* surface) : surface_(surface) {
        if (!surface_ || FAILED(surface_->GetDC(&dc_))) dc_ = nullptr;
    }
    ~ScopedSurfaceDC() {
        if (dc_) surface_->ReleaseDC(dc_);
    }
    ScopedSurfaceDC(const ScopedSurfaceDC&) = delete;
    ScopedSurfaceDC& operator=(const ScopedSurfaceDC&) = delete;
    operator HDC() const { return dc_; }

private:
    IDirectDrawSurface4* surface_;
    HDC dc_ = nullptr;
};

// A locked system-memory surface, for direct pixel access.
class ScopedSurfaceLock {
public:
    explicit ScopedSurfaceLock(IDirectDrawSurface4* surface) : surface_(surface) {
        ZeroMemory(&desc, sizeof(desc));
        desc.dwSize = sizeof(desc);
        locked = surface_ && SUCCEEDED(surface_->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr));
    }
    ~ScopedSurfaceLock() {
        if (locked) surface_->Unlock(nullptr);
    }
    ScopedSurfaceLock(const ScopedSurfaceLock&) = delete;
    ScopedSurfaceLock& operator=(const ScopedSurfaceLock&) = delete;
    DDSURFACEDESC2 desc;
    bool locked;

private:
    IDirectDrawSurface4* surface_;
};
