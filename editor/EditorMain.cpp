// tovareneditor: paint a show with the mouse, save it, play it back.
#include "EditorState.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    return RunEditor(instance, commandLine);
}
