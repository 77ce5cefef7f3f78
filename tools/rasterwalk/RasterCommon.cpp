#include "RasterCommon.h"

#include "BitmapLoad.h"
#include "ScreenRepaint.h"
#include "SnapColor.h"
#include "WindowsFamily.h"

#include <fcntl.h>
#include <io.h>
#include <new>
#include <stdio.h>
#include <string.h>

RasterState g_raster;

namespace {

const char kUsage[] = "Usage: rasterwalk [bmp file path name]  [milliseconds per point(pixel)]\n";
const char kMissingArgument[] = "Required command line argument missing.\n";
const char kBadMilliseconds[] = "milliseconds value must be between 0 and 65000.\n";
const char kNameTooShort[] = "Invalid file name specified.  The name is not long enough: [%s]\n";
const char kBadName[] = "Invalid file name specified: [%s].\n";
const char kMustEndInBmp[] = "The bmp file name must end in .bmp\n";
const char kFileNotFound[] = "File not found: [%s]\n";
const char kBadBitmap[] = "Not a bitmap this program can read: [%s]: %s.\n";
const char kPictureFailed[] = "Failed to prepare the picture: [%s]\n";
const char kNoMemory[] = "Failed to allocate memory for the show.\n";
const char kSaveFailed[] = "%s\n";

const int kExitOk = 0;
const int kExitSaveFailed = 1;

bool g_outOfMemory = false;

void ReadSystemFamily()
{
    g_raster.osFlags = IsNtFamily() ? 0 : HF_OS_DOS;
}

// Reads the number the way atoi does (leading blanks, a sign, digits; no
// digits give 0), but saturates instead of overflowing on long digit strings.
long long ReadDecimal(const char* text)
{
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\v' ||
           *text == '\f')
        text++;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        text++;
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; text++)
        if (value < 1000000)
            value = value * 10 + (*text - '0');
    return negative ? -value : value;
}

bool ReadArguments(int argc, char** argv)
{
    if (argc < 3) {
        printf(kUsage);
        printf(kMissingArgument);
        return false;
    }
    long long milliseconds = ReadDecimal(argv[2]);
    if (milliseconds < 0 || milliseconds > kMaxMilliseconds) {
        printf(kUsage);
        printf(kBadMilliseconds);
        return false;
    }
    g_raster.milliseconds = static_cast<uint16_t>(milliseconds);
    g_raster.quarterMilliseconds = static_cast<uint16_t>(milliseconds / 4);
    return true;
}

bool CheckPictureName(const char* path)
{
    size_t length = strlen(path);
    if (length < 5) {
        printf(kUsage);
        printf(kNameTooShort, path);
        printf(kMustEndInBmp);
        return false;
    }
    if (strcmp(path + length - 4, ".bmp") != 0) {
        printf(kUsage);
        printf(kBadName, path);
        printf(kMustEndInBmp);
        return false;
    }
    return true;
}

HBITMAP CreateTopDownDib(HDC reference, int width, int height, uint32_t** bits)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    HBITMAP dib = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    *bits = static_cast<uint32_t*>(memory);
    return dib;
}

// Copies the loaded bitmap into a DIB section that the picture DC draws into,
// snapping every pixel once.
bool PreparePictureDC()
{
    g_raster.screenDC = GetDC(nullptr);
    g_raster.pictureDC = CreateCompatibleDC(g_raster.screenDC);
    g_raster.pictureDib = CreateTopDownDib(g_raster.screenDC, g_raster.bitmapWidth,
                                           g_raster.bitmapHeight, &g_raster.pixels);
    HDC loadedDC = CreateCompatibleDC(g_raster.screenDC);
    if (!g_raster.pictureDC || !g_raster.pictureDib || !loadedDC) {
        if (loadedDC)
            DeleteDC(loadedDC);
        return false;
    }
    HGDIOBJ loadedOld = SelectObject(loadedDC, g_raster.bitmap);
    g_raster.pictureDcOldBitmap = SelectObject(g_raster.pictureDC, g_raster.pictureDib);
    BitBlt(g_raster.pictureDC, 0, 0, g_raster.bitmapWidth, g_raster.bitmapHeight, loadedDC, 0, 0,
           SRCCOPY);
    SelectObject(loadedDC, loadedOld);
    DeleteDC(loadedDC);
    GdiFlush();
    for (int y = 0; y < g_raster.bitmapHeight; y++)
        for (int x = 0; x < g_raster.bitmapWidth; x++)
            SetPicturePixel(x, y, SnapColor(PicturePixel(x, y)));

    g_raster.rowDC = CreateCompatibleDC(g_raster.screenDC);
    g_raster.rowDib = CreateTopDownDib(g_raster.screenDC, g_raster.bitmapWidth, 1, &g_raster.rowPixels);
    if (!g_raster.rowDC || !g_raster.rowDib)
        return false;
    g_raster.rowDcOldBitmap = SelectObject(g_raster.rowDC, g_raster.rowDib);
    return true;
}

}  // namespace

bool LoadPicture(const char* path)
{
    if (!CheckPictureName(path))
        return false;
    const char* reason = nullptr;
    g_raster.bitmap = LoadCheckedBitmap(path, &reason);
    if (!g_raster.bitmap) {
        printf(kUsage);
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
            printf(kFileNotFound, path);
        else
            printf(kBadBitmap, path, reason);
        return false;
    }
    BITMAP info = {};
    GetObjectA(g_raster.bitmap, sizeof(info), &info);
    g_raster.bitmapWidth = info.bmWidth;
    g_raster.bitmapHeight = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    g_raster.width = info.bmWidth - 1;
    g_raster.height = g_raster.bitmapHeight;
    if (!PreparePictureDC()) {
        printf(kPictureFailed, path);
        return false;
    }
    g_raster.background = PicturePixel(0, 0);

    size_t length = strlen(path) - 4;
    if (length + 5 > sizeof(g_raster.outputPath))
        length = sizeof(g_raster.outputPath) - 5;
    memcpy(g_raster.outputPath, path, length);
    strcpy(g_raster.outputPath + length, ".sho");
    return true;
}

void ReleasePicture()
{
    if (g_raster.rowDC) {
        if (g_raster.rowDcOldBitmap)
            SelectObject(g_raster.rowDC, g_raster.rowDcOldBitmap);
        DeleteDC(g_raster.rowDC);
    }
    if (g_raster.rowDib)
        DeleteObject(g_raster.rowDib);
    if (g_raster.pictureDC) {
        if (g_raster.pictureDcOldBitmap)
            SelectObject(g_raster.pictureDC, g_raster.pictureDcOldBitmap);
        DeleteDC(g_raster.pictureDC);
    }
    if (g_raster.pictureDib)
        DeleteObject(g_raster.pictureDib);
    if (g_raster.bitmap)
        DeleteObject(g_raster.bitmap);
    if (g_raster.screenDC) {
        // Under Wine, drawing on the screen travels to the display server in
        // batches; reading a pixel back delivers the last batch before the
        // program ends, so the user sees the whole picture.
        GetPixel(g_raster.screenDC, 0, 0);
        ReleaseDC(nullptr, g_raster.screenDC);
    }
    g_raster.rowDC = g_raster.pictureDC = g_raster.screenDC = nullptr;
    g_raster.rowDib = g_raster.pictureDib = g_raster.bitmap = nullptr;
    g_raster.rowDcOldBitmap = g_raster.pictureDcOldBitmap = nullptr;
    g_raster.pixels = g_raster.rowPixels = nullptr;
}

void SetRowPixel(int x, COLORREF colour)
{
    g_raster.rowPixels[x] = PictureValue(colour);
}

void ShowProgressRow(int y)
{
    if (g_raster.width > 0)
        BitBlt(g_raster.screenDC, 0, y, g_raster.width, 1, g_raster.rowDC, 0, 0, SRCCOPY);
}

// Coordinates are stored as 16-bit values, as the show format holds them.
bool AddShowPoint(int x, int y, uint16_t delay, COLORREF colour, uint8_t penSize, uint8_t flags)
{
    if (g_raster.document->AddPoint(static_cast<uint16_t>(x), static_cast<uint16_t>(y), delay, colour,
                                    penSize, flags))
        return true;
    g_outOfMemory = true;
    return false;
}

int RunScanner(int argc, char** argv, bool (*scan)(), DWORD repaintDelayMs)
{
    ReadSystemFamily();
    if (!ReadArguments(argc, argv))
        return kExitOk;
    if (!LoadPicture(argv[1])) {
        ReleasePicture();
        return kExitOk;
    }
    g_raster.document = NewShowDocument(nullptr, PRIORITY_MARKING_SUPPRESSED);
    if (!g_raster.document) {
        printf(kNoMemory);
        ReleasePicture();
        return kExitSaveFailed;
    }
    ShowDocument& show = *g_raster.document;
    show.header.block.width = static_cast<uint16_t>(g_raster.width);
    show.header.block.height = static_cast<uint16_t>(g_raster.height);
    show.header.block.flags = g_raster.osFlags;

    bool scanned = false;
    try {
        scanned = scan() && !g_outOfMemory;
    } catch (const std::bad_alloc&) {
        scanned = false;
    }
    int status = kExitOk;
    if (!scanned) {
        // A show missing points would paint a wrong picture: keep the old file.
        printf(kNoMemory);
        status = kExitSaveFailed;
    } else if (!show.Save(g_raster.outputPath, SHOW_SAVE_REPLACE)) {
        printf(kSaveFailed, show.message);
        status = kExitSaveFailed;
    }
    g_raster.document.reset();
    ReleasePicture();
    if (repaintDelayMs)
        Sleep(repaintDelayMs);
    RepaintWholeScreen();
    return status;
}
