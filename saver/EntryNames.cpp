#include "EntryNames.h"

#include "resource.h"

#include <string.h>

const char kDorinCharacter[] = "d.InternalChar";
const char kVelkaCharacter[] = "v.InternalChar";
const char kBramwellCharacter[] = "b.InternalChar";

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool HasLinkExtension(const char* path)
{
    size_t length = path ? strlen(path) : 0;
    if (length < 4)
        return false;
    const char* end = path + length - 4;
    return end[0] == '.' && Lower(end[1]) == 'l' && Lower(end[2]) == 'n' && Lower(end[3]) == 'k';
}

int BuiltInCharacterBitmap(const char* name)
{
    // Names are compared as strings: a short name is never read past its end.
    if (strcmp(name, kDorinCharacter) == 0)
        return IDB_CHAR_DORIN;
    if (strcmp(name, kVelkaCharacter) == 0)
        return IDB_CHAR_VELKA;
    if (strcmp(name, kBramwellCharacter) == 0)
        return IDB_CHAR_BRAMWELL;
    return 0;
}
