// rasterwalk: turns a bitmap into a show that paints it row by row, one line
// of pen size 2 for every run of one colour; background runs are pen moves.
#include "RasterCommon.h"

namespace {

const uint8_t kRunPen = 2;
const COLORREF kBlack = RGB(0, 0, 0);

uint8_t RunFlags(int x, COLORREF colour)
{
    return x == 0 || colour == g_raster.background ? 0 : PF_PEN_DOWN;
}

uint8_t CloseFlags(COLORREF colour)
{
    return colour == g_raster.background ? 0 : PF_PEN_DOWN;
}

// Runs never span rows: each row starts with no run in progress and closes
// its last run at the row's last scanned column, so no line is drawn back
// across the picture from one row's end to the next row's start.
bool ScanRuns()
{
    const uint16_t delay = g_raster.milliseconds;
    COLORREF runColour = kBlack;
    bool ok = AddShowPoint(0, 0, 1, kBlack, kRunPen, 0);
    for (int y = 0; y < g_raster.height; y++) {
        bool inRun = false;
        for (int x = 0; x < g_raster.width; x++) {
            COLORREF colour = PicturePixel(x, y);
            SetRowPixel(x, colour);
            if (inRun && colour == runColour)
                continue;
            if (inRun)
                ok &= AddShowPoint(x - 1, y, delay, runColour, kRunPen, CloseFlags(runColour));
            runColour = colour;
            inRun = true;
            ok &= AddShowPoint(x, y, delay, colour, kRunPen, RunFlags(x, colour));
        }
        if (inRun)
            ok &= AddShowPoint(g_raster.width - 1, y, delay, runColour, kRunPen, CloseFlags(runColour));
        ShowProgressRow(y);
    }
    ok &= AddShowPoint(g_raster.width - 1, g_raster.height, 1, runColour, kRunPen, 0);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    return RunScanner(argc, argv, ScanRuns, 0);
}
