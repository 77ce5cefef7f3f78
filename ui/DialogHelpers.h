// Reading and writing dialog controls, the same way in every dialog.
#pragma once

#include <windows.h>

#include <cstdint>

void DlgSetText(HWND dialog, int id, const char* text);
// Always leaves a terminated text in buffer, empty when the control has none.
void DlgGetText(HWND dialog, int id, char* buffer, int size);
// Header words are shown as unsigned decimal numbers.
void DlgSetWord(HWND dialog, int id, uint16_t value);
// Text that is not a number reads as 0, as atoi has it.
int DlgGetInt(HWND dialog, int id);
uint16_t DlgGetWord(HWND dialog, int id);
void DlgSetCheck(HWND dialog, int id, bool checked);
bool DlgIsChecked(HWND dialog, int id);
