#include "CompatibilityWarning.h"

#include "ShowDocument.h"

// Bit 0 of the header says the show was painted on a DOS-based Windows; the
// warning is due when that differs from the system now running it.
uint8_t WarningModeFor(uint16_t headerFlags, bool runningOnNT, const char* warningsSetting)
{
    if (!(headerFlags & HF_COMPAT_WARNINGS))
        return WARNING_NONE;
    bool paintedOnDos = (headerFlags & HF_OS_DOS) != 0;
    if (paintedOnDos != runningOnNT)
        return WARNING_NONE;
    bool switchedOff = warningsSetting && warningsSetting[0] != '\0';
    return switchedOff ? WARNING_MARK_ONLY : WARNING_SCROLLING;
}
