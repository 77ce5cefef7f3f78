// A painting session in the real editor with real mouse input, saved through
// the real file dialog, and the show file it leaves.
#include "EditorDriver.h"
#include "TestSupport.h"

#include "resource.h"

#include <mmsystem.h>

namespace {

const int kDocumentItems[] = {IDM_SAVE, IDM_SAVE_AS, IDM_CLOSE, IDM_PLAY, IDM_UNDO, IDM_PICK_COLOR};

class Painting : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshFolder("editor_painting");
        SetProductValue("TSD", folder.c_str());
    }
    void ExpectItems(EditorDriver& editor, bool documentItems, bool signature, int line)
    {
        SCOPED_TRACE(line);
        for (int id : kDocumentItems)
            EXPECT_EQ(documentItems, editor.ItemEnabled(id)) << id;
        EXPECT_EQ(signature, editor.ItemEnabled(IDM_SIGNATURE));
    }

    ScopedCleanProductKey clean;
    std::string folder;
};

std::vector<POINT> Square(int left, int top, int size)
{
    return {{left, top}, {left + size, top}, {left + size, top + size}, {left, top + size}, {left, top}};
}

}  // namespace

TEST_F(Painting, StrokesFillsPickedColoursAndUndoBecomeTheSavedShow)
{
    EditorDriver editor;
    ASSERT_TRUE(editor.Start());
    EXPECT_TRUE(editor.sawSplash);
    ASSERT_TRUE(WaitUntil([&] { return editor.ItemEnabled(IDM_SIGNATURE); }, 5000)) << "no new painting";
    EXPECT_EQ("Tovaren " TOVAREN_VERSION, editor.Title());
    ExpectItems(editor, false, true, __LINE__);

    // Moves before the first press record nothing.
    editor.MoveTo(50, 50);
    editor.MoveTo(60, 70);
    // The first press records where it happened; the drag records strokes
    // timed by the clock every program shares.
    editor.MoveTo(100, 100);
    DWORD beforePress = timeGetTime();
    editor.Press();
    for (int x = 140; x <= 260; x += 40) {
        Sleep(60);
        editor.MoveTo(x, 100);
    }
    DWORD dragged = timeGetTime();
    editor.Release();
    ExpectItems(editor, true, true, __LINE__);
    // With the button up every move is still recorded, as a pen move.
    editor.MoveTo(300, 120);
    editor.MoveTo(320, 140);

    // A closed square filled in a colour of the colour dialog, which puts it
    // on the levels of a 16-bit display.
    editor.Drag(Square(400, 200, 120), 30);
    editor.Command(IDM_PEN_COLOR);
    EXPECT_TRUE(editor.ChooseColour(100, 150, 200));
    const COLORREF snapped = RGB(99, 150, 206);
    editor.CtrlKey('F');
    editor.Click(460, 260);
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(editor.Screen(460, 260)) == snapped; }, 5000))
        << "the fill is not on screen";
    EXPECT_EQ(snapped, ScreenPixel(editor.Screen(403, 203)));
    EXPECT_EQ(RGB(255, 255, 255), ScreenPixel(editor.Screen(530, 260))) << "the fill ran out";
    // A fill click two pixels outside the square's edge fills and records nothing.
    editor.CtrlKey('F');
    editor.Click(523, 260);
    EXPECT_EQ(RGB(255, 255, 255), ScreenPixel(editor.Screen(600, 300)));

    // Picking black from the first stroke records nothing; the stroke after
    // it is black.
    editor.CtrlKey('X');
    editor.Click(180, 100);
    editor.Drag({{600, 500}, {650, 520}, {700, 540}}, 30);
    editor.MoveTo(720, 600);
    // Undo takes that stroke away and puts the cursor where it began.
    editor.CtrlKey('Z');
    POINT cursor;
    POINT strokeStart = editor.Screen(600, 500);
    WaitUntil([&] { return GetCursorPos(&cursor) && cursor.x == strokeStart.x && cursor.y == strokeStart.y; },
              5000);
    EXPECT_EQ(strokeStart.x, cursor.x);
    EXPECT_EQ(strokeStart.y, cursor.y);
    EXPECT_EQ(RGB(255, 255, 255), ScreenPixel(editor.Screen(650, 520))) << "the undone stroke stays";

    editor.Command(IDM_SAVE);
    EXPECT_TRUE(editor.Sign("ada lovelace"));
    EXPECT_TRUE(editor.ChooseFile("session.sho"));
    std::string path = JoinPath(folder, "session.sho");
    EXPECT_EQ("Tovaren - [" + path + "]", editor.Title());
    EXPECT_FALSE(editor.ItemEnabled(IDM_SAVE));
    EXPECT_FALSE(editor.ItemEnabled(IDM_SIGNATURE));
    EXPECT_TRUE(editor.ItemEnabled(IDM_SAVE_AS));

    ShowDocumentPtr show = LoadShowFile(path);
    ASSERT_NE(nullptr, show);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), show->header.block.width);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), show->header.block.height);
    EXPECT_EQ(HF_COMPAT_WARNINGS, show->header.block.flags) << "painted on the NT family";
    EXPECT_EQ("ada lovelace", SignatureOf(*show));

    std::vector<ShowPoint> points = PointsOf(*show);
    ASSERT_GE(points.size(), 12u);
    EXPECT_EQ(100, points[0].x);
    EXPECT_EQ(100, points[0].y);
    EXPECT_EQ(0, points[0].flags);
    EXPECT_EQ(RGB(0, 0, 0), points[0].colour);
    EXPECT_EQ(4, points[0].penSize);
    int dragDelays = 0;
    for (int k = 1; k <= 4; k++) {
        EXPECT_EQ(100 + 40 * k, points[k].x) << k;
        EXPECT_EQ(PF_PEN_DOWN, points[k].flags) << k;
        // 60 ms and more apart here; the editor may take one of them late.
        EXPECT_GE(points[k].delay, 30) << k;
        dragDelays += points[k].delay;
    }
    // The delays come from the clock between the moves: together the drag's
    // length as this thread saw it, give or take the editor's lateness.
    EXPECT_GE(dragDelays, 4 * 60 - 40);
    EXPECT_LE(dragDelays, static_cast<int>(dragged - beforePress) + 200);

    // Under Wine an injected release lets the pointer jump back to where the
    // X server had it, which adds a pen move there: found, not counted.
    auto find = [&](int x, int y, int flags, size_t from) {
        for (size_t k = from; k < points.size(); k++)
            if (points[k].x == x && points[k].y == y && points[k].flags == flags)
                return k;
        return points.size();
    };
    size_t up1 = find(300, 120, 0, 5);
    size_t up2 = find(320, 140, 0, 5);
    EXPECT_LT(up1, up2) << "moves with the button up are recorded";
    ASSERT_LT(up2, points.size());

    int fills = 0;
    for (const ShowPoint& point : points) {
        if (point.flags & PF_FILL) {
            fills++;
            EXPECT_EQ(460, point.x);
            EXPECT_EQ(260, point.y);
            EXPECT_EQ(snapped, point.colour);
        }
    }
    EXPECT_EQ(1, fills) << "only the click inside the square fills";
    size_t pick = find(180, 100, 0, up2);
    ASSERT_LT(pick, points.size()) << "the move to the picked colour is recorded";
    EXPECT_EQ(snapped, points[pick].colour);
    // The pick click itself adds nothing; the picked colour travels with the
    // points after it, and nothing of the undone stroke is left.
    EXPECT_LT(pick + 1, points.size());
    for (size_t k = pick + 1; k < points.size(); k++) {
        EXPECT_EQ(RGB(0, 0, 0), points[k].colour) << k;
        EXPECT_EQ(0, points[k].flags) << k;
    }
}
