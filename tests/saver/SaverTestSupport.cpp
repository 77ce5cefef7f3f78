#include "SaverTestSupport.h"

#include "StandaloneInfo.h"

#include <objbase.h>
#include <shlobj.h>

#include <string.h>

bool MakeShortcut(const std::string& linkPath, const std::string& target)
{
    HRESULT com = CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link)))) {
        if (SUCCEEDED(com))
            CoUninitialize();
        return false;
    }
    link->SetPath(target.c_str());
    IPersistFile* file = nullptr;
    bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    if (ok) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
        ok = SUCCEEDED(file->Save(wide, TRUE));
        file->Release();
    }
    link->Release();
    if (SUCCEEDED(com))
        CoUninitialize();
    return ok;
}

std::string StandaloneTempBase()
{
    char folder[MAX_PATH];
    SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder);
    return JoinPath(folder, "Temp");
}

std::vector<std::string> StandaloneTempFolders()
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(JoinPath(StandaloneTempBase(), "TVR*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

std::vector<unsigned char> StandaloneBytes(const std::vector<unsigned char>& program,
                                           const std::vector<unsigned char>& show,
                                           const std::vector<unsigned char>& bitmap, char mode,
                                           int8_t speed, int32_t pause)
{
    std::vector<unsigned char> bytes = program;
    StandaloneTrailer trailer;
    memset(&trailer, 0, sizeof(trailer));
    trailer.showOffset = static_cast<uint32_t>(bytes.size());
    trailer.showLength = static_cast<uint32_t>(show.size());
    bytes.insert(bytes.end(), show.begin(), show.end());
    trailer.bitmapOffset = static_cast<uint32_t>(bytes.size());
    trailer.bitmapLength = static_cast<uint32_t>(bitmap.size());
    bytes.insert(bytes.end(), bitmap.begin(), bitmap.end());
    trailer.speedMode = mode;
    trailer.speedValue = speed;
    trailer.pauseSeconds = pause;
    memcpy(trailer.marker, kStandaloneMarker, kStandaloneMarkerSize);
    const unsigned char* raw = reinterpret_cast<const unsigned char*>(&trailer);
    bytes.insert(bytes.end(), raw, raw + sizeof(trailer));
    return bytes;
}

void SetPlainSettings(const std::string& shows, const std::string& characters)
{
    SetProductValue("TSD", shows.c_str());
    SetProductValue("TCD", characters.c_str());
    SetProductValue("TIC", "0");
    SetProductValue("TSSS", "m");
    SetProductValue("TSSM", "1");
    SetProductValue("TPS", "30");
}

std::vector<TestPoint> FloodShow(COLORREF colour)
{
    std::vector<TestPoint> points;
    points.push_back({100, 100, 0, colour, 1, 0});
    points.push_back({512, 384, 100, colour, 1, PF_FILL});
    for (int i = 0; i < 300; ++i)
        points.push_back({static_cast<uint16_t>(100 + i * 2), 200, 100, colour, 1, 0});
    return points;
}
