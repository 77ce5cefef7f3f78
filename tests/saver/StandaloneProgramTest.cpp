// tovarenpack and the standalone savers it makes.
#include "SaverProcess.h"
#include "SaverTestSupport.h"

#include "StandaloneInfo.h"

#include <string.h>

namespace {

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
}

struct PackFiles {
    std::string folder, show, bitmap, output;
};

PackFiles MakePackFiles(const char* name, COLORREF showColour = RGB(255, 0, 0))
{
    PackFiles files;
    files.folder = FreshFolder(name);
    files.show = JoinPath(files.folder, "show.sho");
    files.bitmap = JoinPath(files.folder, "character.bmp");
    files.output = JoinPath(files.folder, "made.scr");
    WriteShow(files.show, LinePoints(120, 30, showColour));
    WriteBytes(files.bitmap, BitmapBytes(60, 60, RGB(0, 200, 255)));
    return files;
}

ProcessResult Pack(const std::string& arguments)
{
    return RunProgram(Quote(BinPath("tovarenpack.exe")) + " " + arguments);
}

std::string PackArguments(const PackFiles& files)
{
    return Quote(BinPath("tovarensaver.scr")) + " " + Quote(files.show) + " " + Quote(files.bitmap) + " " +
           Quote(files.output);
}

}  // namespace

TEST(Tovarenpack, WritesSaverShowBitmapAndTrailer)
{
    PackFiles files = MakePackFiles("pack_ok");
    ProcessResult result = Pack(PackArguments(files) + " /mode:m /speed:77 /pause:9");
    ASSERT_EQ(0, ExitStatus(result)) << result.output;
    EXPECT_EQ("Standalone screen saver written: [" + files.output + "]\r\n", result.output);

    auto saver = ReadBytes(BinPath("tovarensaver.scr"));
    auto show = ReadBytes(files.show);
    auto bitmap = ReadBytes(files.bitmap);
    auto made = ReadBytes(files.output);
    ASSERT_EQ(saver.size() + show.size() + bitmap.size() + 60, made.size());
    EXPECT_TRUE(std::equal(saver.begin(), saver.end(), made.begin()));
    StandaloneTrailer trailer;
    memcpy(&trailer, &made[made.size() - 60], 60);
    EXPECT_EQ(saver.size(), trailer.showOffset);
    EXPECT_EQ(show.size(), trailer.showLength);
    EXPECT_EQ(saver.size() + show.size(), trailer.bitmapOffset);
    EXPECT_EQ(bitmap.size(), trailer.bitmapLength);
    EXPECT_EQ('m', trailer.speedMode);
    EXPECT_EQ(77, trailer.speedValue);
    EXPECT_EQ(9, trailer.pauseSeconds);
    EXPECT_STREQ("Tovaren Standalone Screensaver.", trailer.marker);
    EXPECT_TRUE(std::equal(show.begin(), show.end(), made.begin() + trailer.showOffset));
}

TEST(Tovarenpack, RefusesWhatIsNotAShowOrABitmap)
{
    PackFiles files = MakePackFiles("pack_bad");
    std::string garbage = JoinPath(files.folder, "garbage.sho");
    WriteBytes(garbage, {'n', 'o', 'p', 'e'});
    std::string saver = Quote(BinPath("tovarensaver.scr"));

    ProcessResult usage = Pack("");
    EXPECT_EQ(1, ExitStatus(usage));
    EXPECT_EQ(0u, usage.output.find("Usage: tovarenpack")) << usage.output;

    ProcessResult badShow = Pack(saver + " " + Quote(garbage) + " " + Quote(files.bitmap) + " " + Quote(files.output));
    EXPECT_EQ(2, ExitStatus(badShow));
    EXPECT_EQ("Not a Tovaren show file, or a show without points: [" + garbage + "]\r\n", badShow.output);

    ProcessResult bitmapAsShow = Pack(saver + " " + Quote(files.bitmap) + " " + Quote(files.bitmap) + " " + Quote(files.output));
    EXPECT_EQ(2, ExitStatus(bitmapAsShow));

    ProcessResult showAsBitmap = Pack(saver + " " + Quote(files.show) + " " + Quote(files.show) + " " + Quote(files.output));
    EXPECT_EQ(2, ExitStatus(showAsBitmap));
    EXPECT_EQ("Not a bitmap file: [" + files.show + "]: the file does not start as a bitmap does.\r\n",
              showAsBitmap.output);

    ProcessResult missing = Pack(saver + " " + Quote(files.folder + "\\none.sho") + " " + Quote(files.bitmap) + " " +
                                 Quote(files.output));
    EXPECT_EQ(2, ExitStatus(missing));
    EXPECT_EQ(0u, missing.output.find("Cannot open file: [")) << missing.output;

    ProcessResult badSpeed = Pack(PackArguments(files) + " /speed:101");
    EXPECT_EQ(1, ExitStatus(badSpeed));
    EXPECT_EQ("Invalid value in /speed:101: it must be a number from 1 to 100.\r\n", badSpeed.output);
    ProcessResult badMode = Pack(PackArguments(files) + " /mode:q");
    EXPECT_EQ(1, ExitStatus(badMode));
    ProcessResult unknown = Pack(PackArguments(files) + " /fast");
    EXPECT_EQ(1, ExitStatus(unknown));
    EXPECT_FALSE(FileExists(files.output)) << "nothing is written on refusal";

    ProcessResult sameFile = Pack(saver + " " + Quote(files.show) + " " + Quote(files.bitmap) + " " + Quote(files.show));
    EXPECT_EQ(1, ExitStatus(sameFile));
    EXPECT_EQ(ReadBytes(files.show).size() > 176, true) << "the show was not overwritten";

    ASSERT_EQ(0, ExitStatus(Pack(PackArguments(files))));
    std::string again = JoinPath(files.folder, "again.scr");
    ProcessResult stacked = Pack(Quote(files.output) + " " + Quote(files.show) + " " + Quote(files.bitmap) + " " + Quote(again));
    EXPECT_EQ(2, ExitStatus(stacked));
    EXPECT_NE(std::string::npos, stacked.output.find("Already a standalone screen saver")) << stacked.output;
}

TEST(StandaloneSaver, PlaysItsOwnShowAndCharacterAndLeavesNoTempFolder)
{
    ScopedCleanProductKey clean;
    PackFiles files = MakePackFiles("standalone_run");
    ProcessResult pack = Pack(PackArguments(files) + " /mode:m /speed:1 /pause:5");
    ASSERT_EQ(0, ExitStatus(pack)) << pack.output;
    auto before = StandaloneTempFolders();

    FakeDesktop desktop;
    SaverProcess saver;
    ASSERT_TRUE(saver.Start("/s", files.output));
    RECT band = {0, 200, 1024, 400};
    EXPECT_TRUE(WaitUntil([&] { return CountScreenColour(band, RGB(255, 0, 0)) > 200; }, 15000))
        << "its own show was not played";
    RECT screen = {0, 0, 1024, 768};
    EXPECT_GT(CountScreenColour(screen, RGB(0, 200, 255), 10), 1000) << "its own character is not on screen";

    auto during = StandaloneTempFolders();
    ASSERT_EQ(before.size() + 1, during.size());
    std::string made;
    for (const std::string& name : during)
        if (std::find(before.begin(), before.end(), name) == before.end())
            made = JoinPath(StandaloneTempBase(), name);
    EXPECT_TRUE(FileExists(JoinPath(made, "TovarenSA.sho")));
    EXPECT_TRUE(FileExists(JoinPath(made, "TovarenSA.bmp")));

    PressKey('A');
    ASSERT_TRUE(saver.WaitForExit(5000));
    EXPECT_EQ(0u, saver.exitCode);
    EXPECT_FALSE(FileExists(made));
    EXPECT_EQ(before, StandaloneTempFolders());
}

TEST(StandaloneSaver, WithoutABitmapAHouseCharacterPaints)
{
    ScopedCleanProductKey clean;
    PackFiles files = MakePackFiles("standalone_nobitmap");
    ASSERT_EQ(0, ExitStatus(Pack(PackArguments(files) + " /mode:m /speed:1")));
    // Cut the bitmap out of the trailer: a standalone file with only a show.
    auto bytes = ReadBytes(files.output);
    StandaloneTrailer trailer;
    memcpy(&trailer, &bytes[bytes.size() - 60], 60);
    trailer.bitmapLength = 0;
    memcpy(&bytes[bytes.size() - 60], &trailer, 60);
    std::string cut = JoinPath(files.folder, "cut.scr");
    WriteBytes(cut, bytes);

    FakeDesktop desktop;
    SaverProcess saver;
    ASSERT_TRUE(saver.Start("/s", cut));
    RECT band = {0, 200, 1024, 400};
    EXPECT_TRUE(WaitUntil([&] { return CountScreenColour(band, RGB(255, 0, 0)) > 200; }, 15000));
    EXPECT_EQ(nullptr, FindTopWindow("Tovaren Error"));
    EXPECT_TRUE(saver.Running());
    PressKey('A');
    ASSERT_TRUE(saver.WaitForExit(5000));
    EXPECT_EQ(0u, saver.exitCode);
}

// A standalone saver killed in full screen cannot clean up after itself: the
// next start of a saver removes what it left, but never the folder of a saver
// that still runs.
TEST(StandaloneSaver, WhatAKilledSaverLeftIsRemovedAtTheNextStart)
{
    ScopedCleanProductKey clean;
    PackFiles files = MakePackFiles("standalone_killed");
    ProcessResult pack = Pack(PackArguments(files) + " /mode:m /speed:1 /pause:5");
    ASSERT_EQ(0, ExitStatus(pack)) << pack.output;
    auto before = StandaloneTempFolders();
    {
        FakeDesktop desktop;
        SaverProcess killed;
        ASSERT_TRUE(killed.Start("/s", files.output));
        ASSERT_TRUE(WaitUntil([&] { return StandaloneTempFolders().size() == before.size() + 1; }, 15000));
        PumpFor(1500);
        TerminateProcess(killed.Handle(), 9);
        WaitForSingleObject(killed.Handle(), 5000);
    }
    ASSERT_EQ(before.size() + 1, StandaloneTempFolders().size()) << "a killed saver leaves its folder";

    {
        StandaloneInfo running(files.output.c_str());
        ASSERT_TRUE(running.valid);
        EXPECT_EQ(before.size() + 1, StandaloneTempFolders().size()) << "the killed saver's folder is gone";
        StandaloneInfo::RemoveStaleTempFolders();
        EXPECT_TRUE(FileExists(running.showPath)) << "a running saver keeps its folder";
    }
    EXPECT_EQ(before, StandaloneTempFolders());

    // The same through the program: a start in settings mode cleans up too.
    {
        FakeDesktop desktop;
        SaverProcess killed;
        ASSERT_TRUE(killed.Start("/s", files.output));
        ASSERT_TRUE(WaitUntil([&] { return StandaloneTempFolders().size() == before.size() + 1; }, 15000));
        TerminateProcess(killed.Handle(), 9);
        WaitForSingleObject(killed.Handle(), 5000);
    }
    SaverProcess settings;
    ASSERT_TRUE(settings.Start("/c", files.output));
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (dialog = FindTopWindow("Tovaren Settings")) != nullptr; }, 15000));
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(settings.WaitForExit(10000));
    EXPECT_EQ(before, StandaloneTempFolders());
}
