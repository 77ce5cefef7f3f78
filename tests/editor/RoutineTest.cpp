// The editor's routines inside this test's own process, for faults that no
// user input can provoke: a display that another DirectDraw object holds,
// a playback window that cannot be made, memory and GDI handles that run out,
// a painting too big for a drawing surface.
#include "EditorState.h"
#include "ProcessCounters.h"
#include "SaverProcess.h"
#include "TestSupport.h"

#include "resource.h"

#include <atomic>
#include <functional>
#include <thread>

namespace {

const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kRed = RGB(255, 0, 0);
const char kPlaybackClass[] = "Screen Saving";

HDC SurfaceDC()
{
    return g_editor.surface ? g_editor.surface->dc() : nullptr;
}

bool ItemEnabled(int id)
{
    UINT state = GetMenuState(g_editor.menu, id, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

// The thread's cursor count: 0 when the cursor is shown.
int CursorCount()
{
    int count = ShowCursor(TRUE) - 1;
    ShowCursor(FALSE);
    return count;
}

// Answers every message box with this caption that this process shows, and
// notes what was true while the first stood.
class BoxWatch {
public:
    explicit BoxWatch(const char* caption, std::function<void()> whileUp = nullptr)
        : caption_(caption), whileUp_(whileUp), thread_([this] { Watch(); }) {}
    ~BoxWatch()
    {
        stop_ = true;
        thread_.join();
    }
    std::atomic<int> seen{0};
    std::string text;

private:
    void Watch()
    {
        while (!stop_) {
            HWND box = FindWindowA("#32770", caption_.c_str());
            if (box && IsWindowVisible(box)) {
                if (seen == 0) {
                    text = MessageBoxText(box);
                    if (whileUp_)
                        whileUp_();
                }
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                for (int k = 0; k < 250 && IsWindow(box); k++)
                    Sleep(20);
                seen++;
            }
            Sleep(20);
        }
    }
    std::string caption_;
    std::function<void()> whileUp_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Pens until GDI makes no more, then as many given back as the test needs.
class GdiHoard {
public:
    explicit GdiHoard(int leaveFree)
    {
        while (HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3)))
            pens_.push_back(pen);
        for (int k = 0; k < leaveFree && !pens_.empty(); k++) {
            DeleteObject(pens_.back());
            pens_.pop_back();
        }
    }
    ~GdiHoard() { Release(); }
    void Release()
    {
        for (HPEN pen : pens_)
            DeleteObject(pen);
        pens_.clear();
    }
    size_t Count() const { return pens_.size(); }

private:
    std::vector<HPEN> pens_;
};

void Send(UINT message, WPARAM wParam, int x, int y)
{
    SendMessageA(g_editor.mainWindow, message, wParam, MAKELPARAM(x, y));
}

class Routines : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshFolder("editor_routines");
        SetProductValue("TSD", folder.c_str());
        // A command line that names no file: no splash, no playback.
        ASSERT_TRUE(StartEditor(GetModuleHandleA(nullptr), "\"\""));
        ASSERT_TRUE(WaitUntil([] { return g_editor.documentOpen; }, 5000)) << "no new painting";
    }
    void TearDown() override
    {
        if (g_editor.playing)
            StopPlayback();
        if (g_editor.playbackWindow) {
            g_editor.playOnly = false;
            DestroyPlaybackWindow();
        }
        g_editor.changed = false;
        if (IsWindow(g_editor.mainWindow))
            DestroyWindow(g_editor.mainWindow);
        PumpFor(50);
        HINSTANCE module = GetModuleHandleA(nullptr);
        UnregisterClassA(g_editor.className, module);
        UnregisterClassA(kPlaybackClass, module);
        while (ShowCursor(TRUE) < 0) {
        }
        while (ShowCursor(FALSE) >= 0) {
        }
        ShowCursor(TRUE);
    }
    std::string LineShow(const char* name)
    {
        std::string path = JoinPath(folder, name);
        WriteShow(path, LinePoints(60, 200, kRed, 300));
        return path;
    }

    ScopedCleanProductKey clean;
    std::string folder;
};

}  // namespace

// The box must be seen: no top-most playback window over it and the cursor shown.
TEST_F(Routines, APlayOnlyPlaybackThatCannotStartSaysSoOverTheDesktop)
{
    ASSERT_GT(OpenShow(LineShow("line.sho").c_str(), true), 0);
    // A character value without a bitmap: the player cannot make its surface.
    g_editor.character = 12345;
    g_editor.playOnly = true;
    std::atomic<bool> playbackWindowUp{false};
    std::atomic<bool> cursorHidden{false};
    {
        BoxWatch watch("Play Painting Error", [&] {
            HWND playback = FindWindowA(kPlaybackClass, nullptr);
            playbackWindowUp = playback && IsWindowVisible(playback);
        });
        EXPECT_FALSE(PlayShow());
        cursorHidden = CursorCount() < 0;
        ASSERT_TRUE(WaitUntil([&] { return watch.seen > 0; }, 5000));
        EXPECT_NE(std::string::npos, watch.text.find("failed")) << watch.text;
    }
    EXPECT_FALSE(playbackWindowUp) << "the box stood under the playback window";
    EXPECT_FALSE(cursorHidden) << "the box stood without a cursor";
    EXPECT_FALSE(g_editor.playing);
}

// A playback window that cannot be made is said, and the editor stays as it
// was: Play can be chosen again.
TEST_F(Routines, APlaybackWindowThatCannotBeMadeLeavesTheEditorAsItWas)
{
    ASSERT_GT(OpenShow(LineShow("line.sho").c_str(), false), 0);
    UnregisterClassA(kPlaybackClass, GetModuleHandleA(nullptr));
    BoxWatch watch("Play Painting Error");
    RunCommand(IDM_PLAY);
    EXPECT_TRUE(WaitUntil([&] { return watch.seen > 0; }, 5000)) << "nothing said";
    EXPECT_NE(std::string::npos, watch.text.find("playback window")) << watch.text;
    EXPECT_FALSE(g_editor.playing);
    EXPECT_FALSE(g_editor.player);
    EXPECT_TRUE(ItemEnabled(IDM_PLAY));
    EXPECT_FALSE(IsIconic(g_editor.mainWindow));
    EXPECT_EQ(0, CursorCount());
}

// Points that can no longer be recorded: the user is told once, the drag
// ends, and the window shows what the show holds.
TEST_F(Routines, APointThatCannotBeRecordedEndsTheRecordingAndSaysSo)
{
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
    for (int x = 101; x < 200; x++)
        Send(WM_MOUSEMOVE, MK_LBUTTON, x, 100);
    BoxWatch watch("Recording Error");
    AddressHoard hoard;
    int moves = 0;
    for (; moves < 20000 && watch.seen == 0; moves++)
        Send(WM_MOUSEMOVE, MK_LBUTTON, 100 + moves % 700, 120 + (moves / 700) * 4);
    hoard.Release();
    ASSERT_EQ(1, watch.seen) << "nothing said after " << moves << " moves";
    EXPECT_NE(std::string::npos, watch.text.find("no longer")) << watch.text;
    EXPECT_FALSE(g_editor.buttonDown);
    int32_t held = g_editor.document->pointCount;
    // The last segment drawn was not recorded, so it is not shown either.
    const ShowPoint& last = g_editor.document->tail->point;
    EXPECT_EQ(last.flags, 1);

    // Nothing more is recorded or said until the next press, which records again.
    for (int x = 300; x < 320; x++)
        Send(WM_MOUSEMOVE, MK_LBUTTON, x, 500);
    EXPECT_EQ(held, g_editor.document->pointCount);
    Send(WM_LBUTTONUP, 0, 320, 500);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 320, 520);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 330, 530);
    EXPECT_GT(g_editor.document->pointCount, held);
    EXPECT_EQ(1, watch.seen);
}

// A drawing surface that cannot be made leaves no painting open to paint on.
TEST_F(Routines, ANewPaintingWithoutADrawingSurfaceIsNotOpened)
{
    uint16_t width = g_editor.screenWidth;
    uint16_t height = g_editor.screenHeight;
    g_editor.screenWidth = g_editor.screenHeight = 30000;
    {
        BoxWatch watch("Error");
        RunCommand(IDM_NEW);
        EXPECT_TRUE(WaitUntil([&] { return watch.seen > 0; }, 5000)) << "nothing said";
        EXPECT_NE(std::string::npos, watch.text.find("30000 x 30000")) << watch.text;
    }
    EXPECT_FALSE(g_editor.documentOpen);
    EXPECT_FALSE(ItemEnabled(IDM_SIGNATURE));
    EXPECT_FALSE(ItemEnabled(IDM_CLOSE));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 150, 100);
    Send(WM_LBUTTONUP, 0, 150, 100);
    InvalidateRect(g_editor.mainWindow, nullptr, FALSE);
    UpdateWindow(g_editor.mainWindow);
    EXPECT_FALSE(g_editor.changed);

    g_editor.screenWidth = width;
    g_editor.screenHeight = height;
    RunCommand(IDM_NEW);
    ASSERT_TRUE(g_editor.documentOpen);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 150, 100);
    Send(WM_LBUTTONUP, 0, 150, 100);
    EXPECT_EQ(2, g_editor.document->pointCount);
    EXPECT_EQ(kBlack, GetPixel(SurfaceDC(), 125, 100));
}

// No pen can be made (and no wide line drawn, which needs GDI regions): each
// stroke is drawn in its colour with the DC's own pen, and no pen is left behind.
TEST_F(Routines, ARedrawWithoutPensDrawsEachStrokeInItsColourAndKeepsNoPen)
{
    ShowDocument& show = *g_editor.document;
    show.AddPoint(50, 50, 10, kBlack, 4, 0);
    show.AddPoint(250, 50, 10, kBlack, 4, PF_PEN_DOWN);
    show.AddPoint(250, 250, 10, kRed, 4, PF_PEN_DOWN);
    show.AddPoint(450, 250, 10, kBlack, 4, PF_PEN_DOWN);
    Redraw();
    int objects = CountGdiObjects();
    {
        GdiHoard hoard(0);
        ASSERT_GT(hoard.Count(), 1000u);
        Redraw();
        COLORREF before = GetPixel(SurfaceDC(), 150, 50);
        COLORREF middle = GetPixel(SurfaceDC(), 250, 150);
        COLORREF after = GetPixel(SurfaceDC(), 350, 250);
        hoard.Release();
        EXPECT_EQ(kBlack, before);
        EXPECT_EQ(kRed, middle);
        EXPECT_EQ(kBlack, after);
    }
    Redraw();
    EXPECT_EQ(kRed, GetPixel(SurfaceDC(), 251, 150));
    EXPECT_EQ(kBlack, GetPixel(SurfaceDC(), 150, 51));
    EXPECT_EQ(objects, CountGdiObjects()) << "a pen was left behind";
}


std::string MenuText(HMENU menu, int position)
{
    char text[300] = "";
    GetMenuStringA(menu, position, text, sizeof(text), MF_BYPOSITION);
    return text;
}

// The recent shows stand numbered above Exit, between two separators, newest
// first, and a show named twice stands once.
TEST_F(Routines, RecentShowsStandAboveExitNewestFirst)
{
    HMENU file = GetSubMenu(g_editor.menu, 0);
    int items = GetMenuItemCount(file);
    for (const char* name : {"C:\\a\\one.sho", "C:\\b\\two.sho", "C:\\c\\three.sho", "C:\\a\\one.sho",
                             "C:\\d\\four.sho", "C:\\e\\R&B five.sho"})
        RememberRecentFile(name);
    ASSERT_EQ(items + 5, GetMenuItemCount(file));
    int exit = items + 4;
    EXPECT_EQ(static_cast<UINT>(IDM_EXIT), GetMenuItemID(file, exit));
    EXPECT_EQ(0u, GetMenuItemID(file, exit - 1)) << "no separator above Exit";
    EXPECT_EQ("&1 R&&B five.sho", MenuText(file, exit - 5));
    EXPECT_EQ("&2 four.sho", MenuText(file, exit - 4));
    EXPECT_EQ("&3 one.sho", MenuText(file, exit - 3));
    EXPECT_EQ("&4 three.sho", MenuText(file, exit - 2));
    EXPECT_EQ(0u, GetMenuItemID(file, exit - 6));

    // An item another part of the editor puts above Exit stays, and the list
    // keeps one separator of its own.
    InsertMenuA(file, exit, MF_BYPOSITION | MF_STRING, 40031, "Other");
    RememberRecentFile("C:\\e\\R&B five.sho");
    EXPECT_EQ(items + 6, GetMenuItemCount(file));
    EXPECT_EQ(40031u, GetMenuItemID(file, items - 1));
    EXPECT_EQ(0u, GetMenuItemID(file, items + 4));
    DeleteMenu(file, 40031, MF_BYCOMMAND);

    ForgetRecentFile("C:\\A\\ONE.SHO");
    ForgetRecentFile("C:\\e\\R&B five.sho");
    ASSERT_EQ(items + 3, GetMenuItemCount(file));
    EXPECT_EQ("&1 four.sho", MenuText(file, items - 1));
    EXPECT_EQ("&2 three.sho", MenuText(file, items));
    ForgetRecentFile("C:\\d\\four.sho");
    ForgetRecentFile("C:\\c\\three.sho");
    EXPECT_EQ(items, GetMenuItemCount(file)) << "the list's separator stayed";
}
