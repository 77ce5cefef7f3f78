// File > Export Animation and Export Picture in the real editor, on a
// painting that was never saved: the GIF plays the strokes at the length
// asked for, Cancel leaves no file, the picture comes out as PNG or BMP, and
// a write that fails says why.
#include "EditorDriver.h"
#include "GifReader.h"
#include "TestSupport.h"

#include "resource.h"

#include <algorithm>
#include <cstdio>

namespace {

class Export : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshFolder("editor_export");
        SetProductValue("TSD", folder.c_str());
        ASSERT_TRUE(editor.Start());
        ASSERT_TRUE(WaitUntil([&] { return editor.ItemEnabled(IDM_SIGNATURE); }, 5000));
    }
    void TearDown() override
    {
        PostMessageA(editor.main, WM_CLOSE, 0, 0);
        if (editor.WaitForWindow("Psst?", 3000)) editor.Answer("Psst?", IDNO);
        EXPECT_TRUE(editor.process.WaitForExit(10000));
    }
    // Fills the length and width dialog and presses OK.
    bool AskAnimation(int seconds, int width)
    {
        HWND dialog = editor.WaitForWindow("Export Animation");
        if (!dialog) return false;
        editor.Settle(200);
        SetDlgItemInt(dialog, IDC_EXPORT_SECONDS, seconds, FALSE);
        SetDlgItemInt(dialog, IDC_EXPORT_WIDTH, width, FALSE);
        editor.Settle(100);
        PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        return WaitUntil([&] { return !IsWindow(dialog); }, 5000);
    }
    std::string Path(const char* name) { return JoinPath(folder, name); }

    ScopedCleanProductKey clean;
    std::string folder;
    EditorDriver editor;
};

bool HasBlack(const GifShownFrame& frame)
{
    return std::count(frame.pixels.begin(), frame.pixels.end(), 0u) > 50;
}

}  // namespace

TEST_F(Export, AnimationOfAnUnsavedPaintingAndCancelLeavesNoFile)
{
    editor.Drag({{100, 100}, {200, 140}, {300, 100}, {400, 140}}, 20);
    EXPECT_TRUE(editor.ItemEnabled(IDM_EXPORT_ANIMATION));
    EXPECT_TRUE(editor.ItemEnabled(IDM_EXPORT_PICTURE));

    // The dialog offers the defaults and refuses a width out of range.
    editor.Command(IDM_EXPORT_ANIMATION);
    HWND dialog = editor.WaitForWindow("Export Animation");
    ASSERT_NE(nullptr, dialog);
    editor.Settle(200);
    std::string seconds = ControlText(dialog, IDC_EXPORT_SECONDS);
    EXPECT_TRUE(seconds == "1" || seconds == "2") << seconds << ": the stroke's own length";
    EXPECT_EQ("800", ControlText(dialog, IDC_EXPORT_WIDTH)) << "the painting's width, at most 800";
    SetDlgItemInt(dialog, IDC_EXPORT_WIDTH, 15, FALSE);
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    std::string said = editor.Answer("Export Error", IDOK);
    EXPECT_NE(std::string::npos, said.find("16 to 1920")) << said;
    ASSERT_TRUE(IsWindow(dialog));
    PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    WaitUntil([&] { return !IsWindow(dialog); }, 5000);

    editor.Command(IDM_EXPORT_ANIMATION);
    ASSERT_TRUE(AskAnimation(2, 200));
    EXPECT_TRUE(editor.ChooseFile("strokes.gif"));
    WaitUntil([&] { return !editor.WaitForWindow("Exporting Animation", 100); }, 60000);
    std::vector<unsigned char> bytes = ReadBytes(Path("strokes.gif"));
    GifMovie movie = ReadGif(bytes.data(), bytes.size());
    ASSERT_EQ("", movie.error) << bytes.size() << " bytes";
    EXPECT_EQ(200, movie.width);
    EXPECT_TRUE(movie.loopsForever);
    int total = 0;
    for (const GifShownFrame& frame : movie.frames) total += frame.delay;
    EXPECT_EQ(200 + 300, total);
    EXPECT_TRUE(HasBlack(movie.frames.back())) << "the stroke is in the finished picture";
    EXPECT_EQ(std::string::npos, editor.Title().find("strokes")) << "the painting keeps its own name";

    // A long, wide export is cancelled from its progress dialog: no file, no
    // temporary file, and the editor goes on.
    editor.Command(IDM_EXPORT_ANIMATION);
    ASSERT_TRUE(AskAnimation(600, 1920));
    EXPECT_TRUE(editor.ChooseFile("cancelled.gif"));
    HWND progress = editor.WaitForWindow("Exporting Animation");
    ASSERT_NE(nullptr, progress);
    editor.Settle(500);
    PostMessageA(GetDlgItem(progress, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(progress); }, 30000));
    editor.Settle(300);
    EXPECT_FALSE(editor.HasDialog()) << "Cancel is no failure";
    std::vector<std::string> names = FolderEntries(folder);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::vector<std::string>{"strokes.gif"}, names);
    EXPECT_TRUE(editor.ItemEnabled(IDM_SAVE)) << "the painting is still unsaved";
}

TEST_F(Export, PictureAsPngOrBitmapAndGreyWithoutADocument)
{
    editor.Drag({{120, 120}, {220, 160}, {320, 120}}, 20);
    editor.Command(IDM_EXPORT_PICTURE);
    EXPECT_TRUE(editor.ChooseFile("picture.png"));
    std::vector<unsigned char> png = ReadBytes(Path("picture.png"));
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(0, memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8));

    editor.Command(IDM_EXPORT_PICTURE);
    EXPECT_TRUE(editor.ChooseFile("picture.bmp"));
    std::vector<unsigned char> bmp = ReadBytes(Path("picture.bmp"));
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ('B', bmp[0]);
    EXPECT_EQ('M', bmp[1]);
    // The bitmap holds the painting: black ink on white.
    size_t black = 0;
    for (size_t i = 54; i + 2 < bmp.size(); i += 3) black += bmp[i] == 0 && bmp[i + 1] == 0 && bmp[i + 2] == 0;
    EXPECT_GT(black, 100u);

    // A disk too small for the picture: the editor says why and nothing of
    // the new file stays there.
    if (const char* fullDisk = getenv("TOVAREN_FULLDISK")) {
        std::string disk = WinePath(fullDisk);
        std::vector<std::string> before = FolderEntries(disk);
        editor.Command(IDM_EXPORT_PICTURE);
        EXPECT_TRUE(editor.ChooseFile(JoinPath(disk, "big.bmp")));
        std::string said = editor.Answer("Export Error", IDOK);
        EXPECT_NE(std::string::npos, said.find("Failed to write file: [")) << said;
        EXPECT_NE(std::string::npos, said.find("big.bmp] [No space left on device]")) << said;
        EXPECT_EQ(before, FolderEntries(disk));
    }

    editor.Command(IDM_CLOSE);
    if (editor.WaitForWindow("Psst?", 3000)) editor.Answer("Psst?", IDNO);
    EXPECT_TRUE(WaitUntil([&] { return !editor.ItemEnabled(IDM_EXPORT_ANIMATION); }, 3000));
    EXPECT_FALSE(editor.ItemEnabled(IDM_EXPORT_PICTURE));
}
