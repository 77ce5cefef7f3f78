// ShowDocument against real show files and Wine's registry.
#include "ShowDocument.h"
#include "TestSupport.h"
#include "tvRegistryClient.h"

#include <fcntl.h>
#include <mmsystem.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

HINSTANCE TestModule()
{
    return GetModuleHandleA(nullptr);
}

std::unique_ptr<ShowDocument> NewDocument(BYTE suppress = 1)
{
    return std::make_unique<ShowDocument>(TestModule(), suppress);
}

// Documents own their nodes until Clear; every test clears through this.
struct ClearOnExit {
    ShowDocument& doc;
    ~ClearOnExit() { doc.Clear(); }
};

std::vector<ShowPoint> Points(ShowDocument& doc)
{
    std::vector<ShowPoint> points;
    for (PointNode* node = doc.head.next; node; node = node->next)
        points.push_back(node->point);
    return points;
}

std::vector<uint8_t> FlagsOf(ShowDocument& doc)
{
    std::vector<uint8_t> flags;
    for (const ShowPoint& point : Points(doc))
        flags.push_back(point.flags);
    return flags;
}

void PutLE16(Bytes& bytes, size_t offset, uint16_t value)
{
    bytes[offset] = static_cast<unsigned char>(value);
    bytes[offset + 1] = static_cast<unsigned char>(value >> 8);
}

bool IsMarkedViewed(const std::string& showPath)
{
    std::string key = std::string(kProductKey) + "\\PriorityFilesViewed";
    char data[64] = "";
    DWORD size = sizeof(data) - 1;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    LONG result = RegQueryValueExA(opened, showPath.c_str(), nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(opened);
    return result == ERROR_SUCCESS && strcmp(data, "Priority Sho File Viewed") == 0;
}

const TestPoint kRed = {10, 20, 5, 0x000000FF, 4, PF_PEN_DOWN};

}  // namespace

// ---- The file layout ----

TEST(ShowFile, NewDocumentWithOnePointSavesTheDocumentedBytes)
{
    std::string path = JoinPath(FreshFolder("showfile-golden"), "one.sho");
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    ASSERT_TRUE(doc->AddPoint(10, 20, 5, 0x000000FF, 4, PF_PEN_DOWN));
    ASSERT_TRUE(doc->Save(path.c_str(), SHOW_SAVE_REPLACE)) << doc->message;

    Bytes expected = {0xFF, 0xFF, 0x02, 0x00, 0x00, 0x04, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00};
    expected.resize(expected.size() + 164, 0);
    Bytes point = {0x0A, 0x00, 0x14, 0x00, 0x05, 0x00, 0x00, 0x00,
                   0xFF, 0x00, 0x00, 0x00, 0x04, 0x01, 0x00, 0x00};
    expected.insert(expected.end(), point.begin(), point.end());
    ASSERT_EQ(expected.size(), 192u);
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_EQ(doc->cursor, nullptr);
}

TEST(ShowFile, HeaderOnlyFileLoadsWithoutPoints)
{
    std::string path = JoinPath(FreshFolder("showfile-176"), "empty.sho");
    ASSERT_TRUE(WriteShow(path, {}));
    ASSERT_EQ(ReadBytes(path).size(), 176u);
    auto doc = NewDocument();
    EXPECT_EQ(doc->Load(path.c_str()), 0);
    EXPECT_EQ(doc->pointCount, 0);
    EXPECT_EQ(doc->head.next, nullptr);
    EXPECT_STREQ(doc->path, path.c_str());
}

TEST(ShowFile, ShortFilesFailToReadAndLeaveTheHeader)
{
    std::string folder = FreshFolder("showfile-short");
    Bytes full = ShowBytes(640, 480, HF_PRIORITY, {kRed});
    for (size_t size : {size_t(0), size_t(3), size_t(100), size_t(175)}) {
        std::string path = JoinPath(folder, "cut" + std::to_string(size) + ".sho");
        ASSERT_TRUE(WriteBytes(path, Bytes(full.begin(), full.begin() + size)));
        auto doc = NewDocument();
        doc->SetSignature("keep");
        EXPECT_EQ(doc->Load(path.c_str()), -1) << size;
        EXPECT_EQ(std::string(doc->message).rfind("Failed to read file: [", 0), 0u) << doc->message;
        EXPECT_EQ(doc->message[strlen(doc->message) - 1], ']');
        EXPECT_EQ(doc->header.block.width, 1024) << size;
        EXPECT_EQ(doc->header.block.flags, 0) << size;
        char signature[41];
        EXPECT_STREQ(doc->GetSignature(signature), "keep");
        EXPECT_EQ(doc->pointCount, 0);
        EXPECT_STREQ(doc->path, "");
    }
    // A version-1 file cut inside its 6-byte header.
    std::string path = JoinPath(folder, "cut-v1.sho");
    ASSERT_TRUE(WriteBytes(path, {0xFF, 0xFF, 0x01, 0x00, 0x80, 0x02, 0xE0}));
    auto doc = NewDocument();
    EXPECT_EQ(doc->Load(path.c_str()), -1);
    EXPECT_EQ(std::string(doc->message).rfind("Failed to read file: [", 0), 0u);
    EXPECT_EQ(doc->header.block.width, 1024);
}

TEST(ShowFile, MissingFileNamesPathAndReason)
{
    std::string path = JoinPath(FreshFolder("showfile-missing"), "nothere.sho");
    auto doc = NewDocument();
    EXPECT_EQ(doc->Load(path.c_str()), -1);
    EXPECT_EQ(std::string(doc->message),
              "Failed to open file: [" + path + "] [No such file or directory]");
}

TEST(ShowFile, VersionOneFileIsReadAndSavedAsVersionTwo)
{
    std::string folder = FreshFolder("showfile-v1");
    std::string path = JoinPath(folder, "old.sho");
    std::vector<TestPoint> points = {{1, 2, 30, 0x00112233, 3, 0}, {4, 5, 60, 0x00445566, 7, 1},
                                     {8, 9, 90, 0x00778899, 2, 2}};
    Bytes v1 = ShowBytes(800, 600, HF_OS_DOS | HF_PRIORITY, points, 1);
    ASSERT_EQ(v1.size(), 10u + 16 * 3);
    ASSERT_TRUE(WriteBytes(path, v1));

    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    EXPECT_EQ(doc->Load(path.c_str()), 180);
    EXPECT_EQ(doc->header.block.width, 800);
    EXPECT_EQ(doc->header.block.height, 600);
    EXPECT_EQ(doc->header.block.flags, HF_OS_DOS | HF_PRIORITY);
    EXPECT_EQ(doc->pointCount, 3);
    EXPECT_EQ(Points(*doc)[1].colour, 0x00445566u);
    char signature[41];
    EXPECT_STREQ(doc->GetSignature(signature), "");

    std::string saved = JoinPath(folder, "new.sho");
    ASSERT_TRUE(doc->Save(saved.c_str(), SHOW_SAVE_REPLACE)) << doc->message;
    EXPECT_EQ(ReadBytes(saved), ShowBytes(800, 600, HF_OS_DOS | HF_PRIORITY, points, 2));
    EXPECT_EQ(ReadBytes(saved).size(), 176u + 16 * 3);
}

TEST(ShowFile, FirstMagicValueIsNotChecked)
{
    std::string folder = FreshFolder("showfile-magic");
    for (int16_t version : {int16_t(1), int16_t(2)}) {
        Bytes bytes = ShowBytes(320, 200, 0, {kRed}, version);
        PutLE16(bytes, 0, 0x1234);
        std::string path = JoinPath(folder, "v" + std::to_string(version) + ".sho");
        ASSERT_TRUE(WriteBytes(path, bytes));
        auto doc = NewDocument();
        ClearOnExit clear{*doc};
        EXPECT_EQ(doc->Load(path.c_str()), 5) << version;
        EXPECT_EQ(doc->header.block.width, 320) << version;
        EXPECT_EQ(doc->pointCount, 1) << version;
        // docs/show-format.md: a loaded show is saved with the magic it was read with.
        std::string saved = path + ".saved.sho";
        ASSERT_TRUE(doc->Save(saved.c_str(), SHOW_SAVE_REPLACE)) << doc->message;
        Bytes written = ReadBytes(saved);
        ASSERT_GE(written.size(), 4u);
        EXPECT_EQ(0x34, written[0]);
        EXPECT_EQ(0x12, written[1]);
    }
}

TEST(ShowFile, UnknownVersionReadsPointsFromByteFour)
{
    std::string path = JoinPath(FreshFolder("showfile-v7"), "odd.sho");
    Bytes bytes = {0xFF, 0xFF, 0x07, 0x00};
    Bytes point = ShowBytes(0, 0, 0, {{3, 4, 250, 0x00ABCDEF, 9, 2}}, 1);
    bytes.insert(bytes.end(), point.begin() + 10, point.end());
    ASSERT_TRUE(WriteBytes(path, bytes));
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    EXPECT_EQ(doc->Load(path.c_str()), 250);
    EXPECT_EQ(doc->header.block.width, 1024);  // the header keeps its values
    ASSERT_EQ(doc->pointCount, 1);
    EXPECT_EQ(Points(*doc)[0].colour, 0x00ABCDEFu);
    EXPECT_EQ(Points(*doc)[0].penSize, 9);
}

TEST(ShowFile, TrailingPieceOfARecordIsIgnored)
{
    std::string folder = FreshFolder("showfile-trailing");
    Bytes whole = ShowBytes(1024, 768, 0, {kRed, {30, 40, 7, 0, 1, 0}});
    for (int extra = 1; extra <= 15; extra++) {
        Bytes bytes = whole;
        bytes.resize(bytes.size() + extra, 0xAB);
        std::string path = JoinPath(folder, "t" + std::to_string(extra) + ".sho");
        ASSERT_TRUE(WriteBytes(path, bytes));
        auto doc = NewDocument();
        ClearOnExit clear{*doc};
        EXPECT_EQ(doc->Load(path.c_str()), 12) << extra;
        EXPECT_EQ(doc->pointCount, 2) << extra;
    }
}

TEST(ShowFile, DelaysAreSummedUnsigned)
{
    std::string path = JoinPath(FreshFolder("showfile-sum"), "long.sho");
    ASSERT_TRUE(WriteShow(path, {{1, 1, 65535, 0, 1, 1}, {2, 2, 65535, 0, 1, 1}}));
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    EXPECT_EQ(doc->Load(path.c_str()), 131070);
    EXPECT_EQ(doc->totalTime, 131070);
}

TEST(ShowFile, TotalBeyondInt32StopsAtItsLargestValue)
{
    // 40000 x 65535 does not fit the int32 total; it must not turn negative (-1 is failure).
    std::string path = JoinPath(FreshFolder("showfile-huge"), "huge.sho");
    ASSERT_TRUE(WriteShow(path, std::vector<TestPoint>(40000, {1, 1, 65535, 0, 1, 1})));
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    EXPECT_EQ(doc->Load(path.c_str()), INT32_MAX);
    EXPECT_EQ(doc->pointCount, 40000);
}

TEST(ShowFile, ManyPointsRoundTripAcrossReadAndWriteBlocks)
{
    // More than two 64 KB blocks, plus a partial record at the end.
    std::string folder = FreshFolder("showfile-blocks");
    std::vector<TestPoint> points;
    uint32_t total = 0;
    for (int i = 0; i < 4096 * 2 + 3; i++) {
        TestPoint p = {static_cast<uint16_t>(i), static_cast<uint16_t>(i * 7),
                       static_cast<uint16_t>(i % 1001), static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF,
                       static_cast<uint8_t>(i), static_cast<uint8_t>(i % 3)};
        total += p.delay;
        points.push_back(p);
    }
    Bytes bytes = ShowBytes(1280, 1024, HF_COMPAT_WARNINGS, points);
    std::string path = JoinPath(folder, "many.sho");
    Bytes withTail = bytes;
    withTail.resize(withTail.size() + 9, 0x55);
    ASSERT_TRUE(WriteBytes(path, withTail));

    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    EXPECT_EQ(doc->Load(path.c_str()), static_cast<int32_t>(total));
    EXPECT_EQ(doc->pointCount, static_cast<int32_t>(points.size()));
    std::string saved = JoinPath(folder, "saved.sho");
    ASSERT_TRUE(doc->Save(saved.c_str(), SHOW_SAVE_REPLACE)) << doc->message;
    EXPECT_EQ(ReadBytes(saved), bytes);
}

TEST(ShowFile, ReservedHeaderBytesAndUnknownFlagsSurviveLoadAndSave)
{
    std::string folder = FreshFolder("showfile-reserved");
    Bytes bytes = ShowBytes(1024, 768, 0xF0F2, {kRed});
    bytes[10] = 0x5A;
    bytes[11] = 0xA5;
    bytes[172] = 1;
    bytes[173] = 2;
    bytes[174] = 3;
    bytes[175] = 4;
    std::string path = JoinPath(folder, "in.sho");
    ASSERT_TRUE(WriteBytes(path, bytes));
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    ASSERT_EQ(doc->Load(path.c_str()), 5);
    std::string saved = JoinPath(folder, "out.sho");
    ASSERT_TRUE(doc->Save(saved.c_str(), SHOW_SAVE_REPLACE));
    EXPECT_EQ(ReadBytes(saved), bytes);
}

TEST(ShowFile, ReservedPointBytesAreWrittenAsZero)
{
    std::string folder = FreshFolder("showfile-point-reserved");
    Bytes clean = ShowBytes(1024, 768, 0, {kRed});
    Bytes dirty = clean;
    dirty[176 + 6] = 0x11;
    dirty[176 + 7] = 0x22;
    dirty[176 + 14] = 0x33;
    dirty[176 + 15] = 0x44;
    std::string path = JoinPath(folder, "in.sho");
    ASSERT_TRUE(WriteBytes(path, dirty));
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    ASSERT_EQ(doc->Load(path.c_str()), 5);
    std::string saved = JoinPath(folder, "out.sho");
    ASSERT_TRUE(doc->Save(saved.c_str(), SHOW_SAVE_REPLACE));
    EXPECT_EQ(ReadBytes(saved), clean);
}

TEST(ShowFile, LoadAppendsToPointsAlreadyHeld)
{
    std::string path = JoinPath(FreshFolder("showfile-append"), "two.sho");
    ASSERT_TRUE(WriteShow(path, {{5, 5, 40, 0, 1, 0}, {6, 6, 60, 0, 1, 1}}));
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    ASSERT_TRUE(doc->AddPoint(1, 1, 1000, 0, 1, 0));
    EXPECT_EQ(doc->Load(path.c_str()), 100);
    ASSERT_EQ(doc->pointCount, 3);
    std::vector<ShowPoint> points = Points(*doc);
    EXPECT_EQ(points[0].x, 1);
    EXPECT_EQ(points[1].x, 5);
    EXPECT_EQ(points[2].x, 6);
    EXPECT_EQ(doc->tail->point.x, 6);
}

TEST(ShowFile, EmptyShowSavesAZeroByteFile)
{
    std::string folder = FreshFolder("showfile-empty-save");
    std::string path = JoinPath(folder, "empty.sho");
    auto doc = NewDocument();
    EXPECT_TRUE(doc->Save(path.c_str(), SHOW_SAVE_REPLACE));
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(ReadBytes(path).size(), 0u);
    // Replacing a show with an empty one empties the file, as the open mode says.
    ASSERT_TRUE(WriteShow(path, {kRed}));
    EXPECT_TRUE(doc->Save(path.c_str(), SHOW_SAVE_REPLACE));
    EXPECT_EQ(ReadBytes(path).size(), 0u);
}

TEST(ShowFile, PathsUpToTheSystemLimitWorkAndLongerOnesAreRefused)
{
    std::string folder = FreshFolder("showfile-longpath");
    std::string longest = JoinPath(folder, std::string(300, 'p'));
    longest.resize(MAX_PATH - 5);
    longest += ".sho";  // 259 characters, the most the system takes
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    ASSERT_TRUE(doc->AddPoint(1, 2, 3, 4, 5, 1));
    ASSERT_TRUE(doc->Save(longest.c_str(), SHOW_SAVE_REPLACE)) << doc->message;
    ASSERT_TRUE(doc->Save(longest.c_str(), SHOW_SAVE_REPLACE)) << doc->message;  // replaced
    auto loaded = NewDocument();
    ClearOnExit clearLoaded{*loaded};
    EXPECT_EQ(loaded->Load(longest.c_str()), 3);
    EXPECT_STREQ(loaded->path, longest.c_str());

    // 300 characters: both refuse before touching anything, and the messages
    // stay within their 256-character field.
    std::string tooLong = JoinPath(folder, std::string(300, 'q'));
    tooLong.resize(300);
    EXPECT_EQ(loaded->Load(tooLong.c_str()), -1);
    EXPECT_EQ(strlen(loaded->message), 255u);
    EXPECT_EQ(std::string(loaded->message), ("Failed to open file: [" + tooLong).substr(0, 255));
    EXPECT_STREQ(loaded->path, longest.c_str());
    EXPECT_FALSE(doc->Save(tooLong.c_str(), SHOW_SAVE_REPLACE));
    EXPECT_EQ(std::string(doc->message), ("Failed to open: [" + tooLong).substr(0, 255));
    std::vector<std::string> names = FolderEntries(folder);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0][0], 'p');
    DeleteFileA(longest.c_str());
}

// ---- Saving never loses the old file ----

TEST(ShowSave, ReplacesAnExistingShowLeavingNoTemporaryFile)
{
    std::string folder = FreshFolder("save-replace");
    std::string path = JoinPath(folder, "show.sho");
    ASSERT_TRUE(WriteShow(path, {{9, 9, 9, 9, 9, 1}, {8, 8, 8, 8, 8, 1}}));
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    ASSERT_TRUE(doc->AddPoint(10, 20, 5, 0x000000FF, 4, PF_PEN_DOWN));
    ASSERT_TRUE(doc->Save(path.c_str(), SHOW_SAVE_REPLACE)) << doc->message;
    EXPECT_EQ(ReadBytes(path), ShowBytes(1024, 768, 0, {kRed}));
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"show.sho"});
}

TEST(ShowSave, ReadOnlyTargetKeepsItsBytes)
{
    std::string folder = FreshFolder("save-readonly");
    std::string path = JoinPath(folder, "locked.sho");
    ASSERT_TRUE(WriteShow(path, {{9, 9, 9, 9, 9, 1}}));
    Bytes before = ReadBytes(path);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    ASSERT_TRUE(doc->AddPoint(1, 2, 3, 4, 5, 1));
    EXPECT_FALSE(doc->Save(path.c_str(), SHOW_SAVE_REPLACE));
    EXPECT_EQ(std::string(doc->message), "Failed to open: [" + path + "] [Permission denied]");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"locked.sho"});
}

TEST(ShowSave, MissingFolderIsReported)
{
    std::string folder = FreshFolder("save-nofolder");
    std::string path = JoinPath(folder, "absent\\show.sho");
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    ASSERT_TRUE(doc->AddPoint(1, 2, 3, 4, 5, 1));
    EXPECT_FALSE(doc->Save(path.c_str(), SHOW_SAVE_REPLACE));
    EXPECT_EQ(std::string(doc->message), "Failed to open: [" + path + "] [No such file or directory]");
    EXPECT_TRUE(FolderEntries(folder).empty());
}

TEST(ShowSave, ExclusiveModeRefusesAnExistingFile)
{
    std::string folder = FreshFolder("save-exclusive");
    std::string path = JoinPath(folder, "taken.sho");
    ASSERT_TRUE(WriteShow(path, {{9, 9, 9, 9, 9, 1}}));
    Bytes before = ReadBytes(path);
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    ASSERT_TRUE(doc->AddPoint(1, 2, 3, 4, 5, 1));
    EXPECT_FALSE(doc->Save(path.c_str(), SHOW_SAVE_EXCLUSIVE));
    EXPECT_EQ(std::string(doc->message), "Failed to open: [" + path + "] [File exists]");
    EXPECT_EQ(ReadBytes(path), before);

    std::string fresh = JoinPath(folder, "fresh.sho");
    EXPECT_TRUE(doc->Save(fresh.c_str(), SHOW_SAVE_EXCLUSIVE)) << doc->message;
    EXPECT_EQ(ReadBytes(fresh), ShowBytes(1024, 768, 0, {{1, 2, 3, 4, 5, 1}}));
}

// The full-disk case needs a small file system of its own: scripts/run-tests.sh
// mounts one and names it in TOVAREN_FULLDISK.
TEST(ShowSave, FullDiskKeepsTheOldShowAndLeavesNoPartialFile)
{
    const char* mount = getenv("TOVAREN_FULLDISK");
    if (!mount || !*mount)
        GTEST_SKIP() << "no small file system: run through scripts/run-tests.sh as root "
                        "(it mounts a 512 KB tmpfs and sets TOVAREN_FULLDISK)";
    std::string folder = WinePath(mount);
    ULARGE_INTEGER total = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA(folder.c_str(), nullptr, &total, nullptr));
    ASSERT_LT(total.QuadPart, 4u * 1024 * 1024) << folder << " is not the small file system";
    for (const std::string& name : FolderEntries(folder)) {
        SetFileAttributesA(JoinPath(folder, name).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(JoinPath(folder, name).c_str());
    }

    std::string old = JoinPath(folder, "old.sho");
    ASSERT_TRUE(WriteShow(old, std::vector<TestPoint>(100, kRed)));
    Bytes before = ReadBytes(old);

    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    for (int i = 0; i < 65536; i++)  // 1 MB of points
        ASSERT_TRUE(doc->AddPoint(static_cast<uint16_t>(i), 1, 1, 0, 1, 1));
    EXPECT_FALSE(doc->Save(old.c_str(), SHOW_SAVE_REPLACE));
    EXPECT_EQ(std::string(doc->message), "File write failed: [No space left on device]");
    EXPECT_EQ(ReadBytes(old), before);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"old.sho"});

    for (int mode : {SHOW_SAVE_REPLACE, SHOW_SAVE_EXCLUSIVE}) {
        std::string fresh = JoinPath(folder, "fresh.sho");
        EXPECT_FALSE(doc->Save(fresh.c_str(), mode)) << mode;
        EXPECT_EQ(std::string(doc->message), "File write failed: [No space left on device]");
        EXPECT_FALSE(FileExists(fresh)) << mode;
    }
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"old.sho"});
    DeleteFileA(old.c_str());
}

// ---- Live recording ----

TEST(LiveRecording, RepeatsOfPositionAndFlagsAreSuppressed)
{
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    EXPECT_TRUE(doc->RecordLivePoint(0, 0, 0x00FF00, 3, 0));  // equals the zeroed last point
    EXPECT_EQ(doc->pointCount, 0);
    EXPECT_TRUE(doc->RecordLivePoint(5, 6, 0x00FF00, 3, 1));
    EXPECT_TRUE(doc->RecordLivePoint(5, 6, 0x0000FF, 9, 1));  // only colour and pen differ
    EXPECT_EQ(doc->pointCount, 1);
    EXPECT_TRUE(doc->RecordLivePoint(5, 6, 0x0000FF, 9, 0));  // flags differ
    EXPECT_EQ(doc->pointCount, 2);
    EXPECT_EQ(Points(*doc)[0].colour, 0x00FF00u);
    EXPECT_EQ(Points(*doc)[1].penSize, 9);
}

// Real waits on the multimedia clock; the upper bounds allow for a busy machine,
// the lower ones show that a suppressed point does not restart the clock.
TEST(LiveRecording, DelaysFollowTheClockAndStopAtOneSecond)
{
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    Sleep(150);
    ASSERT_TRUE(doc->RecordLivePoint(1, 1, 0, 1, 0));  // timed from construction
    Sleep(300);
    ASSERT_TRUE(doc->RecordLivePoint(2, 2, 0, 1, 1));
    Sleep(200);
    ASSERT_TRUE(doc->RecordLivePoint(2, 2, 0, 1, 1));  // suppressed: the clock runs on
    Sleep(200);
    ASSERT_TRUE(doc->RecordLivePoint(3, 3, 0, 1, 1));
    Sleep(1300);
    DWORD before = timeGetTime();
    ASSERT_TRUE(doc->RecordLivePoint(4, 4, 0, 1, 1));
    EXPECT_LE(doc->lastPointTime - before, 500u);

    std::vector<ShowPoint> points = Points(*doc);
    ASSERT_EQ(points.size(), 4u);
    EXPECT_GE(points[0].delay, 145);
    EXPECT_LE(points[0].delay, 900);
    EXPECT_GE(points[1].delay, 295);
    EXPECT_LE(points[1].delay, 950);
    EXPECT_GE(points[2].delay, 395);
    EXPECT_LT(points[2].delay, 1000);
    EXPECT_EQ(points[3].delay, 1000);
}

// ---- Walking ----

TEST(Walking, NextPointAfterTheEndKeepsReturningNull)
{
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    doc->AddPoint(1, 1, 1, 0, 1, 0);
    doc->AddPoint(2, 2, 2, 0, 1, 1);
    doc->Rewind();
    EXPECT_EQ(doc->NextPoint()->point.x, 1);
    PointNode* second = doc->NextPoint();
    ASSERT_NE(second, nullptr);
    second->point.delay = 777;  // changed in place, as paceshift does
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(doc->NextPoint(), nullptr);
    EXPECT_EQ(doc->cursor, nullptr);
    doc->Rewind();
    EXPECT_EQ(doc->NextPoint()->point.x, 1);
    EXPECT_EQ(doc->NextPoint()->point.delay, 777);
}

TEST(Walking, ClearEmptiesTheListAndKeepsTheHeader)
{
    auto doc = NewDocument();
    doc->SetSignature("sig");
    doc->header.block.flags = HF_PRIORITY;
    doc->AddPoint(1, 1, 1, 0, 1, 0);
    doc->AddPoint(2, 2, 2, 0, 1, 1);
    doc->Rewind();
    doc->NextPoint();
    doc->NextPoint();  // the cursor stands on the last node
    doc->Clear();
    EXPECT_EQ(doc->pointCount, 0);
    EXPECT_EQ(doc->totalTime, 0);
    EXPECT_EQ(doc->head.next, nullptr);
    EXPECT_EQ(doc->tail, &doc->head);
    EXPECT_EQ(doc->NextPoint(), nullptr);  // no walk over freed nodes
    char signature[41];
    EXPECT_STREQ(doc->GetSignature(signature), "sig");
    EXPECT_EQ(doc->header.block.flags, HF_PRIORITY);
    EXPECT_TRUE(doc->AddPoint(3, 3, 3, 0, 1, 0));
    EXPECT_EQ(doc->head.next->point.x, 3);
    doc->Clear();
}

TEST(Walking, DocumentsKeepTheirOwnPointsWhileOthersAreCleared)
{
    auto first = NewDocument();
    auto second = NewDocument();
    ClearOnExit clearSecond{*second};
    for (int i = 0; i < 10000; i++) {
        ASSERT_TRUE(first->AddPoint(static_cast<uint16_t>(i), 1, 1, 0, 1, 0));
        ASSERT_TRUE(second->AddPoint(static_cast<uint16_t>(i), 2, 2, 0, 1, 1));
    }
    first->Clear();
    for (int i = 10000; i < 15000; i++) {
        ASSERT_TRUE(first->AddPoint(static_cast<uint16_t>(i), 3, 3, 0, 1, 0));
        ASSERT_TRUE(second->AddPoint(static_cast<uint16_t>(i), 2, 2, 0, 1, 1));
    }
    std::vector<ShowPoint> points = Points(*second);
    ASSERT_EQ(points.size(), 15000u);
    for (size_t i = 0; i < points.size(); i++) {
        ASSERT_EQ(points[i].x, i) << i;
        ASSERT_EQ(points[i].y, 2) << i;
    }
    EXPECT_EQ(first->pointCount, 5000);
    EXPECT_EQ(first->head.next->point.x, 10000);
    first->Clear();
}

// ---- Undo ----

namespace {

void Fill(ShowDocument& doc, const std::vector<uint8_t>& flags)
{
    for (size_t i = 0; i < flags.size(); i++)
        doc.AddPoint(static_cast<uint16_t>(100 + i), static_cast<uint16_t>(200 + i), 10, 0, 1, flags[i]);
}

}  // namespace

TEST(Undo, PenMovesOnlyLeaveEverything)
{
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    Fill(*doc, {0, 0, 0});
    PointNode* tail = doc->tail;
    EXPECT_EQ(doc->UndoLastStroke(), nullptr);
    EXPECT_EQ(doc->pointCount, 3);
    EXPECT_EQ(doc->tail, tail);
    EXPECT_EQ(doc->UndoLastStroke(), nullptr);  // nor on an empty list
    doc->Clear();
    EXPECT_EQ(doc->UndoLastStroke(), nullptr);
}

TEST(Undo, LastDragGoesBackToItsStartingMove)
{
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    Fill(*doc, {0, 1, 1});
    PointNode* cut = doc->UndoLastStroke();
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut, doc->head.next);
    EXPECT_EQ(cut->point.x, 100);
    EXPECT_EQ(doc->pointCount, 1);
    EXPECT_EQ(doc->tail, cut);
    EXPECT_EQ(cut->next, nullptr);
    EXPECT_EQ(doc->cursor, nullptr);
    EXPECT_TRUE(doc->AddPoint(7, 7, 7, 0, 1, 0));  // appends go after the cut
    EXPECT_EQ(FlagsOf(*doc), (std::vector<uint8_t>{0, 0}));
}

TEST(Undo, SingleFillLeavesOnlyTheHead)
{
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    Fill(*doc, {PF_FILL});
    PointNode* cut = doc->UndoLastStroke();
    EXPECT_EQ(cut, &doc->head);
    EXPECT_EQ(cut->point.x, 0);
    EXPECT_EQ(cut->point.y, 0);
    EXPECT_EQ(doc->pointCount, 0);
    EXPECT_EQ(doc->head.next, nullptr);
    EXPECT_EQ(doc->tail, &doc->head);
}

TEST(Undo, TrailingMovesGoWithTheLastDrag)
{
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    Fill(*doc, {0, 1, 1, 0, 0});
    PointNode* cut = doc->UndoLastStroke();
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->point.x, 100);
    EXPECT_EQ(FlagsOf(*doc), (std::vector<uint8_t>{0}));
}

TEST(Undo, FillAfterADragGoesAlone)
{
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    Fill(*doc, {0, 1, PF_FILL, 0});
    PointNode* cut = doc->UndoLastStroke();
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->point.x, 101);
    EXPECT_EQ(FlagsOf(*doc), (std::vector<uint8_t>{0, 1}));
    EXPECT_EQ(doc->pointCount, 2);
    // A second undo takes the drag too, back to its starting move.
    cut = doc->UndoLastStroke();
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->point.x, 100);
    EXPECT_EQ(doc->pointCount, 1);
}

// ---- Signature ----

TEST(Signature, EncodesEachCharacterTimesItsPosition)
{
    auto doc = NewDocument();
    doc->SetSignature("abc");
    EXPECT_EQ(doc->header.block.signature[0], 430u);
    EXPECT_EQ(doc->header.block.signature[1], 862u);
    EXPECT_EQ(doc->header.block.signature[2], 1296u);
    for (int k = 3; k < kSignatureSlots; k++)
        EXPECT_EQ(doc->header.block.signature[k], 0u) << k;
    char signature[41];
    memset(signature, 'x', sizeof(signature));
    EXPECT_EQ(doc->GetSignature(signature), signature);
    EXPECT_STREQ(signature, "abc");
    // A shorter signature replaces all of a longer one.
    doc->SetSignature("z");
    EXPECT_STREQ(doc->GetSignature(signature), "z");
    EXPECT_EQ(doc->header.block.signature[1], 0u);
}

TEST(Signature, KeepsFortyCharactersAndHighBitBytes)
{
    auto doc = NewDocument();
    std::string text = "0123456789abcdefghijABCDEFGHIJ!@#$%^&*()+-=_~";
    ASSERT_EQ(text.size(), 45u);
    doc->SetSignature(text.c_str());
    char signature[64];
    memset(signature, 'x', sizeof(signature));
    doc->GetSignature(signature);
    EXPECT_EQ(std::string(signature), text.substr(0, 40));
    EXPECT_EQ(signature[40], '\0');
    EXPECT_EQ(signature[41], 'x');  // nothing past the 41-byte buffer

    std::string high = "\xC9t\xE9 \x80\xFF";
    doc->SetSignature(high.c_str());
    EXPECT_EQ(doc->header.block.signature[0], static_cast<uint32_t>(static_cast<signed char>('\xC9') + 333));
    EXPECT_STREQ(doc->GetSignature(signature), high.c_str());
}

TEST(Signature, IsStoredInTheHeaderSlots)
{
    std::string folder = FreshFolder("signature-file");
    std::string path = JoinPath(folder, "signed.sho");
    auto doc = NewDocument();
    ClearOnExit clear{*doc};
    doc->SetSignature("abc");
    doc->AddPoint(1, 1, 1, 0, 1, 0);
    ASSERT_TRUE(doc->Save(path.c_str(), SHOW_SAVE_REPLACE));
    Bytes bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 192u);
    EXPECT_EQ(bytes[12] | bytes[13] << 8, 430);
    EXPECT_EQ(bytes[16] | bytes[17] << 8, 862);
    EXPECT_EQ(bytes[20] | bytes[21] << 8, 1296);

    auto loaded = NewDocument();
    ClearOnExit clearLoaded{*loaded};
    ASSERT_EQ(loaded->Load(path.c_str()), 1);
    char signature[41];
    EXPECT_STREQ(loaded->GetSignature(signature), "abc");
}

// ---- Priority shows and the viewed list in Wine's registry ----

TEST(PriorityShow, WalkingToTheEndMarksOnlyUnsuppressedPriorityShows)
{
    ScopedCleanProductKey clean;
    std::string folder = FreshFolder("priority-mark");
    std::string priority = JoinPath(folder, "first.sho");
    std::string plain = JoinPath(folder, "plain.sho");
    ASSERT_TRUE(WriteShow(priority, {kRed, kRed}, HF_PRIORITY | HF_COMPAT_WARNINGS));
    ASSERT_TRUE(WriteShow(plain, {kRed}, HF_COMPAT_WARNINGS));

    auto suppressed = NewDocument(1);
    ClearOnExit clearSuppressed{*suppressed};
    ASSERT_EQ(suppressed->Load(priority.c_str()), 10);
    suppressed->Rewind();
    while (suppressed->NextPoint()) {
    }
    EXPECT_FALSE(IsMarkedViewed(priority));

    auto notPriority = NewDocument(0);
    ClearOnExit clearPlain{*notPriority};
    ASSERT_EQ(notPriority->Load(plain.c_str()), 5);
    notPriority->Rewind();
    while (notPriority->NextPoint()) {
    }
    EXPECT_FALSE(IsMarkedViewed(plain));

    auto saver = NewDocument(0);
    ClearOnExit clearSaver{*saver};
    ASSERT_EQ(saver->Load(priority.c_str()), 10);
    EXPECT_TRUE(IsUnviewedPriorityShow(TestModule(), priority.c_str()));
    saver->Rewind();
    ASSERT_NE(saver->NextPoint(), nullptr);
    ASSERT_NE(saver->NextPoint(), nullptr);
    EXPECT_FALSE(IsMarkedViewed(priority));  // not before the point after the last
    EXPECT_EQ(saver->NextPoint(), nullptr);
    EXPECT_TRUE(IsMarkedViewed(priority));
    EXPECT_EQ(saver->NextPoint(), nullptr);
    EXPECT_TRUE(IsMarkedViewed(priority));
    EXPECT_FALSE(IsUnviewedPriorityShow(TestModule(), priority.c_str()));
}

TEST(PriorityShow, OnlyUnviewedVersionTwoPriorityFilesCount)
{
    ScopedCleanProductKey clean;
    std::string folder = FreshFolder("priority-check");
    std::string priority = JoinPath(folder, "p.sho");
    std::string plain = JoinPath(folder, "n.sho");
    std::string old = JoinPath(folder, "v1.sho");
    std::string shortHeader = JoinPath(folder, "short.sho");
    std::string missing = JoinPath(folder, "missing.sho");
    ASSERT_TRUE(WriteShow(priority, {kRed}, HF_PRIORITY));
    ASSERT_TRUE(WriteShow(plain, {kRed}, HF_COMPAT_WARNINGS | HF_OS_DOS));
    ASSERT_TRUE(WriteBytes(old, ShowBytes(1024, 768, HF_PRIORITY, {kRed}, 1)));
    Bytes cut = ShowBytes(1024, 768, HF_PRIORITY, {});
    cut.resize(100);
    ASSERT_TRUE(WriteBytes(shortHeader, cut));

    EXPECT_TRUE(IsUnviewedPriorityShow(TestModule(), priority.c_str()));
    EXPECT_FALSE(IsUnviewedPriorityShow(TestModule(), plain.c_str()));
    EXPECT_FALSE(IsUnviewedPriorityShow(TestModule(), old.c_str()));
    EXPECT_FALSE(IsUnviewedPriorityShow(TestModule(), shortHeader.c_str()));
    EXPECT_FALSE(IsUnviewedPriorityShow(TestModule(), missing.c_str()));

    tvRegistryClient client(TestModule());
    ASSERT_TRUE(client.OpenPriorityViewedKey());
    ASSERT_TRUE(client.MarkPriorityViewed(priority.c_str()));
    ASSERT_TRUE(client.ClosePriorityViewedKey());
    EXPECT_FALSE(IsUnviewedPriorityShow(TestModule(), priority.c_str()));
}
