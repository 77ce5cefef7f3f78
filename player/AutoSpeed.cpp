#include "AutoSpeed.h"

// Short shows play near their recorded pace; long ones are sped up so that a
// show of an hour or more still ends in a few minutes.
int16_t AutoSpeedFromDuration(uint32_t t)
{
    if (t <= 4000)
        return 20;
    if (t <= 100000)
        return static_cast<int16_t>(t / 1824 + 20);
    if (t <= 3000000)
        return static_cast<int16_t>(t / 131818 + 75);
    if (t <= 4500000)
        return 98;
    if (t <= 6000000)
        return 99;
    return 100;
}
