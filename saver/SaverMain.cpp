#include "ScreenSaver.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    return RunScreenSaver(instance, commandLine, showCommand);
}
