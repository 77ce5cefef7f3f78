// Tovaren Setup run as an administrator runs it, in a Wine prefix made for
// this run alone (run-in-fresh-prefix.sh): a silent install and what it put
// where, the installed saver started as Windows starts it, a second install
// over the first, and the quiet uninstall of Programs and Features. The
// suites run in this order and build on each other's installs.
#include "SaverProcess.h"
#include "TestSupport.h"
#include "tvRegistryClient.h"

#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <set>

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tovaren";
const char kDesktopKey[] = "Control Panel\\Desktop";

// The programs Setup puts into the install folder.
std::vector<std::string> FolderPrograms()
{
    return {"tovareneditor.exe", "paceshift.exe",   "reeljoin.exe",   "flagbench.exe",
            "rasterwalk.exe",    "rasterwalk2.exe", "tovarenpack.exe", "reelcast.exe"};
}

std::string RegText(HKEY root, const char* key, const char* value)
{
    char text[1024] = "";
    DWORD size = sizeof(text) - 1;
    return SHGetValueA(root, key, value, nullptr, text, &size) == ERROR_SUCCESS ? text : "(missing)";
}

bool KeyExists(HKEY root, const char* key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

std::string SpecialFolder(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string DefaultInstallFolder() { return SpecialFolder(CSIDL_PROGRAM_FILES) + "\\Tovaren"; }
std::string ShowFolder() { return SpecialFolder(CSIDL_COMMON_DOCUMENTS) + "\\Tovaren"; }
std::string StartMenuFolder() { return SpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\Tovaren"; }
std::string InstalledSaver() { return SpecialFolder(CSIDL_SYSTEM) + "\\tovarensaver.scr"; }
std::string ShowPath(const char* name) { return JoinPath(ShowFolder(), name); }

std::vector<unsigned char> BundledShow(const char* name)
{
    return ReadBytes(JoinPath(WinePath(TOVAREN_SOURCE_DIR "/shows"), name));
}

// The install folder as the programs read it: "TIL" through the settings store.
std::string InstallFolderAsProgramsSeeIt()
{
    tvRegistryClient settings(GetModuleHandleA(nullptr));
    if (!settings.OpenMachineKey())
        return "(no machine key)";
    settings.ReadInstallFolder();
    return settings.settings[SETTING_INSTALL_FOLDER];
}

DWORD RunSetup(const std::string& arguments)
{
    ProcessResult setup = RunProgram("\"" + WinePath(TOVAREN_SETUP) + "\" " + arguments, 180000);
    EXPECT_TRUE(setup.started && setup.finished) << setup.output;
    return setup.exitCode;
}

void EnsureInstalled()
{
    if (!FileExists(InstalledSaver())) {
        EXPECT_EQ(0u, RunSetup("/S"));
    }
}

// Runs the uninstaller as Programs and Features runs it quietly. It copies
// itself to the temporary folder as Au_.exe, starts the copy and returns at
// once: wait for the copies too.
void RunQuietUninstall()
{
    std::string command = RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString");
    ProcessResult uninstall = RunProgram(command, 120000);
    ASSERT_TRUE(uninstall.started && uninstall.finished) << command;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        HANDLE copy = _strnicmp(entry.szExeFile, "Au_", 3) == 0
                          ? OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID) : nullptr;
        if (copy) {
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(copy, 120000)) << "the uninstaller did not end";
            CloseHandle(copy);
        }
    }
    CloseHandle(snapshot);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// A text of a file's version block in its first language, as Properties shows it.
std::string VersionText(const std::vector<char>& block, const char* name)
{
    WORD* language = nullptr;
    char* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&language), &length))
        return "(no language)";
    char path[128];
    snprintf(path, sizeof(path), "\\StringFileInfo\\%04X%04X\\%s", language[0], language[1], name);
    if (!VerQueryValueA(block.data(), path, reinterpret_cast<void**>(&text), &length) || length == 0)
        return "(missing)";
    return text;
}

// The four numbers of a fixed version block, with dots, as the text gives them.
std::string NumbersText(DWORD high, DWORD low)
{
    char text[64];
    snprintf(text, sizeof(text), "%lu.%lu.%lu.%lu", static_cast<unsigned long>(HIWORD(high)),
             static_cast<unsigned long>(LOWORD(high)), static_cast<unsigned long>(HIWORD(low)),
             static_cast<unsigned long>(LOWORD(low)));
    return text;
}

std::string LoadModuleString(const std::string& file, UINT id)
{
    char text[256] = "(missing)";
    if (HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        LoadStringA(module, id, text, sizeof(text));
        FreeLibrary(module);
    }
    return text;
}

// Pixels on screen that are not the stand-in desktop's green or grey.
int PaintedPixels()
{
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return screen.right * screen.bottom - CountScreenColour(screen, FakeDesktop::kGreen, 4) -
           CountScreenColour(screen, FakeDesktop::kGrey, 4);
}

}  // namespace

class SilentInstall : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setupExitCode = RunSetup("/S"); }
    static DWORD setupExitCode;
};
DWORD SilentInstall::setupExitCode = 1;

TEST_F(SilentInstall, PutsEveryFileInItsFolder)
{
    ASSERT_EQ(0u, setupExitCode);
    std::string folder = DefaultInstallFolder();
    for (const std::string& program : FolderPrograms())
        EXPECT_EQ(ReadBytes(BinPath(program.c_str())), ReadBytes(JoinPath(folder, program))) << program;
    // The saver lives where the Screen Saver settings list savers, and only there.
    EXPECT_EQ(ReadBytes(BinPath("tovarensaver.scr")), ReadBytes(InstalledSaver()));
    EXPECT_FALSE(FileExists(JoinPath(folder, "tovarensaver.scr")));
    for (const char* file : {"README.txt", "show.ico", "uninstall.exe", "help\\html\\TovarenHelp.html",
                             "help\\html\\images\\title.png"})
        EXPECT_TRUE(FileExists(JoinPath(folder, file))) << file;
    EXPECT_TRUE(FileExists(StartMenuFolder() + "\\Tovaren Help.lnk"));
    EXPECT_TRUE(FileExists(StartMenuFolder() + "\\Uninstall Tovaren.lnk"));
    EXPECT_TRUE(FileExists(StartMenuFolder() + "\\Tovaren Editor.lnk"));
    // The bundled shows are in the default folder, as the programs compute it.
    tvRegistryClient settings(GetModuleHandleA(nullptr));
    ASSERT_TRUE(settings.ComputeDefaultFolder());
    EXPECT_EQ(ShowFolder(), settings.settings[SETTING_DEFAULT_FOLDER]);
    for (const char* show : {"flowers.sho", "harbour.sho", "lake.sho", "meadow.sho"})
        EXPECT_EQ(BundledShow(show), ReadBytes(ShowPath(show))) << show;
}

TEST_F(SilentInstall, WritesTheInstallFolderTheAssociationAndTheUninstallEntry)
{
    std::string folder = DefaultInstallFolder();
    EXPECT_EQ(folder, RegText(HKEY_LOCAL_MACHINE, kProductKey, "TIL"));
    EXPECT_EQ(folder, InstallFolderAsProgramsSeeIt());

    EXPECT_EQ("Tovaren.Show", RegText(HKEY_CLASSES_ROOT, ".sho", nullptr));
    EXPECT_EQ("Tovaren Show", RegText(HKEY_CLASSES_ROOT, "Tovaren.Show", nullptr));
    EXPECT_EQ(folder + "\\show.ico", RegText(HKEY_CLASSES_ROOT, "Tovaren.Show\\DefaultIcon", nullptr));
    char command[1024] = "";
    DWORD size = sizeof(command);
    ASSERT_EQ(S_OK, AssocQueryStringA(0, ASSOCSTR_COMMAND, ".sho", "open", command, &size));
    EXPECT_EQ("\"" + folder + "\\tovareneditor.exe\" \"%1\"", std::string(command));

    EXPECT_EQ("Tovaren", RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));
    EXPECT_EQ(TOVAREN_VERSION, RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"));
    EXPECT_EQ("Vorlund", RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher"));
    EXPECT_EQ(folder + "\\uninstall.exe,0", RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon"));
    EXPECT_EQ("\"" + folder + "\\uninstall.exe\"", RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"));
    EXPECT_EQ("\"" + folder + "\\uninstall.exe\" /S",
              RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString"));
    DWORD kilobytes = 0, length = sizeof(kilobytes);
    SHGetValueA(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", nullptr, &kilobytes, &length);
    EXPECT_GT(kilobytes, ReadBytes(InstalledSaver()).size() / 1024 + 6 * 500);
}

TEST_F(SilentInstall, EveryProgramAndSetupCarryTheVersionBlock)
{
    std::vector<std::string> files = {InstalledSaver(), WinePath(TOVAREN_SETUP)};
    for (const std::string& program : FolderPrograms())
        files.push_back(JoinPath(DefaultInstallFolder(), program));
    std::set<std::string> descriptions;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        DWORD ignored = 0;
        std::vector<char> block(GetFileVersionInfoSizeA(file.c_str(), &ignored));
        ASSERT_FALSE(block.empty());
        ASSERT_TRUE(GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(TOVAREN_VERSION, NumbersText(fixed->dwFileVersionMS, fixed->dwFileVersionLS));
        EXPECT_EQ(TOVAREN_VERSION, NumbersText(fixed->dwProductVersionMS, fixed->dwProductVersionLS));
        EXPECT_EQ(TOVAREN_VERSION, VersionText(block, "FileVersion"));
        EXPECT_EQ(TOVAREN_VERSION, VersionText(block, "ProductVersion"));
        EXPECT_EQ("Tovaren", VersionText(block, "ProductName"));
        EXPECT_EQ("Vorlund", VersionText(block, "CompanyName"));
        // The copyright line of the About box, string 5 of the saver.
        EXPECT_EQ(LoadModuleString(InstalledSaver(), 5), VersionText(block, "LegalCopyright"));
        std::string description = VersionText(block, "FileDescription");
        EXPECT_EQ(0u, description.find("Tovaren ")) << description;
        EXPECT_TRUE(descriptions.insert(description).second) << "shared description " << description;
        if (file != WinePath(TOVAREN_SETUP)) {
            EXPECT_EQ(PathFindFileNameA(file.c_str()), VersionText(block, "OriginalFilename"));
        }
    }
    // The version text of the About box and the registry key, string 2.
    EXPECT_EQ(TOVAREN_VERSION, LoadModuleString(InstalledSaver(), 2));
}

TEST_F(SilentInstall, TheInstalledSaverPaintsABundledShowOverTheDesktop)
{
    FakeDesktop desktop;
    ASSERT_LT(PaintedPixels(), 100);
    // As Windows starts it: the path in the system folder and "/s".
    SaverProcess saver;
    ASSERT_TRUE(saver.Start("/s", InstalledSaver()));
    ASSERT_TRUE(WaitUntil([] { return FindSaverWindow() != nullptr; }, 15000)) << "no saver window";
    int painted = 0;
    EXPECT_TRUE(WaitUntil([&] { return (painted = PaintedPixels()) > 5000; }, 20000, 250)) << painted;
    // And the painting goes on: a still picture is not a show.
    int early = painted;
    EXPECT_TRUE(WaitUntil([&] { return (painted = PaintedPixels()) > early + 5000; }, 15000, 250))
        << early << " then " << painted;
    PressKey('A');
    EXPECT_TRUE(saver.WaitForExit(10000));
    EXPECT_EQ(0u, saver.exitCode);
}

TEST_F(SilentInstall, OpeningAShowPlaysItInTheEditor)
{
    std::string show = ShowPath("meadow.sho");
    SHELLEXECUTEINFOA execute = {};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_NOCLOSEPROCESS;
    execute.lpVerb = "open";
    execute.lpFile = show.c_str();
    execute.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExA(&execute) && execute.hProcess);
    // Play-only: the editor's full-screen playback window comes up at once.
    EXPECT_TRUE(WaitUntil([] { return FindWindowA("Screen Saving", "Screen Saving") != nullptr; }, 15000));
    char image[MAX_PATH] = "";
    GetModuleFileNameExA(execute.hProcess, nullptr, image, sizeof(image));
    EXPECT_EQ(0, _stricmp(image, JoinPath(DefaultInstallFolder(), "tovareneditor.exe").c_str())) << image;
    // Escape ends play-only (other keys leave the editor open on the show);
    // a press before the editor polls its keyboard is not seen, so press again.
    bool ended = false;
    for (int press = 0; press < 5 && !ended; ++press) {
        PressKey(VK_ESCAPE, 300);
        ended = WaitForSingleObject(execute.hProcess, 3000) == WAIT_OBJECT_0;
    }
    EXPECT_TRUE(ended) << "play-only did not end on Escape";
    if (!ended)
        TerminateProcess(execute.hProcess, 1);
    CloseHandle(execute.hProcess);
}

// A second Setup over the first: the same folder, the bundled shows updated
// unless the user changed them, the user's own shows and settings untouched.
TEST(UpgradeInPlace, KeepsChangedShowsAndUpdatesTheOthers)
{
    EnsureInstalled();
    std::string kept = JoinPath(DefaultInstallFolder(), "shows");
    // meadow: the user painted over it. lake: still the copy an earlier
    // Setup put there. flowers: the user deleted it. mine: the user's own.
    std::vector<unsigned char> meadow = BundledShow("meadow.sho");
    meadow[200] ^= 0x5A;
    ASSERT_TRUE(WriteBytes(ShowPath("meadow.sho"), meadow));
    std::vector<unsigned char> olderLake = ShowBytes(640, 480, 0, {{10, 10, 5, 0xFF, 4, 1}});
    ASSERT_TRUE(WriteBytes(ShowPath("lake.sho"), olderLake));
    ASSERT_TRUE(WriteBytes(JoinPath(kept, "lake.sho"), olderLake));
    ASSERT_TRUE(DeleteFileA(ShowPath("flowers.sho").c_str()));
    std::vector<unsigned char> mine = ShowBytes(320, 200, 0, {{1, 2, 3, 0xFF00, 2, 1}});
    ASSERT_TRUE(WriteBytes(ShowPath("mine.sho"), mine));
    ASSERT_EQ(ERROR_SUCCESS, SHSetValueA(HKEY_CURRENT_USER, kProductKey, "TPS", REG_SZ, "7", 1));

    ASSERT_EQ(0u, RunSetup("/S"));
    EXPECT_EQ(meadow, ReadBytes(ShowPath("meadow.sho")));
    EXPECT_EQ(BundledShow("lake.sho"), ReadBytes(ShowPath("lake.sho")));
    EXPECT_EQ(BundledShow("flowers.sho"), ReadBytes(ShowPath("flowers.sho")));
    EXPECT_EQ(mine, ReadBytes(ShowPath("mine.sho")));
    EXPECT_EQ("7", RegText(HKEY_CURRENT_USER, kProductKey, "TPS"));
}

TEST(SilentUninstall, RemovesWhatSetupMadeAndKeepsTheUsersShowsAndSettings)
{
    EnsureInstalled();
    std::vector<unsigned char> meadow = BundledShow("meadow.sho");
    meadow[300] ^= 0x33;
    ASSERT_TRUE(WriteBytes(ShowPath("meadow.sho"), meadow));
    std::vector<unsigned char> saved = ShowBytes(320, 200, 0, {{5, 6, 7, 0xFF0000, 3, 1}});
    ASSERT_TRUE(WriteBytes(ShowPath("saved by the user.sho"), saved));
    SHSetValueA(HKEY_CURRENT_USER, kProductKey, "TPS", REG_SZ, "9", 1);
    // Tovaren is the current screen saver, as the finish page makes it.
    std::string saver = InstalledSaver();
    SHSetValueA(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE", REG_SZ, saver.c_str(), static_cast<DWORD>(saver.size()));
    RunQuietUninstall();

    EXPECT_FALSE(FileExists(DefaultInstallFolder()));
    EXPECT_FALSE(FileExists(InstalledSaver()));
    EXPECT_FALSE(FileExists(StartMenuFolder()));
    for (const char* show : {"flowers.sho", "harbour.sho", "lake.sho"})
        EXPECT_FALSE(FileExists(ShowPath(show))) << show;
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Vorlund"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".sho"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Tovaren.Show"));
    EXPECT_EQ("(missing)", RegText(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"));

    EXPECT_EQ(saved, ReadBytes(ShowPath("saved by the user.sho")));
    EXPECT_EQ(meadow, ReadBytes(ShowPath("meadow.sho")));
    EXPECT_EQ("9", RegText(HKEY_CURRENT_USER, kProductKey, "TPS"));
}

// An install into a folder of the administrator's choice: the next Setup
// finds it there, and the uninstaller leaves what others own since.
TEST(ChosenFolder, UpgradesThereAndLeavesWhatOthersOwn)
{
    const std::string folder = "C:\\Apps\\Tovaren Paint";
    ASSERT_FALSE(FileExists(InstalledSaver())) << "an earlier test left Tovaren installed";
    ASSERT_EQ(0u, RunSetup("/S /D=" + folder));
    ASSERT_TRUE(DeleteFileA(JoinPath(folder, "reeljoin.exe").c_str()));
    ASSERT_EQ(0u, RunSetup("/S"));
    EXPECT_TRUE(FileExists(JoinPath(folder, "reeljoin.exe")));
    EXPECT_FALSE(FileExists(DefaultInstallFolder()));
    EXPECT_EQ(folder, InstallFolderAsProgramsSeeIt());

    // Since then the user chose another saver and another program for shows,
    // and put a file of their own into the folder.
    const char otherSaver[] = "C:\\windows\\system32\\other.scr";
    SHSetValueA(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE", REG_SZ, otherSaver, sizeof(otherSaver) - 1);
    SHSetValueA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.sho", nullptr, REG_SZ, "Other.Show", 10);
    ASSERT_TRUE(WriteBytes(JoinPath(folder, "notes.txt"), {'h', 'i'}));
    RunQuietUninstall();
    EXPECT_EQ(otherSaver, RegText(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"));
    EXPECT_EQ("Other.Show", RegText(HKEY_CLASSES_ROOT, ".sho", nullptr));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Tovaren.Show"));
    EXPECT_TRUE(FileExists(JoinPath(folder, "notes.txt")));
    EXPECT_FALSE(FileExists(JoinPath(folder, "uninstall.exe")));
    EXPECT_FALSE(FileExists(InstalledSaver()));
}
