// The real tovareneditor.exe, started as a user starts it and driven through
// real mouse and keyboard input, its menu and its dialogs.
#pragma once

#include "SaverProcess.h"
#include "ShowDocument.h"

#include <memory>
#include <string>
#include <vector>

class EditorDriver {
public:
    // Starts the editor with these arguments and waits for its main window.
    bool Start(const std::string& arguments = "");
    ~EditorDriver();

    // The main window, found among the process's windows.
    HWND main = nullptr;
    bool sawSplash = false;
    // Whether any dialog or message box of the editor is up.
    bool HasDialog();
    SaverProcess process;

    // A command as the menu sends it.
    void Command(int id);
    bool ItemEnabled(int id);
    // Whether the menu has an item with this command at all.
    bool HasItem(int id);
    std::string Title() { return WindowText(main); }
    // A screen point of the main window's client area.
    POINT Screen(int x, int y);

    // Input, at client coordinates of the main window.
    void MoveTo(int x, int y);
    void Press();
    void Release();
    void Drag(const std::vector<POINT>& path, DWORD stepMs = 25);
    void Click(int x, int y);
    void CtrlKey(WORD letter);

    // Waits for a top-level window of the editor with this title.
    HWND WaitForWindow(const char* title, DWORD timeoutMs = 10000);
    // Answers the message box with this caption by clicking one of its buttons;
    // returns its text.
    std::string Answer(const char* caption, int button);
    // Fills the signature dialog ("" presses Maybe Later).
    bool Sign(const char* text);
    // Sets the colour in the open colour dialog and presses OK.
    bool ChooseColour(int red, int green, int blue);
    // Types the name into the open save or open dialog and presses OK.
    bool ChooseFile(const std::string& name);
    // Lets the editor handle what is queued.
    void Settle(DWORD ms = 150);
};

// Keystrokes for letters, digits, blanks and . _ - : \ on a US keyboard, as a user types them.
void TypeText(const std::string& text);
void MouseToScreen(int x, int y);
// A show file read back as the programs read it; null when it does not load.
ShowDocumentPtr LoadShowFile(const std::string& path);
std::vector<ShowPoint> PointsOf(ShowDocument& show);
std::string SignatureOf(ShowDocument& show);
// The pixel colour the screen shows at a point.
COLORREF ScreenPixel(POINT p);
