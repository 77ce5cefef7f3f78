// flagbench: shows the header of one show file in a dialog and writes the
// changed header back into the same file.
#include "DialogHelpers.h"
#include "ShowDocument.h"
#include "resource.h"

#include <windows.h>
#include <commctrl.h>

#include <errno.h>
#include <new>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char kErrorCaption[] = "Error";
const char kNoTimedPoints[] = "No timed points in show file: [%s]";
const char kOpenFailed[] = "Failed to open: [%s] [%s]";
const char kPathTooLong[] = "Failed to open file: [%.160s...] [%s]";

const int kFieldTextSize = 1024;  // the longest text read back from a field
const int kPathBufferSize = 1024;

// One header flag with its check box and the field that explains it.
struct FlagBit {
    uint16_t mask;
    int checkId;
    int textId;
    const char* setText;
    const char* clearText;
};

const FlagBit kFlagBits[] = {
    {HF_OS_DOS, IDC_FLAGBENCH_BIT0, IDC_FLAGBENCH_BIT0_TEXT, "Bit 0 is set. Os type is DOS.",
     "Bit 0 is not set. Os type is NT."},
    {HF_COMPAT_WARNINGS, IDC_FLAGBENCH_BIT1, IDC_FLAGBENCH_BIT1_TEXT,
     "Bit 1 is set. Compatability Warnings are on.",
     "Bit 1 is not set. Compatability Warnings are off."},
    {HF_PRIORITY, IDC_FLAGBENCH_BIT2, IDC_FLAGBENCH_BIT2_TEXT, "Bit 2 is set. Priority is High.",
     "Bit 2 is not set. Priority is normal."},
};

struct FlagbenchState {
    HINSTANCE module = nullptr;
    ShowDocumentPtr document;
    HWND dialog = nullptr;
    char path[kPathBufferSize] = "";
};

FlagbenchState state;

// ---- The flag display

ShowHeaderBlock& Header()
{
    return state.document->header.block;
}

void RefreshFlagDisplay()
{
    for (const FlagBit& bit : kFlagBits) {
        bool set = (Header().flags & bit.mask) != 0;
        DlgSetCheck(state.dialog, bit.checkId, set);
        DlgSetText(state.dialog, bit.textId, set ? bit.setText : bit.clearText);
    }
}

void FillDialog()
{
    char signature[kSignatureSlots + 1];
    DlgSetWord(state.dialog, IDC_FLAGBENCH_VERSION, static_cast<uint16_t>(state.document->header.version));
    DlgSetWord(state.dialog, IDC_FLAGBENCH_WIDTH, Header().width);
    DlgSetWord(state.dialog, IDC_FLAGBENCH_HEIGHT, Header().height);
    DlgSetWord(state.dialog, IDC_FLAGBENCH_FLAGS, Header().flags);
    RefreshFlagDisplay();
    DlgSetText(state.dialog, IDC_FLAGBENCH_SIGNATURE, state.document->GetSignature(signature));
}

// ---- Commands

// Writing the decimal field makes it notify, and that notification redraws
// the check boxes and explanations, so both views always show the same word.
void ToggleFlagBitCommand(int notifyCode, uint16_t mask)
{
    if (notifyCode != BN_CLICKED)
        return;
    Header().flags ^= mask;
    DlgSetWord(state.dialog, IDC_FLAGBENCH_FLAGS, Header().flags);
}

// Any notification counts, focus changes too; bits without a check box are
// kept in the word.
void DecimalFieldCommand()
{
    Header().flags = DlgGetWord(state.dialog, IDC_FLAGBENCH_FLAGS);
    RefreshFlagDisplay();
}

void StoreFields()
{
    char signature[kFieldTextSize];
    state.document->header.version = static_cast<int16_t>(DlgGetWord(state.dialog, IDC_FLAGBENCH_VERSION));
    Header().width = DlgGetWord(state.dialog, IDC_FLAGBENCH_WIDTH);
    Header().height = DlgGetWord(state.dialog, IDC_FLAGBENCH_HEIGHT);
    Header().flags = DlgGetWord(state.dialog, IDC_FLAGBENCH_FLAGS);
    DlgGetText(state.dialog, IDC_FLAGBENCH_SIGNATURE, signature, sizeof(signature));
    state.document->SetSignature(signature);
}

void ShowSaveError(const char* text)
{
    MessageBoxA(state.dialog, text, kErrorCaption, MB_OK | MB_ICONERROR);
}

// Windows refuses to open a read-only file for writing, but Wine run by root
// writes it anyway; asking first keeps a protected show unchanged on both,
// with the text the refused open would give.
bool RefuseReadOnlyFile()
{
    DWORD attributes = GetFileAttributesA(state.path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    char text[kShowMessageSize + kPathBufferSize];
    snprintf(text, sizeof(text), kOpenFailed, state.path, strerror(EACCES));
    ShowSaveError(text);
    return true;
}

// A failed save leaves the file as it was and the dialog open, so the user
// can make the file writable and save again, or cancel.
void SaveCommand()
{
    StoreFields();
    if (RefuseReadOnlyFile())
        return;
    if (!state.document->Save(state.path, SHOW_SAVE_REPLACE)) {
        ShowSaveError(state.document->message);
        return;
    }
    EndDialog(state.dialog, IDOK);
}

void CancelCommand()
{
    EndDialog(state.dialog, IDCANCEL);
}

void DispatchCommand(int id, int notifyCode)
{
    switch (id) {
    case IDC_FLAGBENCH_BIT0: ToggleFlagBitCommand(notifyCode, HF_OS_DOS); break;
    case IDC_FLAGBENCH_BIT1: ToggleFlagBitCommand(notifyCode, HF_COMPAT_WARNINGS); break;
    case IDC_FLAGBENCH_BIT2: ToggleFlagBitCommand(notifyCode, HF_PRIORITY); break;
    case IDC_FLAGBENCH_FLAGS: DecimalFieldCommand(); break;
    case IDOK: SaveCommand(); break;
    case IDCANCEL: CancelCommand(); break;
    }
}

INT_PTR CALLBACK FlagbenchDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        state.dialog = dialog;
        FillDialog();
        return TRUE;
    case WM_COMMAND:
        // Notifications that arrive while the dialog is still being built
        // come before the state knows the dialog.
        if (state.dialog)
            DispatchCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

// ---- Start-up

void ShowError(const char* text)
{
    MessageBoxA(nullptr, text, kErrorCaption, MB_OK | MB_ICONERROR);
}

// The whole command line is the path; a quoted path loses its quotes.
// Returns false when the line does not fit the path buffer.
bool TakePath(const char* commandLine, char* path, size_t size)
{
    while (*commandLine == ' ' || *commandLine == '\t')
        commandLine++;
    size_t length = strlen(commandLine);
    while (length > 0 && (commandLine[length - 1] == ' ' || commandLine[length - 1] == '\t'))
        length--;
    if (length > 0 && commandLine[0] == '"') {
        commandLine++;
        length--;
        if (length > 0 && commandLine[length - 1] == '"')
            length--;
    }
    if (length >= size)
        return false;
    memcpy(path, commandLine, length);
    path[length] = '\0';
    return true;
}

// Loads the show; on failure says why in the error box and returns false.
bool LoadShow()
{
    if (state.document->Load(state.path) > 0)
        return true;
    if (state.document->message[0]) {
        ShowError(state.document->message);
    } else {
        char text[kShowMessageSize + kPathBufferSize];
        snprintf(text, sizeof(text), kNoTimedPoints, state.path);
        ShowError(text);
    }
    return false;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    state.module = instance;
    if (!TakePath(commandLine, state.path, sizeof(state.path))) {
        char text[kShowMessageSize];
        snprintf(text, sizeof(text), kPathTooLong, commandLine, strerror(ENAMETOOLONG));
        ShowError(text);
        return 0;
    }
    if (!state.path[0])
        return 0;

    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    state.document = NewShowDocument(instance, PRIORITY_MARKING_SUPPRESSED);
    if (!state.document)
        return -1;
    if (LoadShow())
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_FLAGBENCH), nullptr, FlagbenchDialogProc, 0);
    state.document.reset();
    return 0;
}
