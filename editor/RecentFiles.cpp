// The shows opened or saved last: numbered items at the end of the File menu,
// above Exit, kept in the product key as "TRF1" (the newest) to "TRF4".
#include "EditorState.h"

#include "ScopedWin.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const char kRecentValueFormat[] = "TRF%d";

HMENU FileMenu()
{
    return GetSubMenu(g_editor.menu, 0);
}

int PositionOf(HMENU menu, UINT id)
{
    int count = GetMenuItemCount(menu);
    for (int k = 0; k < count; k++)
        if (GetMenuItemID(menu, k) == id)
            return k;
    return -1;
}

bool IsSeparator(HMENU menu, int position)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    return position >= 0 && GetMenuItemInfoA(menu, position, TRUE, &info) && (info.fType & MFT_SEPARATOR);
}

const char* FileNameOf(const char* path)
{
    const char* name = path;
    for (const char* c = path; *c; c++)
        if (*c == '\\' || *c == '/' || *c == ':')
            name = c + 1;
    return name;
}

// The items and their own separator are made again from the list.
void RebuildRecentMenu()
{
    HMENU menu = FileMenu();
    if (!menu)
        return;
    // The list's own separator follows its last item, whatever else the menu holds.
    int last = -1;
    for (int k = 0; k < kRecentFileCount; k++)
        last = std::max(last, PositionOf(menu, IDM_RECENT_FIRST + k));
    if (last >= 0 && IsSeparator(menu, last + 1))
        DeleteMenu(menu, last + 1, MF_BYPOSITION);
    for (int k = 0; k < kRecentFileCount; k++)
        DeleteMenu(menu, IDM_RECENT_FIRST + k, MF_BYCOMMAND);
    int exit = PositionOf(menu, IDM_EXIT);
    if (exit < 0)
        return;
    int added = 0;
    for (int k = 0; k < kRecentFileCount; k++) {
        if (g_editor.recentFiles[k][0] == '\0')
            continue;
        char text[2 * kEditorPathSize + 8];
        int length = snprintf(text, sizeof(text), "&%d ", added + 1);
        // An ampersand in a name is shown, not taken as the item's key.
        for (const char* c = FileNameOf(g_editor.recentFiles[k]); *c && length < kEditorPathSize * 2; c++) {
            if (*c == '&')
                text[length++] = '&';
            text[length++] = *c;
        }
        text[length] = '\0';
        InsertMenuA(menu, exit + added, MF_BYPOSITION | MF_STRING, IDM_RECENT_FIRST + k, text);
        added++;
    }
    if (added > 0)
        InsertMenuA(menu, exit + added, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
}

// Written whole each time the list changes; an empty place has no value.
void StoreRecentFiles()
{
    if (!g_editor.settings)
        return;
    ScopedRegKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, g_editor.settings->keyPath, 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, key.Receive(), nullptr) != ERROR_SUCCESS)
        return;
    for (int k = 0; k < kRecentFileCount; k++) {
        char name[16];
        snprintf(name, sizeof(name), kRecentValueFormat, k + 1);
        const char* path = g_editor.recentFiles[k];
        if (path[0])
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                           static_cast<DWORD>(strlen(path) + 1));
        else
            RegDeleteValueA(key, name);
    }
}

void Compact()
{
    int kept = 0;
    for (int k = 0; k < kRecentFileCount; k++)
        if (g_editor.recentFiles[k][0] != '\0' && kept++ != k)
            strcpy(g_editor.recentFiles[kept - 1], g_editor.recentFiles[k]);
    for (int k = kept; k < kRecentFileCount; k++)
        g_editor.recentFiles[k][0] = '\0';
}

}  // namespace

// A value that is too long or no text is left out.
void LoadRecentFiles()
{
    for (auto& path : g_editor.recentFiles)
        path[0] = '\0';
    ScopedRegKey key;
    if (g_editor.settings &&
        RegOpenKeyExA(HKEY_CURRENT_USER, g_editor.settings->keyPath, 0, KEY_QUERY_VALUE, key.Receive()) ==
            ERROR_SUCCESS) {
        for (int k = 0; k < kRecentFileCount; k++) {
            char name[16];
            snprintf(name, sizeof(name), kRecentValueFormat, k + 1);
            char path[kEditorPathSize] = "";
            DWORD type = 0;
            DWORD size = sizeof(path) - 1;
            if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(path), &size) ==
                    ERROR_SUCCESS &&
                type == REG_SZ && size < sizeof(path)) {
                path[size] = '\0';
                strcpy(g_editor.recentFiles[k], path);
            }
        }
    }
    Compact();
    RebuildRecentMenu();
}

void RememberRecentFile(const char* path)
{
    if (!path || path[0] == '\0' || strlen(path) >= kEditorPathSize)
        return;
    char kept[kEditorPathSize];
    strcpy(kept, path);
    for (auto& recent : g_editor.recentFiles)
        if (_stricmp(recent, kept) == 0)
            recent[0] = '\0';
    Compact();
    for (int k = kRecentFileCount - 1; k > 0; k--)
        strcpy(g_editor.recentFiles[k], g_editor.recentFiles[k - 1]);
    strcpy(g_editor.recentFiles[0], kept);
    StoreRecentFiles();
    RebuildRecentMenu();
}

void ForgetRecentFile(const char* path)
{
    for (auto& recent : g_editor.recentFiles)
        if (_stricmp(recent, path) == 0)
            recent[0] = '\0';
    Compact();
    StoreRecentFiles();
    RebuildRecentMenu();
}
