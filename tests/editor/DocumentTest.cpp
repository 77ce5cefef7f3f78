// Saving, reopening and closing in the real editor: the file dialogs, the
// signature, the save prompt and saves that fail.
#include "EditorDriver.h"
#include "TestSupport.h"

#include "resource.h"

#include <cstdio>

namespace {

const COLORREF kBlack = RGB(0, 0, 0);
const RECT kStrokeArea = {80, 80, 420, 240};

class Document : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshFolder("editor_document");
        SetProductValue("TSD", folder.c_str());
        ASSERT_TRUE(editor.Start());
        ASSERT_TRUE(WaitUntil([&] { return editor.ItemEnabled(IDM_SIGNATURE); }, 5000));
    }
    void Stroke(int y)
    {
        editor.Drag({{100, y}, {200, y + 20}, {300, y}, {400, y + 20}}, 20);
    }
    // Black pixels of the strokes as the window shows them.
    int InkOnScreen()
    {
        POINT topLeft = editor.Screen(kStrokeArea.left, kStrokeArea.top);
        POINT bottomRight = editor.Screen(kStrokeArea.right, kStrokeArea.bottom);
        RECT area = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
        return CountScreenColour(area, kBlack, 8);
    }
    std::string Path(const char* name) { return JoinPath(folder, name); }

    ScopedCleanProductKey clean;
    std::string folder;
    EditorDriver editor;
};

}  // namespace

TEST_F(Document, SaveAsAlwaysAsksSaveOnlyTheFirstTimeAndReopeningRedrawsThePainting)
{
    Stroke(100);
    editor.Command(IDM_SAVE_AS);
    EXPECT_TRUE(editor.Sign(""));  // Maybe Later
    EXPECT_TRUE(editor.ChooseFile("later.sho"));
    ShowDocumentPtr saved = LoadShowFile(Path("later.sho"));
    ASSERT_NE(nullptr, saved);
    EXPECT_EQ("", SignatureOf(*saved));
    EXPECT_TRUE(editor.ItemEnabled(IDM_SIGNATURE));
    EXPECT_FALSE(editor.ItemEnabled(IDM_SAVE));

    // Save with a path asks for the signature again, but not for a name.
    Stroke(180);
    EXPECT_TRUE(editor.ItemEnabled(IDM_SAVE));
    editor.Command(IDM_SAVE);
    EXPECT_TRUE(editor.Sign(""));
    EXPECT_FALSE(editor.HasDialog()) << "Save asked for a name it has";
    ShowDocumentPtr resaved = LoadShowFile(Path("later.sho"));
    ASSERT_NE(nullptr, resaved);
    size_t points = PointsOf(*resaved).size();
    EXPECT_GT(points, PointsOf(*saved).size());

    // Save As asks every time.
    editor.Command(IDM_SAVE_AS);
    EXPECT_TRUE(editor.Sign(""));
    EXPECT_TRUE(editor.ChooseFile("copy.sho"));
    EXPECT_EQ("Tovaren - [" + Path("copy.sho") + "]", editor.Title());
    ShowDocumentPtr copy = LoadShowFile(Path("copy.sho"));
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(points, PointsOf(*copy).size());

    int ink = InkOnScreen();
    EXPECT_GT(ink, 500);
    editor.Command(IDM_CLOSE);
    EXPECT_FALSE(editor.HasDialog()) << "a saved painting needs no prompt";
    EXPECT_EQ("Tovaren " TOVAREN_VERSION, editor.Title());
    EXPECT_EQ(0, InkOnScreen());
    EXPECT_FALSE(editor.ItemEnabled(IDM_CLOSE));
    EXPECT_FALSE(editor.ItemEnabled(IDM_SIGNATURE));

    editor.Command(IDM_OPEN);
    EXPECT_TRUE(editor.ChooseFile("later.sho"));
    EXPECT_EQ("Tovaren - [" + Path("later.sho") + "]", editor.Title());
    EXPECT_NEAR(ink, InkOnScreen(), ink / 50) << "the reopened painting looks different";
    EXPECT_FALSE(editor.ItemEnabled(IDM_SAVE));
    for (int id : {IDM_SAVE_AS, IDM_CLOSE, IDM_PLAY, IDM_UNDO, IDM_PICK_COLOR, IDM_SIGNATURE})
        EXPECT_TRUE(editor.ItemEnabled(id)) << id;

    // A file that is no show says so, and leaves no document open.
    WriteBytes(Path("garbage.sho"), {0xFF, 0xFF, 0x02});
    editor.Command(IDM_OPEN);
    EXPECT_TRUE(editor.ChooseFile("garbage.sho"));
    std::string said = editor.Answer("Open Error", IDOK);
    EXPECT_NE(std::string::npos, said.find("garbage.sho")) << said;
    EXPECT_FALSE(editor.ItemEnabled(IDM_CLOSE));
    EXPECT_EQ("Tovaren " TOVAREN_VERSION, editor.Title());
}

TEST_F(Document, TheSavePromptGuardsNewCloseAndTheWindow)
{
    Stroke(100);
    int ink = InkOnScreen();
    editor.Command(IDM_NEW);
    EXPECT_EQ("Your current drawing has changed.\nWould you like to save your changes?",
              editor.Answer("Psst?", IDCANCEL));
    EXPECT_EQ(ink, InkOnScreen());
    editor.Command(IDM_NEW);
    editor.Answer("Psst?", IDNO);
    EXPECT_EQ(0, InkOnScreen());
    EXPECT_FALSE(editor.ItemEnabled(IDM_CLOSE));

    // Yes, then a cancelled file dialog: nothing is saved and nothing lost.
    Stroke(100);
    editor.Command(IDM_CLOSE);
    editor.Answer("Psst?", IDYES);
    EXPECT_TRUE(editor.Sign("me"));
    HWND save = editor.WaitForWindow("Save As");
    ASSERT_NE(nullptr, save);
    PostMessageA(save, WM_COMMAND, IDCANCEL, 0);
    editor.Settle(300);
    EXPECT_TRUE(editor.ItemEnabled(IDM_CLOSE));
    EXPECT_GT(InkOnScreen(), 500);

    // Closing the window asks too, and Cancel keeps it.
    PostMessageA(editor.main, WM_CLOSE, 0, 0);
    editor.Answer("Psst?", IDCANCEL);
    EXPECT_TRUE(IsWindow(editor.main));
    EXPECT_TRUE(editor.process.Running());

    // Yes saves (signed already) and the program ends.
    PostMessageA(editor.main, WM_CLOSE, 0, 0);
    editor.Answer("Psst?", IDYES);
    EXPECT_TRUE(editor.ChooseFile("closing.sho"));
    ASSERT_TRUE(editor.process.WaitForExit(10000));
    EXPECT_EQ(0u, editor.process.exitCode);
    ShowDocumentPtr show = LoadShowFile(Path("closing.sho"));
    ASSERT_NE(nullptr, show);
    EXPECT_EQ("me", SignatureOf(*show));
}

TEST_F(Document, AFailedSaveSaysSoAndKeepsTheDrawingAndTheFile)
{
    Stroke(100);
    editor.Command(IDM_SAVE_AS);
    EXPECT_TRUE(editor.Sign("me"));
    EXPECT_TRUE(editor.ChooseFile("kept.sho"));
    std::string path = Path("kept.sho");
    std::vector<unsigned char> before = ReadBytes(path);
    ASSERT_FALSE(before.empty());
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);

    Stroke(180);
    editor.Command(IDM_SAVE);
    std::string said = editor.Answer("Save Error", IDOK);
    EXPECT_NE(std::string::npos, said.find(path)) << said;
    EXPECT_TRUE(editor.ItemEnabled(IDM_SAVE)) << "the painting counts as saved";

    // The window stays when the save that closing asks for fails.
    PostMessageA(editor.main, WM_CLOSE, 0, 0);
    editor.Answer("Psst?", IDYES);
    editor.Answer("Save Error", IDOK);
    editor.Settle(300);
    EXPECT_TRUE(editor.process.Running());
    EXPECT_GT(InkOnScreen(), 1000);
    EXPECT_EQ(before, ReadBytes(path));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);

    // A full disk: the previous file stays whole.
    const char* fullDisk = getenv("TOVAREN_FULLDISK");
    if (!fullDisk) {
        PostMessageA(editor.main, WM_CLOSE, 0, 0);
        editor.Answer("Psst?", IDNO);
        GTEST_SKIP() << "no small file system to fill (needs root)";
    }
    std::string diskPath = WinePath(fullDisk) + "\\editor.sho";
    editor.Command(IDM_SAVE_AS);
    EXPECT_TRUE(editor.ChooseFile(diskPath));
    std::vector<unsigned char> onDisk = ReadBytes(diskPath);
    ASSERT_FALSE(onDisk.empty());
    std::string filler = FillDisk(WinePath(fullDisk));
    Stroke(140);
    editor.Command(IDM_SAVE);
    said = editor.Answer("Save Error", IDOK);
    EXPECT_NE(std::string::npos, said.find("space")) << said;
    EXPECT_EQ(onDisk, ReadBytes(diskPath));
    EXPECT_TRUE(editor.ItemEnabled(IDM_SAVE));
    remove(filler.c_str());
    remove(diskPath.c_str());
    PostMessageA(editor.main, WM_CLOSE, 0, 0);
    editor.Answer("Psst?", IDNO);
    EXPECT_TRUE(editor.process.WaitForExit(10000));
}
