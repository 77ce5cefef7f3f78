// The editor's small dialogs, driven as a user drives them: what OK keeps,
// what Cancel leaves, and the clicks that menus swallow.
#include "EditorDriver.h"
#include "TestSupport.h"

#include "resource.h"

#include <commctrl.h>

namespace {

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshFolder("editor_dialogs");
        SetProductValue("TSD", folder.c_str());
        ASSERT_TRUE(editor.Start());
        ASSERT_TRUE(WaitUntil([&] { return editor.ItemEnabled(IDM_SIGNATURE); }, 5000));
    }
    HWND Open(int command, const char* title)
    {
        if (command == IDM_PEN_SIZE)
            editor.CtrlKey('S');
        else
            editor.Command(command);
        HWND dialog = editor.WaitForWindow(title);
        EXPECT_NE(nullptr, dialog) << title;
        SetForegroundWindow(dialog);
        editor.Settle(100);
        return dialog;
    }
    void Close(HWND dialog, int button)
    {
        PostMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
        WaitUntil([&] { return !IsWindow(dialog); }, 5000);
        editor.Settle(100);
    }
    // Opens the pen size dialog, returns what it shows, types and closes.
    std::string PenSize(const char* typed, int button)
    {
        HWND dialog = Open(IDM_PEN_SIZE, "Pen Size");
        std::string shown = ControlText(dialog, IDC_PEN_SIZE);
        SendDlgItemMessageA(dialog, IDC_PEN_SIZE, EM_SETSEL, 0, -1);
        TypeText(typed);
        EXPECT_TRUE(WaitUntil([&] { return ControlText(dialog, IDC_PEN_SIZE) == typed; }, 5000));
        Close(dialog, button);
        return shown;
    }
    // Opens the speed dialog, returns where the slider stood, presses key
    // until the slider reaches reaches and closes.
    int SpeedShown(WORD key, int presses, int reaches, int button)
    {
        HWND dialog = Open(IDM_PLAYBACK_SPEED, "Tovaren Playback Speed");
        HWND slider = GetDlgItem(dialog, IDC_PLAYBACK_SPEED);
        int shown = static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0));
        EXPECT_EQ(1, SendMessageA(slider, TBM_GETRANGEMIN, 0, 0));
        EXPECT_EQ(100, SendMessageA(slider, TBM_GETRANGEMAX, 0, 0));
        for (int k = 0; k < presses; k++)
            PressKey(key, 30);
        if (presses > 0) {
            EXPECT_TRUE(WaitUntil([&] { return SendMessageA(slider, TBM_GETPOS, 0, 0) == reaches; }, 5000));
        }
        Close(dialog, button);
        return shown;
    }
    // The character radio button that is checked, 0 for none.
    int CharacterShown(int click, int button)
    {
        HWND dialog = Open(IDM_CHARACTER, "Character Selection");
        int checked = 0;
        for (int id : {IDC_PICK_VELKA, IDC_PICK_DORIN, IDC_PICK_BRAMWELL})
            if (SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED)
                checked = checked ? -1 : id;
        if (click)
            SendDlgItemMessageA(dialog, click, BM_CLICK, 0, 0);
        Close(dialog, button);
        return checked;
    }

    ScopedCleanProductKey clean;
    std::string folder;
    EditorDriver editor;
};

}  // namespace

TEST_F(Dialogs, PenSizeSpeedAndCharacterKeepWhatOkSaysAndCancelChangesNothing)
{
    EXPECT_EQ("4", PenSize("300", IDOK));  // the low eight bits: 44
    EXPECT_EQ("44", PenSize("0", IDOK));
    EXPECT_EQ("44", PenSize("256", IDOK));
    EXPECT_EQ("44", PenSize("9", IDCANCEL));
    EXPECT_EQ("44", PenSize("12", IDOK));
    editor.Drag({{100, 100}, {200, 150}, {300, 100}}, 20);
    editor.Command(IDM_SAVE);
    editor.Sign("");
    ASSERT_TRUE(editor.ChooseFile("pen.sho"));
    ShowDocumentPtr show = LoadShowFile(JoinPath(folder, "pen.sho"));
    ASSERT_NE(nullptr, show);
    for (const ShowPoint& point : PointsOf(*show))
        EXPECT_EQ(12, point.penSize);

    // Home goes to the slowest, each Page Down ten faster.
    EXPECT_EQ(85, SpeedShown(VK_HOME, 1, 1, IDOK));
    EXPECT_EQ(1, SpeedShown(VK_NEXT, 3, 31, IDOK));
    EXPECT_EQ(31, SpeedShown(VK_HOME, 1, 1, IDCANCEL));
    EXPECT_EQ(31, SpeedShown(VK_END, 1, 100, IDOK));
    EXPECT_EQ(100, SpeedShown(VK_HOME, 0, 0, IDCANCEL));

    int first = CharacterShown(IDC_PICK_BRAMWELL, IDCANCEL);
    EXPECT_NE(-1, first) << "two characters at once";
    EXPECT_EQ(first, CharacterShown(IDC_PICK_VELKA, IDOK));
    EXPECT_EQ(IDC_PICK_VELKA, CharacterShown(IDC_PICK_DORIN, IDCANCEL));
    EXPECT_EQ(IDC_PICK_VELKA, CharacterShown(0, IDCANCEL));
}

TEST_F(Dialogs, AClickThatClosesAMenuPaintsNothingAndHelpSaysWhenItIsMissing)
{
    // The right button opens the Edit menu; the click that dismisses it is
    // not the first press of the painting.
    editor.MoveTo(300, 300);
    INPUT right[2] = {};
    right[0].type = right[1].type = INPUT_MOUSE;
    right[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    right[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, right, sizeof(INPUT));
    editor.Settle(300);
    PressKey(VK_ESCAPE, 50);
    editor.Settle(200);
    editor.Click(320, 320);
    EXPECT_FALSE(editor.ItemEnabled(IDM_SAVE)) << "the swallowed click started a painting";
    editor.Click(320, 320);
    EXPECT_TRUE(WaitUntil([&] { return editor.ItemEnabled(IDM_SAVE); }, 5000));

    editor.Command(IDM_HELP);
    EXPECT_EQ("Help file \"help\\html\\TovarenHelp.html\" cannot be found.",
              editor.Answer("No help file found", IDOK));
    EXPECT_TRUE(editor.ItemEnabled(IDM_SAVE));
}
