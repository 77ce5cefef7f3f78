// A show as an animated GIF: the painting at a chosen length and width, then
// the finished picture with the signature held for three seconds, looping
// forever. reelcast and the editor's Export Animation both call it.
#pragma once

#include "FrameRenderer.h"

#include <windows.h>

#include <cstddef>

const int kAnimationMinSeconds = 1;
const int kAnimationMaxSeconds = 600;
const int kAnimationDefaultMaxSeconds = 30;
const int kAnimationMinWidth = 16;
const int kAnimationMaxWidth = 1920;
const int kAnimationDefaultMaxWidth = 800;
// Ten frames a second while the show paints; the finished picture stays 3 s.
const int kFrameCentiseconds = 10;
const int kHoldCentiseconds = 300;

// The show's recorded length in whole seconds (rounded up), 1 to 30.
int DefaultAnimationSeconds(const ShowCopy& show);
// The show's width, at most 800 (and at least 16).
int DefaultAnimationWidth(const ShowCopy& show);
// The height that keeps the show's proportions at this width (at least 1).
int AnimationHeight(const ShowCopy& show, int width);

// Receives frame number of frames (the last one is the finished picture
// held), its pixels and its delay in hundredths of a second; false stops.
typedef bool (*FrameVisitor)(const Rgb* pixels, int number, int frames, int delay, void* context);

// Paints the show's frames at the length asked for, as the export writes
// them, starting on a renderer that Begin has prepared.
bool PlayAnimationFrames(const ShowCopy& show, FrameRenderer& renderer, int seconds,
                         FrameVisitor visit, void* context);

// Told the share done, 0 to 100; returning false stops the export.
typedef bool (*ExportProgress)(int percent, void* context);

enum ExportResult {
    EXPORT_WRITTEN,
    EXPORT_FAILED,     // message says why; an old file of the name is as it was
    EXPORT_CANCELLED,  // no file was written
};

struct AnimationFacts {
    int frames = 0;
    int colours = 0;
    bool exactColours = false;
    long long bytes = 0;
};

// Writes the GIF whole (a failure leaves no part of it and an old file under
// the name untouched). character may be null: no painter walks.
ExportResult ExportAnimation(const ShowCopy& show, HBITMAP character, const char* path,
                             int seconds, int width, ExportProgress progress, void* context,
                             char* message, size_t messageSize, AnimationFacts* facts = nullptr);
