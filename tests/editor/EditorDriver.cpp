#include "EditorDriver.h"

#include "resource.h"

#include <colordlg.h>

#include <cstring>

namespace {

const char kEditorClass[] = "Tovaren";
// The file name field of the common file dialogs: an edit in Wine, a combo
// box holding one on Windows.
const int kFileNameEdit = 0x480;
const int kFileNameCombo = 0x47c;

struct WindowSearch {
    DWORD processId;
    const char* className;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    char className[64] = "";
    GetClassNameA(window, className, sizeof(className));
    if (search->className && strcmp(className, search->className) != 0)
        return TRUE;
    if (search->title && WindowText(window) != search->title)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindProcessWindow(DWORD processId, const char* className, const char* title)
{
    WindowSearch search = {processId, className, title, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void SendMouse(DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

WORD KeyFor(char c)
{
    if (c == ':')
        return VK_OEM_1;
    if (c == '\\')
        return VK_OEM_5;
    if (c >= 'a' && c <= 'z')
        return static_cast<WORD>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z')
        return static_cast<WORD>(c);
    if (c >= '0' && c <= '9')
        return static_cast<WORD>(c);
    if (c == '.')
        return VK_OEM_PERIOD;
    if (c == '_' || c == '-')
        return VK_OEM_MINUS;
    return VK_SPACE;
}

}  // namespace

void MouseToScreen(int x, int y)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

void TypeText(const std::string& text)
{
    for (char c : text) {
        bool shifted = c == '_' || c == ':' || (c >= 'A' && c <= 'Z');
        if (shifted)
            SendKeyEvent(VK_SHIFT, false);
        SendKeyEvent(KeyFor(c), false);
        SendKeyEvent(KeyFor(c), true);
        if (shifted)
            SendKeyEvent(VK_SHIFT, true);
        Sleep(15);
    }
}

EditorDriver::~EditorDriver()
{
    // Closing an editor that still holds a changed drawing would ask; a test
    // that ends early ends the program instead.
    if (process.Running())
        TerminateProcess(process.Handle(), 1);
}

bool EditorDriver::Start(const std::string& arguments)
{
    if (!process.Start(arguments, BinPath("tovareneditor.exe")))
        return false;
    bool found = WaitUntil([&] {
        main = FindProcessWindow(process.processId, kEditorClass, nullptr);
        return main != nullptr;
    }, 20000);
    Settle(300);
    if (found && arguments.empty()) {
        // The splash stands over the painting for a second or two.
        sawSplash = WaitUntil([&] { return FindProcessWindow(process.processId, "#32770", nullptr); }, 3000);
        WaitUntil([&] { return !FindProcessWindow(process.processId, "#32770", nullptr); }, 5000);
        Settle(200);
    }
    return found;
}

bool EditorDriver::HasDialog()
{
    return FindProcessWindow(process.processId, "#32770", nullptr) != nullptr;
}

// Waits until the editor answers a sent message, then for ms, while this
// thread goes on painting its own windows (the test's desktop among them).
// Sent messages overtake queued input, so what depends on typed keys or
// clicks waits for their effect instead.
void EditorDriver::Settle(DWORD ms)
{
    DWORD_PTR result = 0;
    DWORD end = GetTickCount() + 5000;
    while (!SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 50, &result) &&
           static_cast<int>(GetTickCount() - end) < 0)
        PumpFor(20);
    PumpFor(ms);
}

void EditorDriver::Command(int id)
{
    PostMessageA(main, WM_COMMAND, id, 0);
    Settle(100);
}

// An editor that does not answer, or has no such item, fails the test: it
// must never pass for a greyed item.
bool EditorDriver::ItemEnabled(int id)
{
    static const UINT itemState = RegisterWindowMessageA("TovarenEditorItemState");
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutA(main, itemState, id, 0, SMTO_NORMAL, 5000, &state)) {
        ADD_FAILURE() << "the editor did not answer for menu item " << id;
        return false;
    }
    if (static_cast<UINT>(state) == static_cast<UINT>(-1)) {
        ADD_FAILURE() << "the editor has no menu item " << id;
        return false;
    }
    return !(state & (MF_GRAYED | MF_DISABLED));
}

bool EditorDriver::HasItem(int id)
{
    static const UINT itemState = RegisterWindowMessageA("TovarenEditorItemState");
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutA(main, itemState, id, 0, SMTO_NORMAL, 5000, &state)) {
        ADD_FAILURE() << "the editor did not answer for menu item " << id;
        return false;
    }
    return static_cast<UINT>(state) != static_cast<UINT>(-1);
}

POINT EditorDriver::Screen(int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(main, &p);
    return p;
}

void EditorDriver::MoveTo(int x, int y)
{
    POINT p = Screen(x, y);
    MouseToScreen(p.x, p.y);
    Settle(30);
}

void EditorDriver::Press()
{
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    Settle(30);
}

void EditorDriver::Release()
{
    SendMouse(MOUSEEVENTF_LEFTUP);
    Settle(30);
}

void EditorDriver::Drag(const std::vector<POINT>& path, DWORD stepMs)
{
    MoveTo(path.front().x, path.front().y);
    Press();
    for (size_t k = 1; k < path.size(); k++) {
        Sleep(stepMs);
        MoveTo(path[k].x, path[k].y);
    }
    Release();
}

void EditorDriver::Click(int x, int y)
{
    MoveTo(x, y);
    Press();
    Release();
}

void EditorDriver::CtrlKey(WORD letter)
{
    SetForegroundWindow(main);
    SendKeyEvent(VK_CONTROL, false);
    SendKeyEvent(letter, false);
    SendKeyEvent(letter, true);
    SendKeyEvent(VK_CONTROL, true);
    Settle(100);
}

HWND EditorDriver::WaitForWindow(const char* title, DWORD timeoutMs)
{
    HWND window = nullptr;
    WaitUntil([&] {
        window = FindProcessWindow(process.processId, nullptr, title);
        return window != nullptr;
    }, timeoutMs);
    return window;
}

std::string EditorDriver::Answer(const char* caption, int button)
{
    HWND box = WaitForWindow(caption);
    if (!box)
        return "<no box \"" + std::string(caption) + "\">";
    std::string text = MessageBoxText(box);
    PostMessageA(GetDlgItem(box, button), BM_CLICK, 0, 0);
    WaitUntil([&] { return !IsWindow(box); }, 5000);
    Settle(100);
    return text;
}

bool EditorDriver::Sign(const char* text)
{
    HWND dialog = WaitForWindow("Please sign your art");
    if (!dialog)
        return false;
    SetForegroundWindow(dialog);
    Settle(100);
    TypeText(text);
    Settle(100);
    bool typed = ControlText(dialog, IDC_SIGNATURE_TEXT) == text;
    PostMessageA(GetDlgItem(dialog, text[0] ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
    WaitUntil([&] { return !IsWindow(dialog); }, 5000);
    Settle(100);
    return typed;
}

bool EditorDriver::ChooseColour(int red, int green, int blue)
{
    HWND dialog = WaitForWindow("Color");
    if (!dialog)
        return false;
    Settle(200);
    SetDlgItemInt(dialog, COLOR_RED, red, FALSE);
    SetDlgItemInt(dialog, COLOR_GREEN, green, FALSE);
    SetDlgItemInt(dialog, COLOR_BLUE, blue, FALSE);
    Settle(100);
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    bool closed = WaitUntil([&] { return !IsWindow(dialog); }, 5000);
    Settle(100);
    return closed;
}

bool EditorDriver::ChooseFile(const std::string& name)
{
    HWND dialog = nullptr;
    WaitUntil([&] {
        dialog = FindProcessWindow(process.processId, "#32770", "Save As");
        if (!dialog)
            dialog = FindProcessWindow(process.processId, "#32770", "Open");
        return dialog != nullptr;
    }, 10000);
    if (!dialog)
        return false;
    Settle(300);
    HWND field = GetDlgItem(dialog, kFileNameEdit);
    if (!field)
        field = GetDlgItem(dialog, kFileNameCombo);
    SetForegroundWindow(dialog);
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    SetFocus(field);
    TypeText(name);
    Settle(100);
    bool typed = WindowText(field) == name;
    if (!typed)
        SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    WaitUntil([&] { return !IsWindow(dialog); }, 10000);
    Settle(200);
    return typed;
}

ShowDocumentPtr LoadShowFile(const std::string& path)
{
    ShowDocumentPtr show = NewShowDocument(nullptr, PRIORITY_MARKING_SUPPRESSED);
    if (show->Load(path.c_str()) < 0)
        return nullptr;
    return show;
}

std::vector<ShowPoint> PointsOf(ShowDocument& show)
{
    std::vector<ShowPoint> points;
    show.Rewind();
    while (PointNode* node = show.NextPoint())
        points.push_back(node->point);
    return points;
}

std::string SignatureOf(ShowDocument& show)
{
    char text[kSignatureSlots + 1];
    return show.GetSignature(text);
}

COLORREF ScreenPixel(POINT p)
{
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

