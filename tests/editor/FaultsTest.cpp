// Faults met through the real editor window: a save that would leave a file
// that does not open, points recorded outside a small painting, a session end
// that another program refuses, and an undo while the button is held.
#include "EditorDriver.h"
#include "TestSupport.h"

#include "resource.h"

#include <thread>

namespace {

const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kWhite = RGB(255, 255, 255);

class Faults : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshFolder("editor_faults");
        SetProductValue("TSD", folder.c_str());
        ASSERT_TRUE(editor.Start());
        ASSERT_TRUE(WaitUntil([&] { return editor.ItemEnabled(IDM_SIGNATURE); }, 5000));
    }
    std::string Path(const char* name) { return JoinPath(folder, name); }
    int InkOnScreen(const RECT& client)
    {
        POINT topLeft = editor.Screen(client.left, client.top);
        POINT bottomRight = editor.Screen(client.right, client.bottom);
        RECT area = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
        return CountScreenColour(area, kBlack, 8);
    }
    // Sends a message as the system does, from a thread of its own, since the
    // editor may answer only once the user has answered it.
    std::thread SendFromSystem(UINT message, WPARAM wParam, LRESULT* answer)
    {
        HWND window = editor.main;
        return std::thread([=] {
            DWORD_PTR result = 0;
            SendMessageTimeoutA(window, message, wParam, ENDSESSION_LOGOFF, SMTO_NORMAL, 60000, &result);
            *answer = static_cast<LRESULT>(result);
        });
    }

    ScopedCleanProductKey clean;
    std::string folder;
    EditorDriver editor;
};

}  // namespace

// A file that a save would leave without points would no longer open: the
// save is refused and what the file held stays.
TEST_F(Faults, APaintingWithoutPointsIsNotSavedOverAShow)
{
    editor.Command(IDM_SIGNATURE);
    EXPECT_TRUE(editor.Sign("me"));
    EXPECT_TRUE(editor.ItemEnabled(IDM_SAVE));
    editor.Command(IDM_SAVE);
    std::string said = editor.Answer("Save Error", IDOK);
    EXPECT_NE(std::string::npos, said.find("nothing painted")) << said;
    EXPECT_FALSE(editor.HasDialog()) << "a name was asked for nothing";
    EXPECT_TRUE(editor.ItemEnabled(IDM_SAVE)) << "the painting counts as saved";
    editor.Command(IDM_NEW);
    editor.Answer("Psst?", IDNO);

    // A show whose only stroke is undone.
    std::string path = Path("one-stroke.sho");
    ASSERT_TRUE(WriteShow(path, {{100, 100, 50, kBlack, 4, 1}, {300, 100, 50, kBlack, 4, 1}}));
    std::vector<unsigned char> before = ReadBytes(path);
    editor.Command(IDM_OPEN);
    ASSERT_TRUE(editor.ChooseFile("one-stroke.sho"));
    editor.CtrlKey('Z');
    EXPECT_TRUE(editor.ItemEnabled(IDM_SAVE));
    editor.Command(IDM_SAVE);
    said = editor.Answer("Save Error", IDOK);
    EXPECT_NE(std::string::npos, said.find(path)) << said;
    EXPECT_EQ(before, ReadBytes(path));
    EXPECT_NE(nullptr, LoadShowFile(path));

    // Closing asks, and a Yes that cannot save keeps the window.
    PostMessageA(editor.main, WM_CLOSE, 0, 0);
    editor.Answer("Psst?", IDYES);
    editor.Answer("Save Error", IDOK);
    editor.Settle(200);
    EXPECT_TRUE(editor.process.Running());
    EXPECT_EQ(before, ReadBytes(path));
    PostMessageA(editor.main, WM_CLOSE, 0, 0);
    editor.Answer("Psst?", IDNO);
    EXPECT_TRUE(editor.process.WaitForExit(10000));
}

// The cursor is held inside a painting smaller than the window from the first
// drag after it was opened, and the grey around it records nothing.
TEST_F(Faults, AShowSmallerThanTheWindowRecordsOnlyPointsOnThePainting)
{
    ASSERT_TRUE(WriteShow(Path("small.sho"), {{10, 10, 100, kBlack, 4, 0}, {40, 40, 100, kBlack, 4, 1}},
                          0, 300, 200));
    editor.Command(IDM_OPEN);
    ASSERT_TRUE(editor.ChooseFile("small.sho"));
    editor.Click(500, 400);
    EXPECT_FALSE(editor.ItemEnabled(IDM_SAVE)) << "a click on the grey started the recording";
    editor.Drag({{100, 100}, {250, 150}, {450, 350}, {600, 500}}, 30);
    editor.MoveTo(500, 400);
    editor.MoveTo(200, 150);
    editor.Command(IDM_SAVE_AS);
    EXPECT_TRUE(editor.Sign(""));
    ASSERT_TRUE(editor.ChooseFile("clipped.sho"));
    ShowDocumentPtr show = LoadShowFile(Path("clipped.sho"));
    ASSERT_NE(nullptr, show);
    EXPECT_EQ(300, show->header.block.width);
    std::vector<ShowPoint> points = PointsOf(*show);
    ASSERT_GT(points.size(), 4u);
    int penDown = 0;
    for (size_t k = 0; k < points.size(); k++) {
        EXPECT_LT(points[k].x, 300) << k;
        EXPECT_LT(points[k].y, 200) << k;
        penDown += points[k].flags == PF_PEN_DOWN;
    }
    EXPECT_GE(penDown, 3) << "the drag was not recorded";
}

// The editor learns that the session may end, asks, and ends only when it does.
TEST_F(Faults, ASessionEndThatAnotherProgramRefusesKeepsTheEditorAndThePainting)
{
    RECT strokes = {80, 80, 420, 200};
    editor.Drag({{100, 100}, {200, 120}, {300, 100}, {400, 120}}, 20);
    int ink = InkOnScreen(strokes);
    ASSERT_GT(ink, 300);

    LRESULT answer = -1;
    std::thread query = SendFromSystem(WM_QUERYENDSESSION, 0, &answer);
    EXPECT_EQ("Your current drawing has changed.\nWould you like to save your changes?",
              editor.Answer("Psst?", IDNO));
    query.join();
    EXPECT_EQ(TRUE, answer);
    editor.Settle(300);
    ASSERT_TRUE(editor.process.Running()) << "gone before the session ended";
    SendMessageA(editor.main, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    editor.Settle(300);
    ASSERT_TRUE(editor.process.Running());
    EXPECT_EQ(ink, InkOnScreen(strokes));
    EXPECT_TRUE(editor.ItemEnabled(IDM_SAVE));

    // Cancel refuses the end of the session.
    query = SendFromSystem(WM_QUERYENDSESSION, 0, &answer);
    editor.Answer("Psst?", IDCANCEL);
    query.join();
    EXPECT_EQ(FALSE, answer);

    // Yes saves, and the end of the session ends the editor without asking again.
    query = SendFromSystem(WM_QUERYENDSESSION, 0, &answer);
    editor.Answer("Psst?", IDYES);
    EXPECT_TRUE(editor.Sign("late"));
    EXPECT_TRUE(editor.ChooseFile("session.sho"));
    query.join();
    EXPECT_EQ(TRUE, answer);
    EXPECT_TRUE(editor.process.Running());
    PostMessageA(editor.main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    ASSERT_TRUE(editor.process.WaitForExit(10000));
    EXPECT_FALSE(editor.HasDialog());
    ShowDocumentPtr show = LoadShowFile(Path("session.sho"));
    ASSERT_NE(nullptr, show);
    EXPECT_EQ("late", SignatureOf(*show));
}

// Undo from the right button's menu while the left is held ends the drag
// where the painting now ends: moving on draws nothing the show does not hold.
TEST_F(Faults, UndoDuringADragLeavesNoLineOnTheWindow)
{
    editor.MoveTo(100, 300);
    editor.Press();
    for (int x = 140; x <= 300; x += 40) {
        Sleep(20);
        editor.MoveTo(x, 300);
    }
    // Accelerators are not offered while the mouse is captured; the right
    // button's Edit menu is.
    INPUT right[2] = {};
    right[0].type = right[1].type = INPUT_MOUSE;
    right[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    right[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, right, sizeof(INPUT));
    editor.Settle(400);
    PressKey('U', 50);
    editor.Settle(400);
    for (int y = 320; y <= 460; y += 35) {
        Sleep(20);
        editor.MoveTo(300, y);
    }
    editor.MoveTo(160, 460);
    editor.Release();
    editor.Settle(300);
    RECT everywhere = {60, 260, 460, 500};
    EXPECT_EQ(0, InkOnScreen(everywhere)) << "a line stayed on the window";
    EXPECT_EQ(kWhite, ScreenPixel(editor.Screen(200, 380)));

    editor.Command(IDM_SAVE_AS);
    EXPECT_TRUE(editor.Sign(""));
    ASSERT_TRUE(editor.ChooseFile("undone.sho"));
    ShowDocumentPtr show = LoadShowFile(Path("undone.sho"));
    ASSERT_NE(nullptr, show);
    for (const ShowPoint& point : PointsOf(*show))
        EXPECT_EQ(0, point.flags) << point.x << "," << point.y;
}
