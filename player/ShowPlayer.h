// The playback engine: captures the desktop, sets up DirectDraw for one window
// (exclusive full screen with a back buffer, or windowed inside a preview child
// window) and plays a show onto it point by point.
//
// Usage: allocate, check ok (message says why not), StartShow, then PlayStep
// once per loop iteration until it returns false; Shutdown before delete.
// Everything runs on the thread that created the object.
#pragma once

#include "DirectDrawStarter.h"
#include "ShowDocument.h"

#include <windows.h>
#include <ddraw.h>
#include <mmsystem.h>

#include <cstdint>

const int kPlayerMessageSize = 4000;
const int kSignatureTextSize = 44;

// Appended to most display failure texts.
extern const char kDisplayMemoryHint[];
// Crawls across the top of the screen in warning mode 2.
extern const char kCompatibilityWarningText[];

// Transparent colour of the painting layer: painting white erases.
const COLORREF kTransparentWhite = 0x00FFFFFF;

// How long a present goes on retrying a refused Flip before it gives up.
const DWORD kFlipGiveUpMs = 1000;

class ShowPlayer {
public:
    // The screen saver's form: set-up only. With a starter the player takes
    // the DirectDraw object started on its thread once the desktop is copied;
    // without one (or when it failed) the player starts DirectDraw itself.
    explicit ShowPlayer(HWND window, DirectDrawStarter* starter = nullptr);
    // The editor's form: set-up, then StartShow; ok only when both succeeded.
    ShowPlayer(HWND window, ShowDocument* document, HBITMAP characterBitmap, int speed,
               uint8_t warningMode);
    // The form for one more monitor beside the full-screen main one: window is
    // a top-most pop-up covering that monitor, played like the full screen
    // (the show covers the window, signature and warning included) without
    // taking the display: the frame reaches the window through GDI. The
    // desktop comes from desktopPicture, whose pixel (pictureX, pictureY)
    // lies under the window's top left corner. With sharedDirectDraw (the
    // main monitor's) no DirectDraw object of its own is made: a second one
    // costs the better part of a second to start.
    ShowPlayer(HWND window, HBITMAP desktopPicture, int pictureX, int pictureY,
               IDirectDraw4* sharedDirectDraw = nullptr);
    // Releases what Shutdown has not released yet.
    ~ShowPlayer();

    ShowPlayer(const ShowPlayer&) = delete;
    ShowPlayer& operator=(const ShowPlayer&) = delete;

    // Playback.
    // Prepares the next show on this object. A show without points is accepted
    // and counts as ended at once: PlayStep then returns false with ok set.
    bool StartShow(ShowDocument* document, HBITMAP characterBitmap, int speed,
                   uint8_t warningMode);
    // One iteration of the caller's loop: draws what is due (at most 33 ms of
    // drawing) and presents. False when the show has ended (ok still set) or a
    // present failed (ok cleared, message set).
    bool PlayStep();
    void ResetClock();
    void DelayNextPoint(DWORD ms);

    void RebuildPens(HDC dc);
    bool PresentFullScreen();
    bool PresentWindowed();
    bool PresentMonitorWindow();
    bool DrawCharacter(IDirectDrawSurface4* target, int x, int y);

    // Set-up and tear-down.
    void Shutdown();
    void ResetFields();
    void ComputeDisplayRects();
    bool InitializeDD(DirectDrawStarter* starter = nullptr);
    bool initTovarenPlayerFullScreen(DirectDrawStarter* starter = nullptr);
    bool initTovarenPlayerWindowed(DirectDrawStarter* starter = nullptr);
    bool initTovarenPlayerMonitor(HBITMAP desktopPicture, int pictureX, int pictureY,
                                  IDirectDraw4* sharedDirectDraw);
    bool CreatePrimaryWindowSurface();
    bool CreatePrimaryAndAttachedSurface();
    bool CreateDesktopSurface(const RECT& rect);
    bool CreateDrawingSurface(const RECT& rect);
    bool CreateFloodFillSurface(const RECT& rect);
    bool CreateCharacterSurface(const RECT& rect);
    bool SetUpWindowClipper();
    bool SetUpFullScreenClipper(const RECT& rect);
    void AppendDDErrorText(HRESULT result);

    // Fields, in this order.
    bool ok;
    char message[kPlayerMessageSize];
    TIMECAPS timerCaps;
    uint32_t nextDueMs;
    uint32_t nowMs;
    uint32_t frameDeadlineMs;
    ShowDocument* document;  // not owned
    IDirectDraw4* directDraw;
    DDSURFACEDESC2 primaryDesc;
    IDirectDrawSurface4* primarySurface;
    IDirectDrawSurface4* backBuffer;  // full screen only
    DDSURFACEDESC2 characterDesc;
    IDirectDrawSurface4* characterSurface;
    DDCOLORKEY characterColorKey;
    DDSURFACEDESC2 drawingDesc;
    IDirectDrawSurface4* drawingSurface;  // desktop plus painting, display resolution
    DDSURFACEDESC2 desktopDesc;
    IDirectDrawSurface4* desktopSurface;  // the captured desktop, never drawn on
    DDSURFACEDESC2 floodFillDesc;
    IDirectDrawSurface4* floodFillSurface;  // the painting alone, show resolution
    DDCOLORKEY floodFillColorKey;
    IDirectDrawClipper* clipper;
    RGNDATA* clipList;  // only while the full-screen clipper is being set up
    HWND window;        // not owned
    HDC drawingDC;      // while one is held
    HDC floodFillDC;    // while one is held
    RECT characterRect;
    RECT floodFillRect;
    RECT screenRect;
    RECT windowArea;
    RECT drawArea;
    RECT windowRect;
    int32_t markX;
    bool fullScreen;
    float speedFactor;
    uint8_t warningMode;
    int32_t warningLength;
    int32_t warningX;
    int32_t warningWidth;
    int32_t signatureX;
    int32_t signatureY;
    char signatureText[kSignatureTextSize];
    int32_t signatureLength;
    HPEN drawingPen;
    HPEN floodFillPen;
    COLORREF penColor;
    uint32_t penSize;
    bool floodDirty;
    PointNode* currentPoint;  // none once the show has ended
    float scale;
    int32_t prevPointX;
    int32_t prevPointY;
    int32_t prevScreenX;
    int32_t prevScreenY;
    int32_t curScreenX;
    int32_t curScreenY;
    uint16_t scaledPenSize;
    // Played on a monitor window: back buffer and screen rectangle are the
    // window's own, and no display mode is touched.
    bool monitorWindow;

private:
    // The part of a millisecond that the integer schedule has not used yet,
    // so that scaled delays do not drift early over a long show.
    double dueFraction;
    // The show's first frame is not on screen yet: the next step shows it
    // at once instead of resting first while nothing is due.
    bool firstFramePending;

    void SetMessage(const char* format, ...);
    void AppendMessage(const char* text);
    void FailWithHint(const char* text);
    void FailWithHintAndResult(const char* text, HRESULT result);
    bool CreateSurfaceFromDesc(DDSURFACEDESC2& desc, IDirectDrawSurface4** surface,
                               const char* failureText);
    void BeginTimerPeriod();
    DWORD MonitorOrVideoMemory() const;
    bool CopyScreenUnderWindow();
    HDC HoldDrawingDC();
    HDC HoldFloodFillDC();
    void ReleaseHeldDCs();
    bool CopyCharacterBitmap(HBITMAP characterBitmap);
    void PaintFloodFillWhite();
    void DrawFill(const ShowPoint& point);
    void DrawStroke(const ShowPoint& point);
    void DrawTextOverlays();
    bool Present();
    bool RebuildDrawingSurface(const RECT& floodFillSource, const RECT& target);
    bool ComposeBackBuffer();
    bool Flip();
    bool PresentFailed(const char* text);
};
