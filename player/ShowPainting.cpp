#include "ShowPainting.h"

#include <cstdio>
#include <cstring>

float ShowScale(int areaWidth, int areaHeight, int showWidth, int showHeight)
{
    float scale = static_cast<float>(areaWidth) / static_cast<float>(showWidth);
    if (static_cast<float>(areaHeight) > scale * static_cast<float>(showHeight))
        scale = static_cast<float>(areaHeight) / static_cast<float>(showHeight);
    return scale;
}

int32_t SignatureTextOf(ShowDocument& document, char* text, size_t size)
{
    text[0] = '\0';
    if (document.header.block.signature[0] == 0) return 0;
    char decoded[kSignatureSlots + 1];
    document.GetSignature(decoded);
    if (!decoded[0]) return 0;
    snprintf(text, size, "%s ", decoded);
    return static_cast<int32_t>(strlen(text));
}

HPEN CreateShowPen(HDC dc, COLORREF colour, int width)
{
    return CreatePen(PS_SOLID, width, GetNearestColor(dc, colour));
}

void DrawShowLine(HDC dc, HPEN pen, int fromX, int fromY, int toX, int toY)
{
    HGDIOBJ saved = SelectObject(dc, pen);
    MoveToEx(dc, fromX, fromY, nullptr);
    LineTo(dc, toX, toY);
    SelectObject(dc, saved);
}
