// Times ShowDocument::Load and Save of a 1,000,000-point (16 MB) show against one
// plain _read / _write of the same bytes, and against a 16-byte-per-call loop.
#include "BenchClock.h"
#include "ShowDocument.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const int kPoints = 1000000;
const int kRounds = 5;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string BenchFolder()
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof(exe));
    std::string folder = exe;
    folder = folder.substr(0, folder.find_last_of('\\') + 1) + "bench-showfile";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\";
}

std::vector<char> ReadWhole(const std::string& path)
{
    std::vector<char> bytes;
    int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
    if (fd == -1)
        return bytes;
    bytes.resize(_filelength(fd));
    int got = _read(fd, bytes.data(), static_cast<unsigned>(bytes.size()));
    bytes.resize(got > 0 ? got : 0);
    _close(fd);
    return bytes;
}

double TimeLoad(const std::string& path, int* points)
{
    ShowDocument* doc = new ShowDocument(nullptr, 1);
    double start = NowMs();
    int32_t total = doc->Load(path.c_str());
    double elapsed = NowMs() - start;
    *points = total < 0 ? -1 : doc->pointCount;
    doc->Clear();
    delete doc;
    return elapsed;
}

double TimeSave(ShowDocument& doc, const std::string& path, bool* ok)
{
    double start = NowMs();
    *ok = doc.Save(path.c_str(), SHOW_SAVE_REPLACE);
    return NowMs() - start;
}

double TimePlainRead(const std::string& path, std::vector<char>& buffer)
{
    double start = NowMs();
    int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
    _read(fd, buffer.data(), static_cast<unsigned>(buffer.size()));
    _close(fd);
    return NowMs() - start;
}

// The same durability as Save: the bytes are committed before the file is closed.
double TimePlainWrite(const std::string& path, const std::vector<char>& bytes)
{
    double start = NowMs();
    int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    _write(fd, bytes.data(), static_cast<unsigned>(bytes.size()));
    _commit(fd);
    _close(fd);
    return NowMs() - start;
}

double TimeSmallReads(const std::string& path)
{
    char record[16];
    double start = NowMs();
    int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
    while (_read(fd, record, sizeof(record)) == static_cast<int>(sizeof(record))) {
    }
    _close(fd);
    return NowMs() - start;
}

double TimeSmallWrites(const std::string& path, const std::vector<char>& bytes)
{
    double start = NowMs();
    int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    for (size_t offset = 0; offset + 16 <= bytes.size(); offset += 16)
        _write(fd, bytes.data() + offset, 16);
    _commit(fd);
    _close(fd);
    return NowMs() - start;
}

}  // namespace

int main()
{
    std::string folder = BenchFolder();
    std::string showPath = folder + "big.sho";
    std::string plainPath = folder + "plain.bin";

    ShowDocument* doc = new ShowDocument(nullptr, 1);
    for (int i = 0; i < kPoints; i++)
        doc->AddPoint(static_cast<uint16_t>(i % 1024), static_cast<uint16_t>(i % 768),
                      static_cast<uint16_t>(i % 40), 0x00102030u + i, 4, PF_PEN_DOWN);
    bool ok = false;
    TimeSave(*doc, showPath, &ok);  // the first save creates the file; the timed ones replace it
    if (!ok) {
        printf("Save failed: %s\n", doc->message);
        return 1;
    }
    std::vector<char> bytes = ReadWhole(showPath);
    std::vector<char> buffer(bytes.size());
    printf("show: %d points, %u bytes, %d rounds, medians in ms\n", kPoints,
           static_cast<unsigned>(bytes.size()), kRounds);

    std::vector<double> load, save, plainRead, plainWrite;
    for (int round = 0; round < kRounds; round++) {
        int points = 0;
        plainRead.push_back(TimePlainRead(showPath, buffer));
        load.push_back(TimeLoad(showPath, &points));
        plainWrite.push_back(TimePlainWrite(plainPath, bytes));
        save.push_back(TimeSave(*doc, showPath, &ok));
        if (points != kPoints || !ok) {
            printf("round %d failed: %d points loaded, save %s\n", round, points, ok ? "ok" : doc->message);
            return 1;
        }
    }
    double smallReads = TimeSmallReads(showPath);
    double smallWrites = TimeSmallWrites(plainPath, bytes);

    double loadMs = Median(load), readMs = Median(plainRead);
    double saveMs = Median(save), writeMs = Median(plainWrite);
    printf("first Load (fresh memory) %8.1f   first Save %8.1f\n", load[0], save[0]);
    printf("Load                      %8.1f   one _read  %8.1f   ratio %5.2fx (target within 5x)\n",
           loadMs, readMs, loadMs / readMs);
    printf("Save (replace, committed) %8.1f   one _write %8.1f   ratio %5.2fx (target within 5x)\n",
           saveMs, writeMs, saveMs / writeMs);
    printf("16-byte _read loop        %8.1f   = %5.1fx one _read\n", smallReads, smallReads / readMs);
    printf("16-byte _write loop       %8.1f   = %5.1fx one _write\n", smallWrites, smallWrites / writeMs);

    doc->Clear();
    delete doc;
    DeleteFileA(showPath.c_str());
    DeleteFileA(plainPath.c_str());
    RemoveDirectoryA(folder.c_str());
    return 0;
}
