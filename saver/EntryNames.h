// What the names in the show and character lists mean: shortcuts, and the
// ids of the built-in characters. No system call, so the fuzzers run it too.
#pragma once

// Built-in character ids as stored in the character list.
extern const char kDorinCharacter[];     // "d.InternalChar", bit 1
extern const char kVelkaCharacter[];     // "v.InternalChar", bit 2
extern const char kBramwellCharacter[];  // "b.InternalChar", bit 4

// Whether a path names a shell link (".lnk", in any letter case).
bool HasLinkExtension(const char* path);

// The bitmap resource of a built-in character id ("d.InternalChar",
// "v.InternalChar", "b.InternalChar"), or 0 for any other name.
int BuiltInCharacterBitmap(const char* name);
