// The editor's commands: one line per menu command, and the routines behind
// them for New, Open, Save, Play and the window title.
#include "EditorState.h"

#include "AboutDialog.h"
#include "CompatibilityWarning.h"
#include "EditorExport.h"
#include "HelpFile.h"
#include "InputDevices.h"
#include "ShowPlayer.h"
#include "SnapColor.h"
#include "resource.h"
#include "tvRegistryClient.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char kShowFilter[] = "Tovaren Show Files (*.sho)\0*.sho\0";
const char kShowExtension[] = "sho";
const char kSaveErrorCaption[] = "Save Error";
const char kOpenErrorCaption[] = "Open Error";
const char kNoTimedPoints[] = "No timed points in show file: [%s]";
const char kCannotOpen[] = "Cannot open the show [%s]\n%s";
const char kInputErrorCaption[] = "DirectInput Initialization error.";
const char kNoMemoryText[] = "Not enough memory for a new painting.";
const char kNoSurfaceText[] = "Not enough memory for a painting of %d x %d pixels.";
const char kNothingToSaveText[] =
    "There is nothing painted to save yet: a show without points would not open again.";
const char kFileKeptText[] = "%s\n[%s] is left as it was.";
const char kNoPlaybackWindowText[] = "Failed to create the playback window.";

// The structure size of the file dialogs before the Windows 2000 fields.
const DWORD kOpenFileNameSize = 76;
const DWORD kChooseColorSize = 36;
const DWORD kPlaybackStartSleepMs = 500;
const DWORD kFirstPointDelayMs = 500;

const char* Setting(SettingIndex index)
{
    return g_editor.settings ? g_editor.settings->settings[index] : "";
}

// Dialogs open centred, so the cursor waits in the middle of the screen and
// goes back where it was afterwards.
INT_PTR RunCentredDialog(int id, DLGPROC procedure)
{
    GetCursorPos(&g_editor.savedCursor);
    SetCursorPos(g_editor.screenWidth / 2, g_editor.screenHeight / 2);
    INT_PTR result = DialogBoxParamA(g_editor.module, MAKEINTRESOURCEA(id), g_editor.mainWindow,
                                     procedure, 0);
    SetCursorPos(g_editor.savedCursor.x, g_editor.savedCursor.y);
    return result;
}

bool AskForFileName(char* name, bool save)
{
    name[0] = '\0';
    OPENFILENAMEA& dialog = g_editor.fileDialog;
    dialog.hwndOwner = g_editor.mainWindow;
    dialog.lpstrFile = name;
    dialog.nMaxFile = kEditorPathSize;
    dialog.Flags = save ? OFN_OVERWRITEPROMPT : (OFN_HIDEREADONLY | OFN_CREATEPROMPT);
    return (save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog)) != FALSE;
}

void ShowOpenedShow()
{
    UseSystemCursor(IDC_WAIT);
    Redraw();
    InvalidateRect(g_editor.mainWindow, nullptr, FALSE);
    UseSystemCursor(IDC_CROSS);
}

void OpenCommand()
{
    if (OpenShow(nullptr, false) >= 1)
        ShowOpenedShow();
}

void NewCommand()
{
    if (CloseDocument(false))
        NewDocument();
}

void SignatureCommand()
{
    DialogBoxParamA(g_editor.module, MAKEINTRESOURCEA(IDD_SIGNATURE), nullptr, SignatureDialogProc, 0);
    if (HasSignature())
        g_editor.changed = true;
}

void PenSizeCommand()
{
    if (RunCentredDialog(IDD_PEN_SIZE, PenSizeDialogProc) > 0)
        MakePen();
}

void ColourCommand()
{
    GetCursorPos(&g_editor.savedCursor);
    CHOOSECOLORA choose = {};
    choose.lStructSize = kChooseColorSize;
    choose.hwndOwner = g_editor.mainWindow;
    choose.rgbResult = g_editor.currentColour;
    choose.lpCustColors = g_editor.customColours;
    choose.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (ChooseColorA(&choose)) {
        g_editor.currentColour = SnapColor(choose.rgbResult);
        MakePen();
    }
    SetCursorPos(g_editor.savedCursor.x, g_editor.savedCursor.y);
}

void FillCommand()
{
    if (!g_editor.documentOpen)
        return;
    g_editor.fillMode = true;
    SetEditorCursor(g_editor.fillCursor);
}

void PickCommand()
{
    if (!g_editor.documentOpen)
        return;
    g_editor.pickMode = true;
    SetEditorCursor(g_editor.pickCursor);
}

void HelpCommand()
{
    if (!OpenHelpFile(g_editor.mainWindow, Setting(SETTING_INSTALL_FOLDER)))
        ShowHelpMissing(false);
}

void ShowInputFailure(InputDevices* input)
{
    MessageBoxA(nullptr, input->message, kInputErrorCaption, MB_OK);
    input->Shutdown();
}

// The editor's Open takes only a show whose delays add up to more than 0.
bool HasTimedPoints(const ShowDocument& document)
{
    for (const PointNode* node = document.head.next; node; node = node->next)
        if (node->point.delay != 0)
            return true;
    return false;
}

}  // namespace

bool HasSignature()
{
    char signature[kSignatureSlots + 1];
    return g_editor.document && g_editor.document->GetSignature(signature)[0] != '\0';
}

// The exports follow Save As. New, Open, Exit, the pen, the fill, speed, character, help and About are
// always offered; the others follow the document.
void UpdateMenu()
{
    if (!g_editor.menu)
        return;
    bool open = g_editor.documentOpen && g_editor.document;
    bool named = open && (g_editor.changed || g_editor.path[0] != '\0');
    bool painted = open && g_editor.painted;
    const struct {
        int id;
        bool enabled;
    } items[] = {
        {IDM_SAVE, open && g_editor.changed},
        {IDM_SAVE_AS, named || painted},
        {IDM_EXPORT_ANIMATION, named || painted},
        {IDM_EXPORT_PICTURE, named || painted},
        {IDM_CLOSE, named || painted},
        {IDM_PLAY, painted && !g_editor.playing},
        {IDM_UNDO, painted},
        {IDM_REDO, open && !g_editor.redo.empty()},
        {IDM_PICK_COLOR, painted},
        {IDM_SIGNATURE, open && !HasSignature()},
    };
    bool redraw = false;
    for (const auto& item : items) {
        UINT wanted = item.enabled ? MF_ENABLED : MF_GRAYED;
        UINT before = EnableMenuItem(g_editor.menu, item.id, MF_BYCOMMAND | wanted);
        redraw |= before != static_cast<UINT>(-1) && (before & MF_GRAYED) != (wanted & MF_GRAYED);
    }
    // A frame change stops a playback (WM_WINDOWPOSCHANGED), and the menu
    // bar is out of sight while one runs.
    if (redraw && g_editor.mainWindow && !g_editor.playing)
        DrawMenuBar(g_editor.mainWindow);
}

// A show dropped from Explorer opens as through Open, after the save prompt.
void OpenDroppedFile(HDROP drop)
{
    char path[kEditorPathSize] = "";
    UINT length = DragQueryFileA(drop, 0, path, sizeof(path));
    DragFinish(drop);
    if (length == 0 || length >= sizeof(path) || g_editor.playing)
        return;
    SetForegroundWindow(g_editor.mainWindow);
    g_editor.swallowNextClick = false;
    if (OpenShow(path, false) >= 1)
        ShowOpenedShow();
}

void OpenRecentFile(int index)
{
    if (index < 0 || index >= kRecentFileCount || g_editor.recentFiles[index][0] == '\0')
        return;
    char path[kEditorPathSize];
    strcpy(path, g_editor.recentFiles[index]);
    if (OpenShow(path, false) >= 1)
        ShowOpenedShow();
    else if (!g_editor.documentOpen)
        ForgetRecentFile(path);  // the usual open error has said why
}

// Help leaves swallow-next-click alone: the click that follows it after a
// menu is still one the user did not mean for the painting.
void RunCommand(int id)
{
    if (id != IDM_HELP)
        g_editor.swallowNextClick = false;
    switch (id) {
    case IDM_NEW: NewCommand(); break;
    case IDM_OPEN: OpenCommand(); break;
    case IDM_CLOSE: CloseDocument(false); break;
    case IDM_SAVE: SaveDocument(false); UseSystemCursor(IDC_CROSS); break;
    case IDM_SAVE_AS: SaveDocument(true); break;
    case IDM_EXPORT_ANIMATION: if (g_editor.documentOpen) ExportAnimationCommand(); break;
    case IDM_EXPORT_PICTURE: if (g_editor.documentOpen) ExportPictureCommand(); break;
    case IDM_SIGNATURE: SignatureCommand(); break;
    case IDM_EXIT: ExitEditor(false); break;
    case IDM_PEN_SIZE: PenSizeCommand(); break;
    case IDM_PEN_COLOR: ColourCommand(); break;
    case IDM_FLOOD_FILL: FillCommand(); break;
    case IDM_PICK_COLOR: PickCommand(); break;
    case IDM_UNDO: UndoCommand(); break;
    case IDM_REDO: RedoCommand(); break;
    case IDM_PLAY: if (g_editor.documentOpen) PlayShow(); break;
    case IDM_PLAYBACK_SPEED: RunCentredDialog(IDD_PLAYBACK_SPEED, PlaybackSpeedDialogProc); break;
    case IDM_CHARACTER: RunCentredDialog(IDD_EDITOR_CHARACTER, CharacterSelectionDialogProc); break;
    case IDM_HELP: HelpCommand(); break;
    case IDM_ABOUT: RunCentredDialog(IDD_ABOUT, AboutDialogProc); break;
    default:
        if (id >= IDM_RECENT_FIRST && id < IDM_RECENT_FIRST + kRecentFileCount)
            OpenRecentFile(id - IDM_RECENT_FIRST);
        break;
    }
    UpdateMenu();
}

// Without a drawing surface nothing painted could be shown or filled: the
// painting is not opened.
void NewDocument()
{
    ForgetRedo();
    g_editor.document = NewShowDocument(g_editor.module, PRIORITY_MARKING_SUPPRESSED);
    if (!g_editor.document) {
        MessageBoxA(g_editor.mainWindow, kNoMemoryText, "Error", MB_OK);
        return;
    }
    ShowHeaderBlock& header = g_editor.document->header.block;
    header.flags = static_cast<uint16_t>((g_editor.osIsNT ? 0 : HF_OS_DOS) | HF_COMPAT_WARNINGS);
    header.width = g_editor.screenWidth;
    header.height = g_editor.screenHeight;
    g_editor.warningMode = WARNING_NONE;
    if (!MakeSurfaces(header.width, header.height)) {
        char text[128];
        snprintf(text, sizeof(text), kNoSurfaceText, header.width, header.height);
        g_editor.document.reset();
        InvalidateRect(g_editor.mainWindow, nullptr, TRUE);
        UpdateMenu();
        MessageBoxA(g_editor.mainWindow, text, "Error", MB_OK | MB_ICONERROR);
        return;
    }
    g_editor.documentOpen = true;
    g_editor.painted = false;
    ComputeClipRect();
    InvalidateRect(g_editor.mainWindow, nullptr, FALSE);
    UseSystemCursor(IDC_CROSS);
    UpdateMenu();
}

// The total delay of the loaded show, or -1. A show started from the command
// line fails without a word (the editor then starts as usual); one chosen in
// the Open dialog says why it cannot be opened.
int32_t OpenShow(const char* givenPath, bool fromCommandLine)
{
    char name[kEditorPathSize] = "";
    if (givenPath) {
        if (strlen(givenPath) >= sizeof(name))
            return -1;
        strcpy(name, givenPath);
    }
    if (g_editor.documentOpen && !CloseDocument(false))
        return -1;
    ForgetRedo();
    if (name[0] == '\0' && !AskForFileName(name, false))
        return -1;
    strcpy(g_editor.path, name);

    g_editor.document = NewShowDocument(g_editor.module, PRIORITY_MARKING_SUPPRESSED);
    if (!g_editor.document) {
        g_editor.path[0] = '\0';
        return -1;
    }
    UseSystemCursor(IDC_WAIT);
    int32_t total = g_editor.document->Load(g_editor.path);
    ShowHeaderBlock& header = g_editor.document->header.block;
    bool fits = total > 0 && MakeSurfaces(header.width, header.height);
    if (!fits) {
        if (!fromCommandLine) {
            char text[kShowMessageSize + 2 * kEditorPathSize];
            if (total == -1)
                snprintf(text, sizeof(text), kCannotOpen, g_editor.path, g_editor.document->message);
            else if (total == 0)
                snprintf(text, sizeof(text), kNoTimedPoints, g_editor.path);
            else
                snprintf(text, sizeof(text), "Failed to make a drawing surface of %d x %d: [%s]",
                         header.width, header.height, g_editor.path);
            MessageBoxA(g_editor.mainWindow, text, kOpenErrorCaption, MB_OK | MB_ICONERROR);
        }
        g_editor.document.reset();
        g_editor.path[0] = '\0';
        MakeSurfaces(g_editor.screenWidth, g_editor.screenHeight);
        UseSystemCursor(IDC_CROSS);
        return -1;
    }
    g_editor.documentOpen = true;
    g_editor.painted = true;
    g_editor.recordingStarted = false;
    g_editor.changed = false;
    UpdateMenu();
    SetTitle();
    ComputeClipRect();
    g_editor.warningMode = WarningModeFor(header.flags, g_editor.osIsNT, Setting(SETTING_WARNINGS));
    RememberRecentFile(g_editor.path);
    return total;
}

// True when the document is on disk or there is nothing to save. A failed
// save says why and leaves the document changed: nothing painted is lost, and
// the file already on disk stays as it was.
//
// A show whose delays add up to nothing does not open again, so it is never
// written: the file keeps what it held.
bool SaveDocument(bool saveAs)
{
    if (!g_editor.documentOpen)
        return true;
    if (!g_editor.document || !HasTimedPoints(*g_editor.document)) {
        char text[sizeof(kNothingToSaveText) + sizeof(kFileKeptText) + kEditorPathSize];
        if (g_editor.path[0])
            snprintf(text, sizeof(text), kFileKeptText, kNothingToSaveText, g_editor.path);
        else
            snprintf(text, sizeof(text), "%s", kNothingToSaveText);
        MessageBoxA(g_editor.mainWindow, text, kSaveErrorCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    if (!HasSignature())
        DialogBoxParamA(g_editor.module, MAKEINTRESOURCEA(IDD_SIGNATURE), nullptr,
                        SignatureDialogProc, 0);
    if (g_editor.path[0] == '\0' || saveAs) {
        char name[kEditorPathSize];
        if (!AskForFileName(name, true))
            return false;
        strcpy(g_editor.path, name);
        SetTitle();
    }
    UseSystemCursor(IDC_WAIT);
    if (!g_editor.document->Save(g_editor.path, SHOW_SAVE_REPLACE)) {
        UseSystemCursor(IDC_CROSS);
        MessageBoxA(g_editor.mainWindow, g_editor.document->message, kSaveErrorCaption,
                    MB_OK | MB_ICONERROR);
        return false;
    }
    g_editor.changed = false;
    g_editor.recordingStarted = false;
    UpdateMenu();
    RememberRecentFile(g_editor.path);
    return true;
}

bool PlayShow()
{
    GetCursorPos(&g_editor.savedCursor);
    std::unique_ptr<InputDevices> input(new (std::nothrow) InputDevices(g_editor.module, INPUT_RULE_EDITOR));
    if (!input)
        return false;
    if (!input->ok) {
        ShowInputFailure(input.get());
        return false;
    }
    g_editor.input = std::move(input);
    ShowWindow(g_editor.mainWindow, SW_MINIMIZE);
    if (!g_editor.document) {
        StopPlayback();
        return false;
    }
    // The player copies the character onto a surface of its own.
    ScopedBitmap character(LoadCharacterBitmap(g_editor.character));
    Sleep(kPlaybackStartSleepMs);
    if (!CreatePlaybackWindow()) {
        StopPlayback(kNoPlaybackWindowText);
        return false;
    }
    g_editor.player.reset(new (std::nothrow) ShowPlayer(g_editor.playbackWindow, g_editor.document.get(),
                                                        character, g_editor.playbackSpeed,
                                                        g_editor.warningMode));
    if (!g_editor.player || !g_editor.player->ok) {
        StopPlayback();
        return false;
    }
    g_editor.playing = true;
    g_editor.recordingStarted = false;
    UpdateMenu();
    UseSystemCursor(IDC_ARROW);
    g_editor.player->DelayNextPoint(kFirstPointDelayMs);
    return true;
}

void SetTitle()
{
    char name[kClassNameSize];
    if (LoadStringA(g_editor.module, IDS_PRODUCT_NAME, name, sizeof(name)) <= 0)
        name[0] = '\0';
    char title[kEditorPathSize + 2 * kClassNameSize];
    if (g_editor.path[0] != '\0') {
        snprintf(title, sizeof(title), "%s - [%s]", name, g_editor.path);
    } else {
        char version[kClassNameSize];
        if (LoadStringA(g_editor.module, IDS_VERSION, version, sizeof(version)) <= 0)
            version[0] = '\0';
        snprintf(title, sizeof(title), "%s %s", name, version);
    }
    SetWindowTextA(g_editor.mainWindow, title);
}

// One set of file-dialog settings serves both dialogs for the whole run; the
// folder is the show folder of the settings as it was at start-up.
void PrepareFileDialog()
{
    const char* folder = Setting(SETTING_SHOW_FOLDER);
    if (folder[0] == '\0')
        folder = Setting(SETTING_DEFAULT_FOLDER);
    snprintf(g_editor.fileDialogFolder, sizeof(g_editor.fileDialogFolder), "%s", folder);

    OPENFILENAMEA& dialog = g_editor.fileDialog;
    memset(&dialog, 0, sizeof(dialog));
    dialog.lStructSize = kOpenFileNameSize;
    dialog.hwndOwner = g_editor.mainWindow;
    dialog.lpstrFilter = kShowFilter;
    dialog.nMaxFileTitle = kEditorPathSize;
    dialog.lpstrInitialDir = g_editor.fileDialogFolder;
    dialog.lpstrDefExt = kShowExtension;
}
