// The screen saver's show sequence, in one process, at speed 100 through
// generated shows of every kind: fills, white strokes, pens 1 and 255,
// points far beyond the screen, zero delays, odd header sizes, priority and
// warning flags, and in a long soak (200 shows or more) one show of a million
// points. Every 50 shows (5 in a short soak) it prints the process's private
// memory and its GDI objects; both must stay flat once the first shows have
// set up what the saver keeps.
//
//   saver_soak.exe <shows> <work folder>
//
// Ends with "soak shows N memory-growth K KB gdi-growth G" and status 0 when
// flat, 1 when something grew, 2 when the saver failed.
#include "ProcessCounters.h"
#include "SaverState.h"
#include "ShowDocument.h"
#include "ShowPlayer.h"
#include "resource.h"
#include "tvRegistryClient.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

const int kMillionPoints = 1000000;
const SIZE_T kMemorySlackBytes = 4 * 1024 * 1024;
bool g_longSoak = false;

bool WriteShowFile(const std::string& path, const ShowHeader& header, const std::vector<ShowPoint>& points,
                   int version)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    fwrite(&header, 1, 4, file);
    if (version == 1) {
        ShowHeaderV1 v1 = {header.block.width, header.block.height, header.block.flags};
        fwrite(&v1, 1, sizeof(v1), file);
    } else {
        fwrite(&header.block, 1, sizeof(header.block), file);
    }
    if (!points.empty())
        fwrite(points.data(), sizeof(ShowPoint), points.size(), file);
    return fclose(file) == 0;
}

// Show number n of the generated set; its kind follows n.
void MakeShow(const std::string& path, int n, std::mt19937& random)
{
    ShowHeader header = {};
    header.magic = -1;
    header.version = 2;
    header.block.width = 1024;
    header.block.height = 768;
    int version = 2;
    int count = 20 + random() % 400;
    switch (n % 8) {
    case 0: header.block.flags = HF_PRIORITY; break;
    case 1: header.block.flags = HF_COMPAT_WARNINGS | HF_OS_DOS; break;  // the warning crawls
    case 2: header.block.width = 64; header.block.height = 48; break;  // scaled up 16 times
    case 3: header.block.width = 4000; header.block.height = 3000; break;
    case 4: version = 1; break;
    case 5: for (int k = 0; k < 12; k++) header.block.signature[k] = ('a' + k + 333) * (k + 1); break;
    default: break;
    }
    // One show of a million points in a long soak; its colour and pen change
    // every thousand points, as in a recording.
    bool million = n == 7 && g_longSoak;
    if (million)
        count = kMillionPoints;
    std::vector<ShowPoint> points(count);
    for (int i = 0; i < count; i++) {
        ShowPoint& p = points[i];
        p = ShowPoint();
        bool offScreen = random() % 10 == 0;
        p.x = static_cast<uint16_t>(offScreen ? random() : random() % header.block.width);
        p.y = static_cast<uint16_t>(offScreen ? random() : random() % header.block.height);
        p.delay = static_cast<uint16_t>(random() % 3 == 0 ? 0 : random() % 2000);
        uint32_t kind = random() % 16;
        p.colour = kind < 3 ? 0x00FFFFFF : (random() & 0x00FFFFFF);  // white erases
        p.penSize = kind == 3 ? 255 : kind < 8 ? 1 : static_cast<uint8_t>(1 + random() % 30);
        p.flags = kind == 4 ? PF_FILL : kind == 5 ? (PF_FILL | PF_PEN_DOWN) : kind < 12 ? PF_PEN_DOWN : 0;
        if (kind == 6)
            p.penSize = 0;
        if (million) {
            p = points[i > 0 && i % 1000 ? i - 1 : i];
            p.x = static_cast<uint16_t>(random() % 1100);
            p.y = static_cast<uint16_t>(random() % 800);
            if (p.flags & PF_FILL)
                p.flags = PF_PEN_DOWN;
            p.penSize = static_cast<uint8_t>(p.penSize % 5);
        }
    }
    WriteShowFile(path, header, points, version);
}

HWND MakeFullScreenWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;  // nothing may close it early
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "Tovaren";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "Tovaren", "Tovaren", WS_POPUP | WS_VISIBLE, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(window);
    return window;
}

void Pump()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: saver_soak <shows> <work folder>\n");
        return 2;
    }
    int shows = atoi(argv[1]);
    g_longSoak = shows >= 200;
    int every = g_longSoak ? 50 : 5;  // shows between two measurements
    int settled = every * (g_longSoak ? 1 : 2);  // the first measurement counted as flat
    std::string folder = argv[2];
    CreateDirectoryA(folder.c_str(), nullptr);
    std::mt19937 random(11);
    for (int n = 0; n < shows; n++)
        MakeShow(folder + "\\show" + std::to_string(n) + ".sho", n, random);

    CoInitialize(nullptr);
    ResetSaverState(GetModuleHandleA(nullptr));
    if (!LoadSettings())
        return 2;
    // The user's settings stay as they are: the soak's own live in memory.
    tvRegistryClient& settings = *g_saver.settings;
    snprintf(settings.settings[SETTING_SHOW_FOLDER], kSettingSize, "%s", folder.c_str());
    snprintf(settings.settings[SETTING_CHARACTER_FOLDER], kSettingSize, "%s", folder.c_str());
    snprintf(settings.settings[SETTING_BUILTIN_CHARACTERS], kSettingSize, "7");
    snprintf(settings.settings[SETTING_SPEED_MODE], kSettingSize, "m");
    snprintf(settings.settings[SETTING_MANUAL_SPEED], kSettingSize, "100");
    g_saver.stopPriorityMarking = 1;
    if (!PrepareLists())
        return 2;
    HWND window = MakeFullScreenWindow();
    HBITMAP character = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_CHAR_DORIN));
    if (!StartFirstShow(window, character)) {
        fprintf(stderr, "soak: the first show failed: %s\n", g_saver.errorText);
        return 2;
    }
    g_saver.player->ResetClock();
    SIZE_T firstMemory = 0, lastMemory = 0;
    int firstGdi = 0, lastGdi = 0;
    DWORD started = GetTickCount();
    int nextMeasure = every;
    for (int shown = 1; shown <= shows; shown++) {
        DWORD showStart = GetTickCount();
        while (g_saver.player->PlayStep())
            Pump();
        DWORD took = GetTickCount() - showStart;
        if (took > 2000)
            printf("soak: show %d (%s, %d points) took %lu ms\n", shown, g_saver.document->path,
                   g_saver.document->pointCount, took);
        if (!g_saver.player->ok) {
            fprintf(stderr, "soak: presenting failed: %s\n", g_saver.player->message);
            return 2;
        }
        Pump();
        // Measured only while a show of the common size is on: the player's
        // surfaces follow the size of the current show.
        const ShowHeaderBlock& header = g_saver.document->header.block;
        bool common = header.width == 1024 && header.height == 768 && g_saver.document->pointCount < 1000;
        if (shown >= nextMeasure && common) {
            nextMeasure = (shown / every + 1) * every;
            SIZE_T memory = PrivateBytes();
            std::string kinds;
            int gdi = CountGdiObjects(&kinds);
            // What is held may vary with the show on screen, so the highest
            // values of the two halves of the run are compared: a leak raises
            // the second.
            if (shown >= settled && shown <= shows / 2) {
                firstMemory = memory > firstMemory ? memory : firstMemory;
                firstGdi = gdi > firstGdi ? gdi : firstGdi;
            } else if (shown > shows / 2) {
                lastMemory = memory > lastMemory ? memory : lastMemory;
                lastGdi = gdi > lastGdi ? gdi : lastGdi;
            }
            printf("soak after %d shows (%lu s): private %lu KB, GDI objects %d (by type%s)\n", shown,
                   (GetTickCount() - started) / 1000, static_cast<unsigned long>(memory / 1024), gdi,
                   kinds.c_str());
            fflush(stdout);
        }
        if (shown < shows && !StartNextShow()) {
            fprintf(stderr, "soak: show %d failed: %s\n", shown + 1, g_saver.errorText);
            return 2;
        }
    }
    ReleaseAll();
    DestroyWindow(window);
    CoUninitialize();
    SIZE_T growth = lastMemory > firstMemory ? lastMemory - firstMemory : 0;
    int gdiGrowth = lastGdi - firstGdi;
    printf("soak shows %d memory-growth %lu KB gdi-growth %d\n", shows, static_cast<unsigned long>(growth / 1024),
           gdiGrowth);
    return growth > kMemorySlackBytes || gdiGrowth > 0 ? 1 : 0;
}
