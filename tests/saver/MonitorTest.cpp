// The real tovarensaver.scr with /s on a machine with two monitors (the
// two-monitor X server that run-on-two-monitors.sh starts): each monitor
// paints a show of its own over its own desktop, the keys act on both, input
// on either ends everything, and "main monitor only" leaves the other dark.
// The runner places the second monitor right of the main one, left of it
// (negative coordinates), and as a smaller monitor right of it, and runs
// every test in each layout.
#include "DesktopPicture.h"
#include "SaverProcess.h"
#include "SaverState.h"
#include "SaverTestSupport.h"
#include "ScreenSaver.h"
#include "ShowPlayer.h"

#include <vector>

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kYellow = RGB(255, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kOrange = RGB(255, 128, 0);
const COLORREF kPurple = RGB(128, 0, 128);
const COLORREF kCyan = RGB(0, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kCharacterColour = RGB(0, 200, 255);

struct Monitors {
    RECT main = {0, 0, 0, 0};
    RECT other = {0, 0, 0, 0};
    int count = 0;
};

BOOL CALLBACK NoteMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    Monitors* found = reinterpret_cast<Monitors*>(data);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoA(monitor, &info);
    if (info.dwFlags & MONITORINFOF_PRIMARY)
        found->main = info.rcMonitor;
    else
        found->other = info.rcMonitor;
    ++found->count;
    return TRUE;
}

// Where the runner put the second monitor: "RightOf", "LeftOf" or
// "SmallRightOf".
std::string SecondMonitorPlace()
{
    char place[32] = "";
    GetEnvironmentVariableA("TOVAREN_SECOND_MONITOR", place, sizeof(place));
    return place;
}

// Runs xrandr of the X server the test runs on (Wine starts Unix programs
// too); it takes outputs off and on as unplugging a monitor would.
bool RunXrandr(const std::string& arguments)
{
    PROCESS_INFORMATION process;
    if (!StartProgram("Z:\\usr\\bin\\xrandr", arguments, &process))
        return false;
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return true;
}

int Area(const RECT& r)
{
    return (r.right - r.left) * (r.bottom - r.top);
}

class TwoMonitors : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnumDisplayMonitors(nullptr, nullptr, NoteMonitor, reinterpret_cast<LPARAM>(&monitors));
        ASSERT_EQ(2, monitors.count) << "these tests run on the two-monitor X server "
                                        "(tests/saver/run-on-two-monitors.sh)";
        if (SecondMonitorPlace() == "LeftOf") {
            ASSERT_LT(monitors.other.left, 0) << "the second monitor is not left of the main one";
        } else {
            ASSERT_GE(monitors.other.left, monitors.main.right);
        }
        if (SecondMonitorPlace() == "SmallRightOf") {
            ASSERT_EQ(800, monitors.other.right - monitors.other.left);
        }
        showFolder = FreshFolder("monitor_shows");
        characterFolder = FreshFolder("monitor_chars");
        WriteBytes(JoinPath(characterFolder, "blue.bmp"), BitmapBytes(60, 60, kCharacterColour));
        SetPlainSettings(showFolder, characterFolder);
        // A desktop over both monitors that repaints itself.
        RECT all = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                    GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
        SetWindowPos(desktop.window, nullptr, all.left, all.top, all.right, all.bottom,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(desktop.window, nullptr, TRUE);
        PumpFor(300);
        ParkPointer();
    }
    void AddShows(std::initializer_list<COLORREF> colours)
    {
        int n = 0;
        for (COLORREF colour : colours) {
            std::string name = "show" + std::to_string(n++) + ".sho";
            WriteShow(JoinPath(showFolder, name), FloodShow(colour));
        }
    }
    // Wine 8 moves the pointer to the main monitor's edge that faces the
    // other monitor when the main monitor changes its mode, and the saver
    // takes that for the user; parked there, the move is no move at all.
    void ParkPointer()
    {
        int x = monitors.other.left < monitors.main.left ? monitors.main.left
                                                         : monitors.main.right - 1;
        SetCursorPos(x, (monitors.main.top + monitors.main.bottom) / 2);
        PumpFor(200);
    }
    // The show colour that covers most of the area, or CLR_INVALID.
    COLORREF ShownColour(const RECT& area, std::initializer_list<COLORREF> colours)
    {
        for (COLORREF colour : colours) {
            if (CountScreenColour(area, colour, 8) > Area(area) * 8 / 10)
                return colour;
        }
        return CLR_INVALID;
    }
    bool ShowsDesktop(const RECT& area)
    {
        return CountScreenColour(area, FakeDesktop::kGreen, 8) > Area(area) / 3 &&
               CountScreenColour(area, FakeDesktop::kGrey, 8) > Area(area) / 3;
    }
    // Starts the saver and waits until both monitors show a show.
    void StartAndWaitForBoth(SaverProcess& saver, std::initializer_list<COLORREF> colours,
                             COLORREF* onMain, COLORREF* onOther)
    {
        ASSERT_TRUE(ShowsDesktop(monitors.main));
        ASSERT_TRUE(ShowsDesktop(monitors.other));
        ASSERT_TRUE(saver.Start("/s"));
        bool both = WaitUntil([&] {
            *onMain = ShownColour(monitors.main, colours);
            *onOther = ShownColour(monitors.other, colours);
            return *onMain != CLR_INVALID && *onOther != CLR_INVALID;
        }, 20000, 200);
        ASSERT_TRUE(both) << "main " << std::hex << *onMain << ", other " << *onOther;
        paintingSeen = GetTickCount();
    }
    // Beside other monitors the pointer's moves of the first seconds are
    // Wine's (it moves the pointer after the mode change), and the saver
    // lets them pass; a user's move comes later.
    void WaitBeforeMoving()
    {
        while (GetTickCount() - paintingSeen < 3500)
            PumpFor(100);
    }
    void EndAndSeeBothDesktops(SaverProcess& saver)
    {
        ASSERT_TRUE(saver.WaitForExit(5000)) << "the saver went on after input";
        EXPECT_EQ(0u, saver.exitCode);
        EXPECT_TRUE(WaitUntil([&] { return ShowsDesktop(monitors.main); }, 3000, 100));
        EXPECT_TRUE(WaitUntil([&] { return ShowsDesktop(monitors.other); }, 3000, 100));
    }

    ScopedCleanProductKey clean;
    Monitors monitors;
    FakeDesktop desktop;
    std::string showFolder;
    std::string characterFolder;
    DWORD paintingSeen = 0;
};

}  // namespace

TEST_F(TwoMonitors, EachMonitorPaintsItsOwnShowNSkipsBothAndAMoveEndsBoth)
{
    // Enough shows that N, seen once or twice, always finds unseen ones.
    const auto colours = {kRed, kYellow, kBlue, kOrange, kPurple, kCyan};
    AddShows(colours);
    SaverProcess saver;
    COLORREF firstMain = CLR_INVALID;
    COLORREF firstOther = CLR_INVALID;
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForBoth(saver, colours, &firstMain, &firstOther));
    EXPECT_NE(firstMain, firstOther) << "both monitors started the same show";

    HWND cover = FindWindowA("TovarenMonitor", nullptr);
    ASSERT_NE(nullptr, cover);
    RECT coverRect;
    GetWindowRect(cover, &coverRect);
    EXPECT_TRUE(EqualRect(&coverRect, &monitors.other));
    EXPECT_TRUE(GetWindowLongA(cover, GWL_EXSTYLE) & WS_EX_TOPMOST);

    // N: both go on with shows not seen yet, still two different ones.
    PressKey('N', 200);
    COLORREF nextMain = CLR_INVALID;
    COLORREF nextOther = CLR_INVALID;
    EXPECT_TRUE(WaitUntil([&] {
        nextMain = ShownColour(monitors.main, colours);
        nextOther = ShownColour(monitors.other, colours);
        return nextMain != firstMain && nextMain != firstOther && nextOther != firstMain &&
               nextOther != firstOther && nextMain != CLR_INVALID && nextOther != CLR_INVALID;
    }, 8000, 200)) << "after N: main " << std::hex << nextMain << ", other " << nextOther;
    EXPECT_NE(nextMain, nextOther);
    EXPECT_TRUE(saver.Running()) << "N is not activity";

    WaitBeforeMoving();
    MoveMouseBy(40, 25);
    EndAndSeeBothDesktops(saver);
}

TEST_F(TwoMonitors, AnUnseenPriorityShowPlaysOnOneMonitorAndIsMarkedSeenWhenItEnds)
{
    std::vector<TestPoint> shortShow = FloodShow(kRed);
    shortShow.resize(12);  // about a second
    std::string priorityPath = JoinPath(showFolder, "priority.sho");
    WriteShow(priorityPath, shortShow, HF_PRIORITY);
    WriteShow(JoinPath(showFolder, "yellow.sho"), FloodShow(kYellow));
    WriteShow(JoinPath(showFolder, "blue.sho"), FloodShow(kBlue));
    SaverProcess saver;
    COLORREF onMain = CLR_INVALID;
    COLORREF onOther = CLR_INVALID;
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForBoth(saver, {kRed, kYellow, kBlue}, &onMain, &onOther));
    EXPECT_EQ(kRed, onMain) << "the unseen priority show did not come first";
    EXPECT_NE(kRed, onOther) << "the priority show played on both monitors";

    std::string viewedKey = std::string(kProductKey) + "\\PriorityFilesViewed";
    auto markedSeen = [&] {
        char data[64] = "";
        DWORD size = sizeof(data) - 1;
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, viewedKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        LONG result = RegQueryValueExA(key, priorityPath.c_str(), nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(key);
        return result == ERROR_SUCCESS && strcmp(data, "Priority Sho File Viewed") == 0;
    };
    EXPECT_TRUE(WaitUntil(markedSeen, 10000, 200)) << "the priority show was not marked seen";
    PressKey(VK_SPACE, 200);
    EndAndSeeBothDesktops(saver);
}

TEST_F(TwoMonitors, FewerShowsThanMonitorsPlayTheSameShowOnBothAndAKeyEndsBoth)
{
    AddShows({kBlue});
    SaverProcess saver;
    COLORREF onMain = CLR_INVALID;
    COLORREF onOther = CLR_INVALID;
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForBoth(saver, {kBlue}, &onMain, &onOther));
    PressKey('A');
    EndAndSeeBothDesktops(saver);
}

TEST_F(TwoMonitors, MainMonitorOnlyCoversTheOtherDarkAndAClickThereEndsAll)
{
    SetProductValue("TMON", "0");
    AddShows({kRed, kYellow});
    SaverProcess saver;
    ASSERT_TRUE(saver.Start("/s"));
    EXPECT_TRUE(WaitUntil([&] { return ShownColour(monitors.main, {kRed, kYellow}) != CLR_INVALID; },
                          20000, 200)) << "the main monitor shows no show";
    EXPECT_TRUE(WaitUntil([&] {
        return CountScreenColour(monitors.other, kBlack, 8) > Area(monitors.other) * 99 / 100;
    }, 5000, 200)) << "the other monitor is not dark";
    PumpFor(1500);
    EXPECT_GT(CountScreenColour(monitors.other, kBlack, 8), Area(monitors.other) * 99 / 100)
        << "something was painted on the dark monitor";

    // A click on the dark monitor ends the saver as one on the main monitor would.
    SetCursorPos((monitors.other.left + monitors.other.right) / 2,
                 (monitors.other.top + monitors.other.bottom) / 2);
    ClickMouse();
    EndAndSeeBothDesktops(saver);
}

TEST_F(TwoMonitors, AMonitorUnpluggedWhileRunningTakesItsWindowAndTheMainOneGoesOn)
{
    AddShows({kRed, kYellow});
    SaverProcess saver;
    COLORREF onMain = CLR_INVALID;
    COLORREF onOther = CLR_INVALID;
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForBoth(saver, {kRed, kYellow}, &onMain, &onOther));
    ASSERT_NE(nullptr, FindWindowA("TovarenMonitor", nullptr));

    ASSERT_TRUE(RunXrandr("--output DUMMY1 --off"));
    EXPECT_TRUE(WaitUntil([] { return GetSystemMetrics(SM_CMONITORS) == 1; }, 5000));
    EXPECT_TRUE(WaitUntil([] { return FindWindowA("TovarenMonitor", nullptr) == nullptr; }, 5000))
        << "the window of the unplugged monitor stayed";
    PumpFor(1500);
    EXPECT_TRUE(saver.Running()) << "unplugging a monitor ended the saver";
    EXPECT_EQ(onMain, ShownColour(monitors.main, {onMain}));

    PressKey(VK_SPACE, 250);
    EXPECT_TRUE(saver.WaitForExit(5000));
    EXPECT_EQ(0u, saver.exitCode);
    std::string place = SecondMonitorPlace() == "LeftOf" ? "--left-of" : "--right-of";
    RunXrandr("--output DUMMY1 --auto " + place + " DUMMY0");
    EXPECT_TRUE(WaitUntil([] { return GetSystemMetrics(SM_CMONITORS) == 2; }, 5000));
}

// The saver's full screen run in this process, so that the other monitor's
// set-up can be starved: with no address space left, DirectDraw or GDI
// refuses what that monitor's player needs. The monitor is covered dark and
// the main monitor's show goes on.
TEST_F(TwoMonitors, AMonitorWhoseSurfacesAreRefusedIsCoveredDarkAndTheMainShowGoesOn)
{
    AddShows({kRed, kYellow});
    ResetSaverState(GetModuleHandleA(nullptr));
    ASSERT_TRUE(InitSaver());
    ASSERT_TRUE(PrepareLists());
    RECT all = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
    all.right = all.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    all.bottom = all.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    CaptureDesktopPictureOf(all);
    CreateMonitorWindows();
    ASSERT_EQ(1, g_saver.monitorCount);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SaverWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TovarenInProcess";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "TovarenInProcess", "Tovaren", WS_POPUP | WS_VISIBLE,
                                  0, 0, g_saver.screenWidth, g_saver.screenHeight, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(window);
    ASSERT_TRUE(StartFirstShow(window, PickCharacterBitmap())) << g_saver.errorText;
    {
        AddressHoard hoard;
        StartMonitorShows();
    }
    EXPECT_TRUE(g_saver.monitors[0].dark);
    EXPECT_EQ(nullptr, g_saver.monitors[0].player);

    bool mainPlays = true;
    DWORD end = GetTickCount() + 2500;
    while (mainPlays && static_cast<int>(GetTickCount() - end) < 0) {
        mainPlays = g_saver.player->PlayStep();
        StepMonitorShows();
        PumpFor(5);
    }
    EXPECT_TRUE(mainPlays) << g_saver.player->message;
    EXPECT_NE(CLR_INVALID, ShownColour(monitors.main, {kRed, kYellow}))
        << "the main monitor's show stopped";
    EXPECT_GT(CountScreenColour(monitors.other, kBlack, 8), Area(monitors.other) * 99 / 100)
        << "the monitor that failed is not covered dark";
    EXPECT_EQ('\0', g_saver.errorText[0]) << g_saver.errorText;

    ReleaseMonitorShows();
    DestroyMonitorWindows();
    ReleaseAll();
    DestroyWindow(window);
    ReleaseDesktopPicture();
    PumpFor(300);
}
