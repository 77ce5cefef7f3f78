// Bitmap files are loaded through the system only after CheckBitmapFile has
// passed them.
#pragma once

#include "BitmapFile.h"

#include <windows.h>

// The bitmap, or null with *reason saying why: the file cannot be read, or
// the text of CheckBitmapFile, or that the system could not load it.
HBITMAP LoadCheckedBitmap(const char* path, const char** reason);
