#include "AboutDialog.h"

#include "resource.h"

#include <stdio.h>

namespace {

void SetTextFromString(HWND dialog, int control, UINT stringId, int maxLength)
{
    char text[1025];
    if (maxLength >= static_cast<int>(sizeof(text)))
        maxLength = sizeof(text) - 1;
    if (LoadStringA(GetModuleHandleA(nullptr), stringId, text, maxLength + 1) <= 0)
        text[0] = '\0';
    SetDlgItemTextA(dialog, control, text);
}

}  // namespace

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        char version[129];
        char line[160];
        if (LoadStringA(GetModuleHandleA(nullptr), IDS_VERSION, version, sizeof(version)) <= 0)
            version[0] = '\0';
        snprintf(line, sizeof(line), "Version %s", version);
        SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, line);
        SetTextFromString(dialog, IDC_ABOUT_TEXT, IDS_ABOUT_TEXT, 1024);
        SetTextFromString(dialog, IDC_ABOUT_CREDITS, IDS_ABOUT_CREDITS, 1024);
        return TRUE;
    }
    // Only "Dismiss" ends the box; Escape is deliberately ignored.
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK)
        EndDialog(dialog, 1);
    return 0;
}
