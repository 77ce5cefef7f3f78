// The help page, opened through the shell from the install folder, and the
// box that says it is missing.
#pragma once

#include <windows.h>

extern const char kHelpFile[];  // "help\\html\\TovarenHelp.html"

// False when the shell could not open the page.
bool OpenHelpFile(HWND owner, const char* installFolder);
// The screen saver adds where help can be found online; the dialogs do not.
void ShowHelpMissing(bool withOnlineHint);
