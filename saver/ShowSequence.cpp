// Starting shows on the player, one after another, and releasing everything.
#include "SaverState.h"

#include "DirectoryList.h"
#include "ShowDocument.h"
#include "ShowPlayer.h"
#include "StandaloneInfo.h"
#include "tvRegistryClient.h"

#include <stdio.h>

#include <new>

namespace {

void DestroyDocument()
{
    if (!g_saver.document)
        return;
    delete g_saver.document;
    g_saver.document = nullptr;
}

void DestroyPlayer()
{
    if (!g_saver.player)
        return;
    g_saver.player->Shutdown();
    delete g_saver.player;
    g_saver.player = nullptr;
}

const char* PickNextShow()
{
    const char* path = PickShowFor(-1);
    snprintf(g_saver.mainShowPath, sizeof(g_saver.mainShowPath), "%s", path ? path : "");
    return path;
}

}  // namespace

bool StartFirstShow(HWND window, HBITMAP characterBitmap, DirectDrawStarter* directDraw)
{
    DestroyPlayer();
    g_saver.player = new (std::nothrow) ShowPlayer(window, directDraw);
    if (!g_saver.player) {
        DestroyDocument();
        SetSaverError("Not enough memory to render screen saver.  Sorry.");
        return false;
    }
    if (!g_saver.player->ok) {
        SetSaverError("%s", g_saver.player->message);
        DestroyDocument();
        DestroyPlayer();
        return false;
    }
    if (!LoadShowFile(PickNextShow())) {
        DestroyDocument();
        DestroyPlayer();
        return false;
    }
    if (g_saver.characterBitmap && g_saver.characterBitmap != characterBitmap)
        DeleteObject(g_saver.characterBitmap);
    g_saver.characterBitmap = characterBitmap;
    if (!g_saver.player->StartShow(g_saver.document, characterBitmap, g_saver.speed,
                                   g_saver.warningMode)) {
        SetSaverError("%s", g_saver.player->message);
        return false;
    }
    g_saver.player->DelayNextPoint(500);
    return true;
}

bool StartNextShow()
{
    if (!LoadShowFile(PickNextShow()))
        return false;
    if (g_saver.characterBitmap)
        DeleteObject(g_saver.characterBitmap);
    g_saver.characterBitmap = PickCharacterBitmap();
    if (!g_saver.player->StartShow(g_saver.document, g_saver.characterBitmap, g_saver.speed,
                                   g_saver.warningMode)) {
        SetSaverError("%s", g_saver.player->message);
        return false;
    }
    return true;
}

void ReleaseAll()
{
    ReleaseMonitorShows();
    DestroyPlayer();
    DestroyDocument();
    delete g_saver.settings;
    g_saver.settings = nullptr;
    delete g_saver.showList;
    g_saver.showList = nullptr;
    delete g_saver.characterList;
    g_saver.characterList = nullptr;
    if (g_saver.characterBitmap)
        DeleteObject(g_saver.characterBitmap);
    g_saver.characterBitmap = nullptr;
    delete g_saver.standalone;
    g_saver.standalone = nullptr;
}
