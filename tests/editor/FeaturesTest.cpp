// What users of any paint program reach for, in the real editor: Redo, the
// recent shows in the File menu across a restart, and a show dropped on the
// window from Explorer.
#include "EditorDriver.h"
#include "TestSupport.h"

#include "resource.h"

#include <shlobj.h>

#include <cstring>

namespace {

const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(255, 0, 0);

class Features : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshFolder("editor_features");
        SetProductValue("TSD", folder.c_str());
    }
    void StartEditor()
    {
        ASSERT_TRUE(editor.Start());
        ASSERT_TRUE(WaitUntil([&] { return editor.ItemEnabled(IDM_SIGNATURE); }, 5000));
    }
    std::string Path(const char* name) { return JoinPath(folder, name); }
    void Stroke(int y) { editor.Drag({{100, y}, {200, y + 20}, {300, y}, {400, y + 20}}, 20); }
    bool InkAt(int x, int y) { return ScreenPixel(editor.Screen(x, y)) == kBlack; }
    // A drop as the shell hands it to the window: a DROPFILES block with one
    // ANSI path. Wine does not carry a global memory handle to another process
    // with a posted message, so the block is written into the editor's memory,
    // where DragQueryFile takes it as fixed global memory.
    void Drop(const std::string& path)
    {
        std::vector<char> block(sizeof(DROPFILES) + path.size() + 2, '\0');
        DROPFILES* drop = reinterpret_cast<DROPFILES*>(block.data());
        drop->pFiles = sizeof(DROPFILES);
        drop->pt = {200, 200};
        drop->fWide = FALSE;
        memcpy(block.data() + sizeof(DROPFILES), path.c_str(), path.size());
        HANDLE process = editor.process.Handle();
        void* remote = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        ASSERT_NE(nullptr, remote);
        ASSERT_TRUE(WriteProcessMemory(process, remote, block.data(), block.size(), nullptr));
        PostMessageA(editor.main, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
        editor.Settle(300);
    }
    static std::vector<ShowPoint> Strokes(ShowDocument& show)
    {
        std::vector<ShowPoint> drawn;
        for (const ShowPoint& point : PointsOf(show))
            if (point.flags == PF_PEN_DOWN)
                drawn.push_back(point);
        return drawn;
    }

    ScopedCleanProductKey clean;
    std::string folder;
    EditorDriver editor;
};

}  // namespace

TEST_F(Features, RedoPutsBackWhatUndoTookWithItsTimingUntilSomethingNewIsPainted)
{
    StartEditor();
    EXPECT_FALSE(editor.ItemEnabled(IDM_REDO));
    Stroke(100);
    Stroke(200);
    editor.Command(IDM_SAVE_AS);
    EXPECT_TRUE(editor.Sign("redo"));
    ASSERT_TRUE(editor.ChooseFile("both.sho"));
    ShowDocumentPtr both = LoadShowFile(Path("both.sho"));
    ASSERT_NE(nullptr, both);

    editor.CtrlKey('Z');
    editor.CtrlKey('Z');
    EXPECT_FALSE(InkAt(300, 100));
    EXPECT_FALSE(InkAt(300, 200));
    EXPECT_TRUE(editor.ItemEnabled(IDM_REDO));
    editor.CtrlKey('Y');
    EXPECT_TRUE(WaitUntil([&] { return InkAt(300, 100); }, 3000)) << "the first stroke is not back";
    EXPECT_FALSE(InkAt(300, 200)) << "the strokes came back out of order";
    editor.Command(IDM_REDO);
    EXPECT_TRUE(WaitUntil([&] { return InkAt(300, 200); }, 3000));
    EXPECT_FALSE(editor.ItemEnabled(IDM_REDO));

    // The show holds the same strokes, point for point and with the same delays.
    editor.Command(IDM_SAVE);
    ShowDocumentPtr redone = LoadShowFile(Path("both.sho"));
    ASSERT_NE(nullptr, redone);
    std::vector<ShowPoint> before = Strokes(*both);
    std::vector<ShowPoint> after = Strokes(*redone);
    ASSERT_EQ(before.size(), after.size());
    for (size_t k = 0; k < before.size(); k++) {
        EXPECT_EQ(before[k].x, after[k].x) << k;
        EXPECT_EQ(before[k].y, after[k].y) << k;
        EXPECT_EQ(before[k].delay, after[k].delay) << k;
    }

    // A new stroke forgets what was undone; so do New and Close.
    editor.CtrlKey('Z');
    EXPECT_TRUE(editor.ItemEnabled(IDM_REDO));
    Stroke(300);
    EXPECT_FALSE(editor.ItemEnabled(IDM_REDO));
    editor.CtrlKey('Y');
    EXPECT_FALSE(InkAt(300, 200));
    editor.CtrlKey('Z');
    EXPECT_TRUE(editor.ItemEnabled(IDM_REDO));
    editor.Command(IDM_NEW);
    editor.Answer("Psst?", IDNO);
    EXPECT_FALSE(editor.ItemEnabled(IDM_REDO));
    editor.CtrlKey('Y');
    EXPECT_FALSE(InkAt(300, 100));
    EXPECT_FALSE(editor.ItemEnabled(IDM_SAVE));
}

TEST_F(Features, TheLastFourShowsStayInTheFileMenuAcrossARestart)
{
    std::vector<std::string> shows;
    for (const char* name : {"a.sho", "b.sho", "c.sho", "d.sho", "e.sho"}) {
        shows.push_back(Path(name));
        ASSERT_TRUE(WriteShow(shows.back(), LinePoints(20, 50, kRed, 300)));
    }
    StartEditor();
    EXPECT_FALSE(editor.HasItem(IDM_RECENT_FIRST));
    Stroke(100);
    editor.Command(IDM_SAVE_AS);
    EXPECT_TRUE(editor.Sign(""));
    ASSERT_TRUE(editor.ChooseFile("painted.sho"));
    for (const char* name : {"a.sho", "b.sho", "c.sho", "d.sho"}) {
        editor.Command(IDM_OPEN);
        ASSERT_TRUE(editor.ChooseFile(name));
    }
    // The saved painting was the fifth: it has left the list.
    EXPECT_EQ(shows[3], GetProductValue("TRF1"));
    EXPECT_EQ(shows[0], GetProductValue("TRF4"));
    EXPECT_EQ("<missing>", GetProductValue("TRF5"));
    editor.Command(IDM_EXIT);
    ASSERT_TRUE(editor.process.WaitForExit(10000));

    EditorDriver again;
    ASSERT_TRUE(again.Start());
    ASSERT_TRUE(WaitUntil([&] { return again.ItemEnabled(IDM_SIGNATURE); }, 5000));
    for (int k = 0; k < 4; k++)
        EXPECT_TRUE(again.ItemEnabled(IDM_RECENT_FIRST + k)) << k;
    // The fourth item is a.sho: it opens and goes to the top.
    again.Command(IDM_RECENT_FIRST + 3);
    EXPECT_EQ("Tovaren - [" + shows[0] + "]", again.Title());
    EXPECT_EQ(shows[0], GetProductValue("TRF1"));
    EXPECT_EQ(shows[3], GetProductValue("TRF2"));

    // A show that is gone says so as Open does and leaves the list.
    ASSERT_TRUE(DeleteFileA(shows[2].c_str()));
    again.Command(IDM_RECENT_FIRST + 2);  // c.sho, now third
    std::string said = again.Answer("Open Error", IDOK);
    EXPECT_NE(std::string::npos, said.find(shows[2])) << said;
    EXPECT_FALSE(again.HasItem(IDM_RECENT_FIRST + 3));
    EXPECT_EQ(shows[1], GetProductValue("TRF3"));
    EXPECT_EQ("<missing>", GetProductValue("TRF4"));
    again.Command(IDM_EXIT);
    EXPECT_TRUE(again.process.WaitForExit(10000));
}

TEST_F(Features, AShowDroppedOnTheWindowOpensAfterTheSavePrompt)
{
    std::string show = Path("dropped.sho");
    ASSERT_TRUE(WriteShow(show, LinePoints(30, 50, kRed, 300)));
    StartEditor();
    Stroke(100);
    Drop(show);
    editor.Answer("Psst?", IDCANCEL);
    EXPECT_TRUE(InkAt(300, 100)) << "Cancel lost the painting";
    EXPECT_EQ(std::string::npos, editor.Title().find("dropped.sho")) << editor.Title();

    Drop(show);
    editor.Answer("Psst?", IDNO);
    EXPECT_TRUE(WaitUntil([&] { return editor.Title() == "Tovaren - [" + show + "]"; }, 5000))
        << editor.Title();
    EXPECT_FALSE(InkAt(300, 100));
    EXPECT_EQ(show, GetProductValue("TRF1"));
    EXPECT_TRUE(editor.ItemEnabled(IDM_PLAY));

    // A file that is no show: the usual open error, and no painting is open.
    std::string garbage = Path("garbage.sho");
    WriteBytes(garbage, {'n', 'o'});
    Drop(garbage);
    std::string said = editor.Answer("Open Error", IDOK);
    EXPECT_NE(std::string::npos, said.find(garbage)) << said;
    EXPECT_FALSE(editor.ItemEnabled(IDM_CLOSE));
    editor.Command(IDM_EXIT);
    EXPECT_TRUE(editor.process.WaitForExit(10000));
}
