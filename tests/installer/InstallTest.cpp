// Tovaren Setup run as an administrator runs it, in a Wine prefix made for
// this run alone (run-in-fresh-prefix.sh): a silent install and what it put
// where, the saver it installed started as Windows starts it, a second
// install over the first, and the quiet uninstall of Programs and Features.
// The suites run in this order and build on each other's installs.
#include "SaverProcess.h"
#include "TestSupport.h"
#include "tvRegistryClient.h"

#include <objbase.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <set>

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tovaren";
const char kDesktopKey[] = "Control Panel\\Desktop";
const char* const kBundledShows[] = {"flowers.sho", "harbour.sho", "lake.sho", "meadow.sho"};
const char* const kTools[] = {"paceshift.exe", "reeljoin.exe", "flagbench.exe",
                              "rasterwalk.exe", "rasterwalk2.exe", "tovarenpack.exe"};

bool EditorBuilt()
{
    return FileExists(BinPath("tovareneditor.exe"));
}

// The programs Setup puts into the install folder.
std::vector<std::string> FolderPrograms()
{
    std::vector<std::string> programs(std::begin(kTools), std::end(kTools));
    if (EditorBuilt())
        programs.push_back("tovareneditor.exe");
    return programs;
}

std::string RegText(HKEY root, const char* key, const char* value)
{
    char text[1024] = "";
    DWORD size = sizeof(text) - 1;
    if (SHGetValueA(root, key, value, nullptr, text, &size) != ERROR_SUCCESS)
        return "(missing)";
    return text;
}

DWORD RegNumber(HKEY root, const char* key, const char* value)
{
    DWORD number = 0, size = sizeof(number);
    SHGetValueA(root, key, value, nullptr, &number, &size);
    return number;
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

std::string SystemFolder()
{
    char path[MAX_PATH] = "";
    GetSystemDirectoryA(path, sizeof(path));
    return path;
}

std::string InstalledSaver() { return JoinPath(SystemFolder(), "tovarensaver.scr"); }

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
    settings.CloseMachineKey();
    return settings.settings[SETTING_INSTALL_FOLDER];
}

DWORD RunSetup(const std::string& arguments)
{
    ProcessResult setup = RunProgram("\"" + WinePath(TOVAREN_SETUP) + "\" " + arguments, 180000);
    EXPECT_TRUE(setup.started && setup.finished) << setup.output;
    return setup.exitCode;
}

// The NSIS uninstaller copies itself to the temporary folder as Au_.exe,
// starts the copy and returns: wait for the copies too.
void WaitForUninstallerCopies()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, snapshot);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (_strnicmp(entry.szExeFile, "Au_", 3) != 0)
            continue;
        HANDLE copy = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (copy) {
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(copy, 120000)) << "the uninstaller did not end";
            CloseHandle(copy);
        }
    }
    CloseHandle(snapshot);
}

// Runs the uninstaller as Programs and Features runs it quietly.
void RunQuietUninstall()
{
    std::string command = RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString");
    ProcessResult uninstall = RunProgram(command, 120000);
    ASSERT_TRUE(uninstall.started && uninstall.finished) << command;
    EXPECT_EQ(0u, uninstall.exitCode);
    WaitForUninstallerCopies();
    EXPECT_TRUE(WaitUntil([] { return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); }, 30000));
}

void EnsureInstalled()
{
    if (!FileExists(InstalledSaver())) {
        EXPECT_EQ(0u, RunSetup("/S"));
    }
}

std::string ShortcutTarget(const std::string& link)
{
    std::string target = "(unreadable)";
    IShellLinkA* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shellLink))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
        char path[MAX_PATH] = "";
        if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
            SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0)))
            target = path;
        file->Release();
    }
    shellLink->Release();
    return target;
}

// The version block of a file, as Properties reads it.
struct VersionBlock {
    bool found = false;
    VS_FIXEDFILEINFO fixed = {};
    std::vector<char> data;
    // A text of the first language the block lists, as Properties shows it.
    std::string Text(const char* name) const
    {
        WORD* translation = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                            &length) ||
            length < 4)
            return "(no translation)";
        char path[128];
        snprintf(path, sizeof(path), "\\StringFileInfo\\%04X%04X\\%s", translation[0], translation[1], name);
        char* text = nullptr;
        if (!VerQueryValueA(data.data(), path, reinterpret_cast<void**>(&text), &length))
            return "(missing)";
        return std::string(text, length && text[length - 1] == '\0' ? length - 1 : length);
    }
};

VersionBlock ReadVersionBlock(const std::string& file)
{
    VersionBlock block;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size == 0)
        return block;
    block.data.resize(size);
    if (!GetFileVersionInfoA(file.c_str(), 0, size, block.data.data()))
        return block;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    block.found = VerQueryValueA(block.data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) &&
                  length >= sizeof(VS_FIXEDFILEINFO);
    if (block.found)
        block.fixed = *fixed;
    return block;
}

std::string LoadModuleString(const std::string& file, UINT id)
{
    HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char text[256] = "(missing)";
    if (module) {
        LoadStringA(module, id, text, sizeof(text));
        FreeLibrary(module);
    }
    return text;
}

// The whole screen, one 32-bit value a pixel.
std::vector<DWORD> ScreenPixels()
{
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

int ChangedPixels(const std::vector<DWORD>& before, const std::vector<DWORD>& after)
{
    int changed = 0;
    for (size_t i = 0; i < before.size() && i < after.size(); ++i)
        changed += (before[i] & 0xFFFFFF) != (after[i] & 0xFFFFFF);
    return changed;
}

class ComEnvironment : public ::testing::Environment {
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }
};
[[maybe_unused]] const auto* const kCom = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

// The id of a process by its handle (kernel32 has it from Windows XP SP1 on).
DWORD ProcessIdOf(HANDLE process)
{
    typedef DWORD(WINAPI * GetProcessIdFunction)(HANDLE);
    auto getProcessId = reinterpret_cast<GetProcessIdFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetProcessId")));
    return getProcessId ? getProcessId(process) : 0;
}

}  // namespace

class SilentInstall : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setupExitCode = RunSetup("/S"); }
    static DWORD setupExitCode;
};
DWORD SilentInstall::setupExitCode = 1;

TEST_F(SilentInstall, PutsTheProgramsTheHelpAndTheSaverInTheirFolders)
{
    ASSERT_EQ(0u, setupExitCode);
    std::string folder = DefaultInstallFolder();
    for (const std::string& program : FolderPrograms()) {
        SCOPED_TRACE(program);
        EXPECT_EQ(ReadBytes(BinPath(program.c_str())), ReadBytes(JoinPath(folder, program)));
    }
    // The saver lives where the Screen Saver settings list savers, and only there.
    EXPECT_EQ(ReadBytes(BinPath("tovarensaver.scr")), ReadBytes(InstalledSaver()));
    EXPECT_FALSE(FileExists(JoinPath(folder, "tovarensaver.scr")));
    for (const char* file : {"README.txt", "show.ico", "uninstall.exe", "help\\html\\TovarenHelp.html",
                             "help\\html\\tovaren.css", "help\\html\\images\\title.png"})
        EXPECT_TRUE(FileExists(JoinPath(folder, file))) << file;
    // The README is for Notepad: every line ends in CR LF.
    std::vector<unsigned char> readme = ReadBytes(JoinPath(folder, "README.txt"));
    std::string text(readme.begin(), readme.end());
    EXPECT_NE(std::string::npos, text.find("Tovaren 1.5.1.5\r\n"));
    EXPECT_EQ(std::string::npos, text.find("\n\n"));
    // Nothing of the build's own: no test programs, no benchmarks.
    for (const std::string& name : FolderEntries(folder))
        EXPECT_TRUE(name.find("_tests") == std::string::npos && name.find("bench_") != 0)
            << name;
}

TEST_F(SilentInstall, RecordsTheInstallFolderWhereTheProgramsReadIt)
{
    EXPECT_EQ(DefaultInstallFolder(), RegText(HKEY_LOCAL_MACHINE, kProductKey, "TIL"));
    EXPECT_EQ(DefaultInstallFolder(), InstallFolderAsProgramsSeeIt());
}

TEST_F(SilentInstall, CopiesTheBundledShowsIntoTheDefaultFolder)
{
    tvRegistryClient settings(GetModuleHandleA(nullptr));
    ASSERT_TRUE(settings.ComputeDefaultFolder());
    std::string folder = settings.settings[SETTING_DEFAULT_FOLDER];
    EXPECT_EQ(ShowFolder(), folder);
    for (const char* show : kBundledShows) {
        SCOPED_TRACE(show);
        std::vector<unsigned char> bundled = BundledShow(show);
        ASSERT_FALSE(bundled.empty());
        EXPECT_EQ(bundled, ReadBytes(JoinPath(folder, show)));
    }
}

TEST_F(SilentInstall, AssociatesShowsWithTheEditor)
{
    EXPECT_EQ("Tovaren.Show", RegText(HKEY_CLASSES_ROOT, ".sho", nullptr));
    EXPECT_EQ("Tovaren Show", RegText(HKEY_CLASSES_ROOT, "Tovaren.Show", nullptr));
    std::string icon = RegText(HKEY_CLASSES_ROOT, "Tovaren.Show\\DefaultIcon", nullptr);
    EXPECT_EQ(DefaultInstallFolder() + "\\show.ico", icon);
    EXPECT_TRUE(FileExists(icon));
    // What the shell runs for "open": the editor's play-only command line.
    char command[1024] = "";
    DWORD size = sizeof(command);
    ASSERT_EQ(S_OK, AssocQueryStringA(0, ASSOCSTR_COMMAND, ".sho", "open", command, &size));
    EXPECT_EQ("\"" + DefaultInstallFolder() + "\\tovareneditor.exe\" \"%1\"", std::string(command));
}

TEST_F(SilentInstall, RegistersInProgramsAndFeatures)
{
    std::string folder = DefaultInstallFolder();
    EXPECT_EQ("Tovaren", RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));
    EXPECT_EQ("1.5.1.5", RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"));
    EXPECT_EQ("Vorlund", RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher"));
    EXPECT_EQ(folder + "\\uninstall.exe,0", RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon"));
    EXPECT_EQ("\"" + folder + "\\uninstall.exe\"", RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"));
    EXPECT_EQ("\"" + folder + "\\uninstall.exe\" /S",
              RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString"));
    // The size in KB: the programs, the help, the shows' copies and the saver.
    DWORD bytes = static_cast<DWORD>(ReadBytes(InstalledSaver()).size());
    for (const std::string& program : FolderPrograms())
        bytes += static_cast<DWORD>(ReadBytes(JoinPath(folder, program)).size());
    DWORD kilobytes = RegNumber(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize");
    EXPECT_GE(kilobytes, bytes / 1024);
    EXPECT_LE(kilobytes, bytes / 1024 + 2048);
}

TEST_F(SilentInstall, MakesStartMenuEntries)
{
    std::string menu = StartMenuFolder();
    std::string folder = DefaultInstallFolder();
    EXPECT_EQ(folder + "\\help\\html\\TovarenHelp.html", ShortcutTarget(menu + "\\Tovaren Help.lnk"));
    EXPECT_EQ(folder + "\\uninstall.exe", ShortcutTarget(menu + "\\Uninstall Tovaren.lnk"));
    if (EditorBuilt()) {
        EXPECT_EQ(folder + "\\tovareneditor.exe", ShortcutTarget(menu + "\\Tovaren Editor.lnk"));
    }
}

TEST_F(SilentInstall, EveryProgramAndSetupCarryTheVersionBlock)
{
    std::vector<std::string> files = {InstalledSaver(), WinePath(TOVAREN_SETUP)};
    for (const std::string& program : FolderPrograms())
        files.push_back(JoinPath(DefaultInstallFolder(), program));
    std::set<std::string> descriptions;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        VersionBlock block = ReadVersionBlock(file);
        ASSERT_TRUE(block.found);
        EXPECT_EQ(0x00010005u, block.fixed.dwFileVersionMS);
        EXPECT_EQ(0x00010005u, block.fixed.dwFileVersionLS);
        EXPECT_EQ(0x00010005u, block.fixed.dwProductVersionMS);
        EXPECT_EQ(0x00010005u, block.fixed.dwProductVersionLS);
        EXPECT_EQ("1.5.1.5", block.Text("FileVersion"));
        EXPECT_EQ("1.5.1.5", block.Text("ProductVersion"));
        EXPECT_EQ("Tovaren", block.Text("ProductName"));
        EXPECT_EQ("Vorlund", block.Text("CompanyName"));
        EXPECT_EQ("Copyright (C) Vorlund. All rights reserved.", block.Text("LegalCopyright"));
        std::string description = block.Text("FileDescription");
        EXPECT_EQ(0u, description.find("Tovaren ")) << description;
        EXPECT_TRUE(descriptions.insert(description).second) << "shared description " << description;
        if (file != WinePath(TOVAREN_SETUP)) {
            EXPECT_EQ(std::string(PathFindFileNameA(file.c_str())), block.Text("OriginalFilename"));
        }
    }
    // The saver's own strings agree: the list of savers shows string 1, the
    // About box the version of string 2 and the copyright of string 5.
    VersionBlock saver = ReadVersionBlock(InstalledSaver());
    EXPECT_EQ(saver.Text("ProductName"), LoadModuleString(InstalledSaver(), 1));
    EXPECT_EQ(saver.Text("FileVersion"), LoadModuleString(InstalledSaver(), 2));
    EXPECT_EQ(saver.Text("LegalCopyright"), LoadModuleString(InstalledSaver(), 5));
}

TEST_F(SilentInstall, TheInstalledSaverPaintsABundledShowOverTheDesktop)
{
    FakeDesktop desktop;
    std::vector<DWORD> before = ScreenPixels();
    // As Windows starts it: the path in the system folder and "/s".
    SaverProcess saver;
    ASSERT_TRUE(saver.Start("/s", InstalledSaver()));
    ASSERT_TRUE(WaitUntil([] { return FindSaverWindow() != nullptr; }, 15000)) << "no saver window";
    int changed = 0;
    EXPECT_TRUE(WaitUntil([&] { return (changed = ChangedPixels(before, ScreenPixels())) > 5000; }, 20000, 250))
        << "only " << changed << " pixels changed";
    // And the painting goes on: a still picture is not a show.
    std::vector<DWORD> early = ScreenPixels();
    EXPECT_TRUE(WaitUntil([&] { return (changed = ChangedPixels(early, ScreenPixels())) > 2000; }, 15000, 250))
        << "the picture stood still; " << changed << " pixels changed";
    PressKey('A');
    EXPECT_TRUE(saver.WaitForExit(10000));
    EXPECT_EQ(0u, saver.exitCode);
}

TEST_F(SilentInstall, OpeningAShowPlaysItInTheEditor)
{
    if (!EditorBuilt())
        GTEST_SKIP() << "the editor is not built yet";
    std::string show = JoinPath(ShowFolder(), "meadow.sho");
    SHELLEXECUTEINFOA execute = {};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_NOCLOSEPROCESS;
    execute.lpVerb = "open";
    execute.lpFile = show.c_str();
    execute.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExA(&execute));
    ASSERT_NE(nullptr, execute.hProcess);
    char image[MAX_PATH] = "";
    GetModuleFileNameExA(execute.hProcess, nullptr, image, sizeof(image));
    EXPECT_EQ(0, _stricmp(image, JoinPath(DefaultInstallFolder(), "tovareneditor.exe").c_str())) << image;
    // Play-only: the editor's full-screen playback window, and no painting window.
    HWND playback = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (playback = FindWindowA("Screen Saving", "Screen Saving")) != nullptr; },
                          15000));
    DWORD owner = 0;
    GetWindowThreadProcessId(playback, &owner);
    EXPECT_EQ(ProcessIdOf(execute.hProcess), owner);
    PressKey('A');
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(execute.hProcess, 15000)) << "play-only did not end on a key";
    CloseHandle(execute.hProcess);
}

// A second Setup over the first: the same folder, updated bundled shows,
// the user's changes and settings untouched.
TEST(UpgradeInPlace, KeepsChangedShowsAndUpdatesTheOthers)
{
    EnsureInstalled();
    std::string shows = ShowFolder();
    std::string kept = JoinPath(DefaultInstallFolder(), "shows");
    // meadow: the user painted over it. lake: still the copy a previous
    // version put there. flowers: the user deleted it. mine: the user's own.
    std::vector<unsigned char> changedMeadow = BundledShow("meadow.sho");
    changedMeadow[200] ^= 0x5A;
    ASSERT_TRUE(WriteBytes(JoinPath(shows, "meadow.sho"), changedMeadow));
    std::vector<unsigned char> olderLake = ShowBytes(640, 480, 0, {{10, 10, 5, 0xFF, 4, 1}});
    ASSERT_TRUE(WriteBytes(JoinPath(shows, "lake.sho"), olderLake));
    ASSERT_TRUE(WriteBytes(JoinPath(kept, "lake.sho"), olderLake));
    ASSERT_TRUE(DeleteFileA(JoinPath(shows, "flowers.sho").c_str()));
    std::vector<unsigned char> mine = ShowBytes(320, 200, 0, {{1, 2, 3, 0xFF00, 2, 1}});
    ASSERT_TRUE(WriteBytes(JoinPath(shows, "mine.sho"), mine));
    ASSERT_EQ(ERROR_SUCCESS, SHSetValueA(HKEY_CURRENT_USER, kProductKey, "TPS", REG_SZ, "7", 1));
    ASSERT_TRUE(DeleteFileA(JoinPath(DefaultInstallFolder(), "paceshift.exe").c_str()));

    ASSERT_EQ(0u, RunSetup("/S"));

    EXPECT_EQ(changedMeadow, ReadBytes(JoinPath(shows, "meadow.sho")));
    EXPECT_EQ(BundledShow("lake.sho"), ReadBytes(JoinPath(shows, "lake.sho")));
    EXPECT_EQ(BundledShow("flowers.sho"), ReadBytes(JoinPath(shows, "flowers.sho")));
    EXPECT_EQ(mine, ReadBytes(JoinPath(shows, "mine.sho")));
    EXPECT_EQ(BundledShow("lake.sho"), ReadBytes(JoinPath(kept, "lake.sho")));
    EXPECT_EQ("7", RegText(HKEY_CURRENT_USER, kProductKey, "TPS"));
    EXPECT_TRUE(FileExists(JoinPath(DefaultInstallFolder(), "paceshift.exe")));
    EXPECT_EQ(DefaultInstallFolder(), RegText(HKEY_LOCAL_MACHINE, kProductKey, "TIL"));
}

class SilentUninstall : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        EnsureInstalled();
        std::string shows = ShowFolder();
        changedMeadow = BundledShow("meadow.sho");
        changedMeadow[300] ^= 0x33;
        WriteBytes(JoinPath(shows, "meadow.sho"), changedMeadow);
        usersShow = ShowBytes(320, 200, 0, {{5, 6, 7, 0xFF0000, 3, 1}});
        WriteBytes(JoinPath(shows, "saved by the user.sho"), usersShow);
        SHSetValueA(HKEY_CURRENT_USER, kProductKey, "TPS", REG_SZ, "9", 1);
        // Tovaren is the current screen saver, as the finish page makes it.
        std::string saver = InstalledSaver();
        SHSetValueA(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE", REG_SZ, saver.c_str(),
                    static_cast<DWORD>(saver.size()));
        RunQuietUninstall();
    }
    static std::vector<unsigned char> changedMeadow;
    static std::vector<unsigned char> usersShow;
};
std::vector<unsigned char> SilentUninstall::changedMeadow;
std::vector<unsigned char> SilentUninstall::usersShow;

TEST_F(SilentUninstall, RemovesWhatSetupMade)
{
    EXPECT_FALSE(FileExists(DefaultInstallFolder()));
    EXPECT_FALSE(FileExists(InstalledSaver()));
    EXPECT_FALSE(FileExists(StartMenuFolder()));
    for (const char* show : {"flowers.sho", "harbour.sho", "lake.sho"})
        EXPECT_FALSE(FileExists(JoinPath(ShowFolder(), show))) << show;
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Vorlund"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".sho"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Tovaren.Show"));
    EXPECT_EQ("(missing)", RegText(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"));
}

TEST_F(SilentUninstall, KeepsTheUsersShowsAndSettings)
{
    EXPECT_EQ(usersShow, ReadBytes(JoinPath(ShowFolder(), "saved by the user.sho")));
    EXPECT_EQ(changedMeadow, ReadBytes(JoinPath(ShowFolder(), "meadow.sho")));
    EXPECT_EQ("9", RegText(HKEY_CURRENT_USER, kProductKey, "TPS"));
}

// An install into a folder of the administrator's choice; the next Setup
// finds it there. The uninstaller leaves what others own since.
TEST(ChosenFolder, UpgradesThereAndLeavesWhatOthersOwn)
{
    const std::string folder = "C:\\Apps\\Tovaren Paint";
    ASSERT_FALSE(FileExists(InstalledSaver())) << "an earlier suite left Tovaren installed";
    ASSERT_EQ(0u, RunSetup("/S /D=" + folder));
    EXPECT_EQ(folder, RegText(HKEY_LOCAL_MACHINE, kProductKey, "TIL"));
    EXPECT_EQ(folder, InstallFolderAsProgramsSeeIt());
    ASSERT_TRUE(DeleteFileA(JoinPath(folder, "reeljoin.exe").c_str()));

    ASSERT_EQ(0u, RunSetup("/S"));
    EXPECT_TRUE(FileExists(JoinPath(folder, "reeljoin.exe")));
    EXPECT_FALSE(FileExists(DefaultInstallFolder()));
    EXPECT_EQ(folder, RegText(HKEY_LOCAL_MACHINE, kProductKey, "TIL"));

    // Since the install, the user chose another screen saver and another
    // program for shows, and put a file of their own into the folder.
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
    EXPECT_FALSE(FileExists(JoinPath(folder, "help")));
    EXPECT_FALSE(FileExists(InstalledSaver()));
}
