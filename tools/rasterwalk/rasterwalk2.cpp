// rasterwalk2: turns a bitmap into a show of brush strokes. From each pixel it
// looks for the direction in which the pixel's colour reaches furthest, takes
// the colour's width across it as the pen, and follows the stroke in small
// steps, erasing what it covered; what no stroke covered ends as single dots.
#include "RasterCommon.h"
#include "ScreenRepaint.h"

#include <math.h>
#include <vector>

namespace {

const COLORREF kMarkColour = RGB(128, 128, 127);
const COLORREF kSkipColour = RGB(255, 25, 25);
const int kDirections = 100;
const double kFirstAngle = 1.57;
const double kAngleStep = 0.0628;
const double kFullTurn = 6.28;
const double kQuarterTurn = 1.57;
const int kWidthEvery = 10;     // steps between two measurements across
const int kMaxWidth = 60;       // wider areas are not strokes
const int kMinWidth = 4;        // narrower areas are left for the dots
const double kPenShare = 0.65;  // pen size as a share of the measured width
const uint8_t kLeftoverPen = 4;
const DWORD kRepaintDelayMs = 1500;
// A stroke whose dots erase nothing could circle for ever; it ends after this
// many such dots in a row.
const int kMaxIdleDots = 100;
// Repaints of the screen after strokes come at most this often; the screen
// repaints in its own time anyway.
const DWORD kRepaintEveryMs = 20;

// The directions are tried from an angle downwards in steps of one hundredth
// of a turn; an angle that reaches 0 or less wraps to a full turn. Every angle
// ever used comes from the one sequence that starts at 1.57, and that sequence
// repeats exactly from its first wrap on, so it is computed once, with its
// cosines and sines and those of the direction across.
struct Direction {
    double angle;
    double dx, dy;  // the step along
    double ux, uy;  // the step across: the angle plus a quarter turn
};

struct DirectionTable {
    std::vector<Direction> entries;
    int cycleStart = 0;  // the first wrapped angle

    int Next(int index) const
    {
        return index + 1 < static_cast<int>(entries.size()) ? index + 1 : cycleStart;
    }
};

DirectionTable g_directions;

void BuildDirections()
{
    double angle = kFirstAngle;
    bool wrapped = false;
    for (;;) {
        if (angle <= 0) {
            if (wrapped)
                break;
            wrapped = true;
            g_directions.cycleStart = static_cast<int>(g_directions.entries.size());
            angle = kFullTurn;
        }
        double across = angle + kQuarterTurn;
        g_directions.entries.push_back({angle, cos(angle), sin(angle), cos(across), sin(across)});
        angle -= kAngleStep;
    }
}

// A pixel whose probe failed stays failed until a stroke erases something in
// the area the probe looked at: the scan comes back to the same rows after
// every stroke, and most of their pixels would be probed again for nothing.
struct FailedProbe {
    int32_t checkedAt = -1;  // strokes erased when the failure was last known valid; -1: none
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // what the probe read
};

struct Area {
    int left, top, right, bottom;

    void Add(int x, int y)
    {
        if (x < left)
            left = x;
        if (x > right)
            right = x;
        if (y < top)
            top = y;
        if (y > bottom)
            bottom = y;
    }

    bool Meets(const Area& other) const
    {
        return left <= other.right && other.left <= right && top <= other.bottom &&
               other.top <= bottom;
    }
};

std::vector<FailedProbe> g_failedProbes;
std::vector<Area> g_erasedAreas;  // one per stroke, in order

// A run of pixels on one row waiting to be painted on the screen with one call.
struct ScreenRun {
    HBRUSH brush = nullptr;
    int y = -1;
    int first = 0;
    int last = -1;
};
ScreenRun g_markRun;
ScreenRun g_skipRun;
DWORD g_lastRepaint = 0;
bool g_repaintPending = false;
int32_t g_repaints = 0;

// The scan passes background pixels again and again after every stroke and
// marks each as skipped on the screen. A mark is drawn again only where the
// screen may have lost it since: after a repaint, or under a stroke drawn
// since.
struct SkipMark {
    int32_t repaint = -1;
    int32_t strokes = 0;  // strokes drawn on the screen when the mark was drawn
};
std::vector<SkipMark> g_skipMarks;
std::vector<Area> g_drawnAreas;  // every stroke drawn on the screen, in order

void FlushScreenRun(ScreenRun& run)
{
    if (run.last >= run.first && run.y >= 0) {
        RECT area = {run.first, run.y, run.last + 1, run.y + 1};
        FillRect(g_raster.screenDC, &area, run.brush);
    }
    run.y = -1;
    run.last = run.first - 1;
}

void AddToScreenRun(ScreenRun& run, int x, int y)
{
    if (run.y == y && x == run.last + 1) {
        run.last = x;
        return;
    }
    FlushScreenRun(run);
    run.y = y;
    run.first = x;
    run.last = x;
}

void MarkSkipped(int x, int y)
{
    SkipMark& mark = g_skipMarks[y * g_raster.bitmapWidth + x];
    int strokes = static_cast<int>(g_drawnAreas.size());
    bool shown = mark.repaint == g_repaints;
    for (int k = mark.strokes; shown && k < strokes; k++) {
        const Area& area = g_drawnAreas[k];
        shown = x < area.left || x > area.right || y < area.top || y > area.bottom;
    }
    mark.strokes = strokes;
    if (shown)
        return;
    mark.repaint = g_repaints;
    AddToScreenRun(g_skipRun, x, y);
}

void RepaintScreen(bool force)
{
    DWORD now = GetTickCount();
    if (force || now - g_lastRepaint >= kRepaintEveryMs) {
        FlushScreenRun(g_skipRun);
        RepaintWholeScreen();
        g_repaints++;
        g_lastRepaint = now;
        g_repaintPending = false;
    } else {
        g_repaintPending = true;
    }
}

inline int Trunc(double value)
{
    return static_cast<int>(value);
}

// Outside the picture counts as a border: never the colour.
inline bool HasValue(int x, int y, uint32_t value)
{
    return InPicture(x, y) && PictureValueAt(x, y) == value;
}

// How far the colour reaches from p in the direction (dx, dy): the first
// distance n at which the pixel is not the colour; 0 when p itself is not.
// Stops at limit, as far as the caller needs to know.
int Reach(int px, int py, double dx, double dy, uint32_t value, int limit, Area& read)
{
    if (!HasValue(px, py, value))
        return 0;
    int n = 1;
    while (n < limit && HasValue(px + Trunc(n * dx), py + Trunc(n * dy), value))
        n++;
    read.Add(px + Trunc(n * dx), py + Trunc(n * dy));
    return n;
}

// Walks one direction from (x, y) while the colour lasts; returns the length
// and, when the walk was long enough to measure across every ten steps, the
// average width (measured). A width above the maximum is only known to be
// above it: the sum stops growing once that is certain.
int WalkDirection(int x, int y, const Direction& d, uint32_t value, bool& measured, int& width,
                  Area& read)
{
    int length = 0;
    do
        length++;
    while (HasValue(x + Trunc(length * d.dx), y + Trunc(length * d.dy), value));
    read.Add(x + Trunc(length * d.dx), y + Trunc(length * d.dy));

    int samples = length / kWidthEvery;
    measured = samples > 0;
    if (!measured)
        return length;
    const int tooWide = (kMaxWidth + 1) * samples;
    int sum = 0;
    for (int i = kWidthEvery; i <= length && sum < tooWide; i += kWidthEvery) {
        int px = x + Trunc(i * d.dx), py = y + Trunc(i * d.dy);
        sum += Reach(px, py, -d.ux, -d.uy, value, tooWide - sum, read);
        if (sum < tooWide)
            sum += Reach(px, py, d.ux, d.uy, value, tooWide - sum, read);
    }
    width = sum / samples;
    return length;
}

struct ProbeResult {
    int x = 0;
    int y = 0;
    int pen = 0;
    int direction = 0;
};

// Finds the direction in which the colour reaches furthest from (x, y) and the
// stroke's width there. read receives the area of every pixel looked at.
bool ProbeStroke(int x, int y, COLORREF colour, ProbeResult& result, Area& read)
{
    const uint32_t value = PictureValue(colour);
    int bestLength = 0, bestWidth = 0, bestDirection = 0;
    int width = 0;  // carried from one direction to the next
    for (int k = 0; k < kDirections; k++) {
        const Direction& d = g_directions.entries[k];
        int length = 0;
        if (HasValue(x, y, value)) {
            bool measured = false;
            int measuredWidth = 0;
            length = WalkDirection(x, y, d, value, measured, measuredWidth, read);
            if (measured)
                width = measuredWidth;
        }
        if (width > kMaxWidth)
            return false;
        if (length > bestLength) {
            bestLength = length;
            bestDirection = k;
            bestWidth = width;
        }
    }
    if (bestWidth >= kMaxWidth || bestWidth <= kMinWidth)
        return false;
    const Direction& best = g_directions.entries[bestDirection];
    int half = bestWidth / 2;
    result.x = x + Trunc(best.dx * half);
    result.y = y + Trunc(best.dy * half);
    result.pen = Trunc(bestWidth * kPenShare);
    result.direction = bestDirection;
    return true;
}

bool KnownToFail(int x, int y)
{
    FailedProbe& failed = g_failedProbes[y * g_raster.bitmapWidth + x];
    if (failed.checkedAt < 0)
        return false;
    Area looked = {failed.left, failed.top, failed.right, failed.bottom};
    int strokes = static_cast<int>(g_erasedAreas.size());
    for (int k = failed.checkedAt; k < strokes; k++) {
        if (g_erasedAreas[k].Meets(looked)) {
            failed.checkedAt = -1;
            return false;
        }
    }
    failed.checkedAt = strokes;
    return true;
}

void RememberFailure(int x, int y, const Area& read)
{
    FailedProbe& failed = g_failedProbes[y * g_raster.bitmapWidth + x];
    failed.checkedAt = static_cast<int32_t>(g_erasedAreas.size());
    failed.left = read.left;
    failed.top = read.top;
    failed.right = read.right;
    failed.bottom = read.bottom;
}

// The next step along the stroke: the first direction, from the current one
// downwards, in which the colour is still found just beyond the pen.
bool ContinueStroke(int& x, int& y, int pen, uint32_t value, int& direction)
{
    int lookAhead = pen / 2 + 1;
    int step = pen / 4;
    if (step < 2)
        step = 2;
    if (step > 5)
        step = 5;
    int k = direction;
    for (int tries = 0; tries < kDirections; tries++, k = g_directions.Next(k)) {
        const Direction& d = g_directions.entries[k];
        if (HasValue(x + Trunc(lookAhead * d.dx), y + Trunc(lookAhead * d.dy), value)) {
            x += Trunc(step * d.dx);
            y += Trunc(step * d.dy);
            direction = k;
            return true;
        }
    }
    return false;
}

int CountNonBackground(const Area& area)
{
    const uint32_t background = PictureValue(g_raster.background);
    int count = 0;
    for (int y = area.top < 0 ? 0 : area.top; y <= area.bottom && y < g_raster.bitmapHeight; y++)
        for (int x = area.left < 0 ? 0 : area.left; x <= area.right && x < g_raster.bitmapWidth; x++)
            count += PictureValueAt(x, y) != background;
    return count;
}

// Records a dot of the pen at (x, y), erases it from the picture so that it
// is not found again and shows it on the screen. Returns whether the dot
// erased anything; area grows by what the dot may have touched.
bool RecordDot(int x, int y, COLORREF colour, int pen, Area& area, bool& ok)
{
    ok &= AddShowPoint(x, y, g_raster.milliseconds, colour, static_cast<uint8_t>(pen), 0);
    ok &= AddShowPoint(x, y, g_raster.milliseconds, colour, static_cast<uint8_t>(pen), PF_PEN_DOWN);
    int reach = pen / 2 + 2;
    Area dot = {x - reach, y - reach, x + reach, y + reach};
    area.Add(dot.left, dot.top);
    area.Add(dot.right, dot.bottom);
    int before = CountNonBackground(dot);
    MoveToEx(g_raster.pictureDC, x, y, nullptr);
    LineTo(g_raster.pictureDC, x, y);
    MoveToEx(g_raster.screenDC, x, y, nullptr);
    LineTo(g_raster.screenDC, x, y);
    GdiFlush();
    return CountNonBackground(dot) < before;
}

int Clamp(int value, int low, int high)
{
    return value < low ? low : value > high ? high : value;
}

// Follows the stroke found by the probe, recording and erasing a dot at every
// step. Returns whether the stroke took anything off the picture.
bool FollowStroke(const ProbeResult& probe, COLORREF colour, bool& ok)
{
    // A start point beyond the picture's edge is kept on the edge.
    int x = Clamp(probe.x, 0, g_raster.bitmapWidth - 1);
    int y = Clamp(probe.y, 0, g_raster.bitmapHeight - 1);
    int direction = probe.direction;
    const int pen = probe.pen;
    const uint32_t value = PictureValue(colour);

    HPEN screenPen = CreatePen(PS_SOLID, pen, GetNearestColor(g_raster.pictureDC, colour));
    HPEN erasePen = CreatePen(PS_SOLID, pen, g_raster.background);
    HGDIOBJ oldScreenPen = SelectObject(g_raster.screenDC, screenPen);
    HGDIOBJ oldPicturePen = SelectObject(g_raster.pictureDC, erasePen);
    Area touched = {x, y, x, y};
    bool erased = false;
    int idleDots = 0;
    do {
        bool changed = RecordDot(x, y, colour, pen, touched, ok);
        erased |= changed;
        idleDots = changed ? 0 : idleDots + 1;
    } while (idleDots < kMaxIdleDots && ContinueStroke(x, y, pen, value, direction));
    SelectObject(g_raster.screenDC, oldScreenPen);
    SelectObject(g_raster.pictureDC, oldPicturePen);
    DeleteObject(screenPen);
    DeleteObject(erasePen);
    if (erased)
        g_erasedAreas.push_back(touched);
    g_drawnAreas.push_back(touched);
    return erased;
}

// Tries to find and follow a stroke from (x, y). erased tells whether the
// stroke took anything off the picture.
bool TraceStroke(int x, int y, bool& erased, bool& ok)
{
    erased = false;
    COLORREF colour = PicturePixel(x, y);
    if (colour == g_raster.background) {
        MarkSkipped(x, y);
        return false;
    }
    if (KnownToFail(x, y))
        return false;
    ProbeResult probe;
    Area read = {x, y, x, y};
    if (!ProbeStroke(x, y, colour, probe, read)) {
        RememberFailure(x, y, read);
        return false;
    }
    FlushScreenRun(g_skipRun);
    erased = FollowStroke(probe, colour, ok);
    return true;
}

void MarkStrokePixels()
{
    for (int y = 0; y < g_raster.height; y++)
        for (int x = 0; x < g_raster.width; x++)
            if (PicturePixel(x, y) != g_raster.background)
                AddToScreenRun(g_markRun, x, y);
    FlushScreenRun(g_markRun);
}

// After a stroke the scan goes back one row and finishes it again from column
// 1, then scans the stroke's row from its start; a stroke found on the first
// row scans that row again from its start. A stroke that erased nothing would
// be found again at once, so the scan goes on past it.
bool TraceStrokes()
{
    bool ok = true;
    int y = 0, x = 0;
    while (y < g_raster.height) {
        while (x < g_raster.width) {
            bool erased = false;
            if (TraceStroke(x, y, erased, ok)) {
                RepaintScreen(false);
                if (erased) {
                    if (y > 0) {
                        y--;
                        x = 1;
                    } else {
                        x = 0;
                    }
                    continue;
                }
            }
            x++;
        }
        FlushScreenRun(g_skipRun);
        y++;
        x = 0;
    }
    if (g_repaintPending)
        RepaintScreen(true);
    return ok;
}

bool RecordLeftoverDots()
{
    bool ok = true;
    const uint16_t delay = g_raster.quarterMilliseconds;
    for (int y = 0; y < g_raster.height; y++) {
        for (int x = 0; x < g_raster.width; x++) {
            COLORREF colour = PicturePixel(x, y);
            if (colour == g_raster.background)
                continue;
            SetPixel(g_raster.screenDC, x, y, colour);
            SetPicturePixel(x, y, g_raster.background);
            ok &= AddShowPoint(x, y, delay, colour, kLeftoverPen, 0);
            ok &= AddShowPoint(x, y, delay, colour, kLeftoverPen, PF_PEN_DOWN);
        }
    }
    return ok;
}

bool ScanStrokes()
{
    BuildDirections();
    g_failedProbes.resize(static_cast<size_t>(g_raster.bitmapWidth) * g_raster.bitmapHeight);
    g_skipMarks.resize(g_failedProbes.size());
    g_markRun.brush = CreateSolidBrush(kMarkColour);
    g_skipRun.brush = CreateSolidBrush(kSkipColour);
    MarkStrokePixels();
    bool ok = TraceStrokes();
    ok &= RecordLeftoverDots();
    DeleteObject(g_markRun.brush);
    DeleteObject(g_skipRun.brush);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    return RunScanner(argc, argv, ScanStrokes, kRepaintDelayMs);
}
