#include "ScreenRepaint.h"

#include <windows.h>

void RepaintWholeScreen()
{
    RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}
