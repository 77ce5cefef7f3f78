// Helpers shared by the test programs: paths, files, processes, shows.
#pragma once

#include "ShowDocument.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

// Windows form of a path on the build machine (Wine maps / to Z:).
std::string WinePath(const std::string& unixPath);
// Full Windows path of a built program, e.g. BinPath("paceshift.exe").
std::string BinPath(const char* program);
// A fresh, empty folder of the given name below the build's test data folder.
std::string FreshFolder(const std::string& name);
std::string JoinPath(const std::string& folder, const std::string& name);

std::vector<unsigned char> ReadBytes(const std::string& path);
bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
bool FileExists(const std::string& path);
// Fills what is left of the disk of folder with one file; returns its path.
std::string FillDisk(const std::string& folder);
// Names in a folder, without "." and "..".
std::vector<std::string> FolderEntries(const std::string& folder);
// The common documents "Tovaren" folder the saver falls back to.
std::string DefaultShowFolder();
// Text as a console program prints it in text mode: every "\n" becomes "\r\n".
std::string Crlf(const std::string& text);

struct ProcessResult {
    bool started = false;
    bool finished = false;
    DWORD exitCode = 0;
    std::string output;  // standard output and standard error together
};
// Starts the command line as a user would and collects what it prints.
ProcessResult RunProgram(const std::string& commandLine, DWORD timeoutMs = 60000,
                         const char* workingFolder = nullptr);
// Starts "program" arguments as a user would, without waiting for it; the
// caller owns the handles in *process. False when it could not be started.
bool StartProgram(const std::string& program, const std::string& arguments,
                  PROCESS_INFORMATION* process);
// The exit status as the program returned it from main (-1 stays -1).
inline int ExitStatus(const ProcessResult& result) { return static_cast<int>(result.exitCode); }

// A show described point by point, written through the byte layout directly
// so that tests of ShowDocument do not depend on ShowDocument::Save.
struct TestPoint {
    uint16_t x, y, delay;
    uint32_t colour;
    uint8_t penSize, flags;
};
std::vector<unsigned char> ShowBytes(uint16_t width, uint16_t height, uint16_t flags,
                                     const std::vector<TestPoint>& points, int16_t version = 2);
bool WriteShow(const std::string& path, const std::vector<TestPoint>& points,
               uint16_t flags = 0, uint16_t width = 1024, uint16_t height = 768);
// A show of count points along a line, every delay ms, in one colour.
std::vector<TestPoint> LinePoints(int count, uint16_t delay, uint32_t colour, uint16_t y = 300);
// A 24-bit bitmap file filled with one colour inside a two-pixel magenta border,
// which the player takes as the transparent colour.
std::vector<unsigned char> BitmapBytes(int width, int height, COLORREF fill);

// The colours of a rectangle of what a DC shows (the screen, a surface), row
// by row from the top.
std::vector<COLORREF> ReadPixels(HDC source, const RECT& area);

// Every free piece of the address space reserved, so that no new block of
// memory can be had until Release.
class AddressHoard {
public:
    AddressHoard();
    ~AddressHoard() { Release(); }
    AddressHoard(const AddressHoard&) = delete;
    AddressHoard& operator=(const AddressHoard&) = delete;
    void Release();

private:
    std::vector<void*> blocks_;
};

// A visible window whose program has stopped reading its messages, as a hung
// program's window is, until the object goes.
class UnansweringWindow {
public:
    UnansweringWindow();
    ~UnansweringWindow();
    UnansweringWindow(const UnansweringWindow&) = delete;
    UnansweringWindow& operator=(const UnansweringWindow&) = delete;
    HWND window = nullptr;

private:
    static DWORD WINAPI Run(void* self);
    HANDLE shown_;
    HANDLE release_;
    HANDLE thread_ = nullptr;
};

// Removes the product's registry keys under HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE on construction and destruction, so each test starts clean.
class ScopedCleanProductKey {
public:
    ScopedCleanProductKey();
    ~ScopedCleanProductKey();
};
void DeleteProductKeys();

// The registry key name of the product for this version.
extern const char kProductKey[];  // "Software\\Vorlund\\Tovaren\\<version>"
// Writes one text value of the product key under HKEY_CURRENT_USER (or HKLM).
void SetProductValue(const char* name, const char* text, HKEY root = HKEY_CURRENT_USER);
std::string GetProductValue(const char* name, HKEY root = HKEY_CURRENT_USER);
