#include "HelpFile.h"

#include <shellapi.h>

const char kHelpFile[] = "help\\html\\TovarenHelp.html";

bool OpenHelpFile(HWND owner, const char* installFolder)
{
    HINSTANCE result = ShellExecuteA(owner, "open", kHelpFile, nullptr, installFolder,
                                     SW_SHOWMAXIMIZED);
    return reinterpret_cast<INT_PTR>(result) >= 33;
}

void ShowHelpMissing(bool withOnlineHint)
{
    if (withOnlineHint)
        MessageBoxA(nullptr,
                    "Help file \"help\\html\\TovarenHelp.html\" cannot be found.\n\n"
                    "Online help is available at https://www.vorlund.example/tovaren/help/",
                    "No help file found", MB_OK);
    else
        MessageBoxA(nullptr, "Help file \"help\\html\\TovarenHelp.html\" cannot be found.",
                    "No help file found", MB_OK);
}
