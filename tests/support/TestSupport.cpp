#include "TestSupport.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>
#include <fstream>
#include <iterator>

const char kProductKey[] = "Software\\Vorlund\\Tovaren\\" TOVAREN_VERSION;

std::string WinePath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string BinPath(const char* program)
{
    return JoinPath(WinePath(TOVAREN_BIN_DIR), program);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '\\')
        return folder + name;
    return folder + "\\" + name;
}

static void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(JoinPath(folder, "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = JoinPath(folder, name);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string FreshFolder(const std::string& name)
{
    std::string folder = JoinPath(WinePath(TOVAREN_TEST_DIR), name);
    RemoveTree(folder);
    SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    return folder;
}

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return static_cast<bool>(out);
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Fills to the last byte what is left of the disk of folder with one file; returns its path.
// Smaller and smaller writes take the space a block no longer fits in.
std::string FillDisk(const std::string& folder)
{
    std::string filler = JoinPath(folder, "filler.bin");
    HANDLE file = CreateFileA(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    std::vector<char> block(4096, 0x33);
    DWORD written = 1;
    for (size_t size = block.size(); size >= 1; size /= 2) {
        while (WriteFile(file, block.data(), static_cast<DWORD>(size), &written, nullptr) && written == size) {
        }
    }
    CloseHandle(file);
    return filler;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(JoinPath(folder, "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = data.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

std::string DefaultShowFolder()
{
    char folder[MAX_PATH];
    SHGetFolderPathA(nullptr, CSIDL_COMMON_DOCUMENTS, nullptr, SHGFP_TYPE_CURRENT, folder);
    return JoinPath(folder, "Tovaren");
}

std::string Crlf(const std::string& text)
{
    std::string converted;
    for (char c : text) {
        if (c == '\n')
            converted += '\r';
        converted += c;
    }
    return converted;
}

ProcessResult RunProgram(const std::string& commandLine, DWORD timeoutMs, const char* workingFolder)
{
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    result.started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                    workingFolder, &startup, &process) != 0;
    CloseHandle(writeEnd);
    if (!result.started) {
        CloseHandle(readEnd);
        return result;
    }
    // Read what arrives until the program has ended and its output is drained;
    // a program that hangs is ended when the time is up, so the test fails
    // instead of waiting for ever on the pipe.
    char buffer[4096];
    DWORD start = GetTickCount();
    for (;;) {
        DWORD waiting = 0;
        if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr))
            break;  // the program and everything it started have closed the pipe
        DWORD got = 0;
        if (waiting > 0 && ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
            result.output.append(buffer, got);
            continue;
        }
        if (GetTickCount() - start > timeoutMs) {
            result.output += "\n[the program did not end within the time: " + commandLine + "]\n";
            TerminateProcess(process.hProcess, 1);
            break;
        }
        Sleep(5);
    }
    CloseHandle(readEnd);
    result.finished = WaitForSingleObject(process.hProcess, 5000) == WAIT_OBJECT_0 &&
                      result.output.find("[the program did not end within the time") == std::string::npos;
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return result;
}

static void PutLE(std::vector<unsigned char>& bytes, uint32_t value, int size)
{
    for (int i = 0; i < size; i++)
        bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

std::vector<unsigned char> ShowBytes(uint16_t width, uint16_t height, uint16_t flags,
                                     const std::vector<TestPoint>& points, int16_t version)
{
    std::vector<unsigned char> bytes;
    PutLE(bytes, 0xFFFF, 2);
    PutLE(bytes, static_cast<uint16_t>(version), 2);
    PutLE(bytes, width, 2);
    PutLE(bytes, height, 2);
    PutLE(bytes, flags, 2);
    if (version == 2)
        bytes.resize(bytes.size() + 2 + 160 + 4, 0);
    for (const TestPoint& p : points) {
        PutLE(bytes, p.x, 2);
        PutLE(bytes, p.y, 2);
        PutLE(bytes, p.delay, 2);
        PutLE(bytes, 0, 2);
        PutLE(bytes, p.colour, 4);
        bytes.push_back(p.penSize);
        bytes.push_back(p.flags);
        PutLE(bytes, 0, 2);
    }
    return bytes;
}

bool WriteShow(const std::string& path, const std::vector<TestPoint>& points, uint16_t flags,
               uint16_t width, uint16_t height)
{
    return WriteBytes(path, ShowBytes(width, height, flags, points));
}

std::vector<TestPoint> LinePoints(int count, uint16_t delay, uint32_t colour, uint16_t y)
{
    std::vector<TestPoint> points;
    for (int i = 0; i < count; ++i) {
        uint16_t x = static_cast<uint16_t>(100 + (i * 800) / (count > 1 ? count - 1 : 1));
        points.push_back({x, y, delay, colour, 12, static_cast<uint8_t>(i ? PF_PEN_DOWN : 0)});
    }
    return points;
}

std::vector<unsigned char> BitmapBytes(int width, int height, COLORREF fill)
{
    int rowBytes = (width * 3 + 3) & ~3;
    int imageSize = rowBytes * height;
    std::vector<unsigned char> bytes(54 + imageSize, 0);
    auto put32 = [&](int offset, uint32_t value) { memcpy(&bytes[offset], &value, 4); };
    auto put16 = [&](int offset, uint16_t value) { memcpy(&bytes[offset], &value, 2); };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    put16(26, 1);
    put16(28, 24);
    put32(34, imageSize);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool border = x < 2 || y < 2 || x >= width - 2 || y >= height - 2;
            COLORREF c = border ? RGB(255, 0, 255) : fill;
            unsigned char* p = &bytes[54 + y * rowBytes + x * 3];
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    }
    return bytes;
}

void DeleteProductKeys()
{
    SHDeleteKeyA(HKEY_CURRENT_USER, kProductKey);
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
}

ScopedCleanProductKey::ScopedCleanProductKey()
{
    DeleteProductKeys();
}

ScopedCleanProductKey::~ScopedCleanProductKey()
{
    DeleteProductKeys();
}

void SetProductValue(const char* name, const char* text, HKEY root)
{
    HKEY key;
    if (RegCreateKeyExA(root, kProductKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(strlen(text)));
    RegCloseKey(key);
}

std::string GetProductValue(const char* name, HKEY root)
{
    char data[1100] = "";
    DWORD size = sizeof(data) - 1;
    HKEY key;
    if (RegOpenKeyExA(root, kProductKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return "<missing>";
    data[size] = '\0';
    return data;
}

bool StartProgram(const std::string& program, const std::string& arguments,
                  PROCESS_INFORMATION* process)
{
    std::string line = "\"" + program + "\"";
    if (!arguments.empty())
        line += " " + arguments;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, process) != 0;
}

AddressHoard::AddressHoard()
{
    for (SIZE_T size = 1u << 30; size >= 65536; size /= 2)
        while (void* block = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
            blocks_.push_back(block);
}

void AddressHoard::Release()
{
    for (void* block : blocks_)
        VirtualFree(block, 0, MEM_RELEASE);
    blocks_.clear();
}

UnansweringWindow::UnansweringWindow()
    : shown_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      release_(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    WaitForSingleObject(shown_, 10000);
}

UnansweringWindow::~UnansweringWindow()
{
    SetEvent(release_);
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
    CloseHandle(shown_);
    CloseHandle(release_);
}

// Shows the window, then waits without reading messages until released.
DWORD WINAPI UnansweringWindow::Run(void* self)
{
    UnansweringWindow* owner = static_cast<UnansweringWindow*>(self);
    owner->window = CreateWindowExA(0, "STATIC", "not answering", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                    700, 620, 300, 140, nullptr, nullptr, nullptr, nullptr);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
    SetEvent(owner->shown_);
    WaitForSingleObject(owner->release_, INFINITE);
    DestroyWindow(owner->window);
    return 0;
}

std::vector<COLORREF> ReadPixels(HDC source, const RECT& area)
{
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP section = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, source, area.left, area.top, SRCCOPY);
    GdiFlush();
    // The section holds 0x00RRGGBB; a COLORREF is 0x00BBGGRR.
    std::vector<COLORREF> pixels(static_cast<size_t>(width) * height);
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    for (COLORREF& pixel : pixels) {
        pixel = RGB((*p >> 16) & 0xFF, (*p >> 8) & 0xFF, *p & 0xFF);
        ++p;
    }
    SelectObject(memory, old);
    DeleteObject(section);
    DeleteDC(memory);
    return pixels;
}
