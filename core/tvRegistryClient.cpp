#include "tvRegistryClient.h"

#include <shlobj.h>
#include <stdio.h>
#include <string.h>

const char kPriorityViewedMarker[] = "Priority Sho File Viewed";

namespace {

const REGSAM kReadWriteAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

// Value names of the user settings, in the order ReadUserSettings queries them.
struct UserValue {
    const char* name;
    SettingIndex index;
};
const UserValue kUserValues[] = {
    {"TSD", SETTING_SHOW_FOLDER},     {"TCD", SETTING_CHARACTER_FOLDER},
    {"TIC", SETTING_BUILTIN_CHARACTERS}, {"TPS", SETTING_PAUSE_SECONDS},
    {"TSSS", SETTING_SPEED_MODE},     {"TSSA", SETTING_AUTO_SPEED},
    {"TSSM", SETTING_MANUAL_SPEED},   {"TSSR", SETTING_RANDOM_SPEED},
    {"SW", SETTING_WARNINGS},         {"TMON", SETTING_MONITORS},
};

bool CloseKey(HKEY* key);

// Opens or creates the key; a key the user may not change is still opened to read.
// A handle still open from an earlier call is closed first, so none is lost.
bool OpenKey(HKEY root, const char* path, HKEY* key)
{
    CloseKey(key);
    HKEY opened = nullptr;
    DWORD disposition = 0;
    LONG result = RegCreateKeyExA(root, path, 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                                  kReadWriteAccess, nullptr, &opened, &disposition);
    if (result != ERROR_SUCCESS)
        result = RegCreateKeyExA(root, path, 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                                 KEY_READ, nullptr, &opened, &disposition);
    if (result != ERROR_SUCCESS)
        return false;
    *key = opened;
    return true;
}

bool CloseKey(HKEY* key)
{
    if (!*key)
        return true;
    if (RegCloseKey(*key) != ERROR_SUCCESS)
        return false;
    *key = nullptr;
    return true;
}

// Reads a text value into a 1024-byte setting; the text ends after the data read.
bool QueryText(HKEY key, const char* name, char* target)
{
    char data[kSettingSize + 1];
    DWORD size = kSettingSize;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) !=
        ERROR_SUCCESS)
        return false;
    if (size > kSettingSize)
        size = kSettingSize;
    data[size] = '\0';
    snprintf(target, kSettingSize, "%s", data);
    return true;
}

bool SetText(HKEY key, const char* name, const char* text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(strlen(text))) == ERROR_SUCCESS;
}

}  // namespace

tvRegistryClient::tvRegistryClient(HINSTANCE module)
{
    message[0] = '\0';
    versionName[0] = '\0';
    machineKey = nullptr;
    userKey = nullptr;
    viewedKey = nullptr;
    for (auto& setting : settings)
        setting[0] = '\0';
    if (LoadStringA(module, 2, versionName, sizeof(versionName)) <= 0)
        versionName[0] = '\0';
    snprintf(keyPath, sizeof(keyPath), "Software\\Vorlund\\Tovaren\\%s", versionName);
    snprintf(viewedPath, sizeof(viewedPath), "%s\\PriorityFilesViewed", keyPath);
}

tvRegistryClient::~tvRegistryClient()
{
    CloseMachineKey();
    CloseUserKey();
    ClosePriorityViewedKey();
}

bool tvRegistryClient::OpenMachineKey()
{
    return OpenKey(HKEY_LOCAL_MACHINE, keyPath, &machineKey);
}

bool tvRegistryClient::OpenUserKey()
{
    return OpenKey(HKEY_CURRENT_USER, keyPath, &userKey);
}

bool tvRegistryClient::OpenPriorityViewedKey()
{
    return OpenKey(HKEY_CURRENT_USER, viewedPath, &viewedKey);
}

bool tvRegistryClient::CloseMachineKey()
{
    return CloseKey(&machineKey);
}

bool tvRegistryClient::CloseUserKey()
{
    return CloseKey(&userKey);
}

bool tvRegistryClient::ClosePriorityViewedKey()
{
    return CloseKey(&viewedKey);
}

bool tvRegistryClient::ReadUserSettings()
{
    if (!userKey) {
        snprintf(message, sizeof(message), "HKEY_CURRENT_USER key not opened.");
        return false;
    }
    for (const UserValue& value : kUserValues)
        QueryText(userKey, value.name, settings[value.index]);
    return true;
}

bool tvRegistryClient::ReadInstallFolder()
{
    if (!machineKey) {
        snprintf(message, sizeof(message), "HKEY_LOCAL_MACHINE key not opened.");
        return false;
    }
    QueryText(machineKey, "TIL", settings[SETTING_INSTALL_FOLDER]);
    return true;
}

bool tvRegistryClient::ComputeDefaultFolder()
{
    char folder[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_COMMON_DOCUMENTS, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK)
        return false;
    snprintf(settings[SETTING_DEFAULT_FOLDER], kSettingSize, "%s\\Tovaren", folder);
    return true;
}

bool tvRegistryClient::IsPriorityViewed(const char* showPath)
{
    if (!viewedKey)
        return false;
    char text[kSettingSize] = "";
    QueryText(viewedKey, showPath, text);
    return strcmp(text, kPriorityViewedMarker) == 0;
}

bool tvRegistryClient::MarkPriorityViewed(const char* showPath)
{
    if (!viewedKey)
        return false;
    return SetText(viewedKey, showPath, kPriorityViewedMarker);
}

bool tvRegistryClient::WriteSetting(SettingIndex index, const char* valueName, const char* text)
{
    if (!userKey || !SetText(userKey, valueName, text))
        return false;
    snprintf(settings[index], kSettingSize, "%s", text);
    return true;
}

bool tvRegistryClient::WriteShowFolder(const char* text)
{
    return WriteSetting(SETTING_SHOW_FOLDER, "TSD", text);
}

bool tvRegistryClient::WriteCharacterFolder(const char* text)
{
    return WriteSetting(SETTING_CHARACTER_FOLDER, "TCD", text);
}

bool tvRegistryClient::WritePauseSeconds(const char* text)
{
    return WriteSetting(SETTING_PAUSE_SECONDS, "TPS", text);
}

bool tvRegistryClient::WriteSpeedMode(const char* text)
{
    return WriteSetting(SETTING_SPEED_MODE, "TSSS", text);
}

bool tvRegistryClient::WriteWarningsSetting(const char* text)
{
    return WriteSetting(SETTING_WARNINGS, "SW", text);
}

bool tvRegistryClient::WriteMonitorsSetting(const char* text)
{
    return WriteSetting(SETTING_MONITORS, "TMON", text);
}

bool tvRegistryClient::WriteBuiltInCharacters(int32_t bits)
{
    char text[16];
    snprintf(text, sizeof(text), "%d", static_cast<int>(bits));
    return WriteSetting(SETTING_BUILTIN_CHARACTERS, "TIC", text);
}

bool tvRegistryClient::WriteAutoSpeed(int16_t value)
{
    char text[16];
    snprintf(text, sizeof(text), "%d", value);
    return WriteSetting(SETTING_AUTO_SPEED, "TSSA", text);
}

bool tvRegistryClient::WriteManualSpeed(int16_t value)
{
    char text[16];
    snprintf(text, sizeof(text), "%d", value);
    return WriteSetting(SETTING_MANUAL_SPEED, "TSSM", text);
}

bool tvRegistryClient::WriteRandomSpeed(int16_t value)
{
    char text[16];
    snprintf(text, sizeof(text), "%d", value);
    return WriteSetting(SETTING_RANDOM_SPEED, "TSSR", text);
}
