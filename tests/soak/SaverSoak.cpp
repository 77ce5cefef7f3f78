// The screen saver's show sequence, in one process, at speed 100 through
// generated shows of every kind: fills, white strokes, pens 1 and 255,
// points far beyond the screen, zero delays, odd header sizes, priority and
// warning flags, and one show of a million points. After every 50 shows it
// prints the process's private memory and its GDI objects; both must stay
// flat once the first shows have set up what the saver keeps.
//
//   saver_soak.exe <shows> <work folder>
//
// Ends with "soak shows N memory-growth K KB gdi-growth G" and status 0 when
// flat, 1 when something grew, 2 when the saver failed.
#include "SaverState.h"
#include "ShowDocument.h"
#include "ShowPlayer.h"
#include "resource.h"
#include "tvRegistryClient.h"

#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

const int kMillionPoints = 1000000;
const SIZE_T kMemorySlackBytes = 4 * 1024 * 1024;

// GetGuiResources gives 0 under Wine: the GDI objects are counted by asking
// the type of every handle value the handle table can hold.
int CountGdiObjects()
{
    int count = 0;
    for (UINT_PTR value = 4; value < 0x10000; value += 4)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(value)) != 0)
            ++count;
    return count;
}

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof(counters));
    return counters.PrivateUsage;
}

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
    if (n == 7)
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
        p.flags = kind == 4 && count < kMillionPoints ? PF_FILL : kind == 5 ? (PF_FILL | PF_PEN_DOWN)
                  : kind < 12 ? PF_PEN_DOWN : 0;
        if (count == kMillionPoints && (p.flags & PF_FILL))
            p.flags = PF_PEN_DOWN;
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
    SIZE_T baseMemory = 0;
    int baseGdi = 0;
    SIZE_T peakGrowth = 0;
    int peakGdiGrowth = 0;
    DWORD started = GetTickCount();
    for (int shown = 1; shown <= shows; shown++) {
        while (g_saver.player->PlayStep())
            Pump();
        if (!g_saver.player->ok) {
            fprintf(stderr, "soak: presenting failed: %s\n", g_saver.player->message);
            return 2;
        }
        Pump();
        if (shown % 50 == 0 || shown == shows) {
            SIZE_T memory = PrivateBytes();
            int gdi = CountGdiObjects();
            if (shown == 50) {
                baseMemory = memory;
                baseGdi = gdi;
            } else if (shown > 50) {
                SIZE_T growth = memory > baseMemory ? memory - baseMemory : 0;
                if (growth > peakGrowth)
                    peakGrowth = growth;
                if (gdi - baseGdi > peakGdiGrowth)
                    peakGdiGrowth = gdi - baseGdi;
            }
            printf("soak after %d shows (%lu s): private %lu KB, GDI objects %d\n", shown,
                   (GetTickCount() - started) / 1000, static_cast<unsigned long>(memory / 1024), gdi);
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
    printf("soak shows %d memory-growth %lu KB gdi-growth %d\n", shows,
           static_cast<unsigned long>(peakGrowth / 1024), peakGdiGrowth);
    return peakGrowth > kMemorySlackBytes || peakGdiGrowth > 0 ? 1 : 0;
}
