// Which show plays next, at what speed and with which character.
#include "SaverState.h"

#include "AutoSpeed.h"
#include "BitmapLoad.h"
#include "CompatibilityWarning.h"
#include "DirectoryList.h"
#include "ScopedWin.h"
#include "ShellLinkFile.h"
#include "ShowDocument.h"
#include "StandaloneInfo.h"
#include "resource.h"
#include "tvRegistryClient.h"

#include <fcntl.h>
#include <io.h>
#include <objbase.h>
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <initializer_list>
#include <new>

namespace {

bool IsStandalone()
{
    return g_saver.standalone && g_saver.standalone->valid;
}

const char* Setting(SettingIndex index)
{
    return g_saver.settings->settings[index];
}

void AddBuiltInCharacters(BYTE bits)
{
    if (!g_saver.characterList)
        g_saver.characterList = new (std::nothrow) DirectoryList();
    if (!g_saver.characterList)
        return;
    if (bits & 4)
        g_saver.characterList->AddEntry(kBramwellCharacter, 0);
    if (bits & 1)
        g_saver.characterList->AddEntry(kDorinCharacter, 0);
    if (bits & 2)
        g_saver.characterList->AddEntry(kVelkaCharacter, 0);
}

HBITMAP LoadCharacterResource(int id)
{
    return LoadBitmapA(g_saver.module, MAKEINTRESOURCEA(id));
}

}  // namespace

bool PrepareLists()
{
    if (Setting(SETTING_BUILTIN_CHARACTERS)[0] == '\0') {
        if (g_saver.settings->OpenUserKey()) {
            g_saver.settings->WriteBuiltInCharacters(7);
            g_saver.settings->CloseUserKey();
        }
    }
    BYTE bits = static_cast<BYTE>(atoi(Setting(SETTING_BUILTIN_CHARACTERS)));
    // When the registry cannot be written the setting stays empty; all three
    // built-ins is what "not chosen yet" means.
    if (Setting(SETTING_BUILTIN_CHARACTERS)[0] == '\0')
        bits = 7;

    const char* showFolder;
    if (IsStandalone())
        showFolder = g_saver.standalone->tempFolder;
    else if (Setting(SETTING_SHOW_FOLDER)[0] != '\0')
        showFolder = Setting(SETTING_SHOW_FOLDER);
    else
        showFolder = Setting(SETTING_DEFAULT_FOLDER);

    if (!BuildShowList(showFolder)) {
        showFolder = Setting(SETTING_INSTALL_FOLDER);
        if (!BuildShowList(showFolder))
            return false;
    }

    const char* characterFolder;
    if (IsStandalone())
        characterFolder = showFolder;
    else if (Setting(SETTING_CHARACTER_FOLDER)[0] != '\0')
        characterFolder = Setting(SETTING_CHARACTER_FOLDER);
    else
        characterFolder = Setting(SETTING_DEFAULT_FOLDER);

    if (!BuildCharacterList(characterFolder) && bits == 0)
        bits = 7;
    if (!IsStandalone())
        AddBuiltInCharacters(bits);
    return true;
}

bool BuildShowList(const char* folder)
{
    delete g_saver.showList;
    g_saver.showList = nullptr;
    if (!folder || folder[0] == '\0')
        return false;
    DirectoryList* list = new (std::nothrow) DirectoryList(g_saver.module, folder, "*.sho", "*.sho.lnk");
    if (!list)
        return false;
    if (!list->ok) {
        delete list;
        return false;
    }
    g_saver.showList = list;
    g_saver.showCount = list->count;
    g_saver.showsLoaded = 0;
    return true;
}

bool BuildCharacterList(const char* folder)
{
    delete g_saver.characterList;
    g_saver.characterList = nullptr;
    if (!folder || folder[0] == '\0')
        return false;
    DirectoryList* list = new (std::nothrow) DirectoryList(g_saver.module, folder, "*.bmp", "*.bmp.lnk");
    if (!list)
        return false;
    if (!list->ok) {
        delete list;
        return false;
    }
    g_saver.characterList = list;
    return true;
}

bool LoadShowFile(const char* path)
{
    if (!path) {
        SetSaverError("Missing Tovaren show file name.");
        return false;
    }
    // The points of the show before go back to the system, so that one long
    // show does not hold its memory for the rest of the run.
    if (g_saver.document) {
        delete g_saver.document;
        g_saver.document = nullptr;
        ReleaseFreePointMemory();
    }
    g_saver.document = new (std::nothrow) ShowDocument(g_saver.module, g_saver.stopPriorityMarking);
    if (!g_saver.document) {
        SetSaverError("Failed to allocate memory for file: [%s]", path);
        return false;
    }
    char target[MAX_PATH];
    const char* loadPath = path;
    if (HasLinkExtension(path)) {
        ResolveShortcut(path, target);
        loadPath = target;
    }
    int32_t total = g_saver.document->Load(loadPath);
    // A show without points has nothing to paint and no place for the character.
    if (total == -1 || g_saver.document->pointCount <= 0) {
        SetSaverError("Invalid Tovaren file: [%s]", path);
        return false;
    }
    ChooseShowSpeed(static_cast<uint32_t>(total));
    g_saver.warningMode = WarningModeFor(g_saver.document->header.block.flags,
                                         g_saver.runningOnNT != 0, Setting(SETTING_WARNINGS));
    if (!g_saver.stopPriorityMarking) {
        ++g_saver.showsLoaded;
        if (g_saver.showsLoaded >= g_saver.showCount)
            g_saver.stopPriorityMarking = 1;
    }
    return true;
}

void ChooseShowSpeed(uint32_t totalMs)
{
    char mode = Setting(SETTING_SPEED_MODE)[0];
    bool trailerMode = false;
    if (mode == '\0' && IsStandalone()) {
        trailerMode = true;
        mode = g_saver.standalone->trailer.speedMode;
        g_saver.speed = g_saver.standalone->trailer.speedValue;
    }
    int16_t trailerSlider = IsStandalone() ? g_saver.standalone->trailer.speedValue : 0;

    if (mode == 'm') {
        if (!trailerMode)
            g_saver.speed = static_cast<int16_t>(atoi(Setting(SETTING_MANUAL_SPEED)));
        return;
    }
    if (mode == 'r') {
        if (g_saver.randomHoldCount > 0) {
            --g_saver.randomHoldCount;
            return;
        }
        int16_t slider = trailerMode ? trailerSlider
                                     : static_cast<int16_t>(atoi(Setting(SETTING_RANDOM_SPEED)));
        g_saver.speed = CombineSpeed(RandomSpeedDraw(), slider);
        // Fast shows are over quickly, so a fast draw is kept for a few more.
        if (g_saver.speed > 97)
            g_saver.randomHoldCount = 5;
        else if (g_saver.speed > 92)
            g_saver.randomHoldCount = 4;
        else if (g_saver.speed > 88)
            g_saver.randomHoldCount = 3;
        else if (g_saver.speed > 86)
            g_saver.randomHoldCount = 2;
        else if (g_saver.speed > 84)
            g_saver.randomHoldCount = 1;
        return;
    }
    int16_t slider = trailerMode ? trailerSlider
                                 : static_cast<int16_t>(atoi(Setting(SETTING_AUTO_SPEED)));
    g_saver.speed = CombineSpeed(AutoSpeedFromDuration(totalMs), slider);
}

// Low draws are redrawn up to five times, so most shows run at a brisk pace.
int16_t RandomSpeedDraw()
{
    int r = rand() % 100;
    for (int threshold : {60, 50, 40, 30, 20})
        if (r < threshold)
            r = rand() % 100;
    if (r < 10)
        return static_cast<int16_t>(rand() % 100);
    return static_cast<int16_t>(r);
}

int16_t CombineSpeed(int16_t base, int16_t slider)
{
    if (base <= 80)
        return static_cast<int16_t>(base + slider / 5);
    // The fraction goes through single precision on purpose: 0.7 becomes
    // slightly less than 0.7, and stored speeds depend on that rounding.
    float fraction = static_cast<float>(slider / 100.0);
    double speed = static_cast<double>(fraction) * (100 - base) + base;
    return static_cast<int16_t>(speed);
}

HBITMAP PickCharacterBitmap()
{
    int r = rand() % 100;
    const char* path = g_saver.characterList ? g_saver.characterList->PickNext() : nullptr;
    const char* name = path ? g_saver.characterList->cursor->name : "";

    if (Setting(SETTING_BUILTIN_CHARACTERS)[0] != '0' && r == 99)
        return LoadCharacterResource(IDB_CHAR_RARE);
    if (int builtIn = BuiltInCharacterBitmap(name))
        return LoadCharacterResource(builtIn);

    HBITMAP bitmap = nullptr;
    if (path) {
        char target[MAX_PATH];
        const char* loadPath = path;
        if (HasLinkExtension(path)) {
            ResolveShortcut(path, target);
            loadPath = target;
        }
        const char* reason = nullptr;
        if (loadPath[0] != '\0')
            bitmap = LoadCheckedBitmap(loadPath, &reason);
    }
    // A standalone saver whose bitmap is missing or unreadable still needs a
    // character: the player cannot place a null bitmap.
    if (!bitmap)
        bitmap = LoadCharacterResource(IDB_CHAR_DORIN);
    return bitmap;
}

namespace {

// Only a link whose parts lie inside the file reaches the shell's reader.
bool IsSoundShellLink(const char* path)
{
    int fd = _open(path, _O_RDONLY | _O_BINARY);
    if (fd == -1)
        return false;
    uint8_t* bytes = new (std::nothrow) uint8_t[kMaxShellLinkBytes + 1];
    int got = bytes ? _read(fd, bytes, kMaxShellLinkBytes + 1) : -1;
    _close(fd);
    bool sound = got >= 0 && CheckShellLinkFile(bytes, static_cast<size_t>(got)) == nullptr;
    delete[] bytes;
    return sound;
}

}  // namespace

HRESULT ResolveShortcut(const char* shortcutPath, char* output)
{
    output[0] = '\0';
    if (!IsSoundShellLink(shortcutPath))
        return E_FAIL;
    ScopedComPtr<IShellLinkA> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                      link.ReceiveVoid());
    if (FAILED(result))
        return result;
    ScopedComPtr<IPersistFile> file;
    result = link->QueryInterface(IID_IPersistFile, file.ReceiveVoid());
    if (SUCCEEDED(result)) {
        WCHAR widePath[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, shortcutPath, -1, widePath, MAX_PATH) == 0)
            widePath[0] = L'\0';
        result = file->Load(widePath, STGM_READ);
        if (SUCCEEDED(result))
            result = link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH);
        if (SUCCEEDED(result)) {
            WIN32_FIND_DATAA found;
            result = link->GetPath(output, MAX_PATH, &found, SLGP_SHORTPATH);
        }
    }
    return result;
}
