// Paints a show in memory frame by frame, the way the player paints it on
// screen: the painting layer at the show's own size (strokes with the show's
// pens, fills with the span fill, white as the unpainted canvas), stretched
// onto a frame of the export's size, the signature at the lower right and the
// character with its brush tip on the current point. The animation export
// turns these frames into a GIF.
#pragma once

#include "GifWriter.h"
#include "ShowDocument.h"

#include <windows.h>

#include <cstdint>
#include <vector>

// A show's header, signature and points, copied so that an export on another
// thread never walks the document the editor goes on changing.
struct ShowCopy {
    uint16_t width = 0;
    uint16_t height = 0;
    char signatureText[48] = {};  // as drawn: decoded text and one space
    int32_t signatureLength = 0;
    std::vector<ShowPoint> points;
};

// False (and an empty copy) when the memory for the points cannot be had.
bool CopyShow(ShowDocument& document, ShowCopy& copy);

const int kRendererMessageSize = 256;

class FrameRenderer {
public:
    FrameRenderer();
    ~FrameRenderer();
    FrameRenderer(const FrameRenderer&) = delete;
    FrameRenderer& operator=(const FrameRenderer&) = delete;

    // Prepares a white canvas for the show and frames of width x height.
    // character may be null (no painter). False with message set.
    bool Begin(const ShowCopy& show, int width, int height, HBITMAP character);
    // Draws point index (from 1: the first point only places the character).
    void PaintPoint(size_t index);
    // The frame as it looks now, with the painter standing on point index
    // when painter is true.
    const Rgb* ComposeFrame(size_t index, bool painter);

    // Every colour the painting and the signature can show (the show's pens
    // and fills, white, the letters' shades); the painter's are apart.
    std::vector<Rgb> PaintingColours() const;
    // The painter's colours, weighted by how many of its pixels have them.
    const std::vector<Rgb>& CharacterPixels() const { return characterPixels; }

    int Width() const { return frameWidth; }
    int Height() const { return frameHeight; }
    char message[kRendererMessageSize];

private:
    struct Picture {
        HBITMAP bitmap = nullptr;
        HGDIOBJ saved = nullptr;
        HDC dc = nullptr;
        Rgb* bits = nullptr;
        int width = 0, height = 0;
        bool Create(int width, int height);
        void Release();
    };

    void MarkDirty(int left, int top, int right, int bottom);
    void StretchDirtyPart();
    void DrawCharacter(int x, int y);
    bool CopyCharacter(HBITMAP character);
    void CollectSignatureColours();

    const ShowCopy* show = nullptr;
    Picture layer;  // the painting alone, show size
    Picture frame;  // what the viewer sees, export size
    std::vector<Rgb> canvas;  // the layer stretched to the export size
    std::vector<int> sourceColumn;
    int frameWidth = 0, frameHeight = 0;
    float scale = 1;
    HPEN pen = nullptr;
    COLORREF penColor = 0;
    int penSize = -1;
    RECT dirty = {0, 0, 0, 0};  // of the layer, in show coordinates
    int signatureX = 0, signatureY = 0;
    std::vector<Rgb> signatureColours;  // as the system draws the letters
    // The character, scaled to the frame: its pixels and which are see-through.
    std::vector<Rgb> characterPixels;
    std::vector<Rgb> character;
    std::vector<uint8_t> characterMask;
    int characterWidth = 0, characterHeight = 0, tipX = 0, tipY = 0;
};
