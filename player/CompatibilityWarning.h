// The compatibility warning: a show painted on the other family of Windows
// may not look as painted, and the player says so while it plays.
#pragma once

#include <cstdint>

enum : uint8_t {
    WARNING_NONE = 0,
    WARNING_MARK_ONLY = 1,  // warnings switched off: only a red mark at the top right
    WARNING_SCROLLING = 2,  // the warning text crawls along the top edge
};

// The warning mode for a show with these header flags, played on the given
// family of Windows; warningsSetting is the "Disable Compatibility Warnings."
// setting, where any text at all means switched off.
uint8_t WarningModeFor(uint16_t headerFlags, bool runningOnNT, const char* warningsSetting);
