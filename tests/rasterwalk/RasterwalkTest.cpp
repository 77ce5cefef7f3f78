// Black-box tests of rasterwalk and rasterwalk2 under Wine: the real programs
// on bitmaps made by ImageMagick, their messages, their show files, and shows
// replayed against the picture.
#include "RasterPicture.h"
#include "TestSupport.h"

#include "SnapColor.h"

#include <stdio.h>

#include <map>
#include <set>

namespace {

const char kUsage[] = "Usage: rasterwalk [bmp file path name]  [milliseconds per point(pixel)]\r\n";
const COLORREF kWhite = RGB(255, 255, 255);
const char* const kTools[] = {"rasterwalk.exe", "rasterwalk2.exe"};

std::string Picture(const char* name)
{
    return JoinPath(WinePath(RASTER_PICTURES_DIR), name);
}

// Copies a test picture into a folder of its own under a new name.
std::string CopyPicture(const char* name, const std::string& folder, const char* newName)
{
    std::string target = JoinPath(folder, newName);
    CopyFileA(Picture(name).c_str(), target.c_str(), FALSE);
    return target;
}

ProcessResult RunTool(const char* tool, const std::string& arguments, const char* folder = nullptr)
{
    return RunProgram("\"" + BinPath(tool) + "\" " + arguments, 300000, folder);
}

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

bool IsDot(const std::vector<ShowPoint>& points, size_t i)
{
    return i + 1 < points.size() && points[i].flags == 0 && points[i + 1].flags == PF_PEN_DOWN &&
           points[i].x == points[i + 1].x && points[i].y == points[i + 1].y &&
           points[i].penSize == points[i + 1].penSize && points[i].colour == points[i + 1].colour;
}

std::string Describe(const ShowPoint& p)
{
    char text[96];
    snprintf(text, sizeof(text), "(%u,%u d%u c%06lx p%u f%u)", p.x, p.y, p.delay,
             static_cast<unsigned long>(p.colour), p.penSize, p.flags);
    return text;
}

// The points rasterwalk must write, from the runs of each row of the picture.
std::vector<ShowPoint> ExpectedRuns(const SnappedPicture& picture, uint16_t delay)
{
    std::vector<ShowPoint> points;
    auto add = [&](int x, int y, uint16_t d, COLORREF c, uint8_t flags) {
        ShowPoint p = {};
        p.x = static_cast<uint16_t>(x);
        p.y = static_cast<uint16_t>(y);
        p.delay = d;
        p.colour = c;
        p.penSize = 2;
        p.flags = flags;
        points.push_back(p);
    };
    const int width = picture.width - 1;
    const COLORREF background = picture.At(0, 0);
    COLORREF last = RGB(0, 0, 0);
    add(0, 0, 1, last, 0);
    for (int y = 0; y < picture.height; y++) {
        for (int start = 0; start < width;) {
            COLORREF c = picture.At(start, y);
            int end = start;
            while (end + 1 < width && picture.At(end + 1, y) == c)
                end++;
            bool drawn = c != background;
            add(start, y, delay, c, drawn && start > 0 ? PF_PEN_DOWN : 0);
            add(end, y, delay, c, drawn ? PF_PEN_DOWN : 0);
            last = c;
            start = end + 1;
        }
    }
    add(width - 1, picture.height, 1, last, 0);
    return points;
}

void ExpectSamePoints(const std::vector<ShowPoint>& expected, const std::vector<ShowPoint>& actual)
{
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); i++)
        ASSERT_EQ(Describe(expected[i]), Describe(actual[i])) << "point " << i;
}

// Makes GetVersionEx report the DOS family to one program only.
class ScopedDosFamily {
public:
    explicit ScopedDosFamily(const char* program)
    {
        key_ = std::string("Software\\Wine\\AppDefaults\\") + program;
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &key, nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
            RegCloseKey(key);
        }
    }
    ~ScopedDosFamily() { RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str()); }

private:
    std::string key_;
};

}  // namespace

TEST(RasterScanners, RefuseBadCommandLinesWithTheirMessages)
{
    std::string folder = FreshFolder("raster-arguments");
    CopyPicture("runs.bmp", folder, "a.bmp");
    CopyPicture("runs.bmp", folder, "pic.BMP");
    for (const char* tool : kTools) {
        SCOPED_TRACE(tool);
        ProcessResult missing = RunTool(tool, "a.bmp", folder.c_str());
        EXPECT_EQ(std::string(kUsage) + "Required command line argument missing.\r\n", missing.output);
        EXPECT_EQ(0, ExitStatus(missing));

        ProcessResult tooLong = RunTool(tool, "a.bmp 65001", folder.c_str());
        EXPECT_EQ(std::string(kUsage) + "milliseconds value must be between 0 and 65000.\r\n",
                  tooLong.output);
        ProcessResult negative = RunTool(tool, "a.bmp -1", folder.c_str());
        EXPECT_EQ(tooLong.output, negative.output);
        ProcessResult huge = RunTool(tool, "a.bmp 99999999999999999999", folder.c_str());
        EXPECT_EQ(tooLong.output, huge.output);

        ProcessResult shortName = RunTool(tool, ".bmp 5", folder.c_str());
        EXPECT_EQ(std::string(kUsage) +
                      "Invalid file name specified.  The name is not long enough: [.bmp]\r\n"
                      "The bmp file name must end in .bmp\r\n",
                  shortName.output);
        ProcessResult upper = RunTool(tool, "pic.BMP 5", folder.c_str());
        EXPECT_EQ(std::string(kUsage) + "Invalid file name specified: [pic.BMP].\r\n" +
                      "The bmp file name must end in .bmp\r\n",
                  upper.output);
        ProcessResult absent = RunTool(tool, "none.bmp 5", folder.c_str());
        EXPECT_EQ(std::string(kUsage) + "File not found: [none.bmp]\r\n", absent.output);
        EXPECT_EQ(0, ExitStatus(absent));

        // A file that is no bitmap, or whose header or pixels do not hold
        // together, is refused with the reason and leaves an older show of its
        // name as it was; Wine's loader would make up pixels for most of them.
        std::vector<unsigned char> whole = ReadBytes(Picture("runs.bmp"));
        std::vector<unsigned char> claimsHuge = whole;
        for (int i = 0; i < 2; i++)
            memcpy(&claimsHuge[18 + 4 * i], "\xA0\x86\x01\x00", 4);  // 100000 x 100000
        std::vector<unsigned char> noPlane = whole;
        noPlane[26] = 0;
        const struct {
            std::vector<unsigned char> bytes;
            const char* reason;
        } bad[] = {
            {std::vector<unsigned char>(whole.begin(), whole.begin() + 40), "the header is cut short"},
            {std::vector<unsigned char>(whole.begin(), whole.end() - 50), "the pixel data is cut short"},
            {std::vector<unsigned char>(300, 'x'), "the file does not start as a bitmap does"},
            {std::vector<unsigned char>(), "the file is too short for a bitmap"},
            {claimsHuge, "the header claims a picture larger than this program reads (at most 16384 pixels a "
                   "side and 33554432 in all)"},
            {noPlane, "the header does not describe one plane of pixels"},
        };
        for (const auto& b : bad) {
            WriteBytes(JoinPath(folder, "bad.bmp"), b.bytes);
            std::vector<unsigned char> older(300, 0x5A);
            WriteBytes(JoinPath(folder, "bad.sho"), older);
            ProcessResult refused = RunTool(tool, "bad.bmp 5", folder.c_str());
            EXPECT_EQ(std::string(kUsage) + "Not a bitmap this program can read: [bad.bmp]: " + b.reason + ".\r\n",
                      refused.output);
            EXPECT_EQ(older, ReadBytes(JoinPath(folder, "bad.sho")));
        }
    }
    EXPECT_FALSE(FileExists(JoinPath(folder, "a.sho")));
    EXPECT_FALSE(FileExists(JoinPath(folder, "pic.sho")));
    EXPECT_FALSE(FileExists(JoinPath(folder, "none.sho")));
}

TEST(RasterScanners, AcceptTheLimitsOfTheirArguments)
{
    std::string folder = FreshFolder("raster-limits");
    CopyPicture("runs.bmp", folder, "a.bmp");
    for (const char* tool : kTools) {
        SCOPED_TRACE(tool);
        ProcessResult top = RunTool(tool, "a.bmp 65000", folder.c_str());
        EXPECT_EQ("", top.output);
        EXPECT_EQ(0, ExitStatus(top));
        ShowFile show = ReadShowFile(JoinPath(folder, "a.sho"));
        ASSERT_GT(show.points.size(), 2u);
        // rasterwalk2 finds no stroke in this picture: only dots, at a quarter of the delay.
        EXPECT_EQ(tool == kTools[0] ? 65000 : 16250, show.points[1].delay);

        // A count that is no number reads as 0.
        ProcessResult word = RunTool(tool, "a.bmp many", folder.c_str());
        EXPECT_EQ("", word.output);
        show = ReadShowFile(JoinPath(folder, "a.sho"));
        ASSERT_GT(show.points.size(), 2u);
        EXPECT_EQ(0, show.points[1].delay);
    }
}

// The screen is repainted when a scanner ends; a window that does not
// answer must not keep the scanner from ending.
TEST(RasterScanners, EndWhileAnotherProgramIsNotAnswering)
{
    std::string folder = FreshFolder("raster-hung");
    CopyPicture("runs.bmp", folder, "a.bmp");
    UnansweringWindow hung;
    ASSERT_NE(nullptr, hung.window);
    for (const char* tool : kTools) {
        SCOPED_TRACE(tool);
        ProcessResult run = RunProgram("\"" + BinPath(tool) + "\" a.bmp 5", 30000, folder.c_str());
        EXPECT_TRUE(run.finished) << run.output;
        EXPECT_EQ(0, ExitStatus(run));
    }
}

TEST(RasterScanners, WriteBesideThePictureReplacingAnOldShow)
{
    std::string folder = FreshFolder("raster-output");
    std::string art = JoinPath(folder, "art");
    CreateDirectoryA(art.c_str(), nullptr);
    std::string picture = CopyPicture("runs.bmp", art, "cat.bmp");
    std::string show = JoinPath(art, "cat.sho");
    for (const char* tool : kTools) {
        SCOPED_TRACE(tool);
        WriteBytes(show, std::vector<unsigned char>(5000, 0xAB));
        ProcessResult result = RunTool(tool, "art\\cat.bmp 3", folder.c_str());
        EXPECT_EQ(0, ExitStatus(result));
        ShowFile written = ReadShowFile(show);
        ASSERT_TRUE(written.loaded);
        EXPECT_EQ(2, written.header.version);
        EXPECT_EQ(15, written.header.block.width);  // the bitmap's width minus 1
        EXPECT_EQ(6, written.header.block.height);
        EXPECT_EQ(0, written.header.block.flags);
        EXPECT_EQ(0u, ReadBytes(show).size() % 16);
    }
}

TEST(RasterScanners, MarkShowsMadeOnTheDosFamily)
{
    std::string folder = FreshFolder("raster-dos");
    std::string picture = CopyPicture("runs.bmp", folder, "dos.bmp");
    for (const char* tool : kTools) {
        SCOPED_TRACE(tool);
        ScopedDosFamily dos(tool);
        RunTool(tool, Quoted(picture) + " 3");
        ShowFile show = ReadShowFile(JoinPath(folder, "dos.sho"));
        ASSERT_TRUE(show.loaded);
        EXPECT_EQ(HF_OS_DOS, show.header.block.flags);
    }
}

TEST(RasterScanners, ReportAShowThatCannotBeWritten)
{
    std::string folder = FreshFolder("raster-save");
    std::string picture = CopyPicture("runs.bmp", folder, "blocked.bmp");
    // A folder of the show's name: the show cannot be created.
    std::string show = JoinPath(folder, "blocked.sho");
    CreateDirectoryA(show.c_str(), nullptr);
    for (const char* tool : kTools) {
        SCOPED_TRACE(tool);
        ProcessResult result = RunTool(tool, Quoted(picture) + " 3");
        EXPECT_EQ(0u, result.output.find("Failed to open: [" + picture.substr(0, picture.size() - 4) +
                                         ".sho] ["))
            << result.output;
        EXPECT_NE(0, ExitStatus(result));
    }
}

// A bitmap file of width x 1 pixels from the bytes of its one row.
std::vector<unsigned char> OneRowBitmap(int width, int bits, const std::vector<unsigned char>& table,
                                        const std::vector<unsigned char>& row)
{
    std::vector<unsigned char> file(54);
    auto put = [&](size_t at, uint32_t value, int size) {
        for (int i = 0; i < size; i++) file[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    uint32_t offset = static_cast<uint32_t>(54 + table.size());
    file[0] = 'B';
    file[1] = 'M';
    put(2, offset + static_cast<uint32_t>(row.size()), 4);
    put(10, offset, 4);
    put(14, 40, 4);
    put(18, width, 4);
    put(22, 1, 4);
    put(26, 1, 2);
    put(28, bits, 2);
    put(46, static_cast<uint32_t>(table.size() / 4), 4);
    file.insert(file.end(), table.begin(), table.end());
    file.insert(file.end(), row.begin(), row.end());
    return file;
}

// Palette and 32-bit pictures are read with their own colours; a picture of
// one pixel gives a show without a scanned column.
TEST(RasterScanners, ReadPaletteThirtyTwoBitAndSinglePixelPictures)
{
    std::string folder = FreshFolder("raster-kinds");
    // Blue, green, red table entries; pixels: background blue, then red, red, green.
    std::vector<unsigned char> table = {255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0};
    WriteBytes(JoinPath(folder, "palette.bmp"), OneRowBitmap(5, 8, table, {0, 2, 2, 1, 0, 0, 0, 0}));
    WriteBytes(JoinPath(folder, "deep.bmp"),
               OneRowBitmap(5, 32, {}, {255, 0, 0, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0}));
    for (const char* name : {"palette", "deep"}) {
        SCOPED_TRACE(name);
        ProcessResult result = RunTool("rasterwalk.exe", std::string(name) + ".bmp 7", folder.c_str());
        EXPECT_EQ(0, ExitStatus(result)) << result.output;
        ShowFile show = ReadShowFile(JoinPath(folder, std::string(name) + ".sho"));
        ASSERT_TRUE(show.loaded) << result.output;
        std::set<uint32_t> colours;
        for (const ShowPoint& p : show.points)
            if (p.flags & PF_PEN_DOWN) colours.insert(p.colour);
        EXPECT_EQ((std::set<uint32_t>{RGB(255, 0, 0), RGB(0, 255, 0)}), colours);
    }
    WriteBytes(JoinPath(folder, "dot.bmp"), OneRowBitmap(1, 24, {}, {9, 9, 9, 0}));
    ProcessResult dot = RunTool("rasterwalk.exe", "dot.bmp 7", folder.c_str());
    EXPECT_EQ(0, ExitStatus(dot)) << dot.output;
    EXPECT_EQ(2u, ReadShowFile(JoinPath(folder, "dot.sho")).points.size());
}

TEST(RasterScanners, HandleAPictureOnePixelWide)
{
    std::string folder = FreshFolder("raster-column");
    std::string picture = CopyPicture("column.bmp", folder, "column.bmp");
    std::string showPath = JoinPath(folder, "column.sho");

    ASSERT_EQ(0, ExitStatus(RunTool("rasterwalk.exe", Quoted(picture) + " 7")));
    ShowFile show = ReadShowFile(showPath);
    ASSERT_EQ(2u, show.points.size());
    EXPECT_EQ("(0,0 d1 c000000 p2 f0)", Describe(show.points[0]));
    EXPECT_EQ("(65535,5 d1 c000000 p2 f0)", Describe(show.points[1]));
    EXPECT_EQ(0, show.header.block.width);
    EXPECT_EQ(5, show.header.block.height);

    ASSERT_EQ(0, ExitStatus(RunTool("rasterwalk2.exe", Quoted(picture) + " 7")));
    EXPECT_EQ(0u, ReadBytes(showPath).size());
}

// Every run is a line within its own row: a run reaching the row's end is
// closed there, and each row starts with a pen move, so nothing is drawn
// back across the picture and no black line appears along the top.
TEST(Rasterwalk, DrawsEachRunWithinItsRow)
{
    std::string folder = FreshFolder("rasterwalk-runs");
    std::string picture = CopyPicture("runs.bmp", folder, "runs.bmp");
    ASSERT_EQ(0, ExitStatus(RunTool("rasterwalk.exe", Quoted(picture) + " 9")));
    ShowFile show = ReadShowFile(JoinPath(folder, "runs.sho"));
    SnappedPicture snapped = LoadSnappedPicture(picture);
    ASSERT_EQ(16, snapped.width);
    ExpectSamePoints(ExpectedRuns(snapped, 9), show.points);

    // The first row: white top-left pixel, then a red run to the row's end.
    const COLORREF red = SnapColor(RGB(255, 0, 0)), blue = SnapColor(RGB(0, 0, 255));
    ASSERT_GE(show.points.size(), 8u);
    EXPECT_EQ("(0,0 d9 cffffff p2 f0)", Describe(show.points[1]));
    EXPECT_EQ("(7,0 d9 cffffff p2 f0)", Describe(show.points[2]));
    EXPECT_EQ(Describe({8, 0, 9, {}, red, 2, PF_PEN_DOWN, {}}), Describe(show.points[3]));
    EXPECT_EQ(Describe({14, 0, 9, {}, red, 2, PF_PEN_DOWN, {}}), Describe(show.points[4]));
    // The next row starts with a move to its first blue pixel.
    EXPECT_EQ(Describe({0, 1, 9, {}, blue, 2, 0, {}}), Describe(show.points[5]));
    for (size_t i = 0; i + 1 < show.points.size(); i++) {
        const ShowPoint& p = show.points[i];
        EXPECT_LT(p.x, 15) << i;
        if (p.flags & PF_PEN_DOWN) {
            EXPECT_EQ(show.points[i - 1].y, p.y) << "a line across rows at point " << i;
            if (p.y == 0) {
                EXPECT_NE(0u, p.colour) << "no black line along the top";
            }
        }
    }
}

// Every row of real pictures: runs of the 16 colour logo and of brush strokes.
TEST(Rasterwalk, WritesTheRunsOfEveryRow)
{
    std::string folder = FreshFolder("rasterwalk-rows");
    for (const char* name : {"logo16.bmp", "strokes.bmp"}) {
        SCOPED_TRACE(name);
        std::string picture = CopyPicture(name, folder, name);
        ASSERT_EQ(0, ExitStatus(RunTool("rasterwalk.exe", Quoted(picture) + " 1")));
        ShowFile show = ReadShowFile(picture.substr(0, picture.size() - 4) + ".sho");
        ExpectSamePoints(ExpectedRuns(LoadSnappedPicture(picture), 1), show.points);
    }
}

TEST(Rasterwalk2, TracesStrokesAndLeavesNarrowAndWideAreasAsDots)
{
    std::string folder = FreshFolder("rasterwalk2-bars");
    std::string picture = CopyPicture("bars.bmp", folder, "bars.bmp");
    ASSERT_EQ(0, ExitStatus(RunTool("rasterwalk2.exe", Quoted(picture) + " 8")));
    ShowFile show = ReadShowFile(JoinPath(folder, "bars.sho"));
    SnappedPicture snapped = LoadSnappedPicture(picture);
    const COLORREF red = snapped.At(20, 20), blue = snapped.At(20, 50), green = snapped.At(20, 70);
    std::set<int> pens;

    std::map<COLORREF, int> strokeDots, leftoverDots;
    ASSERT_EQ(0u, show.points.size() % 2);
    for (size_t i = 0; i < show.points.size(); i += 2) {
        ASSERT_TRUE(IsDot(show.points, i)) << "point " << i;
        const ShowPoint& p = show.points[i];
        ASSERT_LT(p.x, 239);
        ASSERT_LT(p.y, 160);
        if (p.delay == 8) {
            strokeDots[p.colour]++;
            EXPECT_EQ(red, p.colour);
            pens.insert(p.penSize);
            EXPECT_GE(p.y, 20);
            EXPECT_LE(p.y, 31);
        } else {
            EXPECT_EQ(2, p.delay);
            EXPECT_EQ(4, p.penSize);
            leftoverDots[p.colour]++;
        }
    }
    // One stroke along the bar in steps of 2. A measurement across reaches
    // one pixel further on each side than the colour (the steps are truncated
    // sines just below 1): 12 pixels measure 15, a pen of 9.
    EXPECT_GT(strokeDots[red], 50);
    EXPECT_EQ(std::set<int>({9}), pens);
    EXPECT_LT(leftoverDots[red], 181 * 12 / 4);
    // A line 1 pixel tall measures 4 and the square 80 wide: every pixel a dot.
    EXPECT_EQ(181, leftoverDots[blue]);
    EXPECT_EQ(80 * 80, leftoverDots[green]);
    EXPECT_EQ(0, strokeDots[blue]);
    EXPECT_EQ(0, strokeDots[green]);
}

// Strokes along the first row, the first column and the other edges: probes
// and steps beyond the edge meet a border, nothing wraps into the picture.
TEST(Rasterwalk2, StopsAtThePictureEdges)
{
    std::string folder = FreshFolder("rasterwalk2-edges");
    std::string picture = CopyPicture("edges.bmp", folder, "edges.bmp");
    ProcessResult result = RunTool("rasterwalk2.exe", Quoted(picture) + " 4");
    ASSERT_TRUE(result.finished);
    ASSERT_EQ(0, ExitStatus(result));
    ShowFile show = ReadShowFile(JoinPath(folder, "edges.sho"));
    std::set<COLORREF> traced;
    for (size_t i = 0; i < show.points.size(); i += 2) {
        ASSERT_TRUE(IsDot(show.points, i));
        EXPECT_LT(show.points[i].x, 120);
        EXPECT_LT(show.points[i].y, 80);
        if (show.points[i].penSize != 4)
            traced.insert(show.points[i].colour);
    }
    EXPECT_EQ(4u, traced.size()) << "each edge bar is traced as a stroke";
    ExpectSamePoints(ReferenceStrokes(picture, 4), show.points);
}

// The shortcuts rasterwalk2 takes (pixel memory, remembered failed probes,
// width sums cut short) change nothing in the show.
TEST(Rasterwalk2, WritesTheStrokesOfTheStepByStepSearch)
{
    std::string folder = FreshFolder("rasterwalk2-reference");
    for (const char* name : {"strokes.bmp", "bars.bmp", "logo16.bmp"}) {
        SCOPED_TRACE(name);
        std::string picture = CopyPicture(name, folder, name);
        ASSERT_EQ(0, ExitStatus(RunTool("rasterwalk2.exe", Quoted(picture) + " 12")));
        ShowFile show = ReadShowFile(picture.substr(0, picture.size() - 4) + ".sho");
        ExpectSamePoints(ReferenceStrokes(picture, 12), show.points);
    }
}

// The picture is kept snapped in memory and read back without snapping
// again: that needs snapping to give a snapped colour back unchanged.
TEST(RasterScanners, SnappingASnappedColourKeepsIt)
{
    for (int r = 0; r < 256; r++)
        for (int g = 0; g < 256; g++)
            for (int b = 0; b < 256; b += 1) {
                COLORREF once = SnapColor(r, g, b);
                if (SnapColor(once) != once)
                    FAIL() << r << "," << g << "," << b;
            }
}

namespace {

// What the screen shows in its top-left corner, snapped to the display levels.
SnappedPicture ReadScreen(int width, int height)
{
    SnappedPicture screen;
    screen.width = width;
    screen.height = height;
    HDC screenDC = GetDC(nullptr);
    RECT corner = {0, 0, width, height};
    screen.pixels = ReadPixels(screenDC, corner);
    ReleaseDC(nullptr, screenDC);
    return screen;
}

}  // namespace

// Wine leaves the root window unpainted when the scanners ask for a repaint,
// so what they drew as progress can be read back after they end. (Drawing on
// the screen from the test itself would leave this process reading its own
// stale copy, so the screen is not cleared first.)
TEST(RasterScanners, ShowTheirProgressOnTheScreen)
{
    std::string folder = FreshFolder("raster-screen");
    std::string picture = CopyPicture("logo16.bmp", folder, "logo16.bmp");
    SnappedPicture snapped = LoadSnappedPicture(picture);
    const int width = snapped.width - 1, height = snapped.height;

    ASSERT_EQ(0, ExitStatus(RunTool("rasterwalk2.exe", Quoted(picture) + " 0")));
    SnappedPicture screen = ReadScreen(snapped.width, height);
    int background = 0, markedSkipped = 0, stillMarked = 0;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            COLORREF shown = screen.At(x, y);
            stillMarked += shown == RGB(128, 128, 127);
            if (snapped.At(x, y) == snapped.At(0, 0)) {
                background++;
                markedSkipped += shown == RGB(255, 25, 25);
            }
        }
    }
    printf("rasterwalk2 on the screen: %d of %d background pixels marked skipped, %d still marked\n",
           markedSkipped, background, stillMarked);
    // Skipped background pixels are marked red; strokes drawn near them
    // cover some. The marks of stroke pixels are covered by the strokes and
    // dots, but for a few pixels at the rim of a dot: the X server draws
    // wide pens on the screen a little differently from the picture's memory.
    EXPECT_GT(markedSkipped, background * 9 / 10);
    EXPECT_LT(stillMarked, (width * height - background) / 100);

    // rasterwalk draws over what rasterwalk2 left: every pixel is its own.
    ASSERT_EQ(0, ExitStatus(RunTool("rasterwalk.exe", Quoted(picture) + " 0")));
    screen = ReadScreen(snapped.width, height);
    int same = 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            same += SnapColor(screen.At(x, y)) == snapped.At(x, y);
    EXPECT_EQ(width * height, same) << "rasterwalk draws every scanned pixel";
}
