// Colours as a display with 5 bits of red, 6 of green and 5 of blue shows them.
#pragma once

#include <windows.h>

COLORREF SnapColor(COLORREF colour);
COLORREF SnapColor(int red, int green, int blue);
