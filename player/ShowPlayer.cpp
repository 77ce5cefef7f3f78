#include "ShowPlayer.h"

#include "CompatibilityWarning.h"
#include "FloodFill.h"
#include "ScopedSurface.h"
#include "ScopedWin.h"
#include "ShowPainting.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

const char kDisplayMemoryHint[] =
    "\nIf this continues and restarting your computer doesn't help, your computer\n"
    "or video card may not have enough memory to run this program.";

const char kCompatibilityWarningText[] =
    "This Tovaren Show file may not play correctly due to the extremely different version of "
    "Windows on which it was created."
    "                                                             "
    "To disable this warning, visit your screen saver settings or read the Tovaren help "
    "documentation to learn more. ";

namespace {

// No point is started later than this after a step began, so a frame is
// presented at least this often even when everything is due.
const DWORD kFrameBudgetMs = 33;
const DWORD kNotDueSleepMs = 20;

struct DDErrorText {
    HRESULT result;
    const char* text;
};

const DDErrorText kDDErrorTexts[] = {
    {static_cast<HRESULT>(0x80004001), "\nThe operation is not supported."},
    {static_cast<HRESULT>(0x80004005), "\nThere is an undefined error condition."},
    {static_cast<HRESULT>(0x8007000E),
     "\nDirectDraw does not have enough memory to perform the operation. "},
    {static_cast<HRESULT>(0x80070057),
     "\nOne or more of the parameters passed to the method are incorrect. "},
    {static_cast<HRESULT>(0x8876005F),
     "\nThe primary surface creation request does not match the existing primary surface. "},
    {static_cast<HRESULT>(0x88760064),
     "\nOne or more of the capability bits passed to the callback function are incorrect. "},
    {static_cast<HRESULT>(0x88760078), "\nDirectDraw does not support the requested mode."},
    {static_cast<HRESULT>(0x88760082),
     "\nDirectDraw received a pointer that was an invalid DirectDraw object. "},
    {static_cast<HRESULT>(0x88760091), "\nThe pixel format was invalid as specified. "},
    {static_cast<HRESULT>(0x887600A0),
     "\nOne or more surfaces are locked, causing the failure of the requested operation."},
    {static_cast<HRESULT>(0x887600B4),
     "\nNo alpha acceleration hardware is present or available, causing the failure of the "
     "requested operation. "},
    {static_cast<HRESULT>(0x887600D4),
     "\nA create function is called without the IDirectDraw4::SetCooperativeLevel method being "
     "called. "},
    {static_cast<HRESULT>(0x887600E1),
     "\nThe operation requires the application to have exclusive mode, but the application does "
     "not have exclusive mode. "},
    {static_cast<HRESULT>(0x887600E6), "\nFlipping visible surfaces is not supported. "},
    {static_cast<HRESULT>(0x88760104),
     "\nThe operation cannot be carried out because no overlay hardware is present or "
     "available. "},
    {static_cast<HRESULT>(0x88760154),
     "\nThe operation to create a Z-buffer in display memory or to perform a blit using a "
     "Z-buffer cannot be carried out because there is no hardware support for Z-buffers. "},
    {static_cast<HRESULT>(0x8876017C),
     "\nDirectDraw does not have enough display memory to perform the operation. "},
    {static_cast<HRESULT>(0x887601AE),
     "\nAccess to the surface is refused because the surface is locked by another thread."},
    {static_cast<HRESULT>(0x8876021C),
     "\nThe previous blit operation that is transferring information to or from this surface "
     "is incomplete."},
    {static_cast<HRESULT>(0x88760233),
     "\nHardware-only DirectDraw object creation is not possible; the driver does not support "
     "any hardware. "},
    {static_cast<HRESULT>(0x88760234), "\nThis process has already created a primary surface. "},
    {static_cast<HRESULT>(0x88760235), "\nSoftware emulation is not available. "},
    {static_cast<HRESULT>(0x8876024E), "\nThe display is currently in an unsupported mode. "},
    {static_cast<HRESULT>(0x8876024F),
     "\nThe operation cannot be carried out because no mipmap capable texture mapping hardware "
     "is present or available. "},
};

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

template <typename T>
void ReleaseInterface(T*& object) {
    if (object) {
        object->Release();
        object = nullptr;
    }
}

// The pixel rows of a locked surface.
PixelMemory MemoryOf(const DDSURFACEDESC2& desc) {
    PixelMemory m;
    m.bits = static_cast<uint8_t*>(desc.lpSurface);
    m.pitch = static_cast<int>(desc.lPitch);
    m.width = static_cast<int>(desc.dwWidth);
    m.height = static_cast<int>(desc.dwHeight);
    m.bytesPerPixel = static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount / 8);
    return m;
}

void FillSurfaceDesc(DDSURFACEDESC2& desc, DWORD caps, const RECT* size) {
    ZeroMemory(&desc, sizeof(desc));
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = caps;
    if (size) {
        desc.dwFlags |= DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = static_cast<DWORD>(size->right);
        desc.dwHeight = static_cast<DWORD>(size->bottom);
    }
}

int32_t Truncate(float value) { return static_cast<int32_t>(value); }

}  // namespace

ShowPlayer::ShowPlayer(HWND window, DirectDrawStarter* starter) {
    ResetFields();
    this->window = window;
    ComputeDisplayRects();
    ok = fullScreen ? initTovarenPlayerFullScreen(starter) : initTovarenPlayerWindowed(starter);
}

ShowPlayer::ShowPlayer(HWND window, ShowDocument* document, HBITMAP characterBitmap, int speed,
                       uint8_t warningMode) {
    ResetFields();
    this->window = window;
    ComputeDisplayRects();
    bool ready = fullScreen ? initTovarenPlayerFullScreen() : initTovarenPlayerWindowed();
    ok = ready && StartShow(document, characterBitmap, speed, warningMode);
}

ShowPlayer::ShowPlayer(HWND window, HBITMAP desktopPicture, int pictureX, int pictureY,
                       IDirectDraw4* sharedDirectDraw) {
    ResetFields();
    this->window = window;
    monitorWindow = true;
    ComputeDisplayRects();
    ok = initTovarenPlayerMonitor(desktopPicture, pictureX, pictureY, sharedDirectDraw);
}

ShowPlayer::~ShowPlayer() {
    if (directDraw || drawingPen || floodFillPen || timerCaps.wPeriodMin) Shutdown();
}

// ---------------------------------------------------------------------------
// Failure texts

void ShowPlayer::SetMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof(message), format, args);
    va_end(args);
}

void ShowPlayer::AppendMessage(const char* text) {
    size_t used = strlen(message);
    if (used + 1 >= sizeof(message)) return;
    strncat(message, text, sizeof(message) - used - 1);
}

void ShowPlayer::FailWithHint(const char* text) {
    SetMessage("%s", text);
    AppendMessage(kDisplayMemoryHint);
}

void ShowPlayer::FailWithHintAndResult(const char* text, HRESULT result) {
    FailWithHint(text);
    AppendDDErrorText(result);
}

void ShowPlayer::AppendDDErrorText(HRESULT result) {
    for (const DDErrorText& entry : kDDErrorTexts) {
        if (entry.result == result) {
            AppendMessage(entry.text);
            return;
        }
    }
    AppendMessage("\nUnknown error cause.");
}

// ---------------------------------------------------------------------------
// Set-up

void ShowPlayer::ResetFields() {
    ok = false;
    message[0] = '\0';
    ZeroMemory(&timerCaps, sizeof(timerCaps));
    nextDueMs = nowMs = frameDeadlineMs = 0;
    document = nullptr;
    directDraw = nullptr;
    ZeroMemory(&primaryDesc, sizeof(primaryDesc));
    primarySurface = backBuffer = nullptr;
    ZeroMemory(&characterDesc, sizeof(characterDesc));
    characterSurface = nullptr;
    ZeroMemory(&characterColorKey, sizeof(characterColorKey));
    ZeroMemory(&drawingDesc, sizeof(drawingDesc));
    drawingSurface = nullptr;
    ZeroMemory(&desktopDesc, sizeof(desktopDesc));
    desktopSurface = nullptr;
    ZeroMemory(&floodFillDesc, sizeof(floodFillDesc));
    floodFillSurface = nullptr;
    ZeroMemory(&floodFillColorKey, sizeof(floodFillColorKey));
    clipper = nullptr;
    clipList = nullptr;
    window = nullptr;
    drawingDC = floodFillDC = nullptr;
    SetRectEmpty(&characterRect);
    SetRectEmpty(&floodFillRect);
    SetRectEmpty(&screenRect);
    SetRectEmpty(&windowArea);
    SetRectEmpty(&drawArea);
    SetRectEmpty(&windowRect);
    markX = 0;
    fullScreen = true;
    speedFactor = 1.0f;
    warningMode = WARNING_NONE;
    warningLength = static_cast<int32_t>(strlen(kCompatibilityWarningText));
    warningX = warningWidth = 0;
    signatureX = signatureY = 0;
    signatureText[0] = '\0';
    signatureLength = 0;
    drawingPen = floodFillPen = nullptr;
    penColor = 0;
    penSize = 0;
    floodDirty = false;
    currentPoint = nullptr;
    scale = 0.0f;
    prevPointX = prevPointY = prevScreenX = prevScreenY = curScreenX = curScreenY = 0;
    scaledPenSize = 0;
    monitorWindow = false;
    dueFraction = 0.0;
    firstFramePending = false;
}

void ShowPlayer::ComputeDisplayRects() {
    SetRect(&screenRect, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    GetWindowRect(window, &windowRect);
    SetRect(&windowArea, 0, 0, Width(windowRect), Height(windowRect));
    // A monitor window is a screen of its own: the show, the signature and
    // the warning are laid out on its rectangle.
    if (monitorWindow) {
        screenRect = windowArea;
        fullScreen = false;
        drawArea = windowArea;
        return;
    }
    // Only a window with room to spare right and bottom is a preview; the
    // callers' top-most pop-ups of screen size reach both edges.
    if (windowRect.left >= 0 && windowRect.top >= 0 && windowRect.right < screenRect.right &&
        windowRect.bottom < screenRect.bottom) {
        fullScreen = false;
    }
    drawArea = fullScreen ? screenRect : windowArea;
}

void ShowPlayer::BeginTimerPeriod() {
    if (timeGetDevCaps(&timerCaps, sizeof(timerCaps)) == TIMERR_NOERROR) {
        timeBeginPeriod(timerCaps.wPeriodMin);
    } else {
        ZeroMemory(&timerCaps, sizeof(timerCaps));
    }
}

bool ShowPlayer::InitializeDD(DirectDrawStarter* starter) {
    primarySurface = characterSurface = drawingSurface = floodFillSurface = desktopSurface =
        nullptr;
    if (starter && (directDraw = starter->Take()) != nullptr) return true;
    IDirectDraw* first = nullptr;
    if (FAILED(DirectDrawCreate(nullptr, &first, nullptr)) || !first) {
        SetMessage("Tovaren requires DirectX 4");
        return false;
    }
    HRESULT result = first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&directDraw));
    first->Release();
    if (FAILED(result) || !directDraw) {
        directDraw = nullptr;
        SetMessage("InitializeDD() QueryInterface() failed. This program requires DirectDraw 4.");
        return false;
    }
    return true;
}

bool ShowPlayer::initTovarenPlayerFullScreen(DirectDrawStarter* starter) {
    int width = Width(screenRect);
    int height = Height(screenRect);

    // The desktop is copied before the mode change repaints the screen.
    // The screen DC is given back before DirectDraw takes the display.
    ScopedBitmap capture;
    ScopedMemoryDC captureDC{ScopedGetDC{nullptr}};
    capture.Reset(CreateCompatibleBitmap(ScopedGetDC{nullptr}, width, height));
    ScopedSelectObject selectCapture(captureDC, capture);
    if (!selectCapture.Selected()) {
        FailWithHint("gdi SelectObject() failed.");
        return false;
    }
    if (!BitBlt(captureDC, 0, 0, width, height, ScopedGetDC{nullptr}, 0, 0, SRCCOPY)) {
        FailWithHint("gdi BitBlt() desktop image into tmpBmp failed.");
        return false;
    }

    BeginTimerPeriod();
    nextDueMs = timeGetTime();

    if (!InitializeDD(starter)) return false;
    if (FAILED(directDraw->SetCooperativeLevel(
            window, DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE))) {
        FailWithHint("InitializeDD() SetCooperativeLevel() failed.");
        return false;
    }
    HRESULT result = directDraw->SetDisplayMode(width, height, 16, 0, 0);
    if (FAILED(result)) {
        FailWithHintAndResult("initTovarenPlayerFullScreen() SetDiplayMode() failed.", result);
        return false;
    }
    if (!CreatePrimaryAndAttachedSurface()) return false;
    if (!CreateDesktopSurface(screenRect)) return false;
    if (!CreateDrawingSurface(screenRect)) return false;
    if (!SetUpFullScreenClipper(screenRect)) return false;

    bool copied = false;
    {
        ScopedSurfaceDC desktopDC(desktopSurface);
        copied = desktopDC && BitBlt(desktopDC, 0, 0, width, height, captureDC, 0, 0, SRCCOPY);
    }
    if (!copied) {
        FailWithHint("gdi desktop bitblt failed.");
        return false;
    }
    return true;
}

bool ShowPlayer::initTovarenPlayerWindowed(DirectDrawStarter* starter) {
    BeginTimerPeriod();
    nextDueMs = timeGetTime();

    if (!InitializeDD(starter)) return false;
    if (FAILED(directDraw->SetCooperativeLevel(window, DDSCL_NORMAL))) {
        FailWithHint("InitializeDD() SetCooperativeLevel() failed.");
        return false;
    }
    if (!CreatePrimaryWindowSurface()) return false;
    if (!CreateDrawingSurface(windowArea)) return false;
    if (!CreateDesktopSurface(windowArea)) return false;
    if (!SetUpWindowClipper()) return false;

    GetWindowRect(window, &windowRect);
    if (!CopyScreenUnderWindow()) {
        FailWithHint("Failed to blit a copy of your to Desktop the DesktopSurface buffer.");
        return false;
    }
    return true;
}

// The surfaces of the full screen, all off screen: the back buffer holds the
// frame that is copied to the window. The main monitor's exclusive mode and
// this object's normal level live side by side in one process.
bool ShowPlayer::initTovarenPlayerMonitor(HBITMAP desktopPicture, int pictureX, int pictureY,
                                          IDirectDraw4* sharedDirectDraw) {
    BeginTimerPeriod();
    nextDueMs = timeGetTime();

    if (sharedDirectDraw) {
        directDraw = sharedDirectDraw;
        directDraw->AddRef();
    } else if (!InitializeDD()) {
        return false;
    } else if (FAILED(directDraw->SetCooperativeLevel(window, DDSCL_NORMAL))) {
        FailWithHint("InitializeDD() SetCooperativeLevel() failed.");
        return false;
    }
    if (!CreateDesktopSurface(windowArea)) return false;
    if (!CreateDrawingSurface(windowArea)) return false;
    FillSurfaceDesc(primaryDesc, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, &windowArea);
    if (!CreateSurfaceFromDesc(primaryDesc, &backBuffer,
                               "CreatePrimaryAndAttachedSurface() CreateSurface() failed.")) {
        return false;
    }
    if (!SetUpFullScreenClipper(windowArea)) return false;

    bool copied = false;
    {
        ScopedSurfaceDC desktopDC(desktopSurface);
        if (desktopDC && desktopPicture) {
            ScopedMemoryDC pictureDC(nullptr);
            ScopedSelectObject selectPicture(pictureDC, desktopPicture);
            copied = selectPicture.Selected() &&
                     BitBlt(desktopDC, 0, 0, Width(windowArea), Height(windowArea), pictureDC,
                            pictureX, pictureY, SRCCOPY);
        }
    }
    if (!copied) {
        FailWithHint("gdi desktop bitblt failed.");
        return false;
    }
    return true;
}

// The picture under the window is read through GDI from the screen: a
// windowed primary surface does not hold what other programs drew on every
// system (under Wine it reads back black).
bool ShowPlayer::CopyScreenUnderWindow() {
    ScopedSurfaceDC desktopDC(desktopSurface);
    if (!desktopDC) return false;
    ScopedGetDC screen(nullptr);
    return screen && BitBlt(desktopDC, 0, 0, Width(windowArea), Height(windowArea), screen,
                            windowRect.left, windowRect.top, SRCCOPY);
}

bool ShowPlayer::CreateSurfaceFromDesc(DDSURFACEDESC2& desc, IDirectDrawSurface4** surface,
                                       const char* failureText) {
    HRESULT result = directDraw->CreateSurface(&desc, surface, nullptr);
    if (FAILED(result)) {
        *surface = nullptr;
        FailWithHintAndResult(failureText, result);
        return false;
    }
    return true;
}

bool ShowPlayer::CreatePrimaryWindowSurface() {
    FillSurfaceDesc(primaryDesc, DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY, nullptr);
    return CreateSurfaceFromDesc(primaryDesc, &primarySurface,
                                 "CreatePrimaryWindowSurface() CreateSurface() failed.");
}

bool ShowPlayer::CreatePrimaryAndAttachedSurface() {
    FillSurfaceDesc(primaryDesc,
                    DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY,
                    nullptr);
    primaryDesc.dwFlags |= DDSD_BACKBUFFERCOUNT;
    primaryDesc.dwBackBufferCount = 1;
    if (!CreateSurfaceFromDesc(primaryDesc, &primarySurface,
                               "CreatePrimaryAndAttachedSurface() CreateSurface() failed.")) {
        return false;
    }
    DDSCAPS2 caps;
    ZeroMemory(&caps, sizeof(caps));
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    HRESULT result = primarySurface->GetAttachedSurface(&caps, &backBuffer);
    if (FAILED(result)) {
        backBuffer = nullptr;
        FailWithHintAndResult("CreatePrimaryAndAttachedSurface() GetAttachedSurface() failed.",
                              result);
        return false;
    }
    return true;
}

bool ShowPlayer::CreateDesktopSurface(const RECT& rect) {
    FillSurfaceDesc(desktopDesc, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, &rect);
    return CreateSurfaceFromDesc(desktopDesc, &desktopSurface,
                                 "CreateDesktopSurface() CreateSurface() failed.");
}

// A monitor window's frames are drawn with GDI and leave through GDI: kept
// in system memory, no surface travels to the video card and back for a DC.
DWORD ShowPlayer::MonitorOrVideoMemory() const {
    return monitorWindow ? DDSCAPS_SYSTEMMEMORY : DDSCAPS_VIDEOMEMORY;
}

bool ShowPlayer::CreateDrawingSurface(const RECT& rect) {
    FillSurfaceDesc(drawingDesc, DDSCAPS_OFFSCREENPLAIN | MonitorOrVideoMemory(), &rect);
    return CreateSurfaceFromDesc(drawingDesc, &drawingSurface,
                                 "CreateDrawingSurface() CreateSurface() failed.");
}

bool ShowPlayer::CreateFloodFillSurface(const RECT& rect) {
    FillSurfaceDesc(floodFillDesc, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, &rect);
    if (!CreateSurfaceFromDesc(floodFillDesc, &floodFillSurface,
                               "CreateFloodFillSurface() CreateSurface() failed.")) {
        return false;
    }
    // The key is compared with pixel values, so white is written in the
    // surface's own format (0xFFFF at 16 bits per pixel).
    DWORD key = kTransparentWhite;
    DDPIXELFORMAT format;
    ZeroMemory(&format, sizeof(format));
    format.dwSize = sizeof(format);
    if (SUCCEEDED(floodFillSurface->GetPixelFormat(&format)) && format.dwRBitMask) {
        key = PixelValueFromColor(kTransparentWhite, format.dwRBitMask, format.dwGBitMask,
                                  format.dwBBitMask);
    }
    floodFillColorKey.dwColorSpaceLowValue = key;
    floodFillColorKey.dwColorSpaceHighValue = key;
    HRESULT result = floodFillSurface->SetColorKey(DDCKEY_SRCBLT, &floodFillColorKey);
    if (FAILED(result)) {
        FailWithHintAndResult("Failed to set the Flood Fill surface color key.", result);
        return false;
    }
    return true;
}

bool ShowPlayer::CreateCharacterSurface(const RECT& rect) {
    FillSurfaceDesc(characterDesc, DDSCAPS_OFFSCREENPLAIN | MonitorOrVideoMemory(), &rect);
    return CreateSurfaceFromDesc(characterDesc, &characterSurface,
                                 "CreateCharacterSurface() CreateSurface() failed.");
}

bool ShowPlayer::SetUpWindowClipper() {
    if (FAILED(directDraw->CreateClipper(0, &clipper, nullptr))) {
        clipper = nullptr;
        FailWithHint("Failed to CreateClipper()");
        return false;
    }
    if (FAILED(clipper->SetHWnd(0, window))) {
        FailWithHint("Failed to SetHwnd() the clipper.");
        return false;
    }
    if (FAILED(primarySurface->SetClipper(clipper))) {
        FailWithHint("Failed to SetClipper() to Primary surface.");
        return false;
    }
    return true;
}

bool ShowPlayer::SetUpFullScreenClipper(const RECT& rect) {
    clipList = static_cast<RGNDATA*>(operator new(sizeof(RGNDATAHEADER) + sizeof(RECT)));
    clipList->rdh.dwSize = sizeof(RGNDATAHEADER);
    clipList->rdh.iType = RDH_RECTANGLES;
    clipList->rdh.nCount = 1;
    clipList->rdh.nRgnSize = sizeof(RECT);
    clipList->rdh.rcBound = rect;
    memcpy(clipList->Buffer, &rect, sizeof(RECT));

    bool created = SUCCEEDED(directDraw->CreateClipper(0, &clipper, nullptr));
    bool listSet = created && SUCCEEDED(clipper->SetClipList(clipList, 0));
    operator delete(clipList);
    clipList = nullptr;
    if (!created) {
        clipper = nullptr;
        FailWithHint("Failed to CreateClipper()");
        return false;
    }
    if (!listSet) {
        FailWithHint("Failed to SetClipList()");
        return false;
    }
    if (FAILED(drawingSurface->SetClipper(clipper))) {
        FailWithHint("Failed to SetClipper() to Drawing surface.");
        return false;
    }
    if (FAILED(backBuffer->SetClipper(clipper))) {
        FailWithHint("Failed to SetClipper() to BackBuffer surface.");
        return false;
    }
    return true;
}

void ShowPlayer::Shutdown() {
    ReleaseHeldDCs();
    if (timerCaps.wPeriodMin) timeEndPeriod(timerCaps.wPeriodMin);
    if (directDraw && fullScreen) directDraw->RestoreDisplayMode();
    ReleaseInterface(clipper);
    ReleaseInterface(characterSurface);
    ReleaseInterface(floodFillSurface);
    ReleaseInterface(drawingSurface);
    ReleaseInterface(backBuffer);
    ReleaseInterface(desktopSurface);
    ReleaseInterface(primarySurface);
    ReleaseInterface(directDraw);
    if (floodFillPen) DeleteObject(floodFillPen);
    if (drawingPen) DeleteObject(drawingPen);
    ResetFields();
}

// ---------------------------------------------------------------------------
// Playback

bool ShowPlayer::StartShow(ShowDocument* document, HBITMAP characterBitmap, int speed,
                           uint8_t warningMode) {
    this->warningMode = warningMode;
    this->document = document;
    if (!document) return false;
    ReleaseHeldDCs();

    const ShowHeaderBlock& header = document->header.block;
    SetRect(&floodFillRect, 0, 0, header.width, header.height);

    signatureLength = SignatureTextOf(*document, signatureText, sizeof(signatureText));

    ReleaseInterface(floodFillSurface);
    if (!CreateFloodFillSurface(floodFillRect)) return false;

    // Above 100 (a speed typed into the registry, a standalone trailer up to
    // 127) the factor would turn negative and run the schedule backwards.
    if (speed > 100) speed = 100;
    speedFactor = static_cast<float>((100.0 - speed) / 100.0);

    document->Rewind();
    currentPoint = document->NextPoint();

    ReleaseInterface(characterSurface);
    BITMAP bitmapInfo;
    ZeroMemory(&bitmapInfo, sizeof(bitmapInfo));
    GetObjectA(characterBitmap, sizeof(bitmapInfo), &bitmapInfo);
    SetRect(&characterRect, 0, 0, bitmapInfo.bmWidth, bitmapInfo.bmHeight);
    if (!CreateCharacterSurface(characterRect)) return false;
    if (!CopyCharacterBitmap(characterBitmap)) return false;

    scale = ShowScale(Width(drawArea), Height(drawArea), header.width, header.height);

    // A show without points has ended before it began; the character stays
    // at the top left corner of the first frame.
    curScreenX = curScreenY = 0;
    if (currentPoint) {
        const ShowPoint& first = currentPoint->point;
        curScreenX = ScaleToDisplay(first.x, scale);
        curScreenY = ScaleToDisplay(first.y, scale);
        scaledPenSize = static_cast<uint16_t>(ScaleToDisplay(first.penSize, scale));
    }

    PaintFloodFillWhite();

    if (FAILED(drawingSurface->Blt(&drawArea, desktopSurface, &drawArea, DDBLT_WAIT, nullptr))) {
        FailWithHint("Failed to blit Desktop image to Drawing surface.");
        return false;
    }

    {
        ScopedSurfaceDC dc(drawingSurface);
        if (dc) {
            TEXTMETRICA metrics;
            ZeroMemory(&metrics, sizeof(metrics));
            GetTextMetricsA(dc, &metrics);
            warningX = screenRect.right;
            markX = screenRect.right - metrics.tmMaxCharWidth;
            warningWidth = warningLength * metrics.tmAveCharWidth;
            signatureY = screenRect.bottom - kSignatureMargin;
            signatureX =
                screenRect.right - signatureLength * metrics.tmAveCharWidth - kSignatureMargin;
        }
    }

    nextDueMs = timeGetTime();
    dueFraction = 0.0;
    firstFramePending = true;
    return true;
}

bool ShowPlayer::CopyCharacterBitmap(HBITMAP characterBitmap) {
    {
        ScopedMemoryDC memoryDC{ScopedGetDC{window}};
        ScopedSelectObject selectCharacter(memoryDC, characterBitmap);
        ScopedSurfaceDC surfaceDC(characterSurface);
        if (surfaceDC)
            BitBlt(surfaceDC, 0, 0, Width(characterRect), Height(characterRect), memoryDC, 0, 0,
                   SRCCOPY);
    }

    // A colour key is a pixel value of the surface's format, not a COLORREF:
    // the pixel at (1, 1) as it landed on the surface is the transparent one.
    int keyX = Width(characterRect) > 1 ? 1 : 0;
    int keyY = Height(characterRect) > 1 ? 1 : 0;
    {
        ScopedSurfaceLock lock(characterSurface);
        if (lock.locked) {
            uint32_t key = ReadPixelValue(MemoryOf(lock.desc), keyX, keyY);
            characterColorKey.dwColorSpaceLowValue = key;
            characterColorKey.dwColorSpaceHighValue = key;
        }
    }
    if (FAILED(characterSurface->SetColorKey(DDCKEY_SRCBLT, &characterColorKey))) {
        FailWithHint("Failed to set the Character transparancy color key.");
        return false;
    }
    return true;
}

void ShowPlayer::PaintFloodFillWhite() {
    ScopedSurfaceDC dc(floodFillSurface);
    if (!dc) return;
    ScopedBrush brush(CreateSolidBrush(kTransparentWhite));
    ScopedPen pen(CreatePen(PS_SOLID, 1, kTransparentWhite));
    ScopedSelectObject selectBrush(dc, brush);
    ScopedSelectObject selectPen(dc, pen);
    Rectangle(dc, -1, -1, floodFillRect.right, floodFillRect.bottom);
}

void ShowPlayer::ResetClock() {
    nextDueMs = timeGetTime();
    dueFraction = 0.0;
}

void ShowPlayer::DelayNextPoint(DWORD ms) {
    nextDueMs = timeGetTime() + ms;
    dueFraction = 0.0;
}

bool ShowPlayer::PlayStep() {
    if (!currentPoint) return false;
    nowMs = timeGetTime();
    if (nextDueMs > nowMs && !firstFramePending) {
        Sleep(kNotDueSleepMs);
        nowMs = nowMs + 1;
    }
    frameDeadlineMs = nowMs + kFrameBudgetMs;
    if (nowMs >= nextDueMs) {
        while (nowMs < frameDeadlineMs) {
            prevScreenX = curScreenX;
            prevScreenY = curScreenY;
            prevPointX = currentPoint->point.x;
            prevPointY = currentPoint->point.y;

            currentPoint = document->NextPoint();
            if (!currentPoint) {
                if (penColor == kTransparentWhite) floodDirty = true;
                Present();
                return false;
            }
            const ShowPoint& point = currentPoint->point;
            curScreenX = ScaleToDisplay(point.x, scale);
            curScreenY = ScaleToDisplay(point.y, scale);
            scaledPenSize = static_cast<uint16_t>(ScaleToDisplay(point.penSize, scale));

            // A point's delay is the wait after it; non-zero delays accumulate on
            // the schedule so a late player catches up, a zero delay re-anchors.
            if (point.delay != 0) {
                double due = static_cast<double>(nextDueMs) + dueFraction +
                             static_cast<double>(speedFactor) * point.delay;
                uint64_t whole = static_cast<uint64_t>(due);
                dueFraction = due - static_cast<double>(whole);
                nextDueMs = static_cast<uint32_t>(whole);
            } else {
                nextDueMs = nowMs;
                dueFraction = 0.0;
            }

            if (point.flags & PF_FILL) DrawFill(point);
            if (point.flags & PF_PEN_DOWN) DrawStroke(point);

            nowMs = timeGetTime();
            if (nowMs < nextDueMs) break;
        }
    }
    return Present();
}

bool ShowPlayer::Present() {
    ReleaseHeldDCs();
    firstFramePending = false;
    if (monitorWindow) return PresentMonitorWindow();
    return fullScreen ? PresentFullScreen() : PresentWindowed();
}

void ShowPlayer::RebuildPens(HDC dc) {
    if (drawingPen) DeleteObject(drawingPen);
    if (floodFillPen) DeleteObject(floodFillPen);
    penColor = currentPoint->point.colour;
    penSize = currentPoint->point.penSize;
    drawingPen = CreateShowPen(dc, penColor, scaledPenSize);
    floodFillPen = CreateShowPen(dc, penColor, static_cast<int>(penSize));
}

// The DCs of the two painting surfaces are kept across the points of one step
// and given back before anything blits, locks or presents.
HDC ShowPlayer::HoldDrawingDC() {
    if (!drawingDC && drawingSurface && FAILED(drawingSurface->GetDC(&drawingDC))) {
        drawingDC = nullptr;
    }
    return drawingDC;
}

HDC ShowPlayer::HoldFloodFillDC() {
    if (!floodFillDC && floodFillSurface && FAILED(floodFillSurface->GetDC(&floodFillDC))) {
        floodFillDC = nullptr;
    }
    return floodFillDC;
}

void ShowPlayer::ReleaseHeldDCs() {
    if (floodFillDC) {
        floodFillSurface->ReleaseDC(floodFillDC);
        floodFillDC = nullptr;
    }
    if (drawingDC) {
        drawingSurface->ReleaseDC(drawingDC);
        drawingDC = nullptr;
    }
}

// GDI's ExtFloodFill recurses per row and overflows the stack on winding
// areas, so the fill runs on the locked surface memory with the same meaning:
// the 4-connected area of exactly the value under the point, in the nearest
// colour of the pen.
void ShowPlayer::DrawFill(const ShowPoint& point) {
    HDC dc = HoldFloodFillDC();
    if (penColor != point.colour || penSize != point.penSize) RebuildPens(dc);
    COLORREF brushColor = GetNearestColor(dc, penColor);
    // On a palette surface (a preview on a 256-colour desktop) the pixel is
    // the index of the palette entry GDI would paint.
    UINT paletteIndex = GetNearestPaletteIndex(
        static_cast<HPALETTE>(GetCurrentObject(dc, OBJ_PAL)), brushColor);
    ReleaseHeldDCs();

    ScopedSurfaceLock lock(floodFillSurface);
    if (lock.locked) {
        const DDPIXELFORMAT& format = lock.desc.ddpfPixelFormat;
        uint32_t fillValue = (format.dwFlags & DDPF_PALETTEINDEXED8)
                                 ? paletteIndex
                                 : PixelValueFromColor(brushColor, format.dwRBitMask,
                                                       format.dwGBitMask, format.dwBBitMask);
        SpanFloodFill(MemoryOf(lock.desc), point.x, point.y, fillValue);
    }
    floodDirty = true;
}

void ShowPlayer::DrawStroke(const ShowPoint& point) {
    HDC fillDC = HoldFloodFillDC();
    HDC drawDC = HoldDrawingDC();
    if (penColor != point.colour || penSize != point.penSize) RebuildPens(fillDC);
    DrawShowLine(fillDC, floodFillPen, prevPointX, prevPointY, point.x, point.y);
    DrawShowLine(drawDC, drawingPen, prevScreenX, prevScreenY, curScreenX, curScreenY);
    if (penColor == kTransparentWhite) floodDirty = true;
}

bool ShowPlayer::PresentFailed(const char* text) {
    FailWithHint(text);
    ok = false;
    return false;
}

bool ShowPlayer::RebuildDrawingSurface(const RECT& floodFillSource, const RECT& target) {
    if (FAILED(drawingSurface->Blt(const_cast<RECT*>(&drawArea), desktopSurface,
                                   const_cast<RECT*>(&drawArea), DDBLT_WAIT, nullptr))) {
        return PresentFailed("Failed to blit Desktop surface to Drawing Surface buffer.");
    }
    if (FAILED(drawingSurface->Blt(const_cast<RECT*>(&target), floodFillSurface,
                                   const_cast<RECT*>(&floodFillSource),
                                   DDBLT_WAIT | DDBLT_KEYSRC, nullptr))) {
        return PresentFailed("Failed to blit FloodFill surface to Drawing Surface buffer.");
    }
    floodDirty = false;
    return true;
}

void ShowPlayer::DrawTextOverlays() {
    if (warningMode == WARNING_NONE && signatureLength <= 0) return;
    {
        ScopedSurfaceDC dc(drawingSurface);
        if (!dc) return;
        if (signatureLength > 0)
            TextOutA(dc, signatureX, signatureY, signatureText, signatureLength);
        if (warningMode == WARNING_SCROLLING) {
            TextOutA(dc, warningX, 0, kCompatibilityWarningText, warningLength);
        } else if (warningMode == WARNING_MARK_ONLY) {
            SetTextColor(dc, RGB(255, 0, 0));
            TextOutA(dc, markX, 0, "X ", 2);
        }
    }
    if (warningMode == WARNING_SCROLLING) {
        warningX -= 2;
        if (warningX < -warningWidth) warningX = screenRect.right;
    }
}

// The frame of a screen-sized layout, put together in the back buffer.
bool ShowPlayer::ComposeBackBuffer() {
    if (floodDirty) {
        RECT target = {drawArea.left, drawArea.top,
                       Truncate(floodFillRect.right * scale),
                       Truncate(floodFillRect.bottom * scale)};
        if (!RebuildDrawingSurface(floodFillRect, target)) return false;
    }
    DrawTextOverlays();
    if (FAILED(backBuffer->Blt(&screenRect, drawingSurface, &screenRect, DDBLT_WAIT, nullptr))) {
        return PresentFailed("Failed to blt DrawingSurface to the Backbuffer Surface.");
    }
    DrawCharacter(backBuffer, curScreenX, curScreenY);
    return true;
}

bool ShowPlayer::PresentFullScreen() {
    return ComposeBackBuffer() && Flip();
}

// Lost surfaces are never restored, so a Flip that keeps failing would hang
// the caller's loop: after a second the show is given up.
bool ShowPlayer::Flip() {
    DWORD start = timeGetTime();
    for (;;) {
        HRESULT result = primarySurface->Flip(nullptr, DDFLIP_WAIT);
        if (SUCCEEDED(result)) return true;
        if (timeGetTime() - start >= kFlipGiveUpMs) {
            FailWithHintAndResult("PresentFullScreen() Flip() failed.", result);
            ok = false;
            return false;
        }
        Sleep(10);
    }
}

bool ShowPlayer::PresentWindowed() {
    GetWindowRect(window, &windowRect);
    if (floodDirty) {
        float aspect = static_cast<float>(Width(windowArea)) / Height(windowArea);
        int sourceBottom = Truncate(floodFillRect.right / aspect);
        if (sourceBottom > floodFillRect.bottom) sourceBottom = floodFillRect.bottom;
        RECT source = {0, 0, floodFillRect.right, sourceBottom};
        if (!RebuildDrawingSurface(source, drawArea)) return false;
    }
    directDraw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
    if (FAILED(primarySurface->Blt(&windowRect, drawingSurface, &windowArea, DDBLT_WAIT,
                                   nullptr))) {
        return PresentFailed("Failed to blt DrawingSurface to the preview window.");
    }
    DrawCharacter(primarySurface, curScreenX + windowRect.left, curScreenY + windowRect.top);
    return true;
}

// As the full screen, with the window's DC in place of Flip: a second
// primary surface beside the exclusive one is not to be had everywhere.
bool ShowPlayer::PresentMonitorWindow() {
    if (!ComposeBackBuffer()) return false;
    bool copied = false;
    {
        ScopedSurfaceDC frameDC(backBuffer);
        ScopedGetDC windowDC(window);
        copied = frameDC && windowDC &&
                 BitBlt(windowDC, 0, 0, Width(screenRect), Height(screenRect), frameDC, 0, 0,
                        SRCCOPY);
    }
    if (!copied) return PresentFailed("Failed to copy the picture to the monitor window.");
    return true;
}

bool ShowPlayer::DrawCharacter(IDirectDrawSurface4* target, int x, int y) {
    if (!target || !characterSurface) return true;
    RECT place;
    place.left = x - kCharacterTipX;
    place.top = y - kCharacterTipY;
    place.right = place.left + Width(characterRect);
    place.bottom = place.top + Height(characterRect);
    target->Blt(&place, characterSurface, &characterRect, DDBLT_WAIT | DDBLT_KEYSRC, nullptr);
    return true;
}
