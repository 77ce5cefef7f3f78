#include "SaverTestSupport.h"

#include "StandaloneInfo.h"

#include <objbase.h>
#include <shlobj.h>

#include <string.h>

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

std::string DefaultShowFolder()
{
    char folder[MAX_PATH];
    SHGetFolderPathA(nullptr, CSIDL_COMMON_DOCUMENTS, nullptr, SHGFP_TYPE_CURRENT, folder);
    return JoinPath(folder, "Tovaren");
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
