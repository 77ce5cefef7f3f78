// A list of the show or character files of one folder, handed out so that
// unviewed priority shows come first and every entry plays once per cycle.
#pragma once

#include <windows.h>

const int kDirectoryNameSize = 260;
const int kDirectoryErrorSize = 1027;

struct DirectoryEntry {
    char name[kDirectoryNameSize];  // file name without folder, or a built-in character id
    BYTE viewed;                    // picked in the current cycle
    BYTE priority;                  // an unviewed priority show not picked yet
    DirectoryEntry* next;
};

class DirectoryList {
public:
    DirectoryList();
    DirectoryList(HINSTANCE module, const char* folder, const char* patternA, const char* patternB);
    ~DirectoryList();
    DirectoryList(const DirectoryList&) = delete;
    DirectoryList& operator=(const DirectoryList&) = delete;

    void ScanPattern(const char* pattern);
    bool AddEntry(const char* name, BYTE priority);
    const char* PickNext();
    // PickNext that passes over the entries whose full paths are in busy
    // (shows other monitors play now), unless the list holds no more
    // entries than there are busy paths.
    const char* PickNextAvoiding(const char* const* busy, int busyCount);
    bool FindUnviewedPriority();
    void RandomStep();
    void ResetViewed();

    BYTE ok;
    char errorText[kDirectoryErrorSize];
    DirectoryEntry* cursor;
    DirectoryEntry* head;
    DWORD count;
    char folder[kDirectoryNameSize];
    char resultPath[kDirectoryNameSize];
    HINSTANCE module;
};
