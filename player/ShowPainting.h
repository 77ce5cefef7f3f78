// What every painter of a show does the same way: the player on its DirectDraw
// surfaces and the frame renderer of the animation export in memory.
#pragma once

#include "ShowDocument.h"

#include <windows.h>

#include <cstdint>

// Where the brush tip sits inside every character bitmap.
const int kCharacterTipX = 2;
const int kCharacterTipY = 65;

// Gap between the signature and the right and bottom edges.
const int kSignatureMargin = 40;

// Show coordinates to display coordinates: the larger of the two ratios, so
// the show covers the whole area and what overflows is cut off.
float ShowScale(int areaWidth, int areaHeight, int showWidth, int showHeight);

// A show coordinate or pen size on the display, truncated toward zero.
inline int32_t ScaleToDisplay(int value, float scale)
{
    return static_cast<int32_t>(static_cast<float>(value) * scale);
}

// The signature as it is drawn: the decoded text and one space; 0 without one.
int32_t SignatureTextOf(ShowDocument& document, char* text, size_t size);

// A solid pen of the colour the DC shows for colour.
HPEN CreateShowPen(HDC dc, COLORREF colour, int width);

// One stroke: the line from the previous point to this one with the pen.
void DrawShowLine(HDC dc, HPEN pen, int fromX, int fromY, int toX, int toY);
