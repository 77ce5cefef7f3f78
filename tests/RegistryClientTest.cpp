// tvRegistryClient against Wine's real registry.
#include "TestSupport.h"
#include "tvRegistryClient.h"

#include <aclapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <functional>
#include <string>

namespace {

HINSTANCE TestModule()
{
    return GetModuleHandleA(nullptr);
}

const std::string kViewedKey = std::string(kProductKey) + "\\PriorityFilesViewed";

bool SetRaw(HKEY root, const std::string& key, const char* name, DWORD type, const void* data,
            DWORD size)
{
    HKEY opened = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExA(opened, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(opened);
    return result == ERROR_SUCCESS;
}

bool SetText(HKEY root, const std::string& key, const char* name, const std::string& text)
{
    return SetRaw(root, key, name, REG_SZ, text.data(), static_cast<DWORD>(text.size()));
}

struct RawValue {
    bool found = false;
    DWORD type = 0;
    DWORD wideBytes = 0;  // the stored size: two bytes a character
    std::string text;
};

RawValue ReadRaw(HKEY root, const std::string& key, const char* name)
{
    RawValue value;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return value;
    char data[4096] = "";
    DWORD size = sizeof(data) - 1;
    value.found = RegQueryValueExA(opened, name, nullptr, &value.type,
                                   reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS;
    value.text = data;
    wchar_t wideName[64];
    MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, 64);
    RegQueryValueExW(opened, wideName, nullptr, nullptr, nullptr, &value.wideBytes);
    RegCloseKey(opened);
    return value;
}

bool KeyExists(HKEY root, const std::string& key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

#define ExpectStored(hive, name, text) ExpectStored_(__LINE__, hive, name, text)
void ExpectStored_(int line, HKEY hive, const char* name, const std::string& text)
{
    RawValue value = ReadRaw(hive, kProductKey, name);
    EXPECT_TRUE(value.found) << "line " << line << ": " << name;
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << "line " << line;
    EXPECT_EQ(value.text, text) << "line " << line;
    // Wine's ANSI layer stores REG_SZ text with a terminating NUL whatever length
    // it is given, so the stored length cannot show that none was passed.
    EXPECT_LE(value.wideBytes, 2 * text.size() + 2) << "line " << line << ": " << name;
}

}  // namespace

TEST(SettingsStore, KeyPathsNameTheModulesVersion)
{
    tvRegistryClient client(TestModule());
    EXPECT_STREQ(client.versionName, TOVAREN_VERSION);
    EXPECT_STREQ(client.keyPath, "Software\\Vorlund\\Tovaren\\" TOVAREN_VERSION);
    EXPECT_STREQ(client.viewedPath, "Software\\Vorlund\\Tovaren\\" TOVAREN_VERSION "\\PriorityFilesViewed");
    EXPECT_EQ(client.userKey, nullptr);
    EXPECT_EQ(client.machineKey, nullptr);
    EXPECT_EQ(client.viewedKey, nullptr);
    EXPECT_STREQ(client.message, "");
    for (int i = 0; i < SETTING_COUNT; i++)
        EXPECT_STREQ(client.settings[i], "") << i;

    // A module without the version string: the path ends in a backslash.
    HMODULE bare = LoadLibraryExA(BinPath("paceshift.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(bare, nullptr);
    tvRegistryClient unnamed(bare);
    EXPECT_STREQ(unnamed.versionName, "");
    EXPECT_STREQ(unnamed.keyPath, "Software\\Vorlund\\Tovaren\\");
    EXPECT_STREQ(unnamed.viewedPath, "Software\\Vorlund\\Tovaren\\\\PriorityFilesViewed");
    FreeLibrary(bare);
}

TEST(SettingsStore, OpeningCreatesTheUserKeyAndEmptySettingsRead)
{
    ScopedCleanProductKey clean;
    ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey));
    tvRegistryClient client(TestModule());
    ASSERT_TRUE(client.OpenUserKey());
    EXPECT_NE(client.userKey, nullptr);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kProductKey));
    EXPECT_TRUE(client.ReadUserSettings());
    for (int i = 0; i < SETTING_COUNT; i++)
        EXPECT_STREQ(client.settings[i], "") << i;
    EXPECT_TRUE(client.CloseUserKey());
    EXPECT_EQ(client.userKey, nullptr);
    EXPECT_TRUE(client.CloseUserKey());  // closing a closed key is fine
    EXPECT_TRUE(client.OpenUserKey());
    EXPECT_TRUE(client.OpenUserKey());  // a second open replaces the handle
    EXPECT_TRUE(client.CloseUserKey());
}

TEST(SettingsStore, ReadingAClosedKeyIsReported)
{
    tvRegistryClient client(TestModule());
    strcpy(client.settings[SETTING_SHOW_FOLDER], "before");
    EXPECT_FALSE(client.ReadUserSettings());
    EXPECT_STREQ(client.message, "HKEY_CURRENT_USER key not opened.");
    EXPECT_STREQ(client.settings[SETTING_SHOW_FOLDER], "before");
    EXPECT_FALSE(client.ReadInstallFolder());
    EXPECT_STREQ(client.message, "HKEY_LOCAL_MACHINE key not opened.");
}

TEST(SettingsStore, EveryValueLandsInItsSetting)
{
    ScopedCleanProductKey clean;
    const struct {
        const char* name;
        SettingIndex index;
        const char* text;
    } values[] = {
        {"TSD", SETTING_SHOW_FOLDER, "C:\\Shows"},   {"TCD", SETTING_CHARACTER_FOLDER, "C:\\Chars"},
        {"TIC", SETTING_BUILTIN_CHARACTERS, "5"},    {"TPS", SETTING_PAUSE_SECONDS, "12"},
        {"TSSS", SETTING_SPEED_MODE, "m"},           {"TSSA", SETTING_AUTO_SPEED, "40"},
        {"TSSM", SETTING_MANUAL_SPEED, "55"},        {"TSSR", SETTING_RANDOM_SPEED, "66"},
        {"SW", SETTING_WARNINGS, "NO"},
    };
    for (const auto& value : values)
        ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kProductKey, value.name, value.text));
    // A value written with its terminating NUL by another program reads the same.
    ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, kProductKey, "TSD", REG_SZ, "C:\\Shows", 9));
    ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, kProductKey, "TIL", "C:\\Program Files\\Tovaren"));

    tvRegistryClient client(TestModule());
    ASSERT_TRUE(client.OpenUserKey());
    ASSERT_TRUE(client.ReadUserSettings());
    for (const auto& value : values)
        EXPECT_STREQ(client.settings[value.index], value.text) << value.name;
    EXPECT_STREQ(client.settings[SETTING_INSTALL_FOLDER], "");
    EXPECT_STREQ(client.settings[SETTING_DEFAULT_FOLDER], "");

    // A value that disappeared leaves the copy read before.
    ASSERT_EQ(RegDeleteValueA(client.userKey, "TSSM"), ERROR_SUCCESS);
    ASSERT_TRUE(client.ReadUserSettings());
    EXPECT_STREQ(client.settings[SETTING_MANUAL_SPEED], "55");
    client.CloseUserKey();

    ASSERT_TRUE(client.OpenMachineKey());
    EXPECT_TRUE(client.ReadInstallFolder());
    EXPECT_STREQ(client.settings[SETTING_INSTALL_FOLDER], "C:\\Program Files\\Tovaren");
    EXPECT_TRUE(client.CloseMachineKey());

    // No "TIL" at all is no failure.
    tvRegistryClient fresh(TestModule());
    ASSERT_EQ(SHDeleteValueA(HKEY_LOCAL_MACHINE, kProductKey, "TIL"), ERROR_SUCCESS);
    ASSERT_TRUE(fresh.OpenMachineKey());
    EXPECT_TRUE(fresh.ReadInstallFolder());
    EXPECT_STREQ(fresh.settings[SETTING_INSTALL_FOLDER], "");
}

TEST(SettingsStore, OverlongValuesNeverOverrunASetting)
{
    ScopedCleanProductKey clean;
    ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kProductKey, "TSD", std::string(2000, 'x')));
    ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kProductKey, "TCD", std::string(1023, 'y')));
    ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kProductKey, "TIC", "3"));
    ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, kProductKey, "TIL", std::string(1500, 'z')));

    tvRegistryClient client(TestModule());
    strcpy(client.settings[SETTING_SHOW_FOLDER], "before");
    ASSERT_TRUE(client.OpenUserKey());
    ASSERT_TRUE(client.ReadUserSettings());
    // More than 1024 bytes does not fit: the setting keeps what it had.
    EXPECT_STREQ(client.settings[SETTING_SHOW_FOLDER], "before");
    EXPECT_EQ(std::string(client.settings[SETTING_CHARACTER_FOLDER]), std::string(1023, 'y'));
    EXPECT_STREQ(client.settings[SETTING_BUILTIN_CHARACTERS], "3");
    ASSERT_TRUE(client.OpenMachineKey());
    EXPECT_TRUE(client.ReadInstallFolder());
    EXPECT_STREQ(client.settings[SETTING_INSTALL_FOLDER], "");
    EXPECT_STREQ(client.settings[SETTING_SHOW_FOLDER], "before");
}

TEST(SettingsStore, WritersStoreTheTextAndTheCopy)
{
    ScopedCleanProductKey clean;
    tvRegistryClient client(TestModule());
    ASSERT_TRUE(client.OpenUserKey());

    EXPECT_TRUE(client.WriteAutoSpeed(50));
    ExpectStored(HKEY_CURRENT_USER, "TSSA", "50");
    EXPECT_STREQ(client.settings[SETTING_AUTO_SPEED], "50");

    EXPECT_TRUE(client.WriteManualSpeed(static_cast<int16_t>(65535)));
    ExpectStored(HKEY_CURRENT_USER, "TSSM", "-1");
    EXPECT_STREQ(client.settings[SETTING_MANUAL_SPEED], "-1");
    EXPECT_TRUE(client.WriteRandomSpeed(static_cast<int16_t>(65535)));
    ExpectStored(HKEY_CURRENT_USER, "TSSR", "-1");
    EXPECT_TRUE(client.WriteRandomSpeed(-32768));
    ExpectStored(HKEY_CURRENT_USER, "TSSR", "-32768");
    EXPECT_STREQ(client.settings[SETTING_RANDOM_SPEED], "-32768");

    EXPECT_TRUE(client.WriteBuiltInCharacters(7));
    ExpectStored(HKEY_CURRENT_USER, "TIC", "7");
    EXPECT_TRUE(client.WriteBuiltInCharacters(INT32_MIN));
    ExpectStored(HKEY_CURRENT_USER, "TIC", "-2147483648");
    EXPECT_STREQ(client.settings[SETTING_BUILTIN_CHARACTERS], "-2147483648");

    EXPECT_TRUE(client.WriteShowFolder("D:\\My Shows"));
    ExpectStored(HKEY_CURRENT_USER, "TSD", "D:\\My Shows");
    EXPECT_STREQ(client.settings[SETTING_SHOW_FOLDER], "D:\\My Shows");
    EXPECT_TRUE(client.WriteCharacterFolder("D:\\Painters"));
    ExpectStored(HKEY_CURRENT_USER, "TCD", "D:\\Painters");
    EXPECT_STREQ(client.settings[SETTING_CHARACTER_FOLDER], "D:\\Painters");
    EXPECT_TRUE(client.WritePauseSeconds("60"));
    ExpectStored(HKEY_CURRENT_USER, "TPS", "60");
    EXPECT_STREQ(client.settings[SETTING_PAUSE_SECONDS], "60");
    EXPECT_TRUE(client.WriteSpeedMode("r"));
    ExpectStored(HKEY_CURRENT_USER, "TSSS", "r");
    EXPECT_STREQ(client.settings[SETTING_SPEED_MODE], "r");
    EXPECT_TRUE(client.WriteWarningsSetting("NO"));
    ExpectStored(HKEY_CURRENT_USER, "SW", "NO");
    EXPECT_TRUE(client.WriteWarningsSetting(""));
    ExpectStored(HKEY_CURRENT_USER, "SW", "");
    EXPECT_STREQ(client.settings[SETTING_WARNINGS], "");
    client.CloseUserKey();

    // What was written reads back through a second client.
    tvRegistryClient reader(TestModule());
    ASSERT_TRUE(reader.OpenUserKey());
    ASSERT_TRUE(reader.ReadUserSettings());
    for (int i = 0; i < SETTING_COUNT; i++)
        EXPECT_STREQ(reader.settings[i], client.settings[i]) << i;
}

TEST(SettingsStore, WritersWithoutTheKeyChangeNothing)
{
    ScopedCleanProductKey clean;
    tvRegistryClient client(TestModule());
    for (int i = 0; i < SETTING_COUNT; i++)
        strcpy(client.settings[i], "old");
    const std::function<bool()> writers[] = {
        [&] { return client.WriteShowFolder("x"); },      [&] { return client.WriteCharacterFolder("x"); },
        [&] { return client.WritePauseSeconds("1"); },    [&] { return client.WriteSpeedMode("a"); },
        [&] { return client.WriteWarningsSetting("NO"); }, [&] { return client.WriteBuiltInCharacters(1); },
        [&] { return client.WriteAutoSpeed(1); },         [&] { return client.WriteManualSpeed(1); },
        [&] { return client.WriteRandomSpeed(1); },
    };
    for (const auto& write : writers)
        EXPECT_FALSE(write());
    ASSERT_TRUE(client.OpenUserKey());
    ASSERT_TRUE(client.CloseUserKey());
    for (const auto& write : writers)
        EXPECT_FALSE(write());
    for (int i = 0; i < SETTING_COUNT; i++)
        EXPECT_STREQ(client.settings[i], "old") << i;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD values = 99;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(values, 0u);
}

TEST(SettingsStore, WriteRefusedByTheSystemKeepsTheCopy)
{
    ScopedCleanProductKey clean;
    ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kProductKey, "TSSS", "a"));
    tvRegistryClient client(TestModule());
    strcpy(client.settings[SETTING_SPEED_MODE], "a");
    // A handle that may only read, as for a key the user may not change.
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ, &client.userKey),
              ERROR_SUCCESS);
    EXPECT_FALSE(client.WriteSpeedMode("r"));
    EXPECT_STREQ(client.settings[SETTING_SPEED_MODE], "a");
    ExpectStored(HKEY_CURRENT_USER, "TSSS", "a");
    EXPECT_TRUE(client.CloseUserKey());
}

TEST(SettingsStore, ViewedListMarksExactlyOnePath)
{
    ScopedCleanProductKey clean;
    tvRegistryClient client(TestModule());
    const char* show = "C:\\Shows\\sunset.sho";
    EXPECT_FALSE(client.MarkPriorityViewed(show));  // key not open
    EXPECT_FALSE(client.IsPriorityViewed(show));
    ASSERT_TRUE(client.OpenPriorityViewedKey());
    EXPECT_FALSE(client.IsPriorityViewed(show));
    EXPECT_TRUE(client.MarkPriorityViewed(show));
    EXPECT_TRUE(client.IsPriorityViewed(show));
    EXPECT_FALSE(client.IsPriorityViewed("C:\\Shows\\sunrise.sho"));
    EXPECT_FALSE(client.IsPriorityViewed("C:\\Shows\\sunset.sho2"));
    EXPECT_TRUE(client.ClosePriorityViewedKey());
    EXPECT_EQ(client.viewedKey, nullptr);
    EXPECT_FALSE(client.IsPriorityViewed(show));  // closed again

    RawValue marker = ReadRaw(HKEY_CURRENT_USER, kViewedKey, show);
    EXPECT_TRUE(marker.found);
    EXPECT_EQ(marker.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(marker.text, "Priority Sho File Viewed");
    EXPECT_LE(marker.wideBytes, 50u);
}

TEST(SettingsStore, OtherDataUnderTheViewedListIsNotViewed)
{
    ScopedCleanProductKey clean;
    ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kViewedKey, "longer", "Priority Sho File Viewed!"));
    ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kViewedKey, "shorter", "Priority Sho File"));
    ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kViewedKey, "lower", "priority sho file viewed"));
    ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kViewedKey, "empty", ""));
    DWORD one = 1;
    ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, kViewedKey, "number", REG_DWORD, &one, sizeof(one)));
    ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kViewedKey, "huge", std::string(3000, 'P')));
    // The marker with a terminating NUL, as another writer may store it, is the same text.
    ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, kViewedKey, "withnul", REG_SZ, "Priority Sho File Viewed", 25));

    tvRegistryClient client(TestModule());
    ASSERT_TRUE(client.OpenPriorityViewedKey());
    for (const char* name : {"longer", "shorter", "lower", "empty", "number", "huge"})
        EXPECT_FALSE(client.IsPriorityViewed(name)) << name;
    EXPECT_TRUE(client.IsPriorityViewed("withnul"));
    client.ClosePriorityViewedKey();
}

TEST(SettingsStore, DefaultFolderIsTheSharedDocumentsFolder)
{
    char documents[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_COMMON_DOCUMENTS, nullptr, SHGFP_TYPE_CURRENT, documents),
              S_OK);
    tvRegistryClient client(TestModule());
    EXPECT_TRUE(client.ComputeDefaultFolder());
    EXPECT_EQ(std::string(client.settings[SETTING_DEFAULT_FOLDER]), std::string(documents) + "\\Tovaren");
}

namespace {

// Gives everyone read access only to a machine key, as an installer does for
// users who may not change it; the owner may still change the permissions back.
bool RestrictToRead(const char* key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | WRITE_DAC, &opened) != ERROR_SUCCESS)
        return false;
    EXPLICIT_ACCESS_A access = {};
    BuildExplicitAccessWithNameA(&access, const_cast<char*>("EVERYONE"), KEY_READ, SET_ACCESS, NO_INHERITANCE);
    PACL acl = nullptr;
    bool ok = SetEntriesInAclA(1, &access, nullptr, &acl) == ERROR_SUCCESS &&
              SetSecurityInfo(opened, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION |
                                                           PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, acl, nullptr) == ERROR_SUCCESS;
    LocalFree(acl);
    RegCloseKey(opened);
    return ok;
}

void AllowAll(const char* key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, WRITE_DAC, &opened) != ERROR_SUCCESS)
        return;
    SetSecurityInfo(opened, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                    nullptr);  // a null DACL: full access for everyone
    RegCloseKey(opened);
}

}  // namespace

// Wine creates a key below a parent whose permissions allow only reading, so a
// missing machine key that the user may not create cannot be shown here; the
// message of ReadInstallFolder for a closed key is checked above.
TEST(SettingsStore, MachineKeyTheUserMayNotChangeIsStillRead)
{
    ScopedCleanProductKey clean;
    ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, kProductKey, "TIL", "C:\\Tovaren"));
    bool restricted = RestrictToRead(kProductKey);
    tvRegistryClient client(TestModule());
    bool opened = client.OpenMachineKey();
    bool writable = opened && RegSetValueExA(client.machineKey, "probe", 0, REG_SZ,
                                             reinterpret_cast<const BYTE*>("x"), 1) == ERROR_SUCCESS;
    bool readOk = opened && client.ReadInstallFolder();
    std::string folder = client.settings[SETTING_INSTALL_FOLDER];
    client.CloseMachineKey();
    AllowAll(kProductKey);
    DeleteProductKeys();
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey)) << "clean-up failed";

    ASSERT_TRUE(restricted);
    EXPECT_TRUE(opened);
    EXPECT_FALSE(writable);  // the read-only second attempt opened it
    EXPECT_TRUE(readOk);
    EXPECT_EQ(folder, "C:\\Tovaren");
}
