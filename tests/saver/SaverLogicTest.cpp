// The screen saver's choice of shows, speeds and characters, and the
// standalone descriptor, linked in and run against real files and the registry.
#include "SaverTestSupport.h"

#include "AutoSpeed.h"
#include "DirectoryList.h"
#include "SaverState.h"
#include "ShowDocument.h"
#include "StandaloneInfo.h"
#include "tvRegistryClient.h"

#include <objbase.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

class SaverLogic : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        ResetSaverState(GetModuleHandleA(nullptr));
        ASSERT_TRUE(LoadSettings());
        g_saver.runningOnNT = 1;
    }
    void TearDown() override
    {
        ReleaseAll();
        CoUninitialize();
    }
    void Set(SettingIndex index, const char* text) { strcpy(g_saver.settings->settings[index], text); }
    std::string Name(const char* pickedPath) { return strrchr(pickedPath, '\\') + 1; }

    ScopedCleanProductKey clean;
};

// Plays the loaded document to its end the way the player walks it.
void PlayToEnd(ShowDocument* document)
{
    document->Rewind();
    while (document->NextPoint()) {
    }
}

std::string MakeShowFolder(const char* name, const std::vector<std::string>& shows,
                           const std::string& priorityShow = "")
{
    std::string folder = FreshFolder(name);
    for (const std::string& show : shows)
        WriteShow(JoinPath(folder, show), LinePoints(5, 10, 0xFF),
                  show == priorityShow ? HF_PRIORITY : 0);
    return folder;
}

SIZE BitmapSize(HBITMAP bitmap)
{
    BITMAP info = {};
    GetObject(bitmap, sizeof(info), &info);
    return {info.bmWidth, info.bmHeight};
}

}  // namespace

TEST_F(SaverLogic, UnviewedPriorityShowFirstThenEveryShowOncePerCycle)
{
    std::string folder = MakeShowFolder("pick3", {"a.sho", "b.sho", "c.sho"}, "b.sho");
    DirectoryList list(g_saver.module, folder.c_str(), "*.sho", "*.sho.lnk");
    ASSERT_TRUE(list.ok);
    ASSERT_EQ(3u, list.count);
    for (int run = 0; run < 20; ++run) {
        DirectoryList fresh(g_saver.module, folder.c_str(), "*.sho", "*.sho.lnk");
        std::vector<std::string> picks;
        for (int i = 0; i < 9; ++i)
            picks.push_back(Name(fresh.PickNext()));
        EXPECT_EQ("b.sho", picks[0]);
        std::set<std::string> rest(picks.begin() + 1, picks.begin() + 3);
        EXPECT_EQ((std::set<std::string>{"a.sho", "c.sho"}), rest);
        for (int cycle = 1; cycle < 3; ++cycle) {
            std::set<std::string> seen(picks.begin() + cycle * 3, picks.begin() + cycle * 3 + 3);
            EXPECT_EQ(3u, seen.size()) << "cycle " << cycle;
        }
    }
}

TEST_F(SaverLogic, OneShowIsPickedEveryTimeAndOtherFilesAreNotListed)
{
    std::string folder = MakeShowFolder("pick1", {"only.sho"});
    WriteBytes(JoinPath(folder, "notes.txt"), {1, 2, 3});
    WriteBytes(JoinPath(folder, "old.shox"), {1, 2, 3});
    DirectoryList list(g_saver.module, folder.c_str(), "*.sho", "*.sho.lnk");
    ASSERT_EQ(1u, list.count);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(JoinPath(folder, "only.sho"), list.PickNext());
}

TEST_F(SaverLogic, EmptyFolderGivesNoList)
{
    std::string folder = FreshFolder("pick0");
    DirectoryList list(g_saver.module, folder.c_str(), "*.sho", "*.sho.lnk");
    EXPECT_FALSE(list.ok);
    EXPECT_EQ(nullptr, list.PickNext());
}

TEST_F(SaverLogic, RandomStepFavoursTheFirstThreePositions)
{
    DirectoryList list;
    for (const char* name : {"0", "1", "2", "3", "4"})
        list.AddEntry(name, 0);
    std::map<std::string, int> hits;
    srand(7);
    for (int i = 0; i < 8000; ++i) {
        list.RandomStep();
        ++hits[list.cursor->name];
    }
    // Two chances in eight for positions 0-2, one for 3 and 4.
    for (const char* name : {"0", "1", "2"})
        EXPECT_NEAR(2000, hits[name], 250) << name;
    for (const char* name : {"3", "4"})
        EXPECT_NEAR(1000, hits[name], 200) << name;
}

TEST_F(SaverLogic, PriorityShowPlayedToItsEndIsNotPreferredAtTheNextStart)
{
    std::string folder = MakeShowFolder("prio", {"a.sho", "p.sho"}, "p.sho");
    ASSERT_TRUE(BuildShowList(folder.c_str()));
    std::string path = g_saver.showList->PickNext();
    ASSERT_EQ("p.sho", Name(path.c_str()));
    ASSERT_TRUE(LoadShowFile(path.c_str()));
    PlayToEnd(g_saver.document);

    ASSERT_TRUE(BuildShowList(folder.c_str()));
    DirectoryList* list = g_saver.showList;
    for (DirectoryEntry* entry = list->head; entry; entry = entry->next)
        EXPECT_EQ(0, entry->priority) << entry->name;
}

TEST_F(SaverLogic, InterruptedPriorityShowIsStillPreferred)
{
    std::string folder = MakeShowFolder("prio2", {"a.sho", "p.sho"}, "p.sho");
    ASSERT_TRUE(BuildShowList(folder.c_str()));
    std::string path = g_saver.showList->PickNext();
    ASSERT_TRUE(LoadShowFile(path.c_str()));
    g_saver.document->Rewind();
    g_saver.document->NextPoint();  // the user came back after the first point

    ASSERT_TRUE(BuildShowList(folder.c_str()));
    EXPECT_EQ("p.sho", Name(g_saver.showList->PickNext()));
}

TEST_F(SaverLogic, ShowsLoadedCounterStopsTheMarking)
{
    std::string folder = MakeShowFolder("counter", {"a.sho", "p.sho"}, "p.sho");
    ASSERT_TRUE(BuildShowList(folder.c_str()));
    EXPECT_EQ(2u, g_saver.showCount);
    std::string a = JoinPath(folder, "a.sho");
    std::string p = JoinPath(folder, "p.sho");
    ASSERT_TRUE(LoadShowFile(a.c_str()));
    EXPECT_EQ(0, g_saver.stopPriorityMarking);
    ASSERT_TRUE(LoadShowFile(a.c_str()));
    EXPECT_EQ(1, g_saver.stopPriorityMarking);
    ASSERT_TRUE(LoadShowFile(p.c_str()));
    PlayToEnd(g_saver.document);
    EXPECT_TRUE(IsUnviewedPriorityShow(g_saver.module, p.c_str()));
}

TEST_F(SaverLogic, LoadFailuresLeaveTheirText)
{
    EXPECT_FALSE(LoadShowFile(nullptr));
    EXPECT_STREQ("Missing Tovaren show file name.", g_saver.errorText);

    std::string folder = FreshFolder("badshows");
    std::string garbage = JoinPath(folder, "garbage.sho");
    WriteBytes(garbage, {'n', 'o', 't', ' ', 'a', ' ', 's', 'h', 'o', 'w'});
    EXPECT_FALSE(LoadShowFile(garbage.c_str()));
    EXPECT_EQ("Invalid Tovaren file: [" + garbage + "]", g_saver.errorText);

    std::string truncated = JoinPath(folder, "truncated.sho");
    std::vector<unsigned char> bytes = ShowBytes(1024, 768, 0, LinePoints(4, 10, 0));
    bytes.resize(100);
    WriteBytes(truncated, bytes);
    EXPECT_FALSE(LoadShowFile(truncated.c_str()));

    // No points: nothing to paint and nowhere to put the character.
    std::string empty = JoinPath(folder, "empty.sho");
    WriteShow(empty, {});
    EXPECT_FALSE(LoadShowFile(empty.c_str()));
    EXPECT_EQ("Invalid Tovaren file: [" + empty + "]", g_saver.errorText);
}

TEST_F(SaverLogic, WarningModeFollowsFlagsFamilyAndSetting)
{
    std::string folder = FreshFolder("warn");
    struct Case {
        uint16_t flags;
        BYTE nt;
        const char* setting;
        BYTE expected;
    } cases[] = {
        {HF_OS_DOS | HF_COMPAT_WARNINGS, 1, "", 2},
        {HF_OS_DOS | HF_COMPAT_WARNINGS, 1, "NO", 1},
        {HF_OS_DOS | HF_COMPAT_WARNINGS, 0, "", 0},
        {HF_COMPAT_WARNINGS, 1, "", 0},
        {HF_COMPAT_WARNINGS, 0, "", 2},
        {HF_COMPAT_WARNINGS, 0, "NO", 1},
        {HF_OS_DOS, 1, "", 0},
        {0, 0, "", 0},
    };
    for (const Case& c : cases) {
        std::string path = JoinPath(folder, "w" + std::to_string(c.flags) + ".sho");
        WriteShow(path, LinePoints(3, 10, 0), c.flags);
        g_saver.runningOnNT = c.nt;
        Set(SETTING_WARNINGS, c.setting);
        ASSERT_TRUE(LoadShowFile(path.c_str()));
        EXPECT_EQ(c.expected, g_saver.warningMode)
            << "flags " << c.flags << " nt " << int(c.nt) << " setting " << c.setting;
    }
}

TEST_F(SaverLogic, AutomaticSpeedTable)
{
    EXPECT_EQ(20, AutoSpeedFromDuration(0));
    EXPECT_EQ(20, AutoSpeedFromDuration(4000));
    EXPECT_EQ(22, AutoSpeedFromDuration(4001));
    EXPECT_EQ(47, AutoSpeedFromDuration(50000));
    EXPECT_EQ(74, AutoSpeedFromDuration(100000));
    EXPECT_EQ(75, AutoSpeedFromDuration(100001));
    EXPECT_EQ(97, AutoSpeedFromDuration(3000000));
    EXPECT_EQ(98, AutoSpeedFromDuration(3000001));
    EXPECT_EQ(98, AutoSpeedFromDuration(4500000));
    EXPECT_EQ(99, AutoSpeedFromDuration(4500001));
    EXPECT_EQ(99, AutoSpeedFromDuration(6000000));
    EXPECT_EQ(100, AutoSpeedFromDuration(6000001));
    EXPECT_EQ(100, AutoSpeedFromDuration(0xFFFFFFFFu));
}

TEST_F(SaverLogic, CombineSpeedRoundsTheSliderThroughSinglePrecision)
{
    EXPECT_EQ(96, CombineSpeed(90, 70));
    EXPECT_EQ(95, CombineSpeed(90, 50));
    EXPECT_EQ(49, CombineSpeed(47, 10));
    EXPECT_EQ(22, CombineSpeed(20, 10));
    EXPECT_EQ(80, CombineSpeed(80, 4));
    EXPECT_EQ(79, CombineSpeed(80, -5));  // a negative trailer slider
    EXPECT_EQ(100, CombineSpeed(100, 100));
}

TEST_F(SaverLogic, ChooseShowSpeedByMode)
{
    Set(SETTING_AUTO_SPEED, "10");
    ChooseShowSpeed(50000);
    EXPECT_EQ(49, g_saver.speed);
    ChooseShowSpeed(2000);
    EXPECT_EQ(22, g_saver.speed);

    Set(SETTING_SPEED_MODE, "m");
    Set(SETTING_MANUAL_SPEED, "37");
    ChooseShowSpeed(2000);
    EXPECT_EQ(37, g_saver.speed);

    Set(SETTING_SPEED_MODE, "x");  // anything else is automatic
    ChooseShowSpeed(50000);
    EXPECT_EQ(49, g_saver.speed);
}

TEST_F(SaverLogic, RandomDrawsStayInRangeAndAreMostlyHigh)
{
    int low = 0;
    srand(11);
    for (int i = 0; i < 5000; ++i) {
        int16_t speed = RandomSpeedDraw();
        ASSERT_GE(speed, 0);
        ASSERT_LE(speed, 99);
        low += speed < 60;
    }
    // Five redraws below the thresholds leave far fewer than 60 % low draws.
    EXPECT_LT(low, 5000 * 30 / 100);
}

TEST_F(SaverLogic, FastRandomSpeedIsHeldForTheNextShows)
{
    Set(SETTING_SPEED_MODE, "r");
    Set(SETTING_RANDOM_SPEED, "0");
    bool found = false;
    for (unsigned seed = 1; seed < 5000 && !found; ++seed) {
        srand(seed);
        g_saver.randomHoldCount = 0;
        ChooseShowSpeed(1000);
        found = g_saver.speed == 93;
    }
    ASSERT_TRUE(found);
    EXPECT_EQ(4, g_saver.randomHoldCount);
    for (int show = 0; show < 4; ++show) {
        ChooseShowSpeed(1000);
        EXPECT_EQ(93, g_saver.speed) << "show " << show;
    }
    EXPECT_EQ(0, g_saver.randomHoldCount);
}

TEST_F(SaverLogic, BuiltInCharactersFollowTheBitSet)
{
    std::string shows = MakeShowFolder("charshows", {"a.sho"});
    std::string characters = FreshFolder("chars_empty");
    Set(SETTING_SHOW_FOLDER, shows.c_str());
    Set(SETTING_CHARACTER_FOLDER, characters.c_str());
    Set(SETTING_BUILTIN_CHARACTERS, "5");
    ASSERT_TRUE(PrepareLists());
    std::vector<std::string> names;
    for (DirectoryEntry* entry = g_saver.characterList->head; entry; entry = entry->next)
        names.push_back(entry->name);
    EXPECT_EQ((std::vector<std::string>{"b.InternalChar", "d.InternalChar"}), names);
}

TEST_F(SaverLogic, EmptyBuiltInSettingIsStoredAsAllThree)
{
    std::string shows = MakeShowFolder("charshows2", {"a.sho"});
    Set(SETTING_SHOW_FOLDER, shows.c_str());
    Set(SETTING_CHARACTER_FOLDER, FreshFolder("chars_empty2").c_str());
    ASSERT_TRUE(PrepareLists());
    EXPECT_EQ("7", GetProductValue("TIC"));
    EXPECT_EQ(3u, g_saver.characterList->count);
}

TEST_F(SaverLogic, NoBuiltInsWithZeroUsesOnlyBitmapsAndNeverTheRareOne)
{
    std::string shows = MakeShowFolder("charshows3", {"a.sho"});
    std::string characters = FreshFolder("chars_bmp");
    WriteBytes(JoinPath(characters, "mine.bmp"), BitmapBytes(40, 30, RGB(0, 200, 255)));
    Set(SETTING_SHOW_FOLDER, shows.c_str());
    Set(SETTING_CHARACTER_FOLDER, characters.c_str());
    Set(SETTING_BUILTIN_CHARACTERS, "0");
    ASSERT_TRUE(PrepareLists());
    ASSERT_EQ(1u, g_saver.characterList->count);
    for (int i = 0; i < 600; ++i) {
        HBITMAP bitmap = PickCharacterBitmap();
        ASSERT_NE(nullptr, bitmap);
        SIZE size = BitmapSize(bitmap);
        ASSERT_EQ(40, size.cx) << "pick " << i;
        DeleteObject(bitmap);
    }
}

TEST_F(SaverLogic, RareCharacterAppearsWhenBuiltInsAreAllowed)
{
    std::string shows = MakeShowFolder("charshows4", {"a.sho"});
    Set(SETTING_SHOW_FOLDER, shows.c_str());
    Set(SETTING_CHARACTER_FOLDER, FreshFolder("chars_empty4").c_str());
    Set(SETTING_BUILTIN_CHARACTERS, "1");
    ASSERT_TRUE(PrepareLists());
    int rare = 0, dorin = 0;
    for (int i = 0; i < 1500; ++i) {
        HBITMAP bitmap = PickCharacterBitmap();
        ASSERT_NE(nullptr, bitmap);
        SIZE size = BitmapSize(bitmap);
        rare += size.cx == 280 && size.cy == 324;
        dorin += size.cx == 301 && size.cy == 215;
        DeleteObject(bitmap);
    }
    EXPECT_GT(rare, 0);
    EXPECT_EQ(1500, rare + dorin);
}

TEST_F(SaverLogic, EmptyCharacterFolderAndZeroUsesAllThreeBuiltIns)
{
    std::string shows = MakeShowFolder("charshows5", {"a.sho"});
    Set(SETTING_SHOW_FOLDER, shows.c_str());
    Set(SETTING_CHARACTER_FOLDER, FreshFolder("chars_empty5").c_str());
    Set(SETTING_BUILTIN_CHARACTERS, "0");
    ASSERT_TRUE(PrepareLists());
    ASSERT_NE(nullptr, g_saver.characterList);
    EXPECT_EQ(3u, g_saver.characterList->count);
}

TEST_F(SaverLogic, NoShowAnywhereFailsAndInstallFolderIsTheFallback)
{
    std::string empty = FreshFolder("noshows");
    Set(SETTING_SHOW_FOLDER, empty.c_str());
    Set(SETTING_DEFAULT_FOLDER, empty.c_str());
    Set(SETTING_INSTALL_FOLDER, "");
    EXPECT_FALSE(PrepareLists());

    std::string install = MakeShowFolder("install", {"bundled.sho"});
    Set(SETTING_INSTALL_FOLDER, install.c_str());
    ASSERT_TRUE(PrepareLists());
    EXPECT_EQ(JoinPath(install, "bundled.sho"), g_saver.showList->PickNext());
}

TEST_F(SaverLogic, ShortcutsToShowsAndBitmapsResolve)
{
    std::string targets = FreshFolder("link_targets");
    std::string show = JoinPath(targets, "real.sho");
    ASSERT_TRUE(WriteShow(show, LinePoints(7, 10, 0)));
    std::string bitmap = JoinPath(targets, "real.bmp");
    ASSERT_TRUE(WriteBytes(bitmap, BitmapBytes(33, 44, RGB(10, 20, 30))));

    std::string shows = FreshFolder("link_shows");
    std::string characters = FreshFolder("link_chars");
    ASSERT_TRUE(MakeShortcut(JoinPath(shows, "linked.sho.lnk"), show));
    ASSERT_TRUE(MakeShortcut(JoinPath(characters, "linked.bmp.lnk"), bitmap));

    char resolved[MAX_PATH];
    EXPECT_TRUE(SUCCEEDED(ResolveShortcut(JoinPath(shows, "linked.sho.lnk").c_str(), resolved)));
    EXPECT_NE('\0', resolved[0]);

    Set(SETTING_SHOW_FOLDER, shows.c_str());
    Set(SETTING_CHARACTER_FOLDER, characters.c_str());
    Set(SETTING_BUILTIN_CHARACTERS, "0");
    ASSERT_TRUE(PrepareLists());
    ASSERT_TRUE(LoadShowFile(g_saver.showList->PickNext())) << g_saver.errorText;
    EXPECT_EQ(7, g_saver.document->pointCount);
    HBITMAP picked = PickCharacterBitmap();
    ASSERT_NE(nullptr, picked);
    EXPECT_EQ(33, BitmapSize(picked).cx);
    DeleteObject(picked);

    // A broken link yields an empty target, and loading it fails as invalid;
    // so does one whose volume table lies where its flags say there is none
    // (Wine's reader follows it out of the file and crashes).
    std::string broken = JoinPath(shows, "broken.sho.lnk");
    WriteBytes(broken, {'x'});
    EXPECT_FALSE(LoadShowFile(broken.c_str()));
    EXPECT_EQ("Invalid Tovaren file: [" + broken + "]", g_saver.errorText);
    std::string stray = JoinPath(shows, "stray.sho.lnk");
    WriteBytes(stray, ReadBytes(WinePath(std::string(TOVAREN_SOURCE_DIR) +
                                         "/tests/fuzz/corpus/shortcut/volume-offset-without-flag.lnk")));
    EXPECT_FALSE(LoadShowFile(stray.c_str()));
}

// ---- The standalone descriptor

namespace {

std::string WriteStandaloneProgram(const char* folderName, const std::vector<unsigned char>& bytes)
{
    std::string folder = FreshFolder(folderName);
    std::string path = JoinPath(folder, "standalone.scr");
    WriteBytes(path, bytes);
    return path;
}

std::vector<unsigned char> SomeProgramBytes()
{
    std::vector<unsigned char> bytes(5000, 0x90);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    return bytes;
}

}  // namespace

TEST_F(SaverLogic, StandaloneExtractsShowAndBitmapAndRemovesThem)
{
    std::vector<unsigned char> show = ShowBytes(1024, 768, 0, LinePoints(9, 10, 0xFF));
    std::vector<unsigned char> bitmap = BitmapBytes(20, 10, RGB(1, 2, 3));
    std::string path = WriteStandaloneProgram(
        "sa_ok", StandaloneBytes(SomeProgramBytes(), show, bitmap, 'r', static_cast<int8_t>(0xF6), 7));
    auto before = StandaloneTempFolders();
    {
        StandaloneInfo info(path.c_str());
        ASSERT_TRUE(info.valid);
        EXPECT_EQ(0, _strnicmp(info.tempFolder, StandaloneTempBase().c_str(), StandaloneTempBase().size()));
        EXPECT_EQ(show, ReadBytes(info.showPath));
        EXPECT_EQ(bitmap, ReadBytes(info.bitmapPath));
        EXPECT_EQ('r', info.trailer.speedMode);
        EXPECT_EQ(-10, info.trailer.speedValue);
        EXPECT_EQ(7, info.trailer.pauseSeconds);
        EXPECT_EQ(before.size() + 1, StandaloneTempFolders().size());
    }
    EXPECT_EQ(before, StandaloneTempFolders());
}

TEST_F(SaverLogic, OrdinaryAndShortProgramFilesAreNoStandalone)
{
    auto before = StandaloneTempFolders();
    std::string plain = WriteStandaloneProgram("sa_plain", SomeProgramBytes());
    EXPECT_FALSE(StandaloneInfo(plain.c_str()).valid);

    // Only the marker, without the rest of a trailer before it.
    std::vector<unsigned char> shortFile(kStandaloneMarker, kStandaloneMarker + kStandaloneMarkerSize);
    std::string tiny = WriteStandaloneProgram("sa_tiny", shortFile);
    EXPECT_FALSE(StandaloneInfo(tiny.c_str()).valid);

    EXPECT_FALSE(StandaloneInfo(nullptr).valid);
    EXPECT_FALSE(StandaloneInfo("Z:\\no\\such\\program.scr").valid);
    EXPECT_EQ(before, StandaloneTempFolders());
}

TEST_F(SaverLogic, TrailerPointingPastTheEndExtractsOnlyWhatIsThere)
{
    std::vector<unsigned char> show = ShowBytes(1024, 768, 0, LinePoints(3, 10, 0));
    std::vector<unsigned char> bytes = StandaloneBytes(SomeProgramBytes(), show, {}, 'a', 10, 30);
    StandaloneTrailer trailer;
    memcpy(&trailer, &bytes[bytes.size() - sizeof(trailer)], sizeof(trailer));
    trailer.showLength = 0x7FFFFFF0;  // far past the end of the file
    trailer.bitmapOffset = 0xFFFFFF00;
    trailer.bitmapLength = 4000;
    memcpy(&bytes[bytes.size() - sizeof(trailer)], &trailer, sizeof(trailer));
    std::string path = WriteStandaloneProgram("sa_past", bytes);

    StandaloneInfo info(path.c_str());
    ASSERT_TRUE(info.valid);
    // The show's bytes up to the trailer, never the trailer itself or more.
    EXPECT_EQ(show, ReadBytes(info.showPath));
    EXPECT_EQ(0u, ReadBytes(info.bitmapPath).size());
}

TEST_F(SaverLogic, ZeroLengthShowIsExtractedEmptyAndIsNotAShow)
{
    std::string path = WriteStandaloneProgram(
        "sa_zero", StandaloneBytes(SomeProgramBytes(), {}, BitmapBytes(8, 8, 0), 'a', 10, 30));
    StandaloneInfo info(path.c_str());
    ASSERT_TRUE(info.valid);
    EXPECT_TRUE(FileExists(info.showPath));
    EXPECT_EQ(0u, ReadBytes(info.showPath).size());
    EXPECT_FALSE(LoadShowFile(info.showPath));
}

TEST_F(SaverLogic, StandaloneTrailerGivesPauseSpeedAndShowFolder)
{
    std::vector<unsigned char> show = ShowBytes(1024, 768, 0, LinePoints(9, 10, 0xFF));
    std::string path = WriteStandaloneProgram(
        "sa_settings", StandaloneBytes(SomeProgramBytes(), show, {}, 'm', 42, 5));
    g_saver.standalone = new StandaloneInfo(path.c_str());
    ASSERT_TRUE(g_saver.standalone->valid);
    delete g_saver.settings;
    g_saver.settings = nullptr;
    CoUninitialize();  // InitSaver initialises COM itself
    ASSERT_TRUE(InitSaver());
    EXPECT_EQ(5, g_saver.pauseSeconds);
    ASSERT_TRUE(PrepareLists());
    ASSERT_TRUE(LoadShowFile(g_saver.showList->PickNext())) << g_saver.errorText;
    EXPECT_EQ(42, g_saver.speed);
    // No bitmap in the standalone file: the pick still yields a character.
    HBITMAP character = PickCharacterBitmap();
    EXPECT_NE(nullptr, character);
    DeleteObject(character);

    // The user's own settings win over the trailer.
    Set(SETTING_SPEED_MODE, "m");
    Set(SETTING_MANUAL_SPEED, "12");
    ChooseShowSpeed(1000);
    EXPECT_EQ(12, g_saver.speed);
}

// Run in a child process that Wine believes to be on Windows 98.
TEST_F(SaverLogic, DISABLED_DosFamilyChild)
{
    delete g_saver.settings;
    g_saver.settings = nullptr;
    CoUninitialize();
    ASSERT_TRUE(InitSaver());
    EXPECT_EQ(0, g_saver.runningOnNT);
}

TEST(SaverDosFamily, InitSaverNotesTheDosFamily)
{
    const char* key = "Software\\Wine\\AppDefaults\\saver_logic_tests.exe";
    HKEY appKey;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE,
                                             nullptr, &appKey, nullptr));
    RegSetValueExA(appKey, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
    RegCloseKey(appKey);
    ProcessResult child = RunProgram(BinPath("saver_logic_tests.exe") +
                                     " --gtest_also_run_disabled_tests"
                                     " --gtest_filter=SaverLogic.DISABLED_DosFamilyChild");
    RegDeleteKeyA(HKEY_CURRENT_USER, key);
    ASSERT_TRUE(child.finished);
    EXPECT_EQ(0u, child.exitCode) << child.output;
    EXPECT_NE(std::string::npos, child.output.find("1 test")) << child.output;

    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    EXPECT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_NT), version.dwPlatformId)
        << "this process itself stays on the NT family";
}
