// The editor's dialogs: pen size, playback speed, character and signature;
// and the characters that play a show.
#include "EditorState.h"

#include "DialogHelpers.h"
#include "resource.h"

#include <commctrl.h>

#include <cstdlib>

namespace {

const int kSignatureTextSize = 1024;
const int kSpeedMin = 1;
const int kSpeedMax = 100;
const int kSpeedPage = 10;

struct CharacterChoice {
    int32_t character;
    int radioId;  // 0: not offered in the dialog
    int bitmapId;
};

const CharacterChoice kCharacters[] = {
    {CHARACTER_VELKA, IDC_PICK_VELKA, IDB_CHAR_VELKA},
    {CHARACTER_DORIN, IDC_PICK_DORIN, IDB_CHAR_DORIN},
    {CHARACTER_BRAMWELL, IDC_PICK_BRAMWELL, IDB_CHAR_BRAMWELL},
    {CHARACTER_RARE, 0, IDB_CHAR_RARE},
};

// The choice a character dialog holds until OK.
int32_t g_pendingCharacter = 0;

void InitCharacterDialog(HWND dialog)
{
    g_pendingCharacter = g_editor.character;
    for (const CharacterChoice& choice : kCharacters)
        if (choice.radioId)
            SendDlgItemMessageA(dialog, choice.radioId, BM_SETCHECK,
                                choice.character == g_editor.character ? BST_CHECKED : BST_UNCHECKED, 0);
}

void PenSizeOk(HWND dialog)
{
    BOOL read = FALSE;
    int value = static_cast<int>(GetDlgItemInt(dialog, IDC_PEN_SIZE, &read, TRUE));
    int low = value & 0xFF;
    if (low >= 1 && low <= 255)
        g_editor.penSize = static_cast<uint8_t>(low);
    EndDialog(dialog, 1);
}

void SignatureOk(HWND dialog)
{
    char text[kSignatureTextSize];
    DlgGetText(dialog, IDC_SIGNATURE_TEXT, text, sizeof(text));
    if (g_editor.document)
        g_editor.document->SetSignature(text);
    EndDialog(dialog, 1);
}

}  // namespace

INT_PTR CALLBACK PenSizeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SetDlgItemInt(dialog, IDC_PEN_SIZE, g_editor.penSize, FALSE);
        SetFocus(GetDlgItem(dialog, IDC_PEN_SIZE));
        return FALSE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        PenSizeOk(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK PlaybackSpeedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    HWND slider = GetDlgItem(dialog, IDC_PLAYBACK_SPEED);
    if (message == WM_INITDIALOG) {
        SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELONG(kSpeedMin, kSpeedMax));
        SendMessageA(slider, TBM_SETPAGESIZE, 0, kSpeedPage);
        SendMessageA(slider, TBM_SETPOS, TRUE, g_editor.playbackSpeed);
        SetFocus(slider);
        return FALSE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        g_editor.playbackSpeed = static_cast<int16_t>(SendMessageA(slider, TBM_GETPOS, 0, 0));
        EndDialog(dialog, 1);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK CharacterSelectionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        InitCharacterDialog(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    int id = LOWORD(wParam);
    for (const CharacterChoice& choice : kCharacters)
        if (choice.radioId && choice.radioId == id)
            g_pendingCharacter = choice.character;
    if (id == IDOK) {
        g_editor.character = g_pendingCharacter;
        EndDialog(dialog, 1);
    } else if (id == IDCANCEL) {
        EndDialog(dialog, 0);
    }
    return TRUE;
}

// "Maybe Later" ends the dialog like OK but leaves the signature as it was.
INT_PTR CALLBACK SignatureDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SetFocus(GetDlgItem(dialog, IDC_SIGNATURE_TEXT));
        return FALSE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        SignatureOk(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}

// Null for a value that names no character: the player then paints without one.
HBITMAP LoadCharacterBitmap(int32_t character)
{
    for (const CharacterChoice& choice : kCharacters)
        if (choice.character == character)
            return LoadBitmapA(g_editor.module, MAKEINTRESOURCEA(choice.bitmapId));
    return nullptr;
}

// Dorin, Velka and Bramwell about a third of the time each; the fourth
// painter one start in a hundred.
int32_t RandomCharacter()
{
    int r = rand() % 100;
    if (r <= 31)
        return CHARACTER_DORIN;
    if (r <= 61)
        return CHARACTER_VELKA;
    if (r <= 98)
        return CHARACTER_BRAMWELL;
    return CHARACTER_RARE;
}
