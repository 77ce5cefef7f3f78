// Helpers shared by the screen saver's tests.
#pragma once

#include "TestSupport.h"

#include <windows.h>

#include <string>
#include <vector>

// A show of count points along a line, every delay ms, in one colour.
std::vector<TestPoint> LinePoints(int count, uint16_t delay, uint32_t colour, uint16_t y = 300);
// A 24-bit bitmap file filled with one colour inside a two-pixel magenta border,
// which the player takes as the transparent colour.
std::vector<unsigned char> BitmapBytes(int width, int height, COLORREF fill);
// A shell link at linkPath that points at target.
bool MakeShortcut(const std::string& linkPath, const std::string& target);
// The user's "local application data\Temp" folder the standalone saver extracts to.
std::string StandaloneTempBase();
// Names of the TVR* folders below it.
std::vector<std::string> StandaloneTempFolders();
// Writes one text value of the product key under HKEY_CURRENT_USER (or HKLM).
void SetProductValue(const char* name, const char* text, HKEY root = HKEY_CURRENT_USER);
std::string GetProductValue(const char* name, HKEY root = HKEY_CURRENT_USER);
// Settings for a predictable run: these show and character folders, no
// built-in characters, manual speed 1 and a pause of 30 seconds.
void SetPlainSettings(const std::string& shows, const std::string& characters);
// The common documents "Tovaren" folder the saver falls back to.
std::string DefaultShowFolder();
// A standalone saver image: program bytes, show, bitmap and the 60-byte trailer.
std::vector<unsigned char> StandaloneBytes(const std::vector<unsigned char>& program,
                                           const std::vector<unsigned char>& show,
                                           const std::vector<unsigned char>& bitmap, char mode,
                                           int8_t speed, int32_t pause);
