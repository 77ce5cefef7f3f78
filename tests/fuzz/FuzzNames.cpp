// libFuzzer target: the list entry names (shortcut paths, built-in character
// ids), each in a heap block of exactly its own size, so a comparison that
// reads past a short name is caught.
#include "EntryNames.h"
#include "resource.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <strings.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint8_t* end = static_cast<const uint8_t*>(memchr(data, 0, size));
    size_t length = end ? static_cast<size_t>(end - data) : size;
    char* name = new char[length + 1];
    memcpy(name, data, length);
    name[length] = '\0';

    bool link = length >= 4 && strcasecmp(name + length - 4, ".lnk") == 0;
    if (HasLinkExtension(name) != link)
        abort();
    int expected = strcmp(name, "d.InternalChar") == 0   ? IDB_CHAR_DORIN
                   : strcmp(name, "v.InternalChar") == 0 ? IDB_CHAR_VELKA
                   : strcmp(name, "b.InternalChar") == 0 ? IDB_CHAR_BRAMWELL
                                                          : 0;
    if (BuiltInCharacterBitmap(name) != expected)
        abort();
    delete[] name;
    return 0;
}
