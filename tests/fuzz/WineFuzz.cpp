// The fuzz driver for the readers that need Windows, run under Wine: many
// mutated inputs in one process, each written to a real file and handed to
// the product's own reader.
//
//   wine_fuzz.exe <reader> <inputs> <seed> <corpus folder> <dictionary> <work folder>
//   wine_fuzz.exe <reader> 0 - <input file> - <work folder>     replays one input
//
// reader: show (ShowDocument::Load, Save, IsUnviewedPriorityShow), trailer
// (StandaloneInfo), bitmap (the scanners' LoadPicture), shortcut
// (ResolveShortcut and loading its target). Prints "inputs N findings F";
// a crash prints the input's number and leaves it in the work folder as
// finding.bin, so "<seed>" and that number reproduce it.
#include "Mutator.h"

#include "BitmapFile.h"
#include "EntryNames.h"
#include "RasterCommon.h"
#include "SaverState.h"
#include "ShowDocument.h"
#include "StandaloneInfo.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string g_work;
Bytes g_current;
unsigned long g_inputNumber = 0;
unsigned long g_findings = 0;

std::string Path(const char* name)
{
    return g_work + "\\" + name;
}

bool WriteFileBytes(const std::string& path, const Bytes& data)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = data.empty() || fwrite(data.data(), 1, data.size(), file) == data.size();
    return fclose(file) == 0 && ok;
}

Bytes ReadFileBytes(const std::string& path)
{
    Bytes data;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return data;
    uint8_t block[4096];
    size_t got;
    while ((got = fread(block, 1, sizeof(block), file)) > 0)
        data.insert(data.end(), block, block + got);
    fclose(file);
    return data;
}

void Finding(const char* what)
{
    g_findings++;
    fprintf(stderr, "finding at input %lu: %s\n", g_inputNumber, what);
    WriteFileBytes(Path("finding.bin"), g_current);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info)
{
    char module[MAX_PATH] = "?";
    HMODULE where = nullptr;
    void* address = info->ExceptionRecord->ExceptionAddress;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<const char*>(address), &where))
        GetModuleFileNameA(where, module, sizeof(module));
    char text[MAX_PATH + 96];
    snprintf(text, sizeof(text), "crash 0x%08lX at %p in %s", info->ExceptionRecord->ExceptionCode, address,
             module);
    Finding(text);
    fprintf(stderr, "inputs %lu findings %lu\n", g_inputNumber, g_findings);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 2);
    return EXCEPTION_EXECUTE_HANDLER;
}

// ---- show files: load, save again, and the priority check

void TryShow(const Bytes& data)
{
    std::string path = Path("input.sho");
    WriteFileBytes(path, data);
    ShowDocumentPtr show = NewShowDocument(GetModuleHandleA(nullptr), PRIORITY_MARKING_SUPPRESSED);
    int32_t total = show->Load(path.c_str());
    size_t headerEnd = 4;
    if (data.size() >= 4)
        headerEnd += HeaderBytesAfterVersionWord(static_cast<int16_t>(data[2] | (data[3] << 8)));
    if ((total == -1) != (data.size() < headerEnd))
        Finding("Load refused a whole header or took a short one");
    if (total != -1 && static_cast<size_t>(show->pointCount) != (data.size() - headerEnd) / 16)
        Finding("Load lost or made up points");
    bool priority = data.size() >= 176 && data[2] == 2 && data[3] == 0 && (data[8] & HF_PRIORITY);
    if (IsUnviewedPriorityShow(GetModuleHandleA(nullptr), path.c_str()) != priority)
        Finding("IsUnviewedPriorityShow disagrees with the header");
    if (total == -1 || g_inputNumber % 16 != 0)
        return;
    std::string again = Path("again.sho");
    if (!show->Save(again.c_str(), SHOW_SAVE_REPLACE)) {
        Finding("Save failed");
        return;
    }
    ShowDocumentPtr reloaded = NewShowDocument(GetModuleHandleA(nullptr), PRIORITY_MARKING_SUPPRESSED);
    int32_t reloadedTotal = reloaded->Load(again.c_str());
    if (show->pointCount > 0 && (reloadedTotal != total || reloaded->pointCount != show->pointCount))
        Finding("a saved show reads back differently");
}

// ---- standalone savers: the trailer, extraction and clean-up

void TryTrailer(const Bytes& data)
{
    std::string path = Path("input.scr");
    WriteFileBytes(path, data);
    std::string folder;
    {
        StandaloneInfo info(path.c_str());
        if (!info.valid)
            return;
        folder = info.tempFolder;
        if (GetFileAttributesA(info.tempFolder) == INVALID_FILE_ATTRIBUTES)
            Finding("no temporary folder");
        uint32_t showLength = EmbeddedLength(info.trailer.showOffset, info.trailer.showLength, data.size());
        uint32_t bitmapLength = EmbeddedLength(info.trailer.bitmapOffset, info.trailer.bitmapLength, data.size());
        if (ReadFileBytes(info.showPath).size() != showLength ||
            ReadFileBytes(info.bitmapPath).size() != bitmapLength)
            Finding("an extracted piece has the wrong size");
    }
    if (GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES)
        Finding("the temporary folder stayed");
}

// ---- bitmaps, as the scanners load them

void TryBitmap(const Bytes& data)
{
    std::string path = Path("input.bmp");
    WriteFileBytes(path, data);
    if (LoadPicture(path.c_str())) {
        BitmapFacts facts;
        if (CheckBitmapFile(data.data(), data.size(), &facts) != nullptr)
            Finding("a refused bitmap was loaded");
        else if (g_raster.bitmapWidth != facts.width || g_raster.bitmapHeight != facts.height)
            Finding("the loaded picture has another size than its header");
    }
    ReleasePicture();
}

// ---- shortcuts: resolving the target and loading what it names

void TryShortcut(const Bytes& data)
{
    std::string path = Path("input.sho.lnk");
    WriteFileBytes(path, data);
    char target[MAX_PATH + 16];
    memset(target, 'X', sizeof(target));
    ResolveShortcut(path.c_str(), target);
    if (memchr(target, 0, MAX_PATH) == nullptr)
        Finding("the target path is not ended within MAX_PATH");
    if (!HasLinkExtension(path.c_str()))
        Finding("a .lnk path is not seen as a shortcut");
    if (target[0]) {
        ShowDocumentPtr show = NewShowDocument(GetModuleHandleA(nullptr), PRIORITY_MARKING_SUPPRESSED);
        show->Load(target);
    }
}

// Shortcut seeds are made by the system's own shell link object.
void MakeShortcutSeeds(std::vector<Bytes>& seeds)
{
    std::string show = Path("target.sho");
    WriteFileBytes(show, Bytes{0xFF, 0xFF, 0x07, 0x00});
    const std::string targets[] = {show, Path("missing.bmp"), std::string(200, 'a') + ".sho"};
    for (const std::string& target : targets) {
        IShellLinkA* link = nullptr;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    reinterpret_cast<void**>(&link))))
            continue;
        IPersistFile* file = nullptr;
        link->SetPath(target.c_str());
        link->SetDescription("Tovaren");
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            WCHAR wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, Path("seed.lnk").c_str(), -1, wide, MAX_PATH);
            if (SUCCEEDED(file->Save(wide, TRUE)))
                seeds.push_back(ReadFileBytes(Path("seed.lnk")));
            file->Release();
        }
        link->Release();
    }
}

std::vector<Bytes> ReadCorpus(const std::string& folder)
{
    std::vector<Bytes> seeds;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return seeds;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            seeds.push_back(ReadFileBytes(folder + "\\" + found.cFileName));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return seeds;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 7) {
        fprintf(stderr, "usage: wine_fuzz <show|trailer|bitmap|shortcut> <inputs> <seed> <corpus> <dictionary> <work>\n");
        return 1;
    }
    std::string reader = argv[1];
    unsigned long inputs = strtoul(argv[2], nullptr, 10);
    Mutator mutator(strtoull(argv[3], nullptr, 10));
    g_work = argv[6];
    CreateDirectoryA(g_work.c_str(), nullptr);
    SetUnhandledExceptionFilter(OnCrash);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    // The scanners' messages for refused files would flood the output.
    freopen("NUL", "w", stdout);
    CoInitialize(nullptr);

    void (*tryOne)(const Bytes&) = nullptr;
    size_t maxSize = 4096;
    if (reader == "show") {
        tryOne = TryShow;
    } else if (reader == "trailer") {
        tryOne = TryTrailer;
    } else if (reader == "bitmap") {
        tryOne = TryBitmap;
        maxSize = 16384;
    } else if (reader == "shortcut") {
        tryOne = TryShortcut;
    } else {
        fprintf(stderr, "unknown reader: %s\n", reader.c_str());
        return 1;
    }
    if (inputs == 0) {  // "0": replays the one file named as the corpus
        g_current = ReadFileBytes(argv[4]);
        tryOne(g_current);
        fprintf(stderr, "replayed, findings %lu\n", g_findings);
        return g_findings ? 2 : 0;
    }
    std::vector<Bytes> seeds = ReadCorpus(argv[4]);
    if (reader == "shortcut")
        MakeShortcutSeeds(seeds);
    if (seeds.empty())
        seeds.push_back(Bytes());
    mutator.LoadDictionary(argv[5]);

    for (const Bytes& seed : seeds) {
        g_current = seed;
        tryOne(seed);
        ++g_inputNumber;
    }
    while (g_inputNumber < inputs) {
        const Bytes& seed = seeds[mutator.Below(static_cast<uint32_t>(seeds.size()))];
        g_current = mutator.Mutate(seed, seeds, maxSize);
        tryOne(g_current);
        ++g_inputNumber;
    }
    fprintf(stderr, "inputs %lu findings %lu\n", g_inputNumber, g_findings);
    CoUninitialize();
    return g_findings ? 2 : 0;
}
