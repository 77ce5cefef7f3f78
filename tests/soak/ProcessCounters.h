// What a soak watches in its own process: committed private memory and GDI
// objects. Wine's GetGuiResources answers 0 and its process memory counters
// do not follow the heap, so both are counted here.
#pragma once

#include <windows.h>

#include <string>

// GDI objects, found by asking the type of every handle value the handle
// table can hold (Wine numbers its GDI handles one by one in the low word).
inline int CountGdiObjects(std::string* kinds = nullptr)
{
    int count = 0;
    int byType[16] = {};
    for (UINT_PTR value = 1; value < 0x10000; value++) {
        DWORD type = GetObjectType(reinterpret_cast<HGDIOBJ>(value));
        if (type != 0) {
            ++count;
            byType[type & 15]++;
        }
    }
    if (kinds) {
        kinds->clear();
        for (int t = 1; t < 16; t++)
            if (byType[t])
                *kinds += " " + std::to_string(t) + ":" + std::to_string(byType[t]);
    }
    return count;
}

// Committed private pages, summed over the address space: what the process
// itself allocated (heap, surfaces in system memory, stacks), without the
// mapped program files.
inline SIZE_T PrivateBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (char* address = nullptr; VirtualQuery(address, &region, sizeof(region)) == sizeof(region);
         address = static_cast<char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        if (static_cast<char*>(region.BaseAddress) + region.RegionSize < address)
            break;
    }
    return total;
}
