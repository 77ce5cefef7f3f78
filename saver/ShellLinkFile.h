// The check of a shell link file (.lnk) before the system's shell link object
// reads it. Wine's reader trusts the sizes inside the file and crashes on
// some that point past its end, so a link whose structure does not hold
// together is refused first. No system call: the fuzzers feed it bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// Links are small; a larger file is not read at all.
const size_t kMaxShellLinkBytes = 65536;

// Null when every part of the link lies inside the file, else the reason.
const char* CheckShellLinkFile(const uint8_t* bytes, size_t size);
