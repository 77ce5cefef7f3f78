// flagbench driven through its dialog: the real program is started with a
// show path, its controls are set and clicked from here, and the file and the
// exit code are checked afterwards.
#include "TestSupport.h"
#include "resource.h"

#include <string>
#include <vector>

namespace {

const DWORD kWaitMs = 20000;

const std::vector<TestPoint> kPoints = {
    {10, 20, 5, 0x000000FF, 4, 1},
    {30, 40, 7, 0x0000FF00, 6, 1},
    {50, 60, 9, 0x00FF0000, 8, 2},
};

std::vector<unsigned char> WithSignature(std::vector<unsigned char> bytes, const char* text)
{
    for (size_t k = 0; text[k] && k < 40; k++) {
        uint32_t slot = static_cast<uint32_t>((static_cast<signed char>(text[k]) + 333) * static_cast<int>(k + 1));
        for (int i = 0; i < 4; i++)
            bytes[12 + 4 * k + i] = static_cast<unsigned char>(slot >> (8 * i));
    }
    return bytes;
}

uint16_t Word(const std::vector<unsigned char>& bytes, size_t offset)
{
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

std::string WindowText(HWND window)
{
    char text[1024] = "";
    // WM_GETTEXT, not GetWindowText: the window belongs to another process.
    SendMessageA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

struct FindRequest {
    DWORD processId;
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param)
{
    FindRequest* request = reinterpret_cast<FindRequest*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = "";
    char caption[256] = "";
    GetClassNameA(window, className, sizeof(className));
    GetWindowTextA(window, caption, sizeof(caption));
    if (owner == request->processId && strcmp(className, "#32770") == 0 &&
        strcmp(caption, request->caption) == 0 && IsWindowVisible(window)) {
        request->found = window;
        return FALSE;
    }
    return TRUE;
}

// One run of flagbench.exe with a command line tail, as a user would start it.
class FlagbenchRun {
public:
    explicit FlagbenchRun(const std::string& arguments)
    {
        started = StartProgram(BinPath("flagbench.exe"), arguments, &process);
    }

    ~FlagbenchRun()
    {
        if (!started)
            return;
        if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0)
            TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }

    // Waits for a visible dialog of this process with the given caption.
    HWND WaitForWindow(const char* caption)
    {
        for (DWORD waited = 0; waited < kWaitMs; waited += 50) {
            FindRequest request = {process.dwProcessId, caption, nullptr};
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&request));
            if (request.found)
                return request.found;
            if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0)
                return nullptr;
        }
        return nullptr;
    }

    HWND WaitForDialog()
    {
        dialog = WaitForWindow("flagbench");
        return dialog;
    }

    std::string Text(int id) { return WindowText(GetDlgItem(dialog, id)); }
    bool Checked(int id) { return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void Click(int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    // Posted, so that a message box the click opens does not hold this thread.
    void PostClick(int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

    // Types over the whole field character by character, so the edit control
    // reports every intermediate text to the dialog as a user's typing does.
    void Type(int id, const char* text)
    {
        HWND field = GetDlgItem(dialog, id);
        SendMessageA(field, EM_SETSEL, 0, -1);
        SendMessageA(field, WM_CHAR, VK_BACK, 0);
        for (const char* c = text; *c; c++)
            SendMessageA(field, WM_CHAR, static_cast<unsigned char>(*c), 0);
    }

    // Replaces the text at once; the edit control notifies the change itself.
    void SetText(int id, const char* text)
    {
        SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }

    // Reads the message box's text and presses its OK button.
    std::string DismissError()
    {
        HWND box = WaitForWindow("Error");
        if (!box)
            return "<no Error box>";
        std::string text = WindowText(GetDlgItem(box, 0xFFFF));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        for (DWORD waited = 0; IsWindow(box) && waited < kWaitMs; waited += 20)
            Sleep(20);
        return text;
    }

    // The exit code, or 99 when the program did not end in time.
    DWORD Finish()
    {
        if (WaitForSingleObject(process.hProcess, kWaitMs) != WAIT_OBJECT_0)
            return 99;
        DWORD code = 99;
        GetExitCodeProcess(process.hProcess, &code);
        return code;
    }

    bool started = false;
    PROCESS_INFORMATION process = {};
    HWND dialog = nullptr;
};

class FlagbenchTest : public ::testing::Test {
protected:
    void SetUp() override { folder = FreshFolder("flagbench"); }

    std::string WriteFile(const std::string& name, const std::vector<unsigned char>& bytes)
    {
        std::string path = JoinPath(folder, name);
        EXPECT_TRUE(WriteBytes(path, bytes));
        return path;
    }

    std::string folder;
};

TEST_F(FlagbenchTest, ShowsTheHeaderAndKeepsChecksAndDecimalInStep)
{
    std::vector<unsigned char> before = WithSignature(ShowBytes(800, 600, 3, kPoints), "Mira");
    std::string path = WriteFile("three.sho", before);

    FlagbenchRun run(path);
    ASSERT_TRUE(run.started);
    ASSERT_TRUE(run.WaitForDialog());
    EXPECT_EQ("2", run.Text(IDC_FLAGBENCH_VERSION));
    EXPECT_EQ("800", run.Text(IDC_FLAGBENCH_WIDTH));
    EXPECT_EQ("600", run.Text(IDC_FLAGBENCH_HEIGHT));
    EXPECT_EQ("Mira", run.Text(IDC_FLAGBENCH_SIGNATURE));
    EXPECT_EQ("3", run.Text(IDC_FLAGBENCH_FLAGS));
    EXPECT_TRUE(run.Checked(IDC_FLAGBENCH_BIT0));
    EXPECT_TRUE(run.Checked(IDC_FLAGBENCH_BIT1));
    EXPECT_FALSE(run.Checked(IDC_FLAGBENCH_BIT2));
    EXPECT_EQ("Bit 0 is set. Os type is DOS.", run.Text(IDC_FLAGBENCH_BIT0_TEXT));
    EXPECT_EQ("Bit 1 is set. Compatability Warnings are on.", run.Text(IDC_FLAGBENCH_BIT1_TEXT));
    EXPECT_EQ("Bit 2 is not set. Priority is normal.", run.Text(IDC_FLAGBENCH_BIT2_TEXT));

    run.Click(IDC_FLAGBENCH_BIT2);
    EXPECT_EQ("7", run.Text(IDC_FLAGBENCH_FLAGS));
    EXPECT_TRUE(run.Checked(IDC_FLAGBENCH_BIT2));
    EXPECT_EQ("Bit 2 is set. Priority is High.", run.Text(IDC_FLAGBENCH_BIT2_TEXT));

    run.Click(IDC_FLAGBENCH_BIT0);
    EXPECT_EQ("6", run.Text(IDC_FLAGBENCH_FLAGS));
    EXPECT_FALSE(run.Checked(IDC_FLAGBENCH_BIT0));
    EXPECT_EQ("Bit 0 is not set. Os type is NT.", run.Text(IDC_FLAGBENCH_BIT0_TEXT));
    run.Click(IDC_FLAGBENCH_BIT1);
    EXPECT_EQ("Bit 1 is not set. Compatability Warnings are off.", run.Text(IDC_FLAGBENCH_BIT1_TEXT));
    run.Click(IDC_FLAGBENCH_BIT0);
    run.Click(IDC_FLAGBENCH_BIT1);
    EXPECT_EQ("7", run.Text(IDC_FLAGBENCH_FLAGS));

    run.PostClick(IDOK);
    EXPECT_EQ(0u, run.Finish());

    // Only the flag word changed.
    std::vector<unsigned char> expected = before;
    expected[8] = 7;
    EXPECT_EQ(expected, ReadBytes(path));
}

TEST_F(FlagbenchTest, TypedNumberSetsEveryBitAndKeepsHigherOnes)
{
    std::string path = WriteFile("typed.sho", ShowBytes(1024, 768, 3, kPoints));

    FlagbenchRun run(path);
    ASSERT_TRUE(run.WaitForDialog());
    run.Type(IDC_FLAGBENCH_FLAGS, "12");
    EXPECT_FALSE(run.Checked(IDC_FLAGBENCH_BIT0));
    EXPECT_FALSE(run.Checked(IDC_FLAGBENCH_BIT1));
    EXPECT_TRUE(run.Checked(IDC_FLAGBENCH_BIT2));
    EXPECT_EQ("Bit 0 is not set. Os type is NT.", run.Text(IDC_FLAGBENCH_BIT0_TEXT));
    EXPECT_EQ("Bit 2 is set. Priority is High.", run.Text(IDC_FLAGBENCH_BIT2_TEXT));

    // A value above 65535 keeps its low 16 bits; text that is no number reads as 0.
    run.Type(IDC_FLAGBENCH_FLAGS, "65543");
    EXPECT_TRUE(run.Checked(IDC_FLAGBENCH_BIT0));
    EXPECT_TRUE(run.Checked(IDC_FLAGBENCH_BIT1));
    EXPECT_TRUE(run.Checked(IDC_FLAGBENCH_BIT2));
    run.SetText(IDC_FLAGBENCH_FLAGS, "many");
    EXPECT_FALSE(run.Checked(IDC_FLAGBENCH_BIT0));
    EXPECT_FALSE(run.Checked(IDC_FLAGBENCH_BIT2));

    // Bit 3 has no check box and survives a click on another bit.
    run.Type(IDC_FLAGBENCH_FLAGS, "12");
    run.Click(IDC_FLAGBENCH_BIT0);
    EXPECT_EQ("13", run.Text(IDC_FLAGBENCH_FLAGS));
    run.Click(IDC_FLAGBENCH_BIT0);
    EXPECT_EQ("12", run.Text(IDC_FLAGBENCH_FLAGS));

    run.PostClick(IDOK);
    EXPECT_EQ(0u, run.Finish());
    std::vector<unsigned char> after = ReadBytes(path);
    ASSERT_EQ(176u + 16 * kPoints.size(), after.size());
    EXPECT_EQ(12, Word(after, 8));
}

TEST_F(FlagbenchTest, CancelAndCloseLeaveTheFileByteForByte)
{
    std::vector<unsigned char> before = WithSignature(ShowBytes(640, 480, 5, kPoints), "Old name");
    before.push_back(0xAB);  // a partial record that a save would drop
    std::string path = WriteFile("cancel.sho", before);

    {
        FlagbenchRun run(path);
        ASSERT_TRUE(run.WaitForDialog());
        run.Click(IDC_FLAGBENCH_BIT1);
        run.Type(IDC_FLAGBENCH_FLAGS, "99");
        run.Type(IDC_FLAGBENCH_WIDTH, "1");
        run.Type(IDC_FLAGBENCH_SIGNATURE, "New name");
        run.PostClick(IDCANCEL);
        EXPECT_EQ(0u, run.Finish());
        EXPECT_EQ(before, ReadBytes(path));
    }
    {
        FlagbenchRun run(path);
        ASSERT_TRUE(run.WaitForDialog());
        run.Click(IDC_FLAGBENCH_BIT2);
        PostMessageA(run.dialog, WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, run.Finish());
        EXPECT_EQ(before, ReadBytes(path));
    }
}

TEST_F(FlagbenchTest, SaveStoresDimensionsAndSignatureAndAlwaysVersionTwo)
{
    std::string path = WriteFile("fields.sho", WithSignature(ShowBytes(1024, 768, 0, kPoints), "Someone"));

    {
        FlagbenchRun run(path);
        ASSERT_TRUE(run.WaitForDialog());
        run.Type(IDC_FLAGBENCH_VERSION, "5");
        run.Type(IDC_FLAGBENCH_WIDTH, "1280");
        run.Type(IDC_FLAGBENCH_HEIGHT, "66560");  // 65536 + 1024
        run.Type(IDC_FLAGBENCH_SIGNATURE, "0123456789012345678901234567890123456789abcde");
        run.PostClick(IDOK);
        EXPECT_EQ(0u, run.Finish());
    }
    std::vector<unsigned char> after = ReadBytes(path);
    ASSERT_EQ(176u + 16 * kPoints.size(), after.size());
    EXPECT_EQ(2, Word(after, 2));
    EXPECT_EQ(1280, Word(after, 4));
    EXPECT_EQ(1024, Word(after, 6));
    std::vector<unsigned char> expected = ShowBytes(1280, 1024, 0, kPoints);
    expected = WithSignature(expected, "0123456789012345678901234567890123456789");
    EXPECT_EQ(expected, after);

    {
        FlagbenchRun run(path);
        ASSERT_TRUE(run.WaitForDialog());
        EXPECT_EQ("0123456789012345678901234567890123456789", run.Text(IDC_FLAGBENCH_SIGNATURE));
        run.Type(IDC_FLAGBENCH_SIGNATURE, "");
        run.PostClick(IDOK);
        EXPECT_EQ(0u, run.Finish());
    }
    // An empty signature field writes 40 zero slots.
    EXPECT_EQ(ShowBytes(1280, 1024, 0, kPoints), ReadBytes(path));
}

TEST_F(FlagbenchTest, QuotedPathWithSpaceOpensThatFile)
{
    std::string spaced = JoinPath(folder, "my shows");
    CreateDirectoryA(spaced.c_str(), nullptr);
    std::string path = JoinPath(spaced, "first show.sho");
    ASSERT_TRUE(WriteBytes(path, ShowBytes(1024, 768, 0, kPoints)));

    // Blanks after the closing quote and a missing closing quote still name the file.
    const std::string lines[] = {"\"" + path + "\"", "\"" + path + "\"  ", "\"" + path};
    uint16_t flags = 0;
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        FlagbenchRun run(line);
        ASSERT_TRUE(run.WaitForDialog());
        run.Click(IDC_FLAGBENCH_BIT2);
        run.PostClick(IDOK);
        EXPECT_EQ(0u, run.Finish());
        flags ^= HF_PRIORITY;
        EXPECT_EQ(ShowBytes(1024, 768, flags, kPoints), ReadBytes(path));
    }
}

TEST_F(FlagbenchTest, VersionOneFileIsWrittenBackAsVersionTwo)
{
    std::string path = WriteFile("old.sho", ShowBytes(640, 480, 2, kPoints, 1));

    FlagbenchRun run(path);
    ASSERT_TRUE(run.WaitForDialog());
    EXPECT_EQ("1", run.Text(IDC_FLAGBENCH_VERSION));
    EXPECT_EQ("640", run.Text(IDC_FLAGBENCH_WIDTH));
    EXPECT_EQ("2", run.Text(IDC_FLAGBENCH_FLAGS));
    EXPECT_EQ("", run.Text(IDC_FLAGBENCH_SIGNATURE));
    run.PostClick(IDOK);
    EXPECT_EQ(0u, run.Finish());
    EXPECT_EQ(ShowBytes(640, 480, 2, kPoints), ReadBytes(path));
}

TEST_F(FlagbenchTest, EmptyCommandLineEndsAtOnce)
{
    FlagbenchRun run("");
    ASSERT_TRUE(run.started);
    EXPECT_EQ(0u, run.Finish());
    FlagbenchRun spaces("   ");
    EXPECT_EQ(0u, spaces.Finish());
}

TEST_F(FlagbenchTest, UnloadableShowsAreReportedInTheErrorBox)
{
    std::vector<TestPoint> untimed = kPoints;
    for (TestPoint& point : untimed)
        point.delay = 0;
    struct Case {
        std::string path;
        std::string message;
    };
    std::string missing = JoinPath(folder, "missing.sho");
    std::string untimedPath = WriteFile("untimed.sho", ShowBytes(1024, 768, 4, untimed));
    std::string headerOnly = WriteFile("header.sho", ShowBytes(1024, 768, 4, {}));
    std::string empty = WriteFile("empty.sho", {});
    const Case cases[] = {
        {missing, "Failed to open file: [" + missing + "] [No such file or directory]"},
        {untimedPath, "No timed points in show file: [" + untimedPath + "]"},
        {headerOnly, "No timed points in show file: [" + headerOnly + "]"},
        {empty, "Failed to read file: ["},
        {std::string(1100, 'x'), "Failed to open file: [xxxxxxxx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::vector<unsigned char> before = ReadBytes(c.path);
        FlagbenchRun run(c.path);
        std::string text = run.DismissError();
        EXPECT_EQ(c.message, text.substr(0, c.message.size()));
        EXPECT_EQ(0u, run.Finish());
        EXPECT_EQ(before, ReadBytes(c.path));
    }
    EXPECT_FALSE(FileExists(missing));
}

TEST_F(FlagbenchTest, ReadOnlyFileIsReportedAndLeftAlone)
{
    std::vector<unsigned char> before = ShowBytes(1024, 768, 1, kPoints);
    std::string path = WriteFile("locked.sho", before);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));

    FlagbenchRun run(path);
    ASSERT_TRUE(run.WaitForDialog());
    run.Click(IDC_FLAGBENCH_BIT2);
    run.PostClick(IDOK);
    EXPECT_EQ("Failed to open: [" + path + "] [Permission denied]", run.DismissError());
    EXPECT_EQ(before, ReadBytes(path));

    // The dialog stays open with the change, so a save after unlocking works.
    ASSERT_TRUE(IsWindow(run.dialog));
    EXPECT_EQ("5", run.Text(IDC_FLAGBENCH_FLAGS));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    run.PostClick(IDOK);
    EXPECT_EQ(0u, run.Finish());
    EXPECT_EQ(ShowBytes(1024, 768, 5, kPoints), ReadBytes(path));
}

// Another program holding the show open makes the platform refuse the write:
// without write sharing at the open, with write but no delete sharing at the
// replacement of the old file by the new one.
TEST_F(FlagbenchTest, ShowHeldOpenElsewhereIsReportedAndLeftAlone)
{
    std::vector<unsigned char> before = ShowBytes(1024, 768, 1, kPoints);
    std::string path = WriteFile("busy.sho", before);
    struct Case {
        DWORD sharing;
        std::string message;
    };
    const Case cases[] = {
        {FILE_SHARE_READ, "Failed to open: [" + path + "] [Permission denied]"},
        {FILE_SHARE_READ | FILE_SHARE_WRITE, "File write failed: [Permission denied]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sharing);
        HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, c.sharing, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        FlagbenchRun run(path);
        ASSERT_TRUE(run.WaitForDialog());
        run.Click(IDC_FLAGBENCH_BIT1);
        run.PostClick(IDOK);
        EXPECT_EQ(c.message, run.DismissError());
        CloseHandle(held);
        EXPECT_EQ(before, ReadBytes(path));
        run.PostClick(IDCANCEL);
        EXPECT_EQ(0u, run.Finish());
        EXPECT_EQ(before, ReadBytes(path));
    }
    // No temporary copy is left beside the show.
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(JoinPath(folder, "tvs*").c_str(), &data);
    EXPECT_EQ(INVALID_HANDLE_VALUE, find);
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
}

}  // namespace
