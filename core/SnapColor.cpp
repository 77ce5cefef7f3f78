#include "SnapColor.h"

COLORREF SnapColor(int red, int green, int blue)
{
    // Near-white keeps pure white (the transparent colour) apart from the rest.
    if (red >= 248 && green >= 252 && blue >= 248) {
        if (red == 255 && green == 255 && blue == 255)
            return RGB(255, 255, 255);
        return RGB(247, 251, 247);
    }
    // Keep the top bits and widen again by repeating them.
    int r = (red / 8) * 8 + red / 32;
    int g = (green / 4) * 4 + green / 64;
    int b = (blue / 8) * 8 + blue / 32;
    return RGB(r, g, b);
}

COLORREF SnapColor(COLORREF colour)
{
    return SnapColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}
