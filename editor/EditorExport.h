// The editor's File > Export Animation and Export Picture commands.
#pragma once

// Asks for the length and width, then the GIF's name, and writes it on a
// worker thread behind a progress dialog with Cancel.
void ExportAnimationCommand();
// Asks for a PNG or BMP name and writes the finished picture.
void ExportPictureCommand();
