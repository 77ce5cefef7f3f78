// The scanline fill against GDI's ExtFloodFill, pixel for pixel, on DIB
// sections of the formats the player and the editor use.
#include "FloodFill.h"
#include "Maze.h"
#include "PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

// A top-down DIB section selected into a memory DC.
class Dib {
public:
    Dib(int width, int height, int bits) : width(width), height(height) {
        struct {
            BITMAPINFOHEADER header;
            DWORD masks[3];
        } info = {};
        info.header.biSize = sizeof(info.header);
        info.header.biWidth = width;
        info.header.biHeight = -height;
        info.header.biPlanes = 1;
        info.header.biBitCount = static_cast<WORD>(bits);
        info.header.biCompression = bits == 16 ? BI_BITFIELDS : BI_RGB;
        info.masks[0] = 0xF800;
        info.masks[1] = 0x07E0;
        info.masks[2] = 0x001F;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                  reinterpret_cast<void**>(&bits_), nullptr, 0);
        old = SelectObject(dc, bitmap);
        memory.bits = bits_;
        memory.bytesPerPixel = bits / 8;
        memory.pitch = ((width * bits + 31) / 32) * 4;
        memory.width = width;
        memory.height = height;
        redMask = bits == 16 ? 0xF800 : 0xFF0000;
        greenMask = bits == 16 ? 0x07E0 : 0x00FF00;
        blueMask = bits == 16 ? 0x001F : 0x0000FF;
    }
    ~Dib() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    size_t Size() const { return static_cast<size_t>(memory.pitch) * height; }
    std::vector<uint8_t> Bytes() const {
        GdiFlush();
        return std::vector<uint8_t>(bits_, bits_ + Size());
    }
    void CopyFrom(const Dib& other) {
        GdiFlush();
        memcpy(bits_, other.bits_, Size());
    }
    // What the player does at a fill point, done by GDI.
    BOOL GdiFill(int x, int y, COLORREF colour) {
        COLORREF under = GetNearestColor(dc, GetPixel(dc, x, y));
        HBRUSH brush = CreateSolidBrush(GetNearestColor(dc, colour));
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        BOOL done = ExtFloodFill(dc, x, y, under, FLOODFILLSURFACE);
        SelectObject(dc, oldBrush);
        DeleteObject(brush);
        GdiFlush();
        return done;
    }
    long SpanFill(int x, int y, COLORREF colour) {
        GdiFlush();
        return SpanFloodFill(memory, x, y,
                             PixelValueFromColor(GetNearestColor(dc, colour), redMask, greenMask,
                                                 blueMask));
    }

    int width, height;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    uint8_t* bits_ = nullptr;
    PixelMemory memory = {};
    uint32_t redMask, greenMask, blueMask;
};

// Random rectangles, ellipses and strokes in a few colours: areas with holes,
// narrow necks and diagonal-only contacts.
void PaintRandomPicture(Dib& dib, unsigned seed) {
    std::mt19937 random(seed);
    const COLORREF colours[] = {RGB(255, 255, 255), RGB(0, 0, 0), RGB(255, 0, 0),
                                RGB(13, 77, 200)};
    RECT all = {0, 0, dib.width, dib.height};
    FillRect(dib.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    for (int i = 0; i < 40; ++i) {
        COLORREF c = colours[random() % 4];
        HBRUSH brush = CreateSolidBrush(c);
        HPEN pen = CreatePen(PS_SOLID, 1 + static_cast<int>(random() % 4), c);
        HGDIOBJ ob = SelectObject(dib.dc, brush);
        HGDIOBJ op = SelectObject(dib.dc, pen);
        int x = static_cast<int>(random() % dib.width), y = static_cast<int>(random() % dib.height);
        int w = 2 + static_cast<int>(random() % 40), h = 2 + static_cast<int>(random() % 40);
        switch (random() % 3) {
        case 0: Rectangle(dib.dc, x, y, x + w, y + h); break;
        case 1: Ellipse(dib.dc, x, y, x + w, y + h); break;
        default:
            MoveToEx(dib.dc, x, y, nullptr);
            LineTo(dib.dc, x + w - 20, y + h - 20);
        }
        SelectObject(dib.dc, ob);
        SelectObject(dib.dc, op);
        DeleteObject(brush);
        DeleteObject(pen);
    }
    for (int i = 0; i < 300; ++i) {
        SetPixel(dib.dc, static_cast<int>(random() % dib.width),
                 static_cast<int>(random() % dib.height), colours[random() % 4]);
    }
    GdiFlush();
}

class SpanFillAgainstGdi : public testing::TestWithParam<int> {};

TEST_P(SpanFillAgainstGdi, SameResultPixelForPixel) {
    int bits = GetParam();
    std::mt19937 random(1234);
    const COLORREF fills[] = {RGB(0, 0, 255), RGB(255, 255, 255), RGB(13, 77, 200),
                              RGB(250, 3, 129), RGB(0, 0, 0)};
    long changedInAll = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        Dib gdi(160, 120, bits), span(160, 120, bits);
        PaintRandomPicture(gdi, seed);
        for (int fill = 0; fill < 6; ++fill) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " fill " << fill);
            span.CopyFrom(gdi);
            int x = static_cast<int>(random() % 160), y = static_cast<int>(random() % 120);
            COLORREF colour = fills[random() % 5];
            gdi.GdiFill(x, y, colour);
            long changed = span.SpanFill(x, y, colour);
            EXPECT_GE(changed, 0);
            changedInAll += changed;
            ASSERT_TRUE(gdi.Bytes() == span.Bytes()) << "at " << x << "," << y;
        }
    }
    EXPECT_GT(changedInAll, 20000) << "the fills did real work";
}

INSTANTIATE_TEST_SUITE_P(Formats, SpanFillAgainstGdi, testing::Values(16, 24, 32));

TEST(SpanFill, OutsideOrSameColourChangesNothing) {
    Dib dib(20, 10, 16);
    PaintRandomPicture(dib, 7);
    std::vector<uint8_t> before = dib.Bytes();
    EXPECT_EQ(-1, SpanFloodFill(dib.memory, -1, 0, 0));
    EXPECT_EQ(-1, SpanFloodFill(dib.memory, 20, 0, 0));
    EXPECT_EQ(-1, SpanFloodFill(dib.memory, 0, 10, 0));
    uint32_t here = ReadPixelValue(dib.memory, 5, 5);
    EXPECT_EQ(0, SpanFloodFill(dib.memory, 5, 5, here));
    EXPECT_TRUE(before == dib.Bytes());
}

TEST(SpanFill, ColourValuesFollowTheMasks) {
    EXPECT_EQ(0xFFFFu, PixelValueFromColor(RGB(255, 255, 255), 0xF800, 0x07E0, 0x001F));
    EXPECT_EQ(0x7FFFu, PixelValueFromColor(RGB(255, 255, 255), 0x7C00, 0x03E0, 0x001F));
    EXPECT_EQ(0xF800u, PixelValueFromColor(RGB(255, 3, 7), 0xF800, 0x07E0, 0x001F));
    EXPECT_EQ(0x00123456u, PixelValueFromColor(RGB(0x12, 0x34, 0x56), 0xFF0000, 0xFF00, 0xFF));
}

// An 8-bit surface (a preview on a 256-colour desktop) whose last row ends
// where the memory ends: the fill reads and writes one byte per pixel.
TEST(SpanFill, EightBitPixelsStayInsideTheirRows) {
    const int width = 16, height = 4;
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    uint8_t* pages = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, system.dwPageSize * 2, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(nullptr, pages);
    DWORD old;
    VirtualProtect(pages + system.dwPageSize, system.dwPageSize, PAGE_NOACCESS, &old);
    uint8_t* bits = pages + system.dwPageSize - width * height;
    memset(bits, 7, width * height);
    bits[width + 5] = 9;  // a wall pixel the fill goes around
    PixelMemory memory = {bits, width, width, height, 1};
    EXPECT_EQ(width * height - 1, SpanFloodFill(memory, 0, 0, 0x1E5));
    EXPECT_EQ(0xE5, bits[0]) << "the value is one byte wide";
    EXPECT_EQ(9, bits[width + 5]);
    EXPECT_EQ(width * height - 1, SpanFloodFill(memory, width - 1, height - 1, 3))
        << "from the last pixel of the memory";
    EXPECT_EQ(3u, ReadPixelValue(memory, width - 1, height - 1));
    VirtualFree(pages, 0, MEM_RELEASE);
}

// A maze of 3-pixel corridors: GDI's fill recurses too deep for it.
void PaintMaze(Dib& dib, unsigned seed) {
    RECT all = {0, 0, dib.width, dib.height};
    FillRect(dib.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    CarveMaze(dib.width, dib.height, seed, [&](int left, int top, int w, int h) {
        RECT r = {left, top, left + w, top + h};
        FillRect(dib.dc, &r, white);
    });
    GdiFlush();
}

TEST(SpanFill, WholeScreenMazeIsFilledCompletely) {
    Dib dib(1024, 768, 16);
    PaintMaze(dib, 99);
    int cols = 1023 / 4, rows = 767 / 4;
    long corridors = static_cast<long>(cols) * rows * 9 + static_cast<long>(cols * rows - 1) * 3;
    EXPECT_EQ(corridors, dib.SpanFill(1, 1, RGB(0, 0, 255)));
    uint32_t white = 0xFFFF;
    long left = 0;
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x)
            if (ReadPixelValue(dib.memory, x, y) == white) ++left;
    EXPECT_EQ(0, left);
}

TEST(SpanFill, SmallMazeMatchesGdi) {
    // Small enough for GDI's recursion.
    Dib gdi(64, 64, 16), span(64, 64, 16);
    PaintMaze(gdi, 5);
    span.CopyFrom(gdi);
    gdi.GdiFill(1, 1, RGB(255, 0, 0));
    EXPECT_GT(span.SpanFill(1, 1, RGB(255, 0, 0)), 1000);
    EXPECT_TRUE(gdi.Bytes() == span.Bytes());
}

}  // namespace
