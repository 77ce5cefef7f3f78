// libFuzzer target: the shell link check made before the shell's own reader
// sees a shortcut from the show or character folder.
#include "ShellLinkFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* reason = CheckShellLinkFile(data, size);
    if (reason && !reason[0])
        abort();
    if (!reason && (size < 0x4C || size > kMaxShellLinkBytes))
        abort();
    return 0;
}
