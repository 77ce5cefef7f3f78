// Which family of Windows is running: shows remember the family they were
// painted on, and players warn when it differs.
#pragma once

// True on the NT family (NT, 2000, XP and later), false on the DOS-based
// Windows 95, 98 and Me.
bool IsNtFamily();
