#include "RasterPicture.h"

#include "SnapColor.h"

#include <math.h>

SnappedPicture LoadSnappedPicture(const std::string& path)
{
    SnappedPicture picture;
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (!bitmap)
        return picture;
    BITMAP info = {};
    GetObjectA(bitmap, sizeof(info), &info);
    picture.width = info.bmWidth;
    picture.height = info.bmHeight;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = picture.width;
    format.bmiHeader.biHeight = -picture.height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> raw(static_cast<size_t>(picture.width) * picture.height);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, picture.height, raw.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    for (uint32_t value : raw)
        picture.pixels.push_back(SnapColor(RGB(value >> 16, (value >> 8) & 0xFF, value & 0xFF)));
    return picture;
}

ShowFile ReadShowFile(const std::string& path)
{
    ShowFile show;
    ShowDocument document(nullptr, 1);
    show.loaded = document.Load(path.c_str()) >= 0;
    show.header = document.header;
    document.Rewind();
    while (PointNode* node = document.NextPoint())
        show.points.push_back(node->point);
    document.Clear();
    return show;
}

namespace {

// A 32-bit DIB section in its own memory DC.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP dib = nullptr;
    HGDIOBJ old = nullptr;
    uint32_t* bits = nullptr;
    int width = 0;

    Canvas(int w, int h)
        : width(w)
    {
        BITMAPINFO format = {};
        format.bmiHeader.biSize = sizeof(format.bmiHeader);
        format.bmiHeader.biWidth = w;
        format.bmiHeader.biHeight = -h;
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        void* memory = nullptr;
        dib = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &memory, nullptr, 0);
        ReleaseDC(nullptr, screen);
        bits = static_cast<uint32_t*>(memory);
        old = SelectObject(dc, dib);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(dib);
        DeleteDC(dc);
    }
    COLORREF At(int x, int y) const
    {
        uint32_t value = bits[y * width + x];
        return RGB(value >> 16, (value >> 8) & 0xFF, value & 0xFF);
    }
};

}  // namespace

namespace {

// The reference scanner's state: the picture in a memory DC, read one
// GetPixel call at a time.
struct Reference {
    Canvas* picture = nullptr;
    int bitmapWidth = 0, bitmapHeight = 0;
    int width = 0, height = 0;
    COLORREF background = 0;
    uint16_t milliseconds = 0;
    std::vector<ShowPoint> points;

    bool Inside(int x, int y) const
    {
        return x >= 0 && y >= 0 && x < bitmapWidth && y < bitmapHeight;
    }
    COLORREF Pixel(int x, int y) const { return SnapColor(GetPixel(picture->dc, x, y)); }
    bool Has(int x, int y, COLORREF c) const { return Inside(x, y) && Pixel(x, y) == c; }
    void Add(int x, int y, uint16_t delay, COLORREF c, int pen, uint8_t flags)
    {
        ShowPoint point = {};
        point.x = static_cast<uint16_t>(x);
        point.y = static_cast<uint16_t>(y);
        point.delay = delay;
        point.colour = c;
        point.penSize = static_cast<uint8_t>(pen);
        point.flags = flags;
        points.push_back(point);
    }
    int NonBackground(int cx, int cy, int reach) const
    {
        int count = 0;
        for (int y = cy - reach; y <= cy + reach; y++)
            for (int x = cx - reach; x <= cx + reach; x++)
                count += Inside(x, y) && Pixel(x, y) != background;
        return count;
    }
};

double NextAngle(double a)
{
    a -= 0.0628;
    return a;
}

double Wrap(double a)
{
    return a <= 0 ? 6.28 : a;
}

bool Probe(const Reference& r, int x, int y, COLORREF c, int& sx, int& sy, int& pen, double& angle)
{
    int bestLength = 0, bestWidth = 0, e = 0;
    double bestAngle = 0;
    double a = 1.57;
    for (int k = 0; k < 100; k++, a = NextAngle(a)) {
        a = Wrap(a);
        int i = 0;
        if (r.Has(x, y, c)) {
            int j = 0, s = 0;
            for (;;) {
                i++;
                int px = x + static_cast<int>(i * cos(a)), py = y + static_cast<int>(i * sin(a));
                if (i % 10 == 0) {
                    double u = a + 1.57;
                    for (int side = -1; side <= 1; side += 2) {
                        int n = 0;
                        if (r.Has(px, py, c)) {
                            n = 1;
                            while (r.Has(px + side * static_cast<int>(n * cos(u)),
                                         py + side * static_cast<int>(n * sin(u)), c))
                                n++;
                        }
                        s += n;
                    }
                    j++;
                }
                if (!r.Has(px, py, c))
                    break;
            }
            if (j > 0)
                e = s / j;
        }
        if (e > 60)
            return false;
        if (i > bestLength) {
            bestLength = i;
            bestAngle = a;
            bestWidth = e;
        }
    }
    if (bestWidth >= 60 || bestWidth <= 4)
        return false;
    int half = bestWidth / 2;
    sx = x + static_cast<int>(cos(bestAngle) * half);
    sy = y + static_cast<int>(sin(bestAngle) * half);
    pen = static_cast<int>(bestWidth * 0.65);
    angle = bestAngle;
    return true;
}

bool Continue(const Reference& r, int& x, int& y, int pen, COLORREF c, double& angle)
{
    int d = pen / 2 + 1;
    int s = pen / 4 < 2 ? 2 : pen / 4 > 4 ? 5 : pen / 4;
    double a = angle;
    for (int k = 0; k < 100; k++, a = NextAngle(a)) {
        a = Wrap(a);
        if (r.Has(x + static_cast<int>(d * cos(a)), y + static_cast<int>(d * sin(a)), c)) {
            x += static_cast<int>(s * cos(a));
            y += static_cast<int>(s * sin(a));
            angle = a;
            return true;
        }
    }
    return false;
}

// Returns whether a stroke was found; erased tells whether it took anything
// off the picture.
bool Trace(Reference& r, int x, int y, bool& erased)
{
    erased = false;
    COLORREF c = r.Pixel(x, y);
    if (c == r.background)
        return false;
    int pen = 0;
    double a = 0;
    if (!Probe(r, x, y, c, x, y, pen, a))
        return false;
    x = x < 0 ? 0 : x >= r.bitmapWidth ? r.bitmapWidth - 1 : x;
    y = y < 0 ? 0 : y >= r.bitmapHeight ? r.bitmapHeight - 1 : y;
    HPEN erase = CreatePen(PS_SOLID, pen, r.background);
    HGDIOBJ old = SelectObject(r.picture->dc, erase);
    int idle = 0;
    do {
        r.Add(x, y, r.milliseconds, c, pen, 0);
        r.Add(x, y, r.milliseconds, c, pen, PF_PEN_DOWN);
        int before = r.NonBackground(x, y, pen / 2 + 2);
        MoveToEx(r.picture->dc, x, y, nullptr);
        LineTo(r.picture->dc, x, y);
        GdiFlush();
        bool changed = r.NonBackground(x, y, pen / 2 + 2) < before;
        erased |= changed;
        idle = changed ? 0 : idle + 1;
    } while (idle < 100 && Continue(r, x, y, pen, c, a));
    SelectObject(r.picture->dc, old);
    DeleteObject(erase);
    return true;
}

}  // namespace

std::vector<ShowPoint> ReferenceStrokes(const std::string& bitmapPath, uint16_t milliseconds)
{
    Reference r;
    SnappedPicture loaded = LoadSnappedPicture(bitmapPath);
    if (loaded.width == 0)
        return r.points;
    Canvas picture(loaded.width, loaded.height);
    for (int y = 0; y < loaded.height; y++)
        for (int x = 0; x < loaded.width; x++)
            SetPixel(picture.dc, x, y, loaded.At(x, y));
    r.picture = &picture;
    r.bitmapWidth = loaded.width;
    r.bitmapHeight = loaded.height;
    r.width = loaded.width - 1;
    r.height = loaded.height;
    r.background = r.Pixel(0, 0);
    r.milliseconds = milliseconds;

    for (int y = 0, x = 0; y < r.height; y++, x = 0) {
        while (x < r.width) {
            bool erased = false;
            if (Trace(r, x, y, erased) && erased) {
                if (y > 0) {
                    y--;
                    x = 1;
                } else {
                    x = 0;
                }
                continue;
            }
            x++;
        }
    }
    for (int y = 0; y < r.height; y++) {
        for (int x = 0; x < r.width; x++) {
            COLORREF c = r.Pixel(x, y);
            if (c == r.background)
                continue;
            r.Add(x, y, milliseconds / 4, c, 4, 0);
            r.Add(x, y, milliseconds / 4, c, 4, PF_PEN_DOWN);
        }
    }
    return r.points;
}
