// The real tovarensaver.scr, started with the command lines Windows uses:
// its modes, its full-screen picture over the desktop, the keys, the errors.
#include "SaverProcess.h"
#include "SaverTestSupport.h"

#include "DirectoryList.h"
#include "SaverState.h"
#include "ScreenSaver.h"
#include "ShowPlayer.h"
#include "resource.h"

#include <mmsystem.h>
#include <objbase.h>

#include <memory>

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kCharacterColour = RGB(0, 200, 255);
const RECT kScreen = {0, 0, 1024, 768};

RECT Band(int y)
{
    return {0, y - 8, 1024, y + 8};
}

class SaverProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        showFolder = FreshFolder("program_shows");
        characterFolder = FreshFolder("program_chars");
        WriteBytes(JoinPath(characterFolder, "blue.bmp"), BitmapBytes(60, 60, kCharacterColour));
        SetPlainSettings(showFolder, characterFolder);
    }
    // A show painting a horizontal line over 'seconds' at the given height.
    void AddShow(const char* name, COLORREF colour, int y, int points, uint16_t delay)
    {
        WriteShow(JoinPath(showFolder, name), LinePoints(points, delay, colour, static_cast<uint16_t>(y)));
    }
    // Starts full screen and waits until strokes of the colour are on screen.
    void StartAndWaitForStrokes(SaverProcess& saver, const char* arguments, COLORREF colour, int y)
    {
        ASSERT_TRUE(saver.Start(arguments));
        ASSERT_TRUE(WaitUntil([] { return FindSaverWindow() != nullptr; }, 15000));
        ASSERT_TRUE(WaitUntil([&] { return CountScreenColour(Band(y), colour) > 200; }, 15000))
            << "no strokes seen";
    }

    ScopedCleanProductKey clean;
    std::string showFolder;
    std::string characterFolder;
};

}  // namespace

TEST_F(SaverProgram, EmptyAndConfigureCommandLinesOpenTheSettingsDialog)
{
    for (const char* arguments : {"", "/c:1234", "/c"}) {
        SCOPED_TRACE(arguments);
        SaverProcess saver;
        ASSERT_TRUE(saver.Start(arguments));
        HWND dialog = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (dialog = FindTopWindow("Tovaren Settings")) != nullptr; }, 15000));
        EXPECT_EQ(nullptr, GetWindow(dialog, GW_OWNER));
        EXPECT_EQ(nullptr, FindSaverWindow());
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(saver.WaitForExit(10000));
        EXPECT_EQ(0u, saver.exitCode);
    }
}

TEST_F(SaverProgram, FullScreenPaintsOverTheDesktopAndEndsOnInput)
{
    AddShow("red.sho", kRed, 300, 120, 30);
    FakeDesktop desktop;
    struct Case {
        const char* arguments;
        int input;  // 0 key, 1 mouse move, 2 mouse button, 3 key let go at once
    } cases[] = {{"/s", 0}, {"/C", 1}, {"/a", 2}, {"/x", 0}, {"/s", 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        // A hung program's window must not keep the saver from ending.
        std::unique_ptr<UnansweringWindow> hung(c.input == 2 ? new UnansweringWindow : nullptr);
        SaverProcess saver;
        StartAndWaitForStrokes(saver, c.arguments, kRed, 300);
        HWND window = FindSaverWindow();
        RECT rect;
        GetWindowRect(window, &rect);
        EXPECT_EQ(0, rect.left);
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), rect.right);
        EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), rect.bottom);
        EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        // Away from the stroke the captured desktop is still what is shown.
        RECT above = {0, 100, 1024, 200};
        EXPECT_GT(CountScreenColour(above, FakeDesktop::kGreen, 8), 20000);

        if (c.input == 0) {
            PressKey('A');
        } else if (c.input == 3) {
            // Down and up between two readings of the keyboard.
            SendKeyEvent('A', false);
            SendKeyEvent('A', true);
        } else if (c.input == 1) {
            MoveMouseBy(40, 25);
        } else {
            ClickMouse();
        }
        ASSERT_TRUE(saver.WaitForExit(5000));
        EXPECT_EQ(0u, saver.exitCode);
        // The desktop repaints where the strokes were.
        EXPECT_TRUE(WaitUntil([] { return CountScreenColour(Band(300), kRed) == 0; }, 3000));
        EXPECT_GT(CountScreenColour(Band(300), FakeDesktop::kGreen, 8), 3000);
    }
}

TEST_F(SaverProgram, PPausesAndATapOfPResumesTheDrawing)
{
    AddShow("red.sho", kRed, 300, 300, 40);
    FakeDesktop desktop;
    SaverProcess saver;
    StartAndWaitForStrokes(saver, "/s", kRed, 300);
    PressKey('P');
    PumpFor(400);
    int paused = CountScreenColour(Band(300), kRed);
    PumpFor(1200);
    EXPECT_EQ(paused, CountScreenColour(Band(300), kRed)) << "drawing went on while paused";
    EXPECT_TRUE(saver.Running()) << "P is not activity";
    // Down and up between two readings of the keyboard.
    SendKeyEvent('P', false);
    SendKeyEvent('P', true);
    EXPECT_TRUE(WaitUntil([&] { return CountScreenColour(Band(300), kRed) > paused + 300; }, 3000))
        << "drawing did not resume";
    PressKey(VK_SPACE);
    EXPECT_TRUE(saver.WaitForExit(5000));
}

TEST_F(SaverProgram, ATapOfNSkipsToTheNextShow)
{
    AddShow("red.sho", kRed, 300, 300, 40);
    AddShow("blue.sho", kBlue, 500, 300, 40);
    FakeDesktop desktop;
    SaverProcess saver;
    ASSERT_TRUE(saver.Start("/s"));
    COLORREF first = 0;
    ASSERT_TRUE(WaitUntil([&] {
        if (CountScreenColour(Band(300), kRed) > 200)
            first = kRed;
        else if (CountScreenColour(Band(500), kBlue) > 200)
            first = kBlue;
        return first != 0;
    }, 15000));
    COLORREF second = first == kRed ? kBlue : kRed;
    int secondY = first == kRed ? 500 : 300;
    int firstY = first == kRed ? 300 : 500;
    SendKeyEvent('N', false);
    SendKeyEvent('N', true);
    EXPECT_TRUE(WaitUntil([&] { return CountScreenColour(Band(secondY), second) > 200; }, 5000))
        << "the next show did not start";
    // The next show paints over a fresh copy of the desktop.
    EXPECT_EQ(0, CountScreenColour(Band(firstY), first));
    EXPECT_TRUE(saver.Running());
    PressKey(VK_SPACE);
    EXPECT_TRUE(saver.WaitForExit(5000));
}

TEST_F(SaverProgram, NoShowAnywhereEndsAtOnceWithoutWindow)
{
    std::string defaultFolder = DefaultShowFolder();
    if (!FolderEntries(defaultFolder).empty())
        GTEST_SKIP() << "the default folder of this prefix holds files: " << defaultFolder;
    SetProductValue("TIL", "", HKEY_LOCAL_MACHINE);
    SaverProcess saver;
    ASSERT_TRUE(saver.Start("/s"));
    bool windowSeen = false;
    bool exited = WaitUntil([&] {
        windowSeen = windowSeen || FindSaverWindow() != nullptr;
        return !saver.Running();
    }, 10000, 2);
    ASSERT_TRUE(exited);
    EXPECT_FALSE(windowSeen);
    EXPECT_EQ(0u, saver.exitCode);
    EXPECT_EQ(nullptr, FindTopWindow("Tovaren Error"));
}

TEST_F(SaverProgram, FailureStartingTheFirstShowIsReportedAfterTheWindowHasGone)
{
    std::string bad = JoinPath(showFolder, "broken.sho");
    WriteBytes(bad, {'g', 'a', 'r', 'b', 'a', 'g', 'e'});
    FakeDesktop desktop;
    SaverProcess saver;
    ASSERT_TRUE(saver.Start("/s"));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindTopWindow("Tovaren Error")) != nullptr; }, 15000));
    EXPECT_EQ(nullptr, FindSaverWindow());
    PumpFor(1500);
    ASSERT_TRUE(IsWindowVisible(box)) << "the box went away by itself";
    EXPECT_EQ("Invalid Tovaren file: [" + bad + "]", MessageBoxText(box));
    // The desktop under the box was repainted, not left black.
    RECT corner = {0, 0, 200, 200};
    EXPECT_GT(CountScreenColour(corner, FakeDesktop::kGreen, 8), 10000);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(saver.WaitForExit(10000));
    EXPECT_EQ(0u, saver.exitCode);
}

// ---- Preview

namespace {

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakePreviewParent()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ParentProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "TovarenTestPreviewParent";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, "TovarenTestPreviewParent", "preview parent",
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 320, 260, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

TEST_F(SaverProgram, PreviewIsAChildFillingTheParentAndEndsWithIt)
{
    AddShow("red.sho", kRed, 300, 60, 30);
    HWND parent = MakePreviewParent();
    ASSERT_NE(nullptr, parent);
    SaverProcess saver;
    ASSERT_TRUE(saver.Start("/p " + std::to_string(reinterpret_cast<INT_PTR>(parent))));
    HWND child = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (child = FindWindowExA(parent, nullptr, "Tovaren", "Tovaren")) != nullptr; },
                          15000));
    DWORD owner = 0;
    GetWindowThreadProcessId(child, &owner);
    EXPECT_EQ(saver.processId, owner);
    RECT parentClient, childRect;
    GetClientRect(parent, &parentClient);
    GetClientRect(child, &childRect);
    EXPECT_EQ(parentClient.right, childRect.right);
    EXPECT_EQ(parentClient.bottom, childRect.bottom);
    EXPECT_TRUE(GetWindowLongA(child, GWL_STYLE) & WS_CHILD);

    // Mouse messages do not end a preview.
    PostMessageA(child, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    PumpFor(1500);
    EXPECT_TRUE(saver.Running());

    DestroyWindow(parent);
    ASSERT_TRUE(saver.WaitForExit(10000));
    EXPECT_EQ(0u, saver.exitCode);
}

namespace {

struct PreviewWatch {
    DWORD started = 0;
    DWORD firstShowAt = 0;
    SIZE character = {0, 0};
    HWND child = nullptr;
};
PreviewWatch g_watch;

void CALLBACK WatchPreview(HWND, UINT, UINT_PTR, DWORD now)
{
    if (!g_watch.firstShowAt && g_saver.player) {
        g_watch.firstShowAt = now;
        BITMAP info = {};
        GetObject(g_saver.characterBitmap, sizeof(info), &info);
        g_watch.character = {info.bmWidth, info.bmHeight};
    }
    // The watch ends once the show has started, or well after a start that
    // comes too late, so that the bound below can see it.
    if ((g_watch.firstShowAt || now - g_watch.started > 4000) && g_watch.child) {
        PostQuitMessage(0);
        g_watch.child = nullptr;
    }
}

// Starts an in-process preview child for the tests that watch the player.
HWND StartInProcessPreview(HWND* parent)
{
    CoInitialize(nullptr);
    ResetSaverState(GetModuleHandleA(nullptr));
    if (!LoadSettings() || !PrepareLists())
        return nullptr;
    g_saver.previewMode = 1;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SaverWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "Tovaren";
    RegisterClassA(&windowClass);
    *parent = MakePreviewParent();
    return CreateWindowExA(0, "Tovaren", "Tovaren", WS_CHILD | WS_VISIBLE, 0, 0, 304, 222, *parent,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

void EndInProcessPreview(HWND parent)
{
    ReleaseAll();
    DestroyWindow(parent);
    CoUninitialize();
    // The child's end posted a quit message that would end the next preview loop.
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

}  // namespace

// Inside one process, where the player's drawing can be watched: the first
// show of a preview starts after 800 ms with the small character 129.
TEST_F(SaverProgram, PreviewStartsAfterItsDelayWithTheSmallCharacter)
{
    AddShow("red.sho", kRed, 300, 60, 30);
    HWND parent = nullptr;
    HWND child = StartInProcessPreview(&parent);
    ASSERT_NE(nullptr, child);
    g_watch = PreviewWatch();
    g_watch.child = child;
    SetTimer(child, 1, 1000, nullptr);
    SetTimer(nullptr, 0, 10, WatchPreview);
    g_watch.started = timeGetTime();
    EXPECT_TRUE(RunPreview(child)) << g_saver.errorText << (g_saver.player ? g_saver.player->message : "no player");
    ASSERT_NE(0u, g_watch.firstShowAt) << g_saver.errorText;
    EXPECT_GE(g_watch.firstShowAt - g_watch.started, 800u);
    // The upper bound catches a start that waits far longer than its delay;
    // a busy machine adds some hundred milliseconds to the set-up.
    EXPECT_LT(g_watch.firstShowAt - g_watch.started, 2500u);
    EXPECT_EQ(50, g_watch.character.cx);
    EXPECT_EQ(82, g_watch.character.cy);
    EndInProcessPreview(parent);
}

namespace {

const COLORREF kDamage = RGB(255, 0, 255);

struct DamageWatch {
    HWND child = nullptr;
    DWORD started = 0;
    bool damaged = false;
    int damagedAtOnce = 0;
    DWORD lastStepBeforeDamage = 0;  // the player's clock at its last step
    DWORD lastStepAfterDamage = 0;
    int damagedLeft = -1;  // pixels of the damage colour still there 800 ms later
};
DamageWatch g_damage;

int CountDamagePixels(HWND window)
{
    HDC dc = GetDC(window);
    int count = 0;
    for (int y = 10; y < 210; y += 10)
        for (int x = 10; x < 300; x += 10)
            if (GetPixel(dc, x, y) == kDamage) ++count;
    ReleaseDC(window, dc);
    return count;
}

// Another window painted over the preview and went away: the child is asked
// to paint while the next point of the show is a minute off.
void CALLBACK DamagePreview(HWND, UINT, UINT_PTR, DWORD now)
{
    // Damage once the first show has been resting for 600 ms.
    bool resting = g_saver.player && g_saver.player->currentPoint != g_saver.document->head.next &&
                   static_cast<int32_t>(now - g_saver.player->nowMs) > 600;
    if (!g_damage.damaged && now - g_damage.started > 10000) {
        PostQuitMessage(0);
    } else if (!g_damage.damaged && resting) {
        HDC dc = GetDC(g_damage.child);
        HBRUSH brush = CreateSolidBrush(kDamage);
        RECT all = {0, 0, 304, 222};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        ReleaseDC(g_damage.child, dc);
        GdiFlush();
        g_damage.damagedAtOnce = CountDamagePixels(g_damage.child);
        g_damage.lastStepBeforeDamage = g_saver.player ? g_saver.player->nowMs : 0;
        InvalidateRect(g_damage.child, nullptr, FALSE);
        g_damage.damaged = true;
        g_damage.started = now;
    } else if (g_damage.damaged && g_damage.damagedLeft < 0 && now - g_damage.started > 800) {
        g_damage.damagedLeft = CountDamagePixels(g_damage.child);
        g_damage.lastStepAfterDamage = g_saver.player ? g_saver.player->nowMs : 0;
        PostQuitMessage(0);
    }
}

}  // namespace

// The saver holds the first point of its first show for half a second, so the
// painter is seen standing before it starts to paint.
TEST_F(SaverProgram, FirstShowWaitsHalfASecond)
{
    AddShow("quick.sho", kRed, 300, 4, 0);
    HWND parent = nullptr;
    HWND child = StartInProcessPreview(&parent);
    ASSERT_NE(nullptr, child);
    DWORD before = timeGetTime();
    ASSERT_TRUE(StartFirstShow(child, LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_CHAR_PREVIEW))))
        << g_saver.errorText;
    DWORD after = timeGetTime();
    EXPECT_GE(static_cast<int32_t>(g_saver.player->nextDueMs - before), 500);
    EXPECT_LE(static_cast<int32_t>(g_saver.player->nextDueMs - after), 500);
    while (timeGetTime() - after < 350)
        ASSERT_TRUE(g_saver.player->PlayStep());
    EXPECT_EQ(g_saver.document->head.next, g_saver.player->currentPoint) << "still on the first point";
    Sleep(250);
    EXPECT_FALSE(g_saver.player->PlayStep()) << "all four zero-delay points once the hold is over";
    EXPECT_TRUE(g_saver.player->ok);
    EndInProcessPreview(parent);
}

// While the next point is far off the loop rests, but a picture damaged by
// another window is presented again at once, not when the point falls due.
TEST_F(SaverProgram, PreviewRepaintsDamageWhileTheNextPointIsFarOff)
{
    AddShow("slow.sho", kRed, 300, 3, 60000);
    HWND parent = nullptr;
    HWND child = StartInProcessPreview(&parent);
    ASSERT_NE(nullptr, child);
    g_damage = DamageWatch();
    g_damage.child = child;
    g_damage.started = timeGetTime();
    SetTimer(child, 1, 1000, nullptr);
    SetTimer(nullptr, 0, 20, DamagePreview);
    EXPECT_TRUE(RunPreview(child)) << g_saver.errorText;
    ASSERT_TRUE(g_damage.damaged) << "the loop never rested with the next point far off";
    EXPECT_GT(g_damage.damagedAtOnce, 500) << "the damage was on screen";
    EXPECT_GE(static_cast<int32_t>(g_damage.lastStepAfterDamage - g_damage.started), 0)
        << "the picture was presented again after the paint";
    // Wine's DirectDraw also repaints a windowed surface by itself; Windows does
    // not, so there this is what shows the repaint.
    EXPECT_EQ(0, g_damage.damagedLeft) << "the damaged picture was left on screen";
    EndInProcessPreview(parent);
}

// ---- Pause between shows, compatibility warnings, manifest

TEST_F(SaverProgram, NextShowStartsAfterThePauseSeconds)
{
    SetProductValue("TPS", "2");
    AddShow("short.sho", kRed, 300, 8, 200);
    FakeDesktop desktop;
    SaverProcess saver;
    StartAndWaitForStrokes(saver, "/s", kRed, 300);
    // The show ends when its line stops growing; the next one starts over a
    // fresh copy of the desktop, so the line disappears.
    int last = -1;
    DWORD stableSince = GetTickCount();
    ASSERT_TRUE(WaitUntil([&] {
        int now = CountScreenColour(Band(300), kRed);
        if (now != last) {
            last = now;
            stableSince = GetTickCount();
        }
        return GetTickCount() - stableSince > 300;
    }, 10000, 10));
    DWORD ended = stableSince;
    ASSERT_TRUE(WaitUntil([&] { return CountScreenColour(Band(300), kRed) < last / 2; }, 8000, 10));
    DWORD pause = GetTickCount() - ended;
    EXPECT_GE(pause, 1500u);
    EXPECT_LE(pause, 3800u);
    PressKey(VK_SPACE);
    EXPECT_TRUE(saver.WaitForExit(5000));
}

namespace {

// Makes Wine report a DOS-based Windows to the saver program only.
class DosFamilyForSaver {
public:
    DosFamilyForSaver()
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
            ERROR_SUCCESS) {
            RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
            RegCloseKey(key);
        }
    }
    ~DosFamilyForSaver() { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }

private:
    static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\tovarensaver.scr";
};

struct TopEdge {
    int white;
    int red;
};

TopEdge WatchTopEdge(SaverProcess& saver)
{
    EXPECT_TRUE(WaitUntil([] { return CountScreenColour(Band(300), kRed) > 200; }, 15000));
    PumpFor(2500);
    RECT top = {0, 0, 1024, 14};
    RECT topRight = {900, 0, 1024, 14};
    TopEdge edge = {CountScreenColour(top, RGB(255, 255, 255), 10), CountScreenColour(topRight, kRed, 40)};
    PressKey(VK_SPACE);
    EXPECT_TRUE(saver.WaitForExit(5000));
    return edge;
}

}  // namespace

TEST_F(SaverProgram, CompatibilityWarningFollowsTheWindowsFamily)
{
    // Painted on NT with warnings asked for: a DOS-based Windows warns.
    WriteShow(JoinPath(showFolder, "nt.sho"), LinePoints(300, 40, kRed, 300), HF_COMPAT_WARNINGS);
    FakeDesktop desktop;
    {
        DosFamilyForSaver dos;
        SaverProcess saver;
        ASSERT_TRUE(saver.Start("/s"));
        TopEdge edge = WatchTopEdge(saver);
        EXPECT_GT(edge.white, 300) << "no warning text crawling along the top";
    }
    {
        DosFamilyForSaver dos;
        SetProductValue("SW", "NO");
        SaverProcess saver;
        ASSERT_TRUE(saver.Start("/s"));
        TopEdge edge = WatchTopEdge(saver);
        EXPECT_GT(edge.red, 5) << "no red marker at the top right";
        SetProductValue("SW", "");
    }
    {
        SaverProcess saver;  // the NT family, as the show was painted
        ASSERT_TRUE(saver.Start("/s"));
        TopEdge edge = WatchTopEdge(saver);
        EXPECT_EQ(0, edge.white);
        EXPECT_EQ(0, edge.red);
    }
}

TEST(SaverProgramFile, CarriesADpiAwareManifest)
{
    HMODULE program = LoadLibraryExA(BinPath("tovarensaver.scr").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program);
    HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(nullptr, found);
    const char* data = static_cast<const char*>(LockResource(LoadResource(program, found)));
    std::string manifest(data, SizeofResource(program, found));
    EXPECT_NE(std::string::npos, manifest.find("<dpiAware")) << manifest;
    EXPECT_NE(std::string::npos, manifest.find(">true</dpiAware>")) << manifest;
    FreeLibrary(program);
}

TEST_F(SaverProgram, F1WithoutTheHelpFilePointsToOnlineHelp)
{
    AddShow("red.sho", kRed, 300, 300, 40);
    FakeDesktop desktop;
    SaverProcess saver;
    StartAndWaitForStrokes(saver, "/s", kRed, 300);
    PressKey(VK_F1);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindTopWindow("No help file found")) != nullptr; }, 10000))
        << "running " << saver.Running() << " exit code " << std::hex << saver.exitCode;
    PumpFor(300);
    std::string text = MessageBoxText(box);
    EXPECT_EQ(0u, text.find("Help file \"help\\html\\TovarenHelp.html\" cannot be found.\n\n")) << text;
    EXPECT_NE(std::string::npos, text.find("Online help")) << text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    // The box took the focus from the saver, which then ends like on any activity.
    ASSERT_TRUE(saver.WaitForExit(10000));
    EXPECT_EQ(0u, saver.exitCode);
}
