// reeljoin started as a user starts it, inside a fresh folder of show files.
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "Usage: reeljoin showfiles outputfile\r\n"
    "Where 'showfile(s)' is a space seperated list of show files to combine.\r\n"
    "Where 'outputfile' is the name of the resulting combined show file.\r\n"
    "You must specify at least three files in order for this program to\r\n"
    "do something.  All but the last file specified must exist.  If the\r\n"
    "last file specified exists, the program will not work.\r\n"
    "This program will not modify any existing files.  Files are combined\r\n"
    "in the order listed.  Screen dimensions are taken from the first file.\r\n"
    "Required command line argument missing.\r\n";

const std::vector<TestPoint> kPointsA = {
    {10, 20, 0, 0x000000FF, 4, 0},
    {30, 40, 120, 0x000000FF, 4, 1},
    {50, 60, 65535, 0x00FFFFFF, 255, 3},
};
const std::vector<TestPoint> kPointsB = {
    {700, 500, 33, 0x0000FF00, 9, 1},
    {5, 6, 0, 0x00ABCDEF, 1, 2},
};
const std::vector<TestPoint> kPointsC = {
    {1, 2, 1000, 0x00123456, 2, 0},
};

std::vector<TestPoint> Joined(std::initializer_list<std::vector<TestPoint>> parts)
{
    std::vector<TestPoint> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::string AddingLines(std::initializer_list<const char*> names)
{
    std::string text;
    for (const char* name : names)
        text += std::string("Adding file: [") + name + "]\r\n";
    return text;
}

std::string CreatedText(const char* output)
{
    return std::string("File successfully created: [") + output +
           "]\r\n\r\nRemember to edit this file manually and sign it.\r\n";
}

class ReeljoinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshFolder(std::string("reeljoin_") +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    std::string Path(const char* name) const { return JoinPath(folder, name); }

    void Write(const char* name, const std::vector<unsigned char>& bytes) const
    {
        ASSERT_TRUE(WriteBytes(Path(name), bytes));
    }

    // Runs reeljoin in the show folder, so the names it prints are the ones given.
    std::string Run(const std::string& arguments) const
    {
        std::string line = "\"" + BinPath("reeljoin.exe") + "\"";
        if (!arguments.empty())
            line += " " + arguments;
        ProcessResult result = RunProgram(line, 60000, folder.c_str());
        EXPECT_TRUE(result.started && result.finished);
        EXPECT_EQ(0, ExitStatus(result));
        return result.output;
    }

    std::string folder;
};

TEST_F(ReeljoinTest, FewerThanThreeFilesPrintsTheUsageAndWritesNothing)
{
    Write("a.sho", ShowBytes(1024, 768, 2, kPointsA));
    Write("b.sho", ShowBytes(1024, 768, 2, kPointsB));
    EXPECT_EQ(kUsage, Run(""));
    EXPECT_EQ(kUsage, Run("a.sho"));
    EXPECT_EQ(kUsage, Run("a.sho b.sho"));
    EXPECT_EQ(ShowBytes(1024, 768, 2, kPointsB), ReadBytes(Path("b.sho")));
}

// The first file's size, the points one file after the other, flags 2 on an
// NT-family system, no signature, and the inputs' priority flag dropped.
TEST_F(ReeljoinTest, JoinsInOrderWithTheFirstFilesSizeAndFreshFlags)
{
    std::vector<unsigned char> a = ShowBytes(1280, 1024, HF_PRIORITY | HF_OS_DOS, kPointsA);
    a[12] = 0x2A;  // a signature slot, which the joined show must not carry
    a[16] = 0x01;
    Write("a.sho", a);
    Write("b.sho", ShowBytes(800, 600, HF_PRIORITY | HF_COMPAT_WARNINGS, kPointsB));
    Write("c.sho", ShowBytes(640, 480, 0, kPointsC, 1));

    EXPECT_EQ(AddingLines({"a.sho", "b.sho", "c.sho"}) + CreatedText("out.sho"),
              Run("a.sho b.sho c.sho out.sho"));
    EXPECT_EQ(ShowBytes(1280, 1024, HF_COMPAT_WARNINGS, Joined({kPointsA, kPointsB, kPointsC})),
              ReadBytes(Path("out.sho")));
    EXPECT_EQ(a, ReadBytes(Path("a.sho")));
}

TEST_F(ReeljoinTest, JoiningAShowWithItselfDoublesItsPoints)
{
    Write("a.sho", ShowBytes(1024, 768, 0, kPointsA));
    EXPECT_EQ(AddingLines({"a.sho", "a.sho"}) + CreatedText("twice.sho"),
              Run("a.sho a.sho twice.sho"));
    EXPECT_EQ(ShowBytes(1024, 768, HF_COMPAT_WARNINGS, Joined({kPointsA, kPointsA})),
              ReadBytes(Path("twice.sho")));
}

TEST_F(ReeljoinTest, AnExistingOutputIsLeftAloneByteForByte)
{
    Write("a.sho", ShowBytes(1024, 768, 0, kPointsA));
    Write("b.sho", ShowBytes(1024, 768, 0, kPointsB));
    const std::vector<unsigned char> existing = ShowBytes(320, 200, HF_PRIORITY, kPointsC);
    Write("out.sho", existing);
    EXPECT_EQ(AddingLines({"a.sho", "b.sho"}) +
                  "Failed to save your file: [Failed to open: [out.sho] [File exists]]\r\n",
              Run("a.sho b.sho out.sho"));
    EXPECT_EQ(existing, ReadBytes(Path("out.sho")));

    // Naming an input as the output must not overwrite that input either.
    Run("a.sho b.sho a.sho");
    EXPECT_EQ(ShowBytes(1024, 768, 0, kPointsA), ReadBytes(Path("a.sho")));
}

TEST_F(ReeljoinTest, AMissingInputStopsAtThatFileAndCreatesNoOutput)
{
    Write("a.sho", ShowBytes(1024, 768, 0, kPointsA));
    Write("c.sho", ShowBytes(1024, 768, 0, kPointsC));
    EXPECT_EQ(AddingLines({"a.sho", "missing.sho"}) +
                  "Failed to load file: [missing.sho]: Failed to open file: [missing.sho] "
                  "[No such file or directory]\r\n",
              Run("a.sho missing.sho c.sho out.sho"));
    EXPECT_FALSE(FileExists(Path("out.sho")));
}

TEST_F(ReeljoinTest, AHeaderOnlyInputAddsNothingButGivesItsSizeWhenFirst)
{
    Write("empty.sho", ShowBytes(640, 480, HF_PRIORITY, {}));
    ASSERT_EQ(176u, ReadBytes(Path("empty.sho")).size());
    Write("a.sho", ShowBytes(1280, 1024, 0, kPointsA));
    Write("b.sho", ShowBytes(800, 600, 0, kPointsB));

    EXPECT_EQ(AddingLines({"a.sho", "empty.sho", "b.sho"}) + CreatedText("middle.sho"),
              Run("a.sho empty.sho b.sho middle.sho"));
    EXPECT_EQ(ShowBytes(1280, 1024, HF_COMPAT_WARNINGS, Joined({kPointsA, kPointsB})),
              ReadBytes(Path("middle.sho")));

    Run("empty.sho b.sho first.sho");
    EXPECT_EQ(ShowBytes(640, 480, HF_COMPAT_WARNINGS, kPointsB), ReadBytes(Path("first.sho")));
}

TEST_F(ReeljoinTest, TruncatedInputsStopTheJoinAndCreateNoOutput)
{
    Write("a.sho", ShowBytes(1024, 768, 0, kPointsA));
    Write("zero.sho", {});
    std::vector<unsigned char> shortHeader = ShowBytes(1024, 768, 0, {});
    shortHeader.resize(100);
    Write("short.sho", shortHeader);
    std::vector<unsigned char> shortV1 = ShowBytes(1024, 768, 0, {}, 1);
    shortV1.resize(7);
    Write("shortv1.sho", shortV1);

    for (const char* name : {"zero.sho", "short.sho", "shortv1.sho"}) {
        SCOPED_TRACE(name);
        std::string expected = AddingLines({"a.sho", name}) + "Failed to load file: [" + name +
                               "]: Failed to read file: [";
        std::string output = Run(std::string("a.sho ") + name + " out.sho");
        EXPECT_EQ(expected, output.substr(0, expected.size()));
        EXPECT_EQ("]\r\n", output.substr(output.size() - 3));
        EXPECT_FALSE(FileExists(Path("out.sho")));
    }
}

// A file with an unknown version word has no header to read: its records start
// right after the version word, a trailing partial record is dropped, and the
// size stays the default 1024 x 768.
TEST_F(ReeljoinTest, AnUnknownVersionIsReadAsRecordsAfterTheVersionWord)
{
    std::vector<unsigned char> garbage = {0x47, 0x41, 0x52, 0x42};
    std::vector<unsigned char> records = ShowBytes(1, 1, 0, kPointsB, 7);
    garbage.insert(garbage.end(), records.begin() + 10, records.end());
    garbage.insert(garbage.end(), {1, 2, 3, 4, 5});
    ASSERT_EQ(4u + 16 * kPointsB.size() + 5, garbage.size());
    Write("garbage.sho", garbage);
    Write("a.sho", ShowBytes(1280, 1024, 0, kPointsA));

    EXPECT_EQ(AddingLines({"garbage.sho", "a.sho"}) + CreatedText("out.sho"),
              Run("garbage.sho a.sho out.sho"));
    EXPECT_EQ(ShowBytes(1024, 768, HF_COMPAT_WARNINGS, Joined({kPointsB, kPointsA})),
              ReadBytes(Path("out.sho")));
}

// Makes Wine report Windows 98 to reeljoin.exe alone, for the object's lifetime.
class ScopedWindows98 {
public:
    ScopedWindows98()
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
            RegCloseKey(key);
        }
    }
    ~ScopedWindows98() { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }

private:
    static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\reeljoin.exe";
};

TEST_F(ReeljoinTest, OnADosFamilySystemTheFlagsAreThree)
{
    Write("a.sho", ShowBytes(1024, 768, 0, kPointsA));
    Write("b.sho", ShowBytes(1024, 768, HF_PRIORITY, kPointsB));
    {
        ScopedWindows98 windows98;
        EXPECT_EQ(AddingLines({"a.sho", "b.sho"}) + CreatedText("out.sho"),
                  Run("a.sho b.sho out.sho"));
    }
    EXPECT_EQ(ShowBytes(1024, 768, HF_OS_DOS | HF_COMPAT_WARNINGS, Joined({kPointsA, kPointsB})),
              ReadBytes(Path("out.sho")));
}

}  // namespace
