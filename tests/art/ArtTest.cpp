// The bundled shows and the pictures the saver carries: what players and
// dialogs rely on (sizes, the character key colour and brush tip, show timing).
#include "TestSupport.h"

#include "resource.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const COLORREF kKey = RGB(255, 0, 255);
const COLORREF kPaintingTransparent = RGB(255, 255, 255);

std::string ShowsFolder() { return WinePath(std::string(TOVAREN_SOURCE_DIR) + "/shows"); }

std::vector<std::string> BundledShows() {
    std::vector<std::string> shows;
    for (const std::string& name : FolderEntries(ShowsFolder())) {
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".sho") == 0) shows.push_back(name);
    }
    return shows;
}

// A colour that a 5-6-5 display shows as white erases like white does.
bool TurnsWhiteAt16Bits(COLORREF c) {
    return GetRValue(c) >= 0xF8 && GetGValue(c) >= 0xFC && GetBValue(c) >= 0xF8;
}

TEST(BundledShows, LoadAndPlayForHalfAMinuteToAMinuteAndAHalf) {
    std::vector<std::string> shows = BundledShows();
    ASSERT_GE(shows.size(), 3u) << "in " << ShowsFolder();
    for (const std::string& name : shows) {
        SCOPED_TRACE(name);
        ShowDocument doc(nullptr, 1);
        int32_t total = doc.Load(JoinPath(ShowsFolder(), name).c_str());
        ASSERT_GT(total, 0) << doc.message;
        EXPECT_GE(total, 30000);
        EXPECT_LE(total, 90000);
        EXPECT_EQ(doc.header.version, 2);
        EXPECT_EQ(doc.header.block.width, 1024);
        EXPECT_EQ(doc.header.block.height, 768);
        EXPECT_EQ(doc.header.block.flags & HF_COMPAT_WARNINGS, 0) << "bundled shows never warn";
        char signature[41];
        EXPECT_STRNE(doc.GetSignature(signature), "");

        int strokes = 0, fills = 0, bad = 0;
        doc.Rewind();
        for (PointNode* n = doc.NextPoint(); n; n = doc.NextPoint()) {
            const ShowPoint& p = n->point;
            if (p.x >= 1024 || p.y >= 768 || p.delay > 1000 || p.penSize == 0) ++bad;
            if (p.flags & (PF_PEN_DOWN | PF_FILL)) {
                if (p.colour == kPaintingTransparent || TurnsWhiteAt16Bits(p.colour)) ++bad;
            }
            if (p.flags & PF_PEN_DOWN) ++strokes;
            if (p.flags & PF_FILL) ++fills;
        }
        EXPECT_EQ(bad, 0) << "points off the surface, with long delays or painting white";
        EXPECT_GT(strokes, 1000);
        EXPECT_GE(fills, 5);
        doc.Clear();
    }
}

class SaverResources : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryExA(BinPath("tovarensaver.scr").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << BinPath("tovarensaver.scr");
    }
    void TearDown() override {
        if (module) FreeLibrary(module);
    }
    HBITMAP Load(int id) {
        return static_cast<HBITMAP>(
            LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    }
    HMODULE module = nullptr;
};

struct Picture {
    int id;
    int width;
    int height;
};

TEST_F(SaverResources, EveryBitmapHasItsSizeAndFullColour) {
    const Picture pictures[] = {
        {IDB_CHAR_DORIN, 301, 215},    {IDB_CHAR_VELKA, 290, 240},     {IDB_CHAR_RARE, 280, 324},
        {IDB_CHAR_BRAMWELL, 327, 254}, {IDB_CHAR_PREVIEW, 50, 82},     {IDB_THUMB_VELKA, 113, 75},
        {IDB_THUMB_DORIN, 113, 75},    {IDB_THUMB_BRAMWELL, 113, 75},  {IDB_ABOUT_TITLE, 225, 390},
        {IDB_ABOUT_BANNER1, 362, 83},  {IDB_ABOUT_BANNER2, 362, 66},   {IDB_ABOUT_BANNER3, 362, 66},
    };
    for (const Picture& picture : pictures) {
        SCOPED_TRACE(picture.id);
        HBITMAP bitmap = Load(picture.id);
        ASSERT_NE(bitmap, nullptr);
        BITMAP info = {};
        ASSERT_NE(GetObjectA(bitmap, sizeof(info), &info), 0);
        EXPECT_EQ(info.bmWidth, picture.width);
        EXPECT_EQ(info.bmHeight, picture.height);
        EXPECT_EQ(info.bmBitsPixel, 24);
        DeleteObject(bitmap);
    }
}

// The player keys a character by its pixel (1, 1) and paints with the pixel
// 2 right of and 65 below its top left corner: that pixel must be the brush.
TEST_F(SaverResources, CharactersAreKeyedAtOneOneAndHoldTheBrushAtTheTip) {
    const int characters[] = {IDB_CHAR_DORIN, IDB_CHAR_VELKA, IDB_CHAR_RARE, IDB_CHAR_BRAMWELL,
                              IDB_CHAR_PREVIEW};
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    for (int id : characters) {
        SCOPED_TRACE(id);
        HBITMAP bitmap = Load(id);
        ASSERT_NE(bitmap, nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        BITMAP info = {};
        GetObjectA(bitmap, sizeof(info), &info);
        EXPECT_EQ(GetPixel(dc, 1, 1), kKey);
        EXPECT_EQ(GetPixel(dc, 0, 0), kKey);
        EXPECT_NE(GetPixel(dc, 2, 65), kKey) << "no brush at the tip";
        // The figure stands to the right of the tip, the key fills the rest.
        long keyed = 0;
        for (int y = 0; y < info.bmHeight; y += 2) {
            for (int x = 0; x < info.bmWidth; x += 2) keyed += GetPixel(dc, x, y) == kKey;
        }
        long sampled = static_cast<long>((info.bmWidth + 1) / 2) * ((info.bmHeight + 1) / 2);
        EXPECT_GT(keyed, sampled / 5);
        EXPECT_LT(keyed, sampled * 9 / 10);
        SelectObject(dc, old);
        DeleteObject(bitmap);
    }
    DeleteDC(dc);
}

// The version is written once, in the build; the manifest, the version
// string and the version block of the built saver all carry it.
TEST_F(SaverResources, ManifestVersionStringAndVersionBlockCarryTheBuildsVersion) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_NE(found, nullptr);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(bytes, nullptr);
    std::string manifest(bytes, SizeofResource(module, found));
    EXPECT_NE(manifest.find("name=\"Vorlund.Tovaren\" version=\"" TOVAREN_VERSION "\""), std::string::npos)
        << manifest;
    EXPECT_EQ(manifest.find('@'), std::string::npos) << "a placeholder left unfilled";

    char text[64] = "";
    ASSERT_GT(LoadStringA(module, IDS_VERSION, text, sizeof(text)), 0);
    EXPECT_STREQ(text, TOVAREN_VERSION);

    std::string saver = BinPath("tovarensaver.scr");
    DWORD ignored = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(saver.c_str(), &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoA(saver.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    char numbers[64];
    snprintf(numbers, sizeof(numbers), "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
             HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    EXPECT_STREQ(numbers, TOVAREN_VERSION);
}

TEST_F(SaverResources, IconComesInBothSizes) {
    for (int size : {16, 32}) {
        HICON icon = static_cast<HICON>(
            LoadImageA(module, MAKEINTRESOURCEA(IDI_TOVAREN), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour = {};
        GetObjectA(info.hbmColor, sizeof(colour), &colour);
        EXPECT_EQ(colour.bmWidth, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

}  // namespace
