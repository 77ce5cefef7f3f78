// Shows made by the scanners, played to their end by the real playback engine
// full screen: its painting layer, at the show's own size, is compared with
// the snapped picture.
#include "PlayerTestSupport.h"
#include "RasterPicture.h"
#include "TestSupport.h"

#include <stdio.h>

namespace {

std::string MakeShowOf(const char* tool, const char* name, const std::string& folder)
{
    std::string picture = JoinPath(folder, name);
    CopyFileA(JoinPath(WinePath(RASTER_PICTURES_DIR), name).c_str(), picture.c_str(), FALSE);
    ProcessResult result = RunProgram("\"" + BinPath(tool) + "\" \"" + picture + "\" 0", 300000);
    EXPECT_EQ(0, ExitStatus(result)) << result.output;
    return picture;
}

// Share of the picture's scanned pixels that the painting layer shows in
// their colour; the layer stays white (transparent) where nothing was painted,
// which is the pictures' background.
double PlayedShare(const std::string& picture)
{
    std::string showPath = picture.substr(0, picture.size() - 4) + ".sho";
    ShowDocument show(nullptr, 1);
    EXPECT_GE(show.Load(showPath.c_str()), 0) << show.message;
    SnappedPicture snapped = LoadSnappedPicture(picture);

    TestWindows windows;
    windows.PaintDesktopPattern();
    HWND window = windows.MakeFullScreenWindow();
    EXPECT_TRUE(TestWindows::WaitForDesktopPattern());
    HBITMAP character = MakeCharacterBitmap();
    ShowPlayer player(window);
    double share = 0;
    if (player.ok && player.StartShow(&show, character, 100, 0)) {
        PlayToEnd(player, 100000);
        EXPECT_TRUE(player.ok) << player.message;
        SurfaceImage painting(player.floodFillSurface);
        EXPECT_EQ(snapped.width - 1, painting.width);
        EXPECT_EQ(snapped.height, painting.height);
        long right = 0, total = 0;
        for (int y = 0; y < snapped.height && y < painting.height; y++) {
            for (int x = 0; x + 1 < snapped.width && x < painting.width; x++) {
                total++;
                right += Near(painting.At(x, y), snapped.At(x, y));
            }
        }
        share = total ? static_cast<double>(right) / total : 0;
    } else {
        ADD_FAILURE() << player.message;
    }
    player.Shutdown();
    DeleteObject(character);
    show.Clear();
    return share;
}

}  // namespace

TEST(ScannerShowsPlayed, PaintThePicture)
{
    std::string folder = FreshFolder("raster-played");
    for (const char* name : {"logo16.bmp", "strokes.bmp"}) {
        double walk = PlayedShare(MakeShowOf("rasterwalk.exe", name, folder));
        printf("played rasterwalk show of %s: %.1f%% of the pixels right\n", name, walk * 100);
        EXPECT_GT(walk, 0.8);
        double walk2 = PlayedShare(MakeShowOf("rasterwalk2.exe", name, folder));
        printf("played rasterwalk2 show of %s: %.1f%% of the pixels right\n", name, walk2 * 100);
        EXPECT_GT(walk2, 0.5);
    }
}
