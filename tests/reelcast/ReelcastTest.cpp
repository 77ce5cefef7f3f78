// reelcast started as a user would: the GIF it writes is decoded and held
// against the painting the real player makes of the same show, its timing
// and colours are checked, and every bad input must leave an old file alone.
#include "GifReader.h"
#include "PlayerTestSupport.h"
#include "TestSupport.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace {

const COLORREF kYellow = RGB(255, 255, 0);
const COLORREF kMagenta = RGB(255, 0, 255);
const COLORREF kGreen = RGB(0, 255, 0);

uint32_t RgbOf(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// A closed black square filled yellow, strokes in several pens, a white
// stroke that erases part of the fill, a fill of the open canvas, and a
// signature; delays of 100 ms, 1.6 s in all.
std::vector<Pt> PaintingPoints()
{
    const uint8_t D = PF_PEN_DOWN, F = PF_FILL;
    return {
        {40, 40, 100, kBlack, 3, 0},      {120, 40, 100, kBlack, 3, D},
        {120, 120, 100, kBlack, 3, D},    {40, 120, 100, kBlack, 3, D},
        {40, 40, 100, kBlack, 3, D},      {80, 80, 100, kYellow, 1, F},
        {50, 80, 100, kWhite, 4, 0},      {110, 80, 100, kWhite, 4, D},
        {10, 200, 100, kRed, 5, 0},       {300, 20, 100, kRed, 5, D},
        {300, 200, 100, kRed, 5, D},      {20, 220, 100, kBlue, 1, 0},
        {150, 60, 100, kBlue, 1, D},      {200, 150, 100, kGreen, 1, F},
        {180, 100, 100, kMagenta, 9, 0},  {260, 180, 100, kMagenta, 9, D},
    };
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

ProcessResult RunReelcast(const std::string& arguments)
{
    return RunProgram(Quoted(BinPath("reelcast.exe")) + " " + arguments, 300000);
}

GifMovie ReadMovie(const std::string& path)
{
    std::vector<unsigned char> bytes = ReadBytes(path);
    return ReadGif(bytes.data(), bytes.size());
}

std::string SaveShow(ShowDocument& show, const std::string& path)
{
    EXPECT_TRUE(show.Save(path.c_str(), SHOW_SAVE_REPLACE)) << show.message;
    return path;
}

bool InSignatureCorner(int x, int y, int width, int height)
{
    return y >= height - 44 && y < height - 20 && x >= width / 2;
}

// The painting layer the real player ends a show with, full screen.
std::vector<COLORREF> PlayersPainting(ShowDocument& show, int width, int height)
{
    std::vector<COLORREF> pixels;
    TestWindows windows;
    windows.PaintDesktopPattern();
    HWND window = windows.MakeFullScreenWindow();
    EXPECT_TRUE(TestWindows::WaitForDesktopPattern());
    HBITMAP character = MakeCharacterBitmap();
    ShowPlayer player(window);
    if (player.ok && player.StartShow(&show, character, 100, 0)) {
        PlayToEnd(player, 10000);
        EXPECT_TRUE(player.ok) << player.message;
        SurfaceImage painting(player.floodFillSurface);
        EXPECT_EQ(width, painting.width);
        EXPECT_EQ(height, painting.height);
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) pixels.push_back(painting.At(x, y));
    } else {
        ADD_FAILURE() << player.message;
    }
    player.Shutdown();
    DeleteObject(character);
    return pixels;
}

}  // namespace

// The user story: a painted, signed show becomes a GIF of the length asked
// for; its last frame is the player's painting in the show's exact colours
// with the signature, and the painter walks on the frames before it.
TEST(Reelcast, AnimationShowsWhatThePlayerPaints)
{
    const int kWidth = 320, kHeight = 240;
    std::string folder = FreshFolder("reelcast-story");
    std::unique_ptr<ShowDocument> show = MakeShow(PaintingPoints(), kWidth, kHeight, "Ana");
    std::string showPath = SaveShow(*show, JoinPath(folder, "square.sho"));
    std::string gifPath = JoinPath(folder, "square.gif");

    ProcessResult result = RunReelcast(Quoted(showPath) + " " + Quoted(gifPath) + " 4 320");
    ASSERT_EQ(0, ExitStatus(result)) << result.output;
    EXPECT_NE(std::string::npos, result.output.find("100%")) << result.output;
    // Progress stays on one line: the percentages are joined by carriage returns.
    EXPECT_EQ(std::string::npos, result.output.find("%\r\n\rPainting")) << result.output;

    GifMovie movie = ReadMovie(gifPath);
    ASSERT_EQ("", movie.error);
    EXPECT_TRUE(movie.loopsForever);
    ASSERT_EQ(kWidth, movie.width);
    ASSERT_EQ(kHeight, movie.height);
    ASSERT_GE(movie.frames.size(), 10u);

    // Timing: 4 s of painting in steps of a tenth of a second, then 3 s held.
    int total = 0;
    for (size_t i = 0; i + 1 < movie.frames.size(); i++) {
        EXPECT_EQ(0, movie.frames[i].delay % 10) << "frame " << i;
        total += movie.frames[i].delay;
    }
    EXPECT_EQ(400, total);
    EXPECT_EQ(300, movie.frames.back().delay);

    // Colours: the show's pens and fills and white, exactly; the painter
    // brings its own only while it walks.
    std::set<uint32_t> painting = {RgbOf(kWhite),  RgbOf(kBlack),   RgbOf(kYellow), RgbOf(kRed),
                                   RgbOf(kBlue),   RgbOf(kMagenta), RgbOf(kGreen)};
    const GifShownFrame& last = movie.frames.back();
    int signaturePixels = 0;
    for (int y = 0; y < kHeight; y++) {
        for (int x = 0; x < kWidth; x++) {
            uint32_t pixel = last.pixels[y * kWidth + x];
            if (InSignatureCorner(x, y, kWidth, kHeight)) {
                // The system may smooth the letters; their cores are dark.
                int sum = (pixel >> 16) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF);
                signaturePixels += sum < 200;
                continue;
            }
            EXPECT_TRUE(painting.count(pixel)) << std::hex << pixel << " at " << std::dec << x
                                                << "," << y;
        }
    }
    EXPECT_GT(signaturePixels, 10) << "the signature stands at the lower right";
    const GifShownFrame& middle = movie.frames[movie.frames.size() / 2];
    long painterPixels = std::count_if(middle.pixels.begin(), middle.pixels.end(),
                                       [&](uint32_t p) { return !painting.count(p); });
    EXPECT_GT(painterPixels, 200) << "the painter walks while the show paints";

    // The real player's painting of the same show, pixel by pixel.
    std::vector<COLORREF> played = PlayersPainting(*show, kWidth, kHeight);
    ASSERT_EQ(static_cast<size_t>(kWidth * kHeight), played.size());
    long same = 0, compared = 0;
    for (int y = 0; y < kHeight; y++) {
        for (int x = 0; x < kWidth; x++) {
            if (InSignatureCorner(x, y, kWidth, kHeight)) continue;
            uint32_t pixel = last.pixels[y * kWidth + x];
            COLORREF gif = RGB(pixel >> 16, (pixel >> 8) & 0xFF, pixel & 0xFF);
            compared++;
            same += Near(gif, played[y * kWidth + x]);
        }
    }
    EXPECT_GE(same, compared - compared / 1000) << same << " of " << compared << " pixels alike";
    show->Clear();
}

// Without a length and width the show's recorded length (at most 30 s) and
// its width (at most 800) are taken; a longer show is squeezed into 30 s.
TEST(Reelcast, DefaultsComeFromTheShow)
{
    std::string folder = FreshFolder("reelcast-defaults");
    std::vector<TestPoint> shortShow;
    for (int i = 0; i < 46; i++)
        shortShow.push_back({static_cast<uint16_t>(20 + i * 20), static_cast<uint16_t>(100 + i * 5),
                             100, 0x000000FF, 6, static_cast<uint8_t>(i ? PF_PEN_DOWN : 0)});
    std::string shortPath = JoinPath(folder, "short.sho");
    ASSERT_TRUE(WriteShow(shortPath, shortShow, 0, 1000, 500));
    std::string gifPath = JoinPath(folder, "short.gif");
    ProcessResult result = RunReelcast(Quoted(shortPath) + " " + Quoted(gifPath));
    ASSERT_EQ(0, ExitStatus(result)) << result.output;
    GifMovie movie = ReadMovie(gifPath);
    ASSERT_EQ("", movie.error);
    EXPECT_EQ(800, movie.width);
    EXPECT_EQ(400, movie.height);
    int total = 0;
    for (const GifShownFrame& frame : movie.frames) total += frame.delay;
    EXPECT_EQ(500 + 300, total) << "4.6 s of delays round up to 5 s";

    std::vector<TestPoint> longShow = {{10, 10, 0, 0, 2, 0}};
    for (int i = 1; i < 50; i++)
        longShow.push_back({static_cast<uint16_t>(10 + i * 4), 30, 1000, 0x00FF0000, 2, PF_PEN_DOWN});
    std::string longPath = JoinPath(folder, "long.sho");
    ASSERT_TRUE(WriteShow(longPath, longShow, 0, 240, 90));
    result = RunReelcast(Quoted(longPath) + " " + Quoted(gifPath) + " 0 0");
    ASSERT_EQ(0, ExitStatus(result)) << result.output;
    movie = ReadMovie(gifPath);
    ASSERT_EQ("", movie.error);
    EXPECT_EQ(240, movie.width);
    total = 0;
    for (const GifShownFrame& frame : movie.frames) total += frame.delay;
    EXPECT_EQ(3000 + 300, total);
}

// A show of more colours than a GIF holds (a scanned picture) is reduced to
// one palette that keeps the picture close: every cell of a 32 x 32 grid of
// 1024 colours is painted, and the decoded picture must stay near them.
TEST(Reelcast, ManyColoursAreReducedWithLittleLoss)
{
    std::string folder = FreshFolder("reelcast-colours");
    std::vector<TestPoint> points = {{0, 0, 0, 0, 1, 0}};
    for (int row = 0; row < 32; row++) {
        for (int column = 0; column < 32; column++) {
            uint32_t colour = RGB(column * 8, row * 8, (row * column) % 256);
            for (int y = row * 8 + 1; y < row * 8 + 8; y += 2) {
                points.push_back({static_cast<uint16_t>(column * 8), static_cast<uint16_t>(y), 1,
                                  colour, 2, 0});
                points.push_back({static_cast<uint16_t>(column * 8 + 7), static_cast<uint16_t>(y),
                                  1, colour, 2, PF_PEN_DOWN});
            }
        }
    }
    std::string showPath = JoinPath(folder, "grid.sho");
    ASSERT_TRUE(WriteShow(showPath, points, 0, 256, 256));
    std::string gifPath = JoinPath(folder, "grid.gif");
    ProcessResult result = RunReelcast(Quoted(showPath) + " " + Quoted(gifPath) + " 2 256");
    ASSERT_EQ(0, ExitStatus(result)) << result.output;
    EXPECT_NE(std::string::npos, result.output.find("reduced")) << result.output;
    GifMovie movie = ReadMovie(gifPath);
    ASSERT_EQ("", movie.error);
    const GifShownFrame& last = movie.frames.back();
    double squares = 0;
    int count = 0;
    for (int row = 0; row < 32; row++) {
        for (int column = 0; column < 32; column++) {
            // The middle of each cell, away from the pens' round ends.
            uint32_t pixel = last.pixels[(row * 8 + 4) * 256 + column * 8 + 3];
            int want[3] = {column * 8, row * 8, (row * column) % 256};
            int got[3] = {static_cast<int>(pixel >> 16), static_cast<int>((pixel >> 8) & 0xFF),
                          static_cast<int>(pixel & 0xFF)};
            for (int c = 0; c < 3; c++) squares += (want[c] - got[c]) * (want[c] - got[c]);
            count += 3;
        }
    }
    double psnr = 10 * log10(255.0 * 255.0 / (squares / count));
    printf("1024-colour grid reduced to one palette: PSNR %.1f dB\n", psnr);
    EXPECT_GT(psnr, 30.0);
}

// Every bad input gets its own message and status 1, and an older file under
// the output name keeps its bytes; no temporary file is left beside it.
TEST(Reelcast, BadInputLeavesTheOldFile)
{
    std::string folder = FreshFolder("reelcast-bad");
    std::string gifPath = JoinPath(folder, "keep.gif");
    const std::vector<unsigned char> oldBytes = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};
    ASSERT_TRUE(WriteBytes(gifPath, oldBytes));
    std::string good = JoinPath(folder, "good.sho");
    ASSERT_TRUE(WriteShow(good, {{10, 10, 50, 0xFF, 3, 0}, {60, 60, 50, 0xFF, 3, PF_PEN_DOWN}}, 0,
                          100, 100));
    std::string empty = JoinPath(folder, "empty.sho");
    ASSERT_TRUE(WriteShow(empty, {}, 0, 100, 100));
    std::string flat = JoinPath(folder, "flat.sho");
    ASSERT_TRUE(WriteShow(flat, {{10, 10, 50, 0xFF, 3, 0}}, 0, 100, 0));
    std::string garbage = JoinPath(folder, "garbage.sho");
    ASSERT_TRUE(WriteBytes(garbage, {0x02, 0x00, 0x40}));
    std::string missing = JoinPath(folder, "missing.sho");
    std::string output = Quoted(gifPath);

    struct Case {
        std::string arguments;
        std::string said;
    };
    const Case cases[] = {
        {Quoted(missing) + " " + output, "Error loading file: [" + missing + "]"},
        {Quoted(garbage) + " " + output, "Error loading file: [" + garbage + "]"},
        {Quoted(empty) + " " + output, "The show has no timed points: [" + empty + "]"},
        {Quoted(flat) + " " + output, "The show has a width or height of 0: [" + flat + "]"},
        {Quoted(good) + " " + output + " abc", "Seconds must be a whole number from 1 to 600"},
        {Quoted(good) + " " + output + " 601", "Seconds must be a whole number from 1 to 600"},
        {Quoted(good) + " " + output + " -5", "[-5]"},
        {Quoted(good) + " " + output + " 10 15", "Width must be a whole number from 16 to 1920"},
        {Quoted(good) + " " + output + " 10 1921", "[1921]"},
        {Quoted(good) + " " + output + " 10 64px", "[64px]"},
        {Quoted(good) + " " + output + " 10 64 extra", "Unrecognized command line arg: [extra]"},
    };
    for (const Case& c : cases) {
        ProcessResult result = RunReelcast(c.arguments);
        EXPECT_EQ(1, ExitStatus(result)) << c.arguments << "\n" << result.output;
        EXPECT_NE(std::string::npos, result.output.find(c.said)) << c.arguments << "\n"
                                                                 << result.output;
        EXPECT_EQ(oldBytes, ReadBytes(gifPath)) << c.arguments;
    }

    // Too few arguments: the usage text.
    for (const std::string& arguments : {std::string(), Quoted(good)}) {
        ProcessResult result = RunReelcast(arguments);
        EXPECT_EQ(1, ExitStatus(result));
        EXPECT_NE(std::string::npos,
                  result.output.find("reelcast <show file> <gif file> [seconds] [width]"))
            << result.output;
    }

    // An output folder that does not exist: the path and the system's reason.
    std::string nowhere = JoinPath(JoinPath(folder, "no such folder"), "out.gif");
    ProcessResult result = RunReelcast(Quoted(good) + " " + Quoted(nowhere));
    EXPECT_EQ(1, ExitStatus(result));
    EXPECT_NE(std::string::npos, result.output.find("Failed to write file: [" + nowhere +
                                                    "] [No such file or directory]"))
        << result.output;

    std::vector<std::string> left = FolderEntries(folder);
    std::sort(left.begin(), left.end());
    EXPECT_EQ((std::vector<std::string>{"empty.sho", "flat.sho", "garbage.sho", "good.sho",
                                        "keep.gif"}),
              left);

    // A good run replaces the old file.
    result = RunReelcast(Quoted(good) + " " + output + " 1 16");
    EXPECT_EQ(0, ExitStatus(result)) << result.output;
    EXPECT_EQ("", ReadMovie(gifPath).error);

    // A full disk: the old file stays whole and nothing else remains.
    const char* fullDisk = getenv("TOVAREN_FULLDISK");
    if (!fullDisk) GTEST_SKIP() << "no small file system to fill (needs root)";
    std::string disk = WinePath(fullDisk);
    std::string onDisk = JoinPath(disk, "keep.gif");
    ASSERT_TRUE(WriteBytes(onDisk, oldBytes));
    std::string filler = FillDisk(disk);
    std::vector<std::string> before = FolderEntries(disk);
    result = RunReelcast(Quoted(good) + " " + Quoted(onDisk) + " 20 400");
    EXPECT_EQ(1, ExitStatus(result)) << result.output;
    EXPECT_NE(std::string::npos, result.output.find("Failed to write file: [" + onDisk + "] ["))
        << result.output;
    EXPECT_EQ(oldBytes, ReadBytes(onDisk));
    EXPECT_EQ(before, FolderEntries(disk)) << "no part of the new file stays";
    remove(filler.c_str());
    remove(onDisk.c_str());
}
