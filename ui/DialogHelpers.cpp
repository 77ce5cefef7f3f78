#include "DialogHelpers.h"

#include <cstdio>
#include <cstdlib>

namespace {

// A field holds at most this much; the whole text goes to atoi.
const int kNumberTextSize = 1024;

}  // namespace

void DlgSetText(HWND dialog, int id, const char* text)
{
    SetDlgItemTextA(dialog, id, text);
}

void DlgGetText(HWND dialog, int id, char* buffer, int size)
{
    if (size <= 0)
        return;
    buffer[0] = '\0';
    GetDlgItemTextA(dialog, id, buffer, size);
    buffer[size - 1] = '\0';
}

void DlgSetWord(HWND dialog, int id, uint16_t value)
{
    char text[16];
    snprintf(text, sizeof(text), "%d", static_cast<int>(value));
    DlgSetText(dialog, id, text);
}

int DlgGetInt(HWND dialog, int id)
{
    char text[kNumberTextSize];
    DlgGetText(dialog, id, text, sizeof(text));
    return atoi(text);
}

uint16_t DlgGetWord(HWND dialog, int id)
{
    return static_cast<uint16_t>(DlgGetInt(dialog, id));
}

void DlgSetCheck(HWND dialog, int id, bool checked)
{
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool DlgIsChecked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}
