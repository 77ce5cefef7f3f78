#include "FrameRenderer.h"

#include "FloodFill.h"
#include "ShowPainting.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

Rgb RgbOf(COLORREF colour)
{
    return (static_cast<Rgb>(GetRValue(colour)) << 16) | (static_cast<Rgb>(GetGValue(colour)) << 8) |
           GetBValue(colour);
}

const Rgb kWhite = 0xFFFFFF;

}  // namespace

bool CopyShow(ShowDocument& document, ShowCopy& copy)
{
    copy.width = document.header.block.width;
    copy.height = document.header.block.height;
    copy.signatureLength =
        SignatureTextOf(document, copy.signatureText, sizeof(copy.signatureText));
    copy.points.clear();
    try {
        copy.points.reserve(document.pointCount > 0 ? document.pointCount : 0);
        // The chain is read directly: the document's cursor stays where its
        // owner left it.
        for (PointNode* node = document.head.next; node; node = node->next)
            copy.points.push_back(node->point);
    } catch (const std::bad_alloc&) {
        copy.points.clear();
        copy.points.shrink_to_fit();
        return false;
    }
    return true;
}

bool FrameRenderer::Picture::Create(int w, int h)
{
    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down: row 0 first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    if (!bitmap) return false;
    dc = CreateCompatibleDC(nullptr);
    if (!dc) {
        Release();
        return false;
    }
    saved = SelectObject(dc, bitmap);
    bits = static_cast<Rgb*>(memory);
    width = w;
    height = h;
    return true;
}

void FrameRenderer::Picture::Release()
{
    if (dc) {
        SelectObject(dc, saved);
        DeleteDC(dc);
    }
    if (bitmap) DeleteObject(bitmap);
    bitmap = nullptr;
    dc = nullptr;
    bits = nullptr;
}

FrameRenderer::FrameRenderer() { message[0] = '\0'; }

FrameRenderer::~FrameRenderer()
{
    if (pen) DeleteObject(pen);
    layer.Release();
    frame.Release();
}

bool FrameRenderer::Begin(const ShowCopy& show, int width, int height, HBITMAP characterBitmap)
{
    this->show = &show;
    layer.Release();
    frame.Release();
    if (pen) DeleteObject(pen);
    pen = nullptr;
    penSize = -1;
    if (!layer.Create(show.width, show.height) || !frame.Create(width, height)) {
        snprintf(message, sizeof(message),
                 "Not enough memory for a picture of the show: [%d x %d] and [%d x %d]",
                 show.width, show.height, width, height);
        return false;
    }
    frameWidth = width;
    frameHeight = height;
    scale = static_cast<float>(width) / static_cast<float>(show.width);
    try {
        canvas.assign(static_cast<size_t>(width) * height, kWhite);
        sourceColumn.resize(width);
    } catch (const std::bad_alloc&) {
        snprintf(message, sizeof(message), "Not enough memory for frames of [%d x %d]", width,
                 height);
        return false;
    }
    for (int x = 0; x < width; ++x)
        sourceColumn[x] = std::min<int>(show.width - 1, static_cast<int>(
                                                            static_cast<int64_t>(x) * show.width / width));
    PatBlt(layer.dc, 0, 0, show.width, show.height, WHITENESS);
    GdiFlush();
    SetRect(&dirty, 0, 0, 0, 0);

    TEXTMETRICA metrics;
    ZeroMemory(&metrics, sizeof(metrics));
    GetTextMetricsA(frame.dc, &metrics);
    signatureX = width - show.signatureLength * metrics.tmAveCharWidth - kSignatureMargin;
    signatureY = height - kSignatureMargin;
    CollectSignatureColours();

    characterPixels.clear();
    character.clear();
    characterWidth = characterHeight = 0;
    return !characterBitmap || CopyCharacter(characterBitmap);
}

// The character is drawn at the show's scale, never larger than its bitmap,
// so a small animation keeps the proportions of the screen it shrinks.
bool FrameRenderer::CopyCharacter(HBITMAP bitmap)
{
    BITMAP facts;
    ZeroMemory(&facts, sizeof(facts));
    if (!GetObjectA(bitmap, sizeof(facts), &facts) || facts.bmWidth < 1 || facts.bmHeight < 1)
        return true;  // no picture: no painter
    int w = facts.bmWidth, h = facts.bmHeight;
    std::vector<Rgb> source(static_cast<size_t>(w) * h);
    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen ? screen : frame.dc, bitmap, 0, h, source.data(), &info,
                         DIB_RGB_COLORS);
    if (screen) ReleaseDC(nullptr, screen);
    if (rows != h) return true;
    Rgb key = source[static_cast<size_t>(h > 1 ? 1 : 0) * w + (w > 1 ? 1 : 0)] & 0xFFFFFF;

    float characterScale = scale < 1 ? scale : 1;
    characterWidth = std::max(1, static_cast<int>(w * characterScale + 0.5f));
    characterHeight = std::max(1, static_cast<int>(h * characterScale + 0.5f));
    tipX = static_cast<int>(kCharacterTipX * characterScale + 0.5f);
    tipY = static_cast<int>(kCharacterTipY * characterScale + 0.5f);
    character.assign(static_cast<size_t>(characterWidth) * characterHeight, 0);
    characterMask.assign(character.size(), 0);
    for (int y = 0; y < characterHeight; ++y) {
        int sy = std::min(h - 1, static_cast<int>(static_cast<int64_t>(y) * h / characterHeight));
        for (int x = 0; x < characterWidth; ++x) {
            int sx = std::min(w - 1, static_cast<int>(static_cast<int64_t>(x) * w / characterWidth));
            Rgb pixel = source[static_cast<size_t>(sy) * w + sx] & 0xFFFFFF;
            size_t at = static_cast<size_t>(y) * characterWidth + x;
            if (pixel == key) continue;
            character[at] = pixel;
            characterMask[at] = 1;
            characterPixels.push_back(pixel);
        }
    }
    return true;
}

// The system may smooth the signature's letters: their shades, drawn once on
// white, belong to the painting's colours.
void FrameRenderer::CollectSignatureColours()
{
    signatureColours.clear();
    if (show->signatureLength <= 0) return;
    PatBlt(frame.dc, 0, 0, frameWidth, frameHeight, WHITENESS);
    TextOutA(frame.dc, signatureX, signatureY, show->signatureText, show->signatureLength);
    GdiFlush();
    for (size_t i = 0; i < static_cast<size_t>(frameWidth) * frameHeight; ++i) {
        Rgb pixel = frame.bits[i] & 0xFFFFFF;
        if (pixel != kWhite &&
            std::find(signatureColours.begin(), signatureColours.end(), pixel) == signatureColours.end())
            signatureColours.push_back(pixel);
    }
}

void FrameRenderer::MarkDirty(int left, int top, int right, int bottom)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, static_cast<int>(show->width));
    bottom = std::min(bottom, static_cast<int>(show->height));
    if (right <= left || bottom <= top) return;
    if (dirty.right <= dirty.left) {
        SetRect(&dirty, left, top, right, bottom);
        return;
    }
    dirty.left = std::min<LONG>(dirty.left, left);
    dirty.top = std::min<LONG>(dirty.top, top);
    dirty.right = std::max<LONG>(dirty.right, right);
    dirty.bottom = std::max<LONG>(dirty.bottom, bottom);
}

// Fills first, then the stroke, as the player does when a point has both.
void FrameRenderer::PaintPoint(size_t index)
{
    if (index == 0 || index >= show->points.size()) return;
    const ShowPoint& point = show->points[index];
    if (!(point.flags & (PF_FILL | PF_PEN_DOWN))) return;
    if (!pen || penColor != point.colour || penSize != point.penSize) {
        if (pen) DeleteObject(pen);
        penColor = point.colour;
        penSize = point.penSize;
        pen = CreateShowPen(layer.dc, penColor, penSize);
    }
    if (point.flags & PF_FILL) {
        COLORREF nearest = GetNearestColor(layer.dc, penColor);
        GdiFlush();
        PixelMemory memory = {reinterpret_cast<uint8_t*>(layer.bits), layer.width * 4,
                              layer.width, layer.height, 4};
        if (SpanFloodFill(memory, point.x, point.y,
                          PixelValueFromColor(nearest, 0xFF0000, 0x00FF00, 0x0000FF)) > 0)
            MarkDirty(0, 0, show->width, show->height);
    }
    if (point.flags & PF_PEN_DOWN) {
        const ShowPoint& previous = show->points[index - 1];
        DrawShowLine(layer.dc, pen, previous.x, previous.y, point.x, point.y);
        int reach = point.penSize / 2 + 2;
        MarkDirty(std::min(previous.x, point.x) - reach, std::min(previous.y, point.y) - reach,
                  std::max(previous.x, point.x) + reach + 1,
                  std::max(previous.y, point.y) + reach + 1);
    }
}

// Nearest-neighbour, as a stretching blit copies the painting layer.
void FrameRenderer::StretchDirtyPart()
{
    if (dirty.right <= dirty.left) return;
    GdiFlush();
    int showWidth = show->width, showHeight = show->height;
    int top = static_cast<int>(static_cast<int64_t>(dirty.top) * frameHeight / showHeight);
    int bottom = std::min<int>(
        frameHeight, static_cast<int>(static_cast<int64_t>(dirty.bottom) * frameHeight / showHeight) + 2);
    int left = static_cast<int>(static_cast<int64_t>(dirty.left) * frameWidth / showWidth);
    int right = std::min<int>(
        frameWidth, static_cast<int>(static_cast<int64_t>(dirty.right) * frameWidth / showWidth) + 2);
    for (int y = top; y < bottom; ++y) {
        int sy = std::min(showHeight - 1,
                          static_cast<int>(static_cast<int64_t>(y) * showHeight / frameHeight));
        const Rgb* source = layer.bits + static_cast<size_t>(sy) * showWidth;
        Rgb* target = canvas.data() + static_cast<size_t>(y) * frameWidth;
        for (int x = left; x < right; ++x) target[x] = source[sourceColumn[x]] & 0xFFFFFF;
    }
    SetRect(&dirty, 0, 0, 0, 0);
}

void FrameRenderer::DrawCharacter(int x, int y)
{
    int left = x - tipX, top = y - tipY;
    for (int row = 0; row < characterHeight; ++row) {
        int fy = top + row;
        if (fy < 0 || fy >= frameHeight) continue;
        Rgb* target = frame.bits + static_cast<size_t>(fy) * frameWidth;
        size_t at = static_cast<size_t>(row) * characterWidth;
        for (int column = 0; column < characterWidth; ++column) {
            int fx = left + column;
            if (fx < 0 || fx >= frameWidth || !characterMask[at + column]) continue;
            target[fx] = character[at + column];
        }
    }
}

const Rgb* FrameRenderer::ComposeFrame(size_t index, bool painter)
{
    StretchDirtyPart();
    std::memcpy(frame.bits, canvas.data(), canvas.size() * sizeof(Rgb));
    if (show->signatureLength > 0) {
        TextOutA(frame.dc, signatureX, signatureY, show->signatureText, show->signatureLength);
        GdiFlush();
    }
    if (painter && !character.empty() && index < show->points.size()) {
        const ShowPoint& point = show->points[index];
        DrawCharacter(ScaleToDisplay(point.x, scale), ScaleToDisplay(point.y, scale));
    }
    return frame.bits;
}

std::vector<Rgb> FrameRenderer::PaintingColours() const
{
    std::vector<Rgb> colours;
    colours.push_back(kWhite);
    colours.insert(colours.end(), signatureColours.begin(), signatureColours.end());
    COLORREF asked = 0;
    Rgb shown = 0;
    bool known = false;
    for (size_t i = 1; i < show->points.size(); ++i) {
        const ShowPoint& point = show->points[i];
        if (!(point.flags & (PF_FILL | PF_PEN_DOWN))) continue;
        if (!known || point.colour != asked) {
            asked = point.colour;
            shown = RgbOf(GetNearestColor(layer.dc, asked));
            known = true;
            colours.push_back(shown);
        }
        // A show of a photograph has tens of thousands: the caller only needs
        // to know that they do not fit.
        if (colours.size() > 4096) {
            std::sort(colours.begin(), colours.end());
            colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
            if (colours.size() > 256) return colours;
        }
    }
    std::sort(colours.begin(), colours.end());
    colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
    return colours;
}
