// The settings dialog of the real program, driven through its controls the
// way a user would, and read back from the registry.
#include "SaverProcess.h"
#include "SaverTestSupport.h"

#include "resource.h"

#include <commctrl.h>

namespace {

class SettingsDialog : public ::testing::Test {
protected:
    // Starts the program in settings mode and waits for its dialog.
    HWND Open(const std::string& program = "")
    {
        saver.reset(new SaverProcess);
        EXPECT_TRUE(saver->Start("/c", program));
        HWND dialog = WaitForShownWindow("Tovaren Settings", 15000);
        EXPECT_NE(nullptr, dialog);
        PumpFor(100);
        return dialog;
    }
    // Presses OK or Cancel and waits for the program to end.
    void Close(HWND dialog, int button)
    {
        PostMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
        ASSERT_TRUE(saver->WaitForExit(10000));
        EXPECT_EQ(0u, saver->exitCode);
    }
    void SetEdit(HWND dialog, int id, const std::string& text)
    {
        SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    bool Checked(HWND dialog, int id)
    {
        return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    int Slider(HWND dialog) { return static_cast<int>(SendMessageA(GetDlgItem(dialog, IDC_SPEED_SLIDER), TBM_GETPOS, 0, 0)); }

    ScopedCleanProductKey clean;
    std::unique_ptr<SaverProcess> saver;
};

}  // namespace

TEST_F(SettingsDialog, ShowsTheVersionAndStoresFoldersWithoutOneTrailingBackslash)
{
    std::string shows = FreshFolder("settings_shows");
    std::string characters = FreshFolder("settings_chars");
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("Version " TOVAREN_VERSION, ControlText(dialog, IDC_SETTINGS_VERSION));
    SetEdit(dialog, IDC_SHOW_FOLDER, shows + "\\");
    SetEdit(dialog, IDC_CHARACTER_FOLDER, characters + "\\\\");
    Close(dialog, IDOK);
    EXPECT_EQ(shows, GetProductValue("TSD"));
    // Only one backslash goes; what is left is kept only if it names a folder.
    std::string stored = GetProductValue("TCD");
    EXPECT_TRUE(stored == characters + "\\" || stored.empty()) << stored;

    dialog = Open();
    EXPECT_EQ(shows, ControlText(dialog, IDC_SHOW_FOLDER));
    Close(dialog, IDCANCEL);
}

TEST_F(SettingsDialog, InstallFolderAndMissingFoldersAreStoredEmpty)
{
    std::string install = FreshFolder("settings_install");
    SetProductValue("TIL", install.c_str(), HKEY_LOCAL_MACHINE);
    std::string upper = install;
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    HWND dialog = Open();
    SetEdit(dialog, IDC_SHOW_FOLDER, upper);
    SetEdit(dialog, IDC_CHARACTER_FOLDER, install + "\\no such folder");
    Close(dialog, IDOK);
    EXPECT_EQ("", GetProductValue("TSD"));
    EXPECT_EQ("", GetProductValue("TCD"));

    dialog = Open();
    EXPECT_EQ(DefaultShowFolder(), ControlText(dialog, IDC_SHOW_FOLDER));
    EXPECT_EQ(DefaultShowFolder(), ControlText(dialog, IDC_CHARACTER_FOLDER));
    Close(dialog, IDCANCEL);
    SetProductValue("TIL", "", HKEY_LOCAL_MACHINE);
}

TEST_F(SettingsDialog, PauseIsKeptBetweenZeroAndSixty)
{
    SetProductValue("TPS", "99");
    HWND dialog = Open();
    EXPECT_EQ("60", ControlText(dialog, IDC_PAUSE_SECONDS));
    LRESULT range = SendMessageA(GetDlgItem(dialog, IDC_PAUSE_SPIN), UDM_GETRANGE, 0, 0);
    EXPECT_EQ(60, LOWORD(range));
    EXPECT_EQ(0, HIWORD(range));
    SetEdit(dialog, IDC_PAUSE_SECONDS, "75");
    Close(dialog, IDOK);
    EXPECT_EQ("60", GetProductValue("TPS"));

    dialog = Open();
    SetEdit(dialog, IDC_PAUSE_SECONDS, "12");
    Close(dialog, IDOK);
    EXPECT_EQ("12", GetProductValue("TPS"));

    // The whole text is read, up to its 1023rd character.
    dialog = Open();
    SetEdit(dialog, IDC_PAUSE_SECONDS, std::string(1022, ' ') + "7");
    Close(dialog, IDOK);
    EXPECT_EQ(1023u, GetProductValue("TPS").size());
    EXPECT_EQ(7, atoi(GetProductValue("TPS").c_str()));
}

TEST_F(SettingsDialog, SpeedButtonsLoadTheStoredValueOfTheirMode)
{
    HWND dialog = Open();
    EXPECT_TRUE(Checked(dialog, IDC_SPEED_AUTO));
    EXPECT_EQ(10, Slider(dialog));
    SendMessageA(GetDlgItem(dialog, IDC_SPEED_SLIDER), TBM_SETPOS, TRUE, 64);
    Click(dialog, IDC_SPEED_RANDOM);
    EXPECT_EQ(50, Slider(dialog));
    Click(dialog, IDC_SPEED_MANUAL);
    EXPECT_EQ(85, Slider(dialog));
    Click(dialog, IDC_SPEED_AUTO);
    EXPECT_EQ(10, Slider(dialog));
    Close(dialog, IDCANCEL);

    SetProductValue("TSSR", "33");
    dialog = Open();
    Click(dialog, IDC_SPEED_RANDOM);
    EXPECT_EQ(33, Slider(dialog));
    Click(dialog, IDC_SPEED_MANUAL);
    SendMessageA(GetDlgItem(dialog, IDC_SPEED_SLIDER), TBM_SETPOS, TRUE, 77);
    Close(dialog, IDOK);
    EXPECT_EQ("m", GetProductValue("TSSS"));
    EXPECT_EQ("77", GetProductValue("TSSM"));
    EXPECT_EQ("33", GetProductValue("TSSR"));
    EXPECT_EQ("<missing>", GetProductValue("TSSA"));

    dialog = Open();
    EXPECT_TRUE(Checked(dialog, IDC_SPEED_MANUAL));
    EXPECT_EQ(77, Slider(dialog));
    Close(dialog, IDCANCEL);
}

TEST_F(SettingsDialog, WarningsCheckBoxAndCancel)
{
    HWND dialog = Open();
    EXPECT_FALSE(Checked(dialog, IDC_DISABLE_WARNINGS));
    Click(dialog, IDC_DISABLE_WARNINGS);
    Close(dialog, IDOK);
    EXPECT_EQ("NO", GetProductValue("SW"));

    dialog = Open();
    EXPECT_TRUE(Checked(dialog, IDC_DISABLE_WARNINGS));
    Click(dialog, IDC_DISABLE_WARNINGS);
    SetEdit(dialog, IDC_PAUSE_SECONDS, "5");
    Close(dialog, IDCANCEL);
    EXPECT_EQ("NO", GetProductValue("SW"));
    EXPECT_NE("5", GetProductValue("TPS"));

    dialog = Open();
    Click(dialog, IDC_DISABLE_WARNINGS);
    Close(dialog, IDOK);
    EXPECT_EQ("", GetProductValue("SW"));
}

TEST_F(SettingsDialog, EveryMonitorIsTheDefaultAndMainOnlyIsStoredAsZero)
{
    // No value, and a value that is neither "0" nor "1", both mean every monitor.
    for (const char* stored : {static_cast<const char*>(nullptr), "yes"}) {
        if (stored)
            SetProductValue("TMON", stored);
        HWND dialog = Open();
        EXPECT_TRUE(Checked(dialog, IDC_EVERY_MONITOR)) << (stored ? stored : "no value");
        Close(dialog, IDCANCEL);
    }
    HWND dialog = Open();
    RECT box;
    GetWindowRect(GetDlgItem(dialog, IDC_EVERY_MONITOR), &box);
    RECT client;
    GetClientRect(dialog, &client);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_LE(box.bottom, client.bottom) << "the check box lies outside the dialog";
    Click(dialog, IDC_EVERY_MONITOR);
    Close(dialog, IDOK);
    EXPECT_EQ("0", GetProductValue("TMON"));

    dialog = Open();
    EXPECT_FALSE(Checked(dialog, IDC_EVERY_MONITOR));
    Click(dialog, IDC_EVERY_MONITOR);
    Close(dialog, IDOK);
    EXPECT_EQ("1", GetProductValue("TMON"));
}

TEST_F(SettingsDialog, CharacterSelectionStoresItsBitsAtOnce)
{
    SetProductValue("TIC", "7");
    HWND dialog = Open();
    PostMessageA(GetDlgItem(dialog, IDC_BUILTIN_CHARACTERS), BM_CLICK, 0, 0);
    HWND characters = WaitForShownWindow("Character Selection", 5000);
    ASSERT_NE(nullptr, characters);
    PumpFor(100);
    for (int id : {IDC_CHAR_VELKA, IDC_CHAR_DORIN, IDC_CHAR_BRAMWELL}) {
        EXPECT_TRUE(Checked(characters, id)) << id;
        Click(characters, id);
    }
    PostMessageA(GetDlgItem(characters, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([] { return GetProductValue("TIC") == "0"; }, 5000)) << GetProductValue("TIC");
    // The value is stored before the box is gone: finding it again too early
    // would find the closing one.
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(characters); }, 5000));

    PostMessageA(GetDlgItem(dialog, IDC_BUILTIN_CHARACTERS), BM_CLICK, 0, 0);
    characters = WaitForShownWindow("Character Selection", 5000);
    ASSERT_NE(nullptr, characters);
    PumpFor(100);
    for (int id : {IDC_CHAR_VELKA, IDC_CHAR_DORIN, IDC_CHAR_BRAMWELL})
        EXPECT_FALSE(Checked(characters, id)) << id;
    Click(characters, IDC_CHAR_DORIN);
    Click(characters, IDC_CHAR_BRAMWELL);
    PostMessageA(GetDlgItem(characters, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([] { return GetProductValue("TIC") == "5"; }, 5000)) << GetProductValue("TIC");
    // The choice stays even when the settings dialog is cancelled.
    Close(dialog, IDCANCEL);
    EXPECT_EQ("5", GetProductValue("TIC"));
}

TEST_F(SettingsDialog, StandaloneSaverShowsItsTrailerValues)
{
    std::string folder = FreshFolder("settings_standalone");
    std::string show = JoinPath(folder, "one.sho");
    std::string bitmap = JoinPath(folder, "one.bmp");
    std::string made = JoinPath(folder, "made.scr");
    WriteShow(show, LinePoints(10, 20, RGB(255, 0, 0)));
    WriteBytes(bitmap, BitmapBytes(40, 40, RGB(0, 200, 255)));
    ProcessResult pack = RunProgram("\"" + BinPath("tovarenpack.exe") + "\" \"" + BinPath("tovarensaver.scr") +
                                    "\" \"" + show + "\" \"" + bitmap + "\" \"" + made +
                                    "\" /mode:r /speed:42 /pause:12");
    ASSERT_EQ(0, ExitStatus(pack)) << pack.output;
    auto before = StandaloneTempFolders();

    HWND dialog = Open(made);
    EXPECT_TRUE(Checked(dialog, IDC_SPEED_RANDOM));
    EXPECT_EQ(42, Slider(dialog));
    EXPECT_EQ("12", ControlText(dialog, IDC_PAUSE_SECONDS));
    Close(dialog, IDCANCEL);
    EXPECT_EQ(before, StandaloneTempFolders()) << "the extracted files were left behind";

    // A stored speed mode wins over the trailer.
    SetProductValue("TSSS", "m");
    SetProductValue("TSSM", "20");
    dialog = Open(made);
    EXPECT_TRUE(Checked(dialog, IDC_SPEED_MANUAL));
    EXPECT_EQ(20, Slider(dialog));
    Close(dialog, IDCANCEL);
}

TEST_F(SettingsDialog, HelpWithoutTheHelpFileSaysSo)
{
    HWND dialog = Open();
    PostMessageA(GetDlgItem(dialog, IDM_HELP), BM_CLICK, 0, 0);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindTopWindow("No help file found")) != nullptr; }, 10000));
    PumpFor(300);
    EXPECT_EQ("Help file \"help\\html\\TovarenHelp.html\" cannot be found.", MessageBoxText(box));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
    Close(dialog, IDCANCEL);
}
