// Figures of the real screen saver under Wine, each with a baseline taken in
// the same run:
//   key press to exit, and to the desktop repainted  vs  closing the settings dialog
//   start to first frame with 100 shows listed        vs  with 1 show
//   CPU while waiting between shows / for a slow point vs  while drawing a show
#include "BenchClock.h"
#include "SaverProcess.h"
#include "SaverTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kCharacter = RGB(0, 200, 255);
const RECT kStrokeBand = {0, 292, 1024, 308};
const RECT kScreen = {0, 0, 1024, 768};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void ConfigureFolders(const std::string& shows, const std::string& characters)
{
    DeleteProductKeys();
    SetPlainSettings(shows, characters);
}

std::string CharacterFolder()
{
    std::string folder = FreshFolder("bench_chars");
    WriteBytes(JoinPath(folder, "c.bmp"), BitmapBytes(60, 60, kCharacter));
    return folder;
}

// Key press to exit and to a repainted desktop, against closing the dialog.
void MeasureExit()
{
    std::string shows = FreshFolder("bench_exit");
    WriteShow(JoinPath(shows, "slow.sho"), LinePoints(300, 40, kRed));
    ConfigureFolders(shows, CharacterFolder());
    FakeDesktop desktop;
    std::vector<double> exits, repaints, baselines;
    for (int run = 0; run < 7; ++run) {
        SaverProcess saver;
        saver.Start("/s");
        if (!WaitUntil([] { return CountScreenColour(kStrokeBand, kRed) > 200; }, 15000)) {
            printf("run %d: no strokes seen\n", run);
            continue;
        }
        double start = NowMs();
        SendKeyEvent('A', false);
        while (saver.Running() && NowMs() - start < 5000)
            PumpFor(1);
        double exited = NowMs();
        SendKeyEvent('A', true);
        WaitUntil([] { return CountScreenColour(kStrokeBand, kRed) == 0; }, 3000, 2);
        double repainted = NowMs();
        exits.push_back(exited - start);
        repaints.push_back(repainted - start);

        SaverProcess dialogRun;
        dialogRun.Start("/c");
        HWND dialog = nullptr;
        WaitUntil([&] { return (dialog = FindWindowA(nullptr, "Tovaren Settings")) != nullptr; }, 15000);
        PumpFor(200);
        double closeStart = NowMs();
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        while (dialogRun.Running() && NowMs() - closeStart < 5000)
            Sleep(1);
        baselines.push_back(NowMs() - closeStart);
    }
    double exit = Median(exits), repaint = Median(repaints), baseline = Median(baselines);
    printf("key press to saver exit:        median %7.1f ms (%zu runs)\n", exit, exits.size());
    printf("key press to desktop repainted: median %7.1f ms  (target < 150 ms)\n", repaint);
    printf("baseline, dialog Cancel to exit: median %6.1f ms; exit ratio %.2f\n", baseline,
           baseline > 0 ? exit / baseline : 0);
}

// Start of the process to the first frame (the character on screen).
double StartToFirstFrame(const std::string& shows, int runs)
{
    ConfigureFolders(shows, CharacterFolder());
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        double start = NowMs();
        SaverProcess saver;
        saver.Start("/s");
        if (WaitUntil([] { return CountScreenColour(kScreen, kCharacter, 10) > 1000; }, 15000, 2))
            times.push_back(NowMs() - start);
        PressKey('A', 150);
        saver.WaitForExit(5000);
        PumpFor(200);
    }
    return Median(times);
}

void MeasureStartUp()
{
    FakeDesktop desktop;
    std::string one = FreshFolder("bench_one");
    WriteShow(JoinPath(one, "s0.sho"), LinePoints(50, 40, kRed));
    std::string hundred = FreshFolder("bench_hundred");
    for (int i = 0; i < 100; ++i)
        WriteShow(JoinPath(hundred, "s" + std::to_string(i) + ".sho"), LinePoints(50, 40, kRed),
                  i % 10 == 0 ? HF_PRIORITY : 0);
    double base = StartToFirstFrame(one, 5);
    double many = StartToFirstFrame(hundred, 5);
    printf("start to first frame, 1 show:    median %7.1f ms\n", base);
    printf("start to first frame, 100 shows: median %7.1f ms  (target < 1000 ms); ratio %.2f\n", many,
           base > 0 ? many / base : 0);
}

// Wine's GetProcessTimes does not see other processes' time, so the figure
// comes from Linux: /proc/<pid>/stat of the process whose command line is
// the saver's, reached through Wine's Z: drive.
std::string ReadSmallFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    char buffer[4096];
    DWORD got = 0;
    ReadFile(file, buffer, sizeof(buffer) - 1, &got, nullptr);
    CloseHandle(file);
    return std::string(buffer, got);
}

std::string FindLinuxProcess(const std::string& commandLinePart)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &found);
    std::string result;
    if (find == INVALID_HANDLE_VALUE)
        return result;
    do {
        if (!isdigit(static_cast<unsigned char>(found.cFileName[0])))
            continue;
        std::string folder = std::string("Z:\\proc\\") + found.cFileName;
        std::string command = ReadSmallFile(folder + "\\cmdline");
        for (char& c : command)
            if (c == '\0')
                c = ' ';
        if (command.find(commandLinePart) != std::string::npos)
            result = folder;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return result;
}

// utime + stime in clock ticks (100 a second).
double CpuTicks(const std::string& procFolder)
{
    std::string stat = ReadSmallFile(procFolder + "\\stat");
    size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::vector<std::string> fields;
    std::string field;
    for (size_t i = close + 2; i < stat.size(); ++i) {
        if (stat[i] == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += stat[i];
        }
    }
    // Fields after the name start at the state (field 3): utime is 14, stime 15.
    if (fields.size() < 13)
        return 0;
    return atof(fields[11].c_str()) + atof(fields[12].c_str());
}

double CpuPercent(const std::string& procFolder, DWORD windowMs)
{
    double before = CpuTicks(procFolder);
    double start = NowMs();
    PumpFor(windowMs);
    double elapsed = NowMs() - start;
    double after = CpuTicks(procFolder);
    return 100.0 * (after - before) * 10.0 / elapsed;
}

double CpuWhile(const std::vector<TestPoint>& points, DWORD settleMs)
{
    std::string shows = FreshFolder("bench_cpu");
    WriteShow(JoinPath(shows, "cpu.sho"), points);
    ConfigureFolders(shows, CharacterFolder());
    SaverProcess saver;
    saver.Start("/s");
    WaitUntil([] { return CountScreenColour(kScreen, kCharacter, 10) > 1000; }, 15000);
    PumpFor(settleMs);
    std::string proc = FindLinuxProcess(BinPath("tovarensaver.scr") + " /s");
    if (proc.empty())
        printf("the saver's Linux process was not found\n");
    double percent = proc.empty() ? -1 : CpuPercent(proc, 5000);
    PressKey('A', 150);
    saver.WaitForExit(5000);
    PumpFor(200);
    return percent;
}

void MeasureCpu()
{
    FakeDesktop desktop;
    // Two points: the show ends at once and the 30 s pause begins.
    double pausing = CpuWhile(LinePoints(2, 10, kRed), 1500);
    // The second point is due a minute later: the player waits inside a show.
    std::vector<TestPoint> slow = LinePoints(2, 60000, kRed);
    slow[0].delay = 0;
    double slowPoint = CpuWhile(slow, 1500);
    // Baseline: a show that keeps drawing for the whole window.
    double drawing = CpuWhile(LinePoints(2000, 5, kRed), 500);
    printf("CPU while waiting between shows: %5.1f %% of a core  (target < 5 %%)\n", pausing);
    printf("CPU while a slow show waits:     %5.1f %% of a core  (target < 5 %%)\n", slowPoint);
    printf("baseline, CPU while drawing:     %5.1f %% of a core; ratios %.2f and %.2f\n", drawing,
           drawing > 0 ? pausing / drawing : 0, drawing > 0 ? slowPoint / drawing : 0);
}

}  // namespace

int main()
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    MeasureExit();
    MeasureStartUp();
    MeasureCpu();
    DeleteProductKeys();
    return 0;
}
