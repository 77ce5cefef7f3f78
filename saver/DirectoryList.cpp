#include "DirectoryList.h"

#include "ShowDocument.h"

#include <mmsystem.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <new>

DirectoryList::DirectoryList()
    : ok(0), cursor(nullptr), head(nullptr), count(0), module(nullptr)
{
    errorText[0] = '\0';
    folder[0] = '\0';
    resultPath[0] = '\0';
}

DirectoryList::DirectoryList(HINSTANCE moduleHandle, const char* scanFolder, const char* patternA,
                             const char* patternB)
    : DirectoryList()
{
    module = moduleHandle;
    if (!scanFolder)
        return;
    snprintf(folder, sizeof(folder), "%s", scanFolder);
    if (patternA)
        ScanPattern(patternA);
    if (patternB)
        ScanPattern(patternB);
    srand(timeGetTime());
    ok = count > 0;
}

DirectoryList::~DirectoryList()
{
    while (head) {
        DirectoryEntry* next = head->next;
        delete head;
        head = next;
    }
}

void DirectoryList::ScanPattern(const char* pattern)
{
    char search[MAX_PATH * 2];
    snprintf(search, sizeof(search), "%s\\%s", folder, pattern);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(search, &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        // "*.sho" also matches "x.shox" through the short name; keep only
        // names that really end with the pattern's extension.
        const char* wantedExtension = strchr(pattern, '.');
        size_t nameLength = strlen(found.cFileName);
        if (wantedExtension) {
            size_t extensionLength = strlen(wantedExtension);
            if (nameLength < extensionLength ||
                _stricmp(found.cFileName + nameLength - extensionLength, wantedExtension) != 0)
                continue;
        }
        char path[MAX_PATH * 2];
        snprintf(path, sizeof(path), "%s\\%s", folder, found.cFileName);
        BYTE priority = IsUnviewedPriorityShow(module, path) ? 1 : 0;
        if (!AddEntry(found.cFileName, priority))
            break;
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

bool DirectoryList::AddEntry(const char* name, BYTE priority)
{
    DirectoryEntry* entry = new (std::nothrow) DirectoryEntry;
    if (!entry) {
        snprintf(errorText, sizeof(errorText),
                 "Failed to create node element for directory entry: [%s]", name);
        return false;
    }
    snprintf(entry->name, sizeof(entry->name), "%s", name);
    entry->viewed = 0;
    entry->priority = priority;
    entry->next = nullptr;
    if (!head) {
        head = entry;
        cursor = entry;
    } else {
        cursor = head;
        while (cursor->next)
            cursor = cursor->next;
        cursor->next = entry;
    }
    ++count;
    return true;
}

bool DirectoryList::FindUnviewedPriority()
{
    for (DirectoryEntry* entry = head; entry; entry = entry->next) {
        if (entry->viewed == 0 && entry->priority == 1) {
            cursor = entry;
            return true;
        }
    }
    return false;
}

void DirectoryList::RandomStep()
{
    unsigned steps = static_cast<unsigned>(rand()) % (count + 3);
    cursor = head;
    for (unsigned i = 0; i < steps && cursor; ++i)
        cursor = cursor->next ? cursor->next : head;
}

void DirectoryList::ResetViewed()
{
    for (DirectoryEntry* entry = head; entry; entry = entry->next)
        entry->viewed = 0;
}

const char* DirectoryList::PickNext()
{
    if (!head)
        return nullptr;
    if (FindUnviewedPriority()) {
        cursor->viewed = 1;
        cursor->priority = 0;
    } else {
        RandomStep();
        for (int draw = 0; draw < 4 && cursor->viewed; ++draw)
            RandomStep();
        if (cursor->viewed) {
            DWORD steps = 0;
            while (cursor->viewed && steps <= count) {
                cursor = cursor->next ? cursor->next : head;
                ++steps;
            }
            if (cursor->viewed) {
                ResetViewed();
                RandomStep();
            }
        }
        cursor->viewed = 1;
    }
    snprintf(resultPath, sizeof(resultPath), "%s\\%s", folder, cursor->name);
    return resultPath;
}

const char* DirectoryList::PickNextAvoiding(const char* const* busy, int busyCount)
{
    if (busyCount <= 0 || count <= static_cast<DWORD>(busyCount))
        return PickNext();
    const int kMaxHeld = 16;
    DirectoryEntry* held[kMaxHeld];
    int heldCount = 0;
    auto holdBusyEntries = [&]() {
        for (DirectoryEntry* entry = head; entry; entry = entry->next) {
            char path[kDirectoryNameSize * 2];
            snprintf(path, sizeof(path), "%s\\%s", folder, entry->name);
            for (int i = 0; i < busyCount; ++i) {
                if (entry->viewed == 0 && heldCount < kMaxHeld && _stricmp(path, busy[i]) == 0) {
                    entry->viewed = 1;
                    held[heldCount++] = entry;
                }
            }
        }
    };
    holdBusyEntries();
    bool anyFree = false;
    for (DirectoryEntry* entry = head; entry; entry = entry->next)
        anyFree = anyFree || entry->viewed == 0;
    // Everything else was seen in this cycle: the next cycle begins, still
    // without the busy ones.
    if (!anyFree) {
        ResetViewed();
        heldCount = 0;
        holdBusyEntries();
    }
    const char* picked = PickNext();
    for (int i = 0; i < heldCount; ++i)
        held[i]->viewed = 0;
    return picked;
}
