// The settings store: text copies of the user's settings and the list of
// priority shows that have been played to their end, kept in the registry.
#pragma once

#include <windows.h>
#include <cstdint>

const int kSettingSize = 1024;
const int kRegistryMessageSize = 256;
const int kVersionNameSize = 32;

// The settings, in the order of the setting texts.
enum SettingIndex {
    SETTING_INSTALL_FOLDER = 0,  // "TIL", machine key
    SETTING_SHOW_FOLDER,         // "TSD"
    SETTING_CHARACTER_FOLDER,    // "TCD"
    SETTING_BUILTIN_CHARACTERS,  // "TIC"
    SETTING_SPEED_MODE,          // "TSSS"
    SETTING_MANUAL_SPEED,        // "TSSM"
    SETTING_AUTO_SPEED,          // "TSSA"
    SETTING_RANDOM_SPEED,        // "TSSR"
    SETTING_PAUSE_SECONDS,       // "TPS"
    SETTING_DEFAULT_FOLDER,      // not stored
    SETTING_WARNINGS,            // "SW"
    SETTING_MONITORS,            // "TMON": "0" paints the main monitor only
    SETTING_COUNT
};

extern const char kPriorityViewedMarker[];  // "Priority Sho File Viewed"

class tvRegistryClient {
public:
    explicit tvRegistryClient(HINSTANCE module);
    ~tvRegistryClient();
    tvRegistryClient(const tvRegistryClient&) = delete;
    tvRegistryClient& operator=(const tvRegistryClient&) = delete;

    bool OpenMachineKey();
    bool OpenUserKey();
    bool OpenPriorityViewedKey();
    bool CloseMachineKey();
    bool CloseUserKey();
    bool ClosePriorityViewedKey();

    bool ReadUserSettings();
    bool ReadInstallFolder();
    bool ComputeDefaultFolder();

    bool IsPriorityViewed(const char* showPath);
    bool MarkPriorityViewed(const char* showPath);

    bool WriteShowFolder(const char* text);
    bool WriteCharacterFolder(const char* text);
    bool WritePauseSeconds(const char* text);
    bool WriteSpeedMode(const char* text);
    bool WriteWarningsSetting(const char* text);
    bool WriteMonitorsSetting(const char* text);
    bool WriteBuiltInCharacters(int32_t bits);
    bool WriteAutoSpeed(int16_t value);
    bool WriteManualSpeed(int16_t value);
    bool WriteRandomSpeed(int16_t value);

    char message[kRegistryMessageSize];
    char versionName[kVersionNameSize];
    char keyPath[kSettingSize];
    char viewedPath[kSettingSize];
    HKEY machineKey;
    HKEY userKey;
    HKEY viewedKey;
    char settings[SETTING_COUNT][kSettingSize];

private:
    bool WriteSetting(SettingIndex index, const char* valueName, const char* text);
};
