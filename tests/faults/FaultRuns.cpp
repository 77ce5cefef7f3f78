// Fault runs for scripts/reliability.sh: the real programs, started as a user
// starts them (the editor driven through its window), killed while they save, saving onto a full disk, and the saver
// with a registry key that cannot be written. Each prints
// "fault <name> runs N survived M"; the status is 0 when every run survived.
//
//   fault_runs.exe kill <runs>            killed at random moments while saving
//   fault_runs.exe fulldisk <folder>      <folder> is on a small, nearly full disk
//   fault_runs.exe registry               the product key cannot be written
//   fault_runs.exe badinput               bad command lines and bad show files
//   fault_runs.exe vanish <drive> <folder> the show folder's drive goes away; the
//                                         drive letter maps to <folder>
#include "EditorDriver.h"
#include "SaverProcess.h"
#include "TestSupport.h"
#include "resource.h"

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

int g_failures = 0;

void Report(const char* name, int runs, int survived)
{
    printf("fault %s runs %d survived %d\n", name, runs, survived);
    fflush(stdout);
    if (survived != runs)
        g_failures++;
}

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
}

std::vector<TestPoint> ManyPoints(int count, uint32_t colour)
{
    std::vector<TestPoint> points;
    for (int i = 0; i < count; i++)
        points.push_back({static_cast<uint16_t>(i % 1000), static_cast<uint16_t>(i / 1000),
                          static_cast<uint16_t>(1 + i % 7), colour, 3, static_cast<uint8_t>(i % 2)});
    return points;
}

// Runs the command line, killing it after killAtMs unless it ended before.
void RunAndKill(const std::string& commandLine, DWORD killAtMs)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    SetHandleInformation(nul, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, killAtMs) == WAIT_TIMEOUT)
            TerminateProcess(process.hProcess, 9);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(nul);
}

// Kills a program at random moments of its save, many times: each time the
// file must be either what it was before or the complete new one.
void KillWhileSaving(const char* name, const std::string& commandLine, const std::string& output,
                     const Bytes& before, int runs, std::mt19937& random)
{
    auto restore = [&] {
        if (before.empty())
            DeleteFileA(output.c_str());
        else
            WriteBytes(output, before);
    };
    restore();
    DWORD start = GetTickCount();
    RunProgram(commandLine, 120000);
    DWORD whole = GetTickCount() - start;
    Bytes after = ReadBytes(output);
    if (after.empty() || after == before) {
        fprintf(stderr, "%s: the unkilled run wrote nothing\n", name);
        Report(name, runs, 0);
        return;
    }
    int survived = 0;
    int midSave = 0;  // killed with the temporary copy written in part
    std::string folder = output.substr(0, output.find_last_of('\\'));
    for (int run = 0; run < runs; run++) {
        restore();
        RunAndKill(commandLine, static_cast<DWORD>(random() % (whole + whole / 5 + 1)));
        bool leftTemp = false;
        for (const std::string& entry : FolderEntries(folder))
            if (entry.size() > 4 && entry.compare(entry.size() - 4, 4, ".tmp") == 0) {
                leftTemp = true;
                DeleteFileA(JoinPath(folder, entry).c_str());
            }
        midSave += leftTemp;
        Bytes now = FileExists(output) ? ReadBytes(output) : Bytes();
        if (now == before || now == after)
            survived++;
        else
            fprintf(stderr, "%s: run %d left %u bytes, neither the old file nor the new\n", name, run,
                    static_cast<unsigned>(now.size()));
    }
    Report(name, runs, survived);
    printf("note: %s: %d of the %d kills came while the new copy was being written\n", name, midSave, runs);
}

// ---- the editor, driven through its window

// A signed show, so that saving it asks for nothing.
void WriteSignedShow(const std::string& path, int points)
{
    ShowDocumentPtr show = NewShowDocument(nullptr, PRIORITY_MARKING_SUPPRESSED);
    for (int i = 0; i < points; i++)
        show->AddPoint(static_cast<uint16_t>(i % 1000), static_cast<uint16_t>(100 + (i / 1000) % 600), 3,
                       RGB(0, 90, 200), 3, i % 50 ? PF_PEN_DOWN : 0);
    show->SetSignature("k");
    show->Save(path.c_str(), SHOW_SAVE_REPLACE);
}

// Opens the show in the editor, changes it with one click and asks to save;
// false, with the step said, when the editor never got as far as saving.
bool OpenChangeAndSave(EditorDriver& editor, const std::string& show)
{
    const char* failed = nullptr;
    if (!editor.Start())
        failed = "the editor did not start";
    else if (editor.Command(IDM_OPEN), !editor.ChooseFile(show))
        failed = "no Open dialog";
    else if (!WaitUntil([&] { return editor.Title() == "Tovaren - [" + show + "]"; }, 20000))
        failed = "the show did not open";
    if (!failed) {
        editor.Click(300, 300);
        // The first press of a painting makes Save available.
        if (!WaitUntil([&] { return editor.ItemEnabled(IDM_SAVE); }, 10000))
            failed = "the click changed nothing";
    }
    if (failed) {
        fprintf(stderr, "kill-editor: %s (title \"%s\")\n", failed, editor.Title().c_str());
        return false;
    }
    PostMessageA(editor.main, WM_COMMAND, IDM_SAVE, 0);
    return true;
}

// The file is the old one, or the old points and what was painted since, whole.
bool OldOrWholeNew(const Bytes& now, const Bytes& before)
{
    if (now == before)
        return true;
    return now.size() > before.size() && (now.size() - sizeof(ShowHeader)) % sizeof(ShowPoint) == 0 &&
           std::equal(before.begin(), before.end(), now.begin());
}

void KillEditorWhileSaving(int runs, std::mt19937& random)
{
    std::string folder = FreshFolder("fault-kill-editor");
    std::string show = JoinPath(folder, "painting.sho");
    WriteSignedShow(show, 500000);
    Bytes before = ReadBytes(show);
    // One save that is let finish shows how long saving takes and that the
    // runs below do save: the file then holds the new point.
    DWORD saveMs = 120;
    {
        EditorDriver editor;
        bool saved = OpenChangeAndSave(editor, show);
        DWORD start = GetTickCount();
        // Only the size is watched: an open file would keep the new copy from
        // taking its name.
        saved = saved && WaitUntil([&] {
            WIN32_FILE_ATTRIBUTE_DATA data;
            return GetFileAttributesExA(show.c_str(), GetFileExInfoStandard, &data) &&
                   data.nFileSizeLow > before.size();
        }, 30000);
        saveMs = std::max<DWORD>(saveMs, GetTickCount() - start);
        saved = saved && OldOrWholeNew(ReadBytes(show), before);
        if (!saved) {
            Bytes now = ReadBytes(show);
            size_t same = std::mismatch(before.begin(), before.end(), now.begin(), now.end()).first - before.begin();
            fprintf(stderr, "kill-editor: the editor did not save the show when let alone (%u bytes before, %u now, "
                            "the same up to byte %u)\n",
                    static_cast<unsigned>(before.size()), static_cast<unsigned>(now.size()), static_cast<unsigned>(same));
            Report("kill-editor", runs, 0);
            return;
        }
    }
    int survived = 0;
    int midSave = 0;
    for (int run = 0; run < runs; run++) {
        WriteBytes(show, before);
        bool saving = false;
        {
            EditorDriver editor;
            saving = OpenChangeAndSave(editor, show);
            if (saving)
                Sleep(random() % saveMs);
            TerminateProcess(editor.process.Handle(), 9);
            editor.process.WaitForExit(10000);
        }
        if (!saving) {
            fprintf(stderr, "kill-editor: run %d never reached the save\n", run);
            continue;
        }
        for (const std::string& entry : FolderEntries(folder))
            if (entry.size() > 4 && entry.compare(entry.size() - 4, 4, ".tmp") == 0) {
                midSave++;
                DeleteFileA(JoinPath(folder, entry).c_str());
            }
        if (OldOrWholeNew(ReadBytes(show), before))
            survived++;
        else
            fprintf(stderr, "kill-editor: run %d left neither the old show nor a whole new one\n", run);
    }
    Report("kill-editor", runs, survived);
    printf("note: kill-editor: %d of the %d kills came while the new copy was being written (kills within %u ms "
           "of the Save command)\n",
           midSave, runs, static_cast<unsigned>(saveMs));
}

// The editor reports in a message box: its text is read and the box closed,
// and the painting, still unsaved, is let go.
ProcessResult SaveInEditor(const std::string& show)
{
    ProcessResult result;
    EditorDriver editor;
    if (!OpenChangeAndSave(editor, show))
        return result;
    result.output = editor.Answer("Save Error", IDOK);
    PostMessageA(editor.main, WM_CLOSE, 0, 0);
    editor.Answer("Psst?", IDNO);
    result.finished = editor.process.WaitForExit(10000);
    return result;
}

// A run of the editor with this command line ends without a crash: a show it
// plays is stopped with Escape, its window is closed, a prompt answered No.
bool EditorEndsWithoutCrash(const std::string& arguments)
{
    EditorDriver editor;
    editor.Start(arguments);
    for (int attempt = 0; attempt < 20 && editor.process.Running(); attempt++) {
        if (FindWindowA("Screen Saving", "Screen Saving"))
            PressKey(VK_ESCAPE, 100);
        else if (editor.main)
            PostMessageA(editor.main, WM_CLOSE, 0, 0);
        if (HWND prompt = FindWindowA(nullptr, "Psst?"))
            PostMessageA(GetDlgItem(prompt, IDNO), BM_CLICK, 0, 0);
        editor.process.WaitForExit(500);
    }
    return !editor.process.Running() && (editor.process.exitCode & 0xF0000000u) != 0xC0000000u;
}

void KillRuns(int runs)
{
    std::mt19937 random(GetTickCount());
    std::string folder = FreshFolder("fault-kill");
    std::string big = JoinPath(folder, "big.sho");
    WriteShow(big, ManyPoints(1000000, RGB(200, 0, 0)));
    Bytes old = ShowBytes(640, 480, 0, ManyPoints(10, RGB(0, 0, 255)));

    KillWhileSaving("kill-paceshift", Quote(BinPath("paceshift.exe")) + " " + Quote(big) + " -newtime 9",
                    JoinPath(folder, "big_new.sho"), old, runs, random);
    std::string joined = JoinPath(folder, "joined.sho");
    KillWhileSaving("kill-reeljoin", Quote(BinPath("reeljoin.exe")) + " " + Quote(big) + " " + Quote(big) + " " +
                                         Quote(joined),
                    joined, Bytes(), runs, random);
    std::string bitmap = JoinPath(folder, "character.bmp");
    WriteBytes(bitmap, BitmapBytes(300, 300, RGB(0, 200, 255)));
    std::string packed = JoinPath(folder, "packed.scr");
    KillWhileSaving("kill-tovarenpack", Quote(BinPath("tovarenpack.exe")) + " " + Quote(BinPath("tovarensaver.scr")) +
                                            " " + Quote(big) + " " + Quote(bitmap) + " " + Quote(packed),
                    packed, old, runs, random);
    KillEditorWhileSaving(runs / 4 + 1, random);
}

// ---- full disk

void EmptyFolder(const std::string& folder)
{
    for (const std::string& name : FolderEntries(folder)) {
        SetFileAttributesA(JoinPath(folder, name).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(JoinPath(folder, name).c_str());
    }
}

// Runs a tool whose output goes to the full disk: the previous file (or no
// file) must stay, the tool must say that it failed, and nothing is left.
void SaveOntoFullDisk(const char* name, const std::string& disk, const std::function<void()>& prepare,
                      const std::function<ProcessResult()> run, const std::string& output,
                      const char* failureText)
{
    EmptyFolder(disk);
    prepare();
    Bytes before = FileExists(output) ? ReadBytes(output) : Bytes();
    bool existed = FileExists(output);
    std::vector<std::string> entries = FolderEntries(disk);
    std::string filler = FillDisk(disk);
    ProcessResult result = run();
    DeleteFileA(filler.c_str());
    bool kept = existed ? ReadBytes(output) == before : !FileExists(output);
    bool told = result.output.find(failureText) != std::string::npos;
    bool clean = FolderEntries(disk) == entries;
    if (!kept || !told || !clean)
        fprintf(stderr, "%s: kept %d, reported %d, nothing left behind %d; it printed: %s\n", name, kept, told,
                clean, result.output.c_str());
    Report(name, 1, kept && told && clean ? 1 : 0);
}

// flagbench reports in a message box: its text is read and the box closed.
ProcessResult SaveInFlagbench(const std::string& show)
{
    ProcessResult result;
    PROCESS_INFORMATION process = {};
    if (!StartProgram(BinPath("flagbench.exe"), Quote(show), &process))
        return result;
    HWND dialog = nullptr;
    for (int i = 0; i < 300 && !(dialog = FindWindowA(nullptr, "flagbench")); i++)
        Sleep(50);
    if (dialog) {
        SetDlgItemTextA(dialog, 1006, "Signed on a full disk");
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        HWND box = nullptr;
        for (int i = 0; i < 200 && !(box = FindWindowA(nullptr, "Error")); i++)
            Sleep(50);
        if (box) {
            HWND text = FindWindowExA(box, nullptr, "Static", nullptr);
            while (text) {
                char buffer[512] = "";
                GetWindowTextA(text, buffer, sizeof(buffer));
                result.output += buffer;
                text = FindWindowExA(box, text, "Static", nullptr);
            }
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
    if (WaitForSingleObject(process.hProcess, 10000) == WAIT_TIMEOUT)
        TerminateProcess(process.hProcess, 9);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

void FullDiskRuns(const std::string& disk)
{
    std::string folder = FreshFolder("fault-fulldisk");
    std::string input = JoinPath(folder, "input.sho");
    WriteShow(input, ManyPoints(8000, RGB(0, 128, 0)));  // 128 KB of points
    Bytes small = ShowBytes(640, 480, 0, ManyPoints(5, RGB(0, 0, 255)));
    std::string onDisk = JoinPath(disk, "show.sho");
    std::string retimed = JoinPath(disk, "show_new.sho");

    SaveOntoFullDisk(
        "fulldisk-paceshift", disk,
        [&] {
            WriteShow(onDisk, ManyPoints(8000, RGB(0, 128, 0)));
            WriteBytes(retimed, small);
        },
        [&] { return RunProgram(Quote(BinPath("paceshift.exe")) + " " + Quote(onDisk) + " -newtime 5"); }, retimed,
        "No space left on device");
    std::string joined = JoinPath(disk, "joined.sho");
    SaveOntoFullDisk(
        "fulldisk-reeljoin", disk, [] {},
        [&] {
            return RunProgram(Quote(BinPath("reeljoin.exe")) + " " + Quote(input) + " " + Quote(input) + " " +
                              Quote(joined));
        },
        joined, "Failed to save your file");
    SaveOntoFullDisk(
        "fulldisk-flagbench", disk, [&] { WriteShow(onDisk, ManyPoints(8000, RGB(0, 128, 0))); },
        [&] { return SaveInFlagbench(onDisk); }, onDisk, "No space left on device");
    std::string bitmap = JoinPath(folder, "character.bmp");
    WriteBytes(bitmap, BitmapBytes(100, 100, RGB(0, 200, 255)));
    std::string packed = JoinPath(disk, "packed.scr");
    SaveOntoFullDisk(
        "fulldisk-tovarenpack", disk, [&] { WriteBytes(packed, small); },
        [&] {
            return RunProgram(Quote(BinPath("tovarenpack.exe")) + " " + Quote(BinPath("tovarensaver.scr")) + " " +
                              Quote(input) + " " + Quote(bitmap) + " " + Quote(packed));
        },
        packed, "Cannot write file");
    for (const char* scanner : {"rasterwalk.exe", "rasterwalk2.exe"}) {
        std::string picture = JoinPath(disk, "stripes.bmp");
        std::string show = JoinPath(disk, "stripes.sho");
        SaveOntoFullDisk(
            (std::string("fulldisk-") + scanner).c_str(), disk,
            [&] {
                // Stripes of one pixel: a run, a point pair, a dot for every pixel.
                Bytes bytes = BitmapBytes(64, 64, RGB(255, 255, 255));
                for (size_t i = 54; i < bytes.size(); i++)
                    bytes[i] = ((i - 54) / 3) % 2 ? 0 : bytes[i];
                WriteBytes(picture, bytes);
                WriteBytes(show, small);
            },
            [&] { return RunProgram(Quote(BinPath(scanner)) + " " + Quote(picture) + " 1"); }, show,
            "No space left on device");
    }
    std::string painting = JoinPath(disk, "painting.sho");
    SaveOntoFullDisk(
        "fulldisk-editor", disk, [&] { WriteSignedShow(painting, 200); },
        [&] { return SaveInEditor(painting); }, painting, "No space left on device");
    EmptyFolder(disk);
}

// ---- a product key that cannot be written

// The product key exists, but its security lets everyone only read it.
bool MakeProductKeyUnwritable()
{
    DeleteProductKeys();
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kProductKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    bool set = ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;KR;;;WD)", SDDL_REVISION_1,
                                                                     &readOnly, nullptr) &&
               RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly) == ERROR_SUCCESS;
    LocalFree(readOnly);
    RegCloseKey(key);
    if (!set)
        return false;
    HKEY writable;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_SET_VALUE, &writable) == ERROR_SUCCESS) {
        RegCloseKey(writable);
        return false;
    }
    return true;
}

// Gives the key back to its owner's full use, so it can be removed.
void RestoreProductKey()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
        PSECURITY_DESCRIPTOR open = nullptr;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;OICI;KA;;;WD)", SDDL_REVISION_1, &open,
                                                                 nullptr))
            RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, open);
        LocalFree(open);
        RegCloseKey(key);
    }
    DeleteProductKeys();
}

// The red line the fault runs' shows paint across the screen at y = 300.
int RedLine()
{
    const RECT band = {0, 292, GetSystemMetrics(SM_CXSCREEN), 308};
    return CountScreenColour(band, RGB(255, 0, 0));
}

// True once the line has stopped growing for half a second.
bool LineStands()
{
    int last = -1;
    DWORD since = GetTickCount();
    return WaitUntil([&] {
        int now = RedLine();
        if (now != last) {
            last = now;
            since = GetTickCount();
        }
        return GetTickCount() - since > 500;
    }, 15000);
}

void RegistryRuns()
{
    if (!MakeProductKeyUnwritable()) {
        fprintf(stderr, "registry: the key could not be made unwritable here\n");
        Report("registry-unwritable", 1, 0);
        return;
    }
    int survived = 0;
    // The settings dialog: OK writes nothing, says nothing, ends normally.
    SaverProcess settings;
    settings.Start("/c");
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = FindTopWindow("Tovaren Settings")) != nullptr; }, 15000);
    if (dialog) {
        SendMessageA(GetDlgItem(dialog, 1029), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("12"));
        PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    }
    if (dialog && settings.WaitForExit(10000) && settings.exitCode == 0)
        survived++;
    else
        fprintf(stderr, "registry: the settings dialog did not end normally\n");

    // Full screen with a priority show in the default folder: playing it to
    // its end cannot mark it viewed, and the saver goes on and ends normally.
    std::string folder = DefaultShowFolder();
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string show = JoinPath(folder, "fault-priority.sho");
    WriteShow(show, LinePoints(10, 20, RGB(255, 0, 0)), HF_PRIORITY);
    {
        FakeDesktop desktop;
        SaverProcess saver;
        saver.Start("/s");
        // The write is tried when the show has played to its end: the line
        // is painted and then stands still.
        bool ended = WaitUntil([] { return RedLine() > 0; }, 15000) && LineStands();
        bool running = saver.Running();
        if (!ended)
            fprintf(stderr, "registry: the priority show was not seen to its end\n");
        running = running && ended;
        PressKey('A');
        if (running && saver.WaitForExit(10000) && saver.exitCode == 0)
            survived++;
        else
            fprintf(stderr, "registry: the full-screen saver did not run and end normally\n");
    }
    DeleteFileA(show.c_str());
    RestoreProductKey();
    Report("registry-unwritable", 2, survived);
}

// ---- a show folder on a drive that disappears

// drive is a Wine drive letter ("V:") mapped to the folder that unixFolder
// names through Z:; removing that folder takes the drive away.
void VanishingDriveRuns(const std::string& drive, const std::string& unixFolder)
{
    ScopedCleanProductKey clean;
    std::string shows = drive + "\\shows";
    CreateDirectoryA(shows.c_str(), nullptr);
    for (int i = 0; i < 3; i++)
        WriteShow(JoinPath(shows, "show" + std::to_string(i) + ".sho"), LinePoints(30, 20, RGB(255, 0, 0)));
    SetProductValue("TSD", shows.c_str());
    SetProductValue("TPS", "1");
    SetProductValue("TSSS", "m");
    SetProductValue("TSSM", "90");
    int survived = 0;
    {
        FakeDesktop desktop;
        SaverProcess saver;
        saver.Start("/s");
        // The drive goes while a show from it plays.
        if (!WaitUntil([] { return RedLine() > 0; }, 15000))
            fprintf(stderr, "vanish: no show played before the drive went\n");
        for (const std::string& name : FolderEntries(unixFolder + "\\shows"))
            DeleteFileA(JoinPath(unixFolder + "\\shows", name).c_str());
        RemoveDirectoryA((unixFolder + "\\shows").c_str());
        RemoveDirectoryA(unixFolder.c_str());
        HWND box = nullptr;
        WaitUntil([&] { return (box = FindTopWindow("Tovaren Error")) != nullptr; }, 20000);
        std::string text = box ? MessageBoxText(box) : "";
        if (box)
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        if (text.find("Invalid Tovaren file: [" + shows) == 0 && saver.WaitForExit(10000) && saver.exitCode == 0)
            survived++;
        else
            fprintf(stderr, "vanish: the saver said \"%s\" (running %d)\n", text.c_str(), saver.Running());
    }
    {
        // Started again with the drive gone: it falls back or ends quietly.
        FakeDesktop desktop;
        SaverProcess saver;
        saver.Start("/s");
        PumpFor(3000);
        PressKey('A');
        if (saver.WaitForExit(10000) && saver.exitCode == 0)
            survived++;
        else
            fprintf(stderr, "vanish: the saver did not end normally without its drive\n");
    }
    Report("vanishing-drive", 2, survived);
}

// ---- bad command lines and bad files

// An unhandled exception ends a process with its exception code; -1 is an
// ordinary exit status.
bool Crashed(DWORD code)
{
    return (code & 0xF0000000u) == 0xC0000000u;
}

// A program's run ended by itself (or after its dialog or message was
// closed), without a crash. Windowed programs get their windows closed.
bool EndsWithoutCrash(const std::string& program, const std::string& arguments, std::string* output = nullptr)
{
    ProcessResult result = RunProgram("\"" + BinPath(program.c_str()) + "\" " + arguments, 30000);
    if (output)
        *output = result.output;
    return result.finished && !Crashed(result.exitCode);
}

// Windowed programs (flagbench, the saver) wait for their user: the run is
// watched, each window it opens is closed, and the end is awaited.
bool WindowedEndsWithoutCrash(const std::string& program, const std::string& arguments)
{
    PROCESS_INFORMATION process = {};
    if (!StartProgram(BinPath(program.c_str()), arguments, &process))
        return false;
    DWORD end = GetTickCount() + 30000;
    while (WaitForSingleObject(process.hProcess, 300) == WAIT_TIMEOUT && GetTickCount() < end) {
        for (const char* title : {"Error", "flagbench", "Tovaren Settings", "Tovaren Error", "Tovaren"}) {
            HWND window = FindWindowA(nullptr, title);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (window && owner == process.dwProcessId)
                PostMessageA(window, WM_COMMAND, IDCANCEL, 0), PostMessageA(window, WM_CLOSE, 0, 0);
        }
        PressKey('A', 20);  // ends a full-screen saver
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    if (code == STILL_ACTIVE)
        TerminateProcess(process.hProcess, 9);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code != STILL_ACTIVE && !Crashed(code);
}

void BadInputRuns()
{
    std::string folder = FreshFolder("fault-badinput");
    std::string show = JoinPath(folder, "good.sho");
    WriteShow(show, LinePoints(20, 10, RGB(255, 0, 0)));
    std::string bitmap = JoinPath(folder, "good.bmp");
    WriteBytes(bitmap, BitmapBytes(20, 20, RGB(0, 0, 255)));
    std::string at260 = JoinPath(folder, std::string(260 - folder.size() - 5, 'n') + ".sho");
    const std::string lines[] = {
        "",
        "\"" + folder + "\\" + std::string(300, 'a') + ".sho\"",
        std::string(1100, 'x') + ".sho",
        "\"" + at260 + "\" " + std::string(40, 'y'),
        "\"" + folder + "\\\xE9t\xE9 \xFC\xDF.sho\"",
        "\"" + show,
        show + "\"",
        "\"\"",
        "\" \" \"",
        "\"" + show + "\" \"" + bitmap + "\" \"" + folder + "\\out.sho\" -offset",
        "\"" + bitmap + "\" 65001",
        "\"" + bitmap + "\" -5",
    };
    int runs = 0, survived = 0;
    for (const char* tool : {"paceshift.exe", "reeljoin.exe", "rasterwalk.exe", "rasterwalk2.exe", "tovarenpack.exe"})
        for (const std::string& line : lines) {
            runs++;
            std::string output;
            if (EndsWithoutCrash(tool, line, &output) && (line.empty() || !output.empty()))
                survived++;
            else
                fprintf(stderr, "badinput: %s %.60s... crashed, hung or said nothing\n", tool, line.c_str());
        }
    for (const std::string& line : lines) {
        runs += 4;
        survived += EditorEndsWithoutCrash(line);
        survived += WindowedEndsWithoutCrash("flagbench.exe", line);
        survived += WindowedEndsWithoutCrash("tovarensaver.scr", line);
        survived += WindowedEndsWithoutCrash("tovarensaver.scr", line.empty() ? "/p" : "/p " + line);
    }
    Report("bad-command-lines", runs, survived);

    // Show files cut at every length below a whole header, of wrong versions,
    // with coordinates 65535 and pen size 0.
    Bytes whole = ShowBytes(1024, 768, HF_PRIORITY, LinePoints(3, 10, RGB(0, 0, 0)));
    std::vector<Bytes> files;
    for (size_t size = 0; size < 176; size++)
        files.push_back(Bytes(whole.begin(), whole.begin() + size));
    for (int16_t version : {int16_t(0), int16_t(3), int16_t(-1), int16_t(0x7FFF)}) {
        Bytes odd = whole;
        odd[2] = static_cast<unsigned char>(version);
        odd[3] = static_cast<unsigned char>(version >> 8);
        files.push_back(odd);
    }
    files.push_back(ShowBytes(1024, 768, 0, {{65535, 65535, 5, RGB(1, 2, 3), 0, 1}, {0, 65535, 0, 0, 0, 3}}));
    runs = survived = 0;
    std::string input = JoinPath(folder, "cut.sho");
    for (const Bytes& file : files) {
        WriteBytes(input, file);
        runs += 3;
        survived += EndsWithoutCrash("paceshift.exe", "\"" + input + "\" -newtime 3");
        DeleteFileA(JoinPath(folder, "joined.sho").c_str());
        survived += EndsWithoutCrash("reeljoin.exe", "\"" + input + "\" \"" + show + "\" \"" +
                                                         JoinPath(folder, "joined.sho") + "\"");
        survived += EndsWithoutCrash("tovarenpack.exe", "\"" + BinPath("tovarensaver.scr") + "\" \"" + input +
                                                            "\" \"" + bitmap + "\" \"" + JoinPath(folder, "p.scr") + "\"");
        if (ReadBytes(input) != file)
            survived--, fprintf(stderr, "badinput: a tool changed its input\n");
    }
    for (size_t i = 0; i < files.size(); i += 7) {  // windowed programs are slow to start and close
        WriteBytes(input, files[i]);
        runs += 2;
        survived += WindowedEndsWithoutCrash("flagbench.exe", "\"" + input + "\"");
        survived += EditorEndsWithoutCrash("\"" + input + "\"");
    }
    Report("bad-show-files", runs, survived);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "kill" && argc > 2)
        KillRuns(atoi(argv[2]));
    else if (mode == "fulldisk" && argc > 2)
        FullDiskRuns(argv[2]);
    else if (mode == "registry")
        RegistryRuns();
    else if (mode == "badinput")
        BadInputRuns();
    else if (mode == "vanish" && argc > 3)
        VanishingDriveRuns(argv[2], argv[3]);
    else {
        fprintf(stderr, "usage: fault_runs kill <runs> | fulldisk <folder> | registry\n");
        return 2;
    }
    return g_failures ? 1 : 0;
}
