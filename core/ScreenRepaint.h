// Repainting every window on the screen without waiting on their programs.
#pragma once

// Asks every window on the screen to erase and repaint itself; each program
// does so when it next reads its messages. InvalidateRect with no window
// would erase every window before returning, waiting on each program in
// turn, so one program that is not answering would hold the caller up for
// as long as it does not answer.
void RepaintWholeScreen();
