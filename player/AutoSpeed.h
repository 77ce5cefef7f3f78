// The playback speed that suits a show of the given total duration; shared by
// the screen saver and the editor.
#pragma once

#include <cstdint>

int16_t AutoSpeedFromDuration(uint32_t totalMs);
