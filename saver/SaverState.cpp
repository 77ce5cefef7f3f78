// Start-up of the process-wide state: settings, pause, random seed, system family.
#include "SaverState.h"

#include "StandaloneInfo.h"
#include "WindowsFamily.h"
#include "tvRegistryClient.h"

#include <objbase.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <new>

SaverState g_saver;

void ResetSaverState(HINSTANCE module)
{
    memset(&g_saver, 0, sizeof(g_saver));
    g_saver.module = module;
    g_saver.speed = 85;
    g_saver.pauseSeconds = 30;
    g_saver.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    g_saver.screenHeight = GetSystemMetrics(SM_CYSCREEN);
}

void SetSaverError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vsnprintf(g_saver.errorText, sizeof(g_saver.errorText), format, args);
    va_end(args);
}

bool LoadSettings()
{
    g_saver.settings = new (std::nothrow) tvRegistryClient(g_saver.module);
    if (!g_saver.settings) {
        MessageBoxA(nullptr, "Failed to allocate tvRegistryClient object.", "Error", MB_OK);
        return false;
    }
    if (g_saver.settings->OpenUserKey()) {
        g_saver.settings->ReadUserSettings();
        g_saver.settings->CloseUserKey();
    }
    if (g_saver.settings->OpenMachineKey()) {
        g_saver.settings->ReadInstallFolder();
        g_saver.settings->CloseMachineKey();
    }
    g_saver.settings->ComputeDefaultFolder();
    return true;
}

bool InitSaver()
{
    if (!LoadSettings())
        return false;
    const char* pause = g_saver.settings->settings[SETTING_PAUSE_SECONDS];
    g_saver.pauseSeconds = 30;
    if (pause[0] != '\0')
        g_saver.pauseSeconds = static_cast<int16_t>(atoi(pause));
    else if (g_saver.standalone && g_saver.standalone->valid)
        g_saver.pauseSeconds = g_saver.standalone->trailer.pauseSeconds;
    srand(static_cast<unsigned>(time(nullptr)));

    g_saver.runningOnNT = IsNtFamily();
    g_saver.errorText[0] = '\0';
    return CoInitialize(nullptr) == S_OK;
}
