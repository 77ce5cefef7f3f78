// Playing shows in the real editor: from the Play menu over the desktop, and
// started with a show on the command line as the .sho association does.
#include "EditorDriver.h"
#include "TestSupport.h"

#include "resource.h"

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const RECT kBand = {0, 292, 1024, 308};  // the show's line at y = 300

class Playback : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshFolder("editor_playback");
        SetProductValue("TSD", folder.c_str());
    }
    // A red line across the screen, one point every delay ms.
    std::string WriteLine(const char* name, int points, uint16_t delay)
    {
        std::string path = JoinPath(folder, name);
        WriteShow(path, LinePoints(points, delay, kRed, 300));
        return path;
    }
    HWND PlaybackWindow() { return FindWindowA("Screen Saving", "Screen Saving"); }
    int RedOnScreen() { return CountScreenColour(kBand, kRed); }
    // The editor reads its keys between points: a press it does not poll in
    // time is lost, so the key is pressed again until done says so.
    bool PressUntil(WORD key, DWORD holdMs, const std::function<bool()>& done)
    {
        for (int k = 0; k < 5; k++) {
            PressKey(key, holdMs);
            if (WaitUntil(done, 3000))
                return true;
        }
        return false;
    }
    // The red line has stopped growing: two reads half a second apart agree.
    bool LineStands(int* red)
    {
        return WaitUntil([&] {
            int before = RedOnScreen();
            Sleep(450);
            *red = RedOnScreen();
            return *red == before;
        }, 3000);
    }

    ScopedCleanProductKey clean;
    std::string folder;
};

}  // namespace

TEST_F(Playback, PlayPaintsOverTheDesktopPausesAndEscapeComesBack)
{
    WriteLine("long.sho", 100, 1000);  // at speed 85, 150 ms a point
    FakeDesktop desktop;
    EditorDriver editor;
    ASSERT_TRUE(editor.Start());
    editor.Command(IDM_OPEN);
    ASSERT_TRUE(editor.ChooseFile("long.sho"));
    editor.Command(IDM_PLAY);
    ASSERT_TRUE(WaitUntil([&] { return PlaybackWindow() != nullptr; }, 10000));
    // While a show plays the editor reads no messages, so its menu cannot be
    // asked; Play is checked again once the playback is over.
    EXPECT_TRUE(IsIconic(editor.main));
    ASSERT_TRUE(WaitUntil([&] { return RedOnScreen() > 300; }, 10000)) << "nothing painted";
    EXPECT_GT(CountScreenColour({0, 400, 1024, 700}, FakeDesktop::kGreen), 10000)
        << "the desktop is not behind the painting";

    // P toggles on every poll that sees it down, so it is pressed briefly, and
    // again when a poll missed it.
    int paused = 0;
    bool pausedOnce = false;
    for (int k = 0; k < 3 && !pausedOnce; k++) {
        PressKey('P', 100);
        pausedOnce = LineStands(&paused);
    }
    ASSERT_TRUE(pausedOnce) << "P did not pause";
    Sleep(1500);
    EXPECT_EQ(paused, RedOnScreen()) << "the show went on while paused";
    PressKey('P', 100);
    EXPECT_TRUE(WaitUntil([&] { return RedOnScreen() > paused + 100; }, 5000)) << "P did not resume";

    PressKey(VK_ESCAPE, 300);
    ASSERT_TRUE(WaitUntil([&] { return PlaybackWindow() == nullptr; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(editor.main); }, 5000));
    EXPECT_TRUE(editor.ItemEnabled(IDM_PLAY));
    EXPECT_TRUE(editor.process.Running());
    EXPECT_EQ("Tovaren - [" + JoinPath(folder, "long.sho") + "]", editor.Title());
}

TEST_F(Playback, AShowOnTheCommandLinePlaysAtOnceAndEndsTheProgram)
{
    // Ten seconds of points play at speed 25 in 7.5 s; the program ends 2.5 s
    // after the show. At the editor's own speed of 85 they would take 1.5 s.
    std::string path = WriteLine("ten.sho", 101, 100);
    EditorDriver editor;
    DWORD started = GetTickCount();
    ASSERT_TRUE(editor.Start("\"" + path + "\""));
    EXPECT_TRUE(IsIconic(editor.main)) << "play-only starts minimised";
    ASSERT_TRUE(WaitUntil([&] { return PlaybackWindow() != nullptr; }, 10000));
    EXPECT_FALSE(editor.HasDialog()) << "no splash with a show to play";
    ASSERT_TRUE(editor.process.WaitForExit(30000));
    DWORD took = GetTickCount() - started;
    EXPECT_EQ(0u, editor.process.exitCode);
    EXPECT_GT(took, 10000u) << "played at the editor's own speed";
    EXPECT_LT(took, 25000u);
}

TEST_F(Playback, EscapeEndsAPlayOnlyStartAndOtherKeysKeepTheEditorOnTheShow)
{
    std::string path = WriteLine("slow.sho", 100, 1000);
    {
        EditorDriver editor;
        ASSERT_TRUE(editor.Start("\"" + path + "\""));
        ASSERT_TRUE(WaitUntil([&] { return RedOnScreen() > 0; }, 10000)) << "the show does not play";
        ASSERT_TRUE(PressUntil(VK_ESCAPE, 300, [&] { return !editor.process.Running(); }))
            << "Escape did not end the program";
        ASSERT_TRUE(editor.process.WaitForExit(5000));
        EXPECT_EQ(0u, editor.process.exitCode);
    }
    // A path without quotes is taken whole.
    EditorDriver editor;
    ASSERT_TRUE(editor.Start(path));
    ASSERT_TRUE(WaitUntil([&] { return RedOnScreen() > 0; }, 10000)) << "the show does not play";
    ASSERT_TRUE(PressUntil('A', 300, [&] { return PlaybackWindow() == nullptr; }));
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(editor.main); }, 5000));
    EXPECT_EQ("Tovaren - [" + path + "]", editor.Title());
    EXPECT_TRUE(editor.ItemEnabled(IDM_PLAY));
    editor.Command(IDM_EXIT);
    EXPECT_TRUE(editor.process.WaitForExit(5000));
}

// Missing, empty, too long, wrongly quoted, non-ASCII and empty names alike.
TEST_F(Playback, AShowThatCannotBeReadStartsTheEditorAsUsual)
{
    std::string empty = JoinPath(folder, "empty.sho");
    WriteShow(empty, {});
    std::string longName = JoinPath(folder, std::string(300, 'a') + ".sho");
    std::string veryLong = "\"" + std::string(1100, 'b') + "\"";
    for (std::string arguments : {"\"" + JoinPath(folder, "missing.sho") + "\"", "\"" + empty + "\"",
                                  "\"" + longName + "\"", veryLong, "\"" + empty, "\"" + JoinPath(folder, "\xe9t\xe9.sho\""),
                                  std::string("\"\"")}) {
        SCOPED_TRACE(arguments);
        EditorDriver editor;
        ASSERT_TRUE(editor.Start(arguments));
        EXPECT_TRUE(WaitUntil([&] { return editor.ItemEnabled(IDM_SIGNATURE); }, 5000)) << "no new painting";
        EXPECT_FALSE(IsIconic(editor.main));
        EXPECT_FALSE(editor.HasDialog()) << "no splash and no message";
        EXPECT_EQ("Tovaren " TOVAREN_VERSION, editor.Title());
        EXPECT_EQ(nullptr, PlaybackWindow());
        editor.Command(IDM_EXIT);
        EXPECT_TRUE(editor.process.WaitForExit(5000));
    }
}
