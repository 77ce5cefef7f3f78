#include "StandaloneInfo.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <direct.h>
#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <new>

namespace {

const int kCopyBlock = 4096;
const int kPathSize = 260;
const char kLockName[] = "TovarenSA.lock";
const char* const kExtractedNames[] = {"TovarenSA.sho", "TovarenSA.bmp", kLockName};

bool TempBase(char* base)
{
    if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, base) !=
        S_OK)
        return false;
    PathAppendA(base, "Temp");
    return true;
}

char* NewPathBuffer()
{
    char* buffer = new (std::nothrow) char[kPathSize];
    if (buffer)
        buffer[0] = '\0';
    return buffer;
}

}  // namespace

StandaloneInfo::StandaloneInfo(const char* path)
    : programPath(nullptr), valid(false), showPath(nullptr), bitmapPath(nullptr), tempFolder(nullptr),
      lockFile(INVALID_HANDLE_VALUE)
{
    memset(&trailer, 0, sizeof(trailer));
    if (!path)
        return;
    RemoveStaleTempFolders();
    size_t length = strlen(path) + 1;
    programPath = new (std::nothrow) char[length];
    if (!programPath)
        return;
    memcpy(programPath, path, length);
    valid = ReadStandaloneTrailer();
}

StandaloneInfo::~StandaloneInfo()
{
    delete[] programPath;
    RemoveExtractedFiles();
}

void StandaloneInfo::RemoveExtractedFiles()
{
    if (showPath) {
        _unlink(showPath);
        delete[] showPath;
        showPath = nullptr;
    }
    if (bitmapPath) {
        _unlink(bitmapPath);
        delete[] bitmapPath;
        bitmapPath = nullptr;
    }
    if (lockFile != INVALID_HANDLE_VALUE) {
        CloseHandle(lockFile);
        lockFile = INVALID_HANDLE_VALUE;
    }
    if (tempFolder) {
        char lock[MAX_PATH];
        snprintf(lock, sizeof(lock), "%s\\%s", tempFolder, kLockName);
        _unlink(lock);
        _rmdir(tempFolder);
        delete[] tempFolder;
        tempFolder = nullptr;
    }
}

bool StandaloneInfo::ReadStandaloneTrailer()
{
    int file = _open(programPath, _O_RDONLY | _O_BINARY);
    if (file == -1)
        return false;
    // A file shorter than the trailer cannot carry one; seeking before its
    // start would read the wrong bytes.
    long size = _lseek(file, 0, SEEK_END);
    uint8_t last[kStandaloneTrailerSize];
    if (size < kStandaloneTrailerSize || _lseek(file, size - kStandaloneTrailerSize, SEEK_SET) == -1 ||
        _read(file, last, sizeof(last)) != kStandaloneTrailerSize ||
        !ReadTrailerFromEnd(last, sizeof(last), static_cast<uint64_t>(size), &trailer)) {
        memset(&trailer, 0, sizeof(trailer));
        _close(file);
        return false;
    }

    tempFolder = NewPathBuffer();
    if (!tempFolder || !MakeLockedTempFolder()) {
        delete[] tempFolder;
        tempFolder = nullptr;
        _close(file);
        return false;
    }
    // The embedded pieces must lie before the trailer; a range reaching past
    // it is cut to what is there.
    auto clampLength = [size](uint32_t offset, uint32_t length) -> uint32_t {
        return EmbeddedLength(offset, length, static_cast<uint64_t>(size));
    };
    showPath = NewPathBuffer();
    if (showPath) {
        strcpy(showPath, tempFolder);
        PathAppendA(showPath, "TovarenSA.sho");
        ExtractRange(file, trailer.showOffset, clampLength(trailer.showOffset, trailer.showLength),
                     showPath);
    }
    bitmapPath = NewPathBuffer();
    if (bitmapPath) {
        strcpy(bitmapPath, tempFolder);
        PathAppendA(bitmapPath, "TovarenSA.bmp");
        ExtractRange(file, trailer.bitmapOffset,
                     clampLength(trailer.bitmapOffset, trailer.bitmapLength), bitmapPath);
    }
    _close(file);
    return true;
}

void StandaloneInfo::RemoveStaleTempFolders()
{
    char base[MAX_PATH];
    if (!TempBase(base))
        return;
    char pattern[MAX_PATH + 8];
    snprintf(pattern, sizeof(pattern), "%s\\TVR*", base);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        char folder[MAX_PATH + 8];
        char file[MAX_PATH + 32];
        snprintf(folder, sizeof(folder), "%s\\%s", base, found.cFileName);
        snprintf(file, sizeof(file), "%s\\%s", folder, kLockName);
        if (GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES && !DeleteFileA(file))
            continue;  // its saver still runs
        for (const char* name : kExtractedNames) {
            snprintf(file, sizeof(file), "%s\\%s", folder, name);
            DeleteFileA(file);
        }
        RemoveDirectoryA(folder);  // only when nothing else is in it
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// The lock is held without sharing while the saver runs: a later saver that
// can delete it knows this folder's owner is gone. The system closes it, and
// deletes it, also when the saver is killed. Another saver's sweep may take
// the folder away in the moment before its lock exists; a new one is made then.
bool StandaloneInfo::MakeLockedTempFolder()
{
    for (int attempt = 0; attempt < 3; attempt++) {
        if (!MakeTempFolder(tempFolder))
            return false;
        char lock[MAX_PATH];
        snprintf(lock, sizeof(lock), "%s\\%s", tempFolder, kLockName);
        lockFile = CreateFileA(lock, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        // A folder that is still there but takes no lock is used unlocked.
        if (lockFile != INVALID_HANDLE_VALUE || GetFileAttributesA(tempFolder) != INVALID_FILE_ATTRIBUTES)
            return true;
    }
    return false;
}

bool StandaloneInfo::MakeTempFolder(char* output)
{
    char base[MAX_PATH];
    if (!TempBase(base))
        return false;
    _mkdir(base);
    // The runtime's _tempnam prefers the TMP folder over the one asked for and
    // leaves a gap between naming and creating; making the folder is the test
    // of uniqueness here, so two running copies never share one.
    DWORD process = GetCurrentProcessId();
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        char candidate[MAX_PATH + 32];
        int length = snprintf(candidate, sizeof(candidate), "%s\\TVR%lx%03x", base,
                              static_cast<unsigned long>(process), static_cast<unsigned>((GetTickCount() + attempt) & 0xFFF));
        if (length <= 0 || length >= kPathSize)
            return false;
        if (_mkdir(candidate) == 0) {
            memcpy(output, candidate, length + 1);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool StandaloneInfo::ExtractRange(int file, uint32_t offset, uint32_t length, const char* outputPath)
{
    char* buffer = new (std::nothrow) char[kCopyBlock];
    if (!buffer)
        return false;
    int output = _open(outputPath, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (output == -1) {
        delete[] buffer;
        return false;
    }
    bool ok = true;
    uint32_t written = 0;
    if (length > 0 && _lseek(file, static_cast<long>(offset), SEEK_SET) == -1)
        ok = false;
    while (ok && written < length) {
        int got = _read(file, buffer, kCopyBlock);
        if (got < 0) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        uint32_t wanted = length - written;
        int take = static_cast<uint32_t>(got) > wanted ? static_cast<int>(wanted) : got;
        if (_write(output, buffer, take) != take) {
            ok = false;
            break;
        }
        written += take;
    }
    delete[] buffer;
    _close(output);
    return ok;
}
