// Helpers shared by the screen saver's tests.
#pragma once

#include "TestSupport.h"

#include <windows.h>

#include <string>
#include <vector>

// A shell link at linkPath that points at target.
bool MakeShortcut(const std::string& linkPath, const std::string& target);
// The user's "local application data\Temp" folder the standalone saver extracts to.
std::string StandaloneTempBase();
// Names of the TVR* folders below it.
std::vector<std::string> StandaloneTempFolders();
// Settings for a predictable run: these show and character folders, no
// built-in characters, manual speed 1 and a pause of 30 seconds.
void SetPlainSettings(const std::string& shows, const std::string& characters);
// A show that floods the whole picture with one colour at once, then walks
// the painter about for a long while (half a minute) without drawing.
std::vector<TestPoint> FloodShow(COLORREF colour);
// A standalone saver image: program bytes, show, bitmap and the 60-byte trailer.
std::vector<unsigned char> StandaloneBytes(const std::vector<unsigned char>& program,
                                           const std::vector<unsigned char>& show,
                                           const std::vector<unsigned char>& bitmap, char mode,
                                           int8_t speed, int32_t pause);
