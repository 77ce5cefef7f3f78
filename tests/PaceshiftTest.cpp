// paceshift started as a user starts it: command line in, text, exit status and files out.
#include "TestSupport.h"

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

const int kFailed = -1;

// The usage text exactly as the program prints it, with the line ends of text mode.
std::string UsageText()
{
    const char* const lines[] = {
        "Program version: [1.0.1.04]\n",
        "paceshift <filename> options\n\n",
        "  <filename> is the pathname of a Tovaren file that you wish to process.\n\n",
        "This program will read the specified file, and find the average time for each\n",
        "drawing point, and save a new file with the averages in place.  This should\n",
        "result in a more smooth, yet mechanical feel of your Tovaren file.\n\n",
        " Options:     The following items, including the Modifiers and Restrictors are\n",
        "              are optional. Use the options below for different end results.\n\n",
        "           -info will tell you what the average time is in miliseconds\n",
        "            for the given file.\n\n",
        " Modifiers:   The two following items are optional, but only one can\n",
        "              be used at a time.\n\n",
        "           -newtime [new milliseconds] specify a new time for each point.\n",
        "            You can alternate between this and -info to adjust the speed.\n\n",
        "           -offset [+/- milliseconds] specify positive or negative offset\n",
        "            value.  This will be added to or subtracted from each drawing point.\n",
        "            Will not average.\n\n",
        " Restrictors: The two following items can be used in any combination\n",
        "              of command line args.\n\n",
        "           -thresholdlow  This number is the lower threshold for time\n",
        "            modification.  Drawing points below this number will not be changed.\n\n",
        "           -thresholdhigh  This number is the upper threshold for time\n",
        "            modification.  Drawing points above this number will not be changed.\n\n",
    };
    std::string text;
    for (const char* line : lines)
        text += line;
    return Crlf(text);
}

ProcessResult Paceshift(const std::string& arguments)
{
    std::string line = "\"" + BinPath("paceshift.exe") + "\"";
    if (!arguments.empty())
        line += " " + arguments;
    ProcessResult result = RunProgram(line);
    EXPECT_TRUE(result.started) << line;
    EXPECT_TRUE(result.finished) << line;
    return result;
}

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

// A show of the given delays, all other fields fixed, so outputs compare by delays.
std::vector<TestPoint> WithDelays(const std::vector<uint16_t>& delays)
{
    std::vector<TestPoint> points;
    uint16_t x = 1;
    for (uint16_t delay : delays) {
        points.push_back({x, static_cast<uint16_t>(x + 100), delay, 0x00336699u, 3, PF_PEN_DOWN});
        x++;
    }
    return points;
}

Bytes ShowOf(const std::vector<uint16_t>& delays)
{
    return ShowBytes(1024, 768, HF_COMPAT_WARNINGS, WithDelays(delays));
}

// One folder per test holding the input a.sho.
struct Case {
    std::string folder;
    std::string input;
    std::string output;
    Bytes inputBytes;

    Case(const std::string& name, const std::vector<uint16_t>& delays)
        : folder(FreshFolder("paceshift-" + name)),
          input(JoinPath(folder, "a.sho")),
          output(JoinPath(folder, "a_new.sho")),
          inputBytes(ShowOf(delays))
    {
        EXPECT_TRUE(WriteBytes(input, inputBytes));
    }
    // The input is never changed, whatever happened.
    ~Case() { EXPECT_EQ(ReadBytes(input), inputBytes) << input; }
    std::string Creating() const { return "Creating file: [" + output + "]\r\n"; }
};

}  // namespace

TEST(Paceshift, NoArgumentPrintsTheUsage)
{
    ProcessResult result = Paceshift("");
    EXPECT_EQ(result.output, UsageText());
    EXPECT_EQ(ExitStatus(result), kFailed);
    EXPECT_EQ(result.exitCode, 0xFFFFFFFFu);
}

TEST(Paceshift, ReplacesDelaysInsideTheRangeByTheAverage)
{
    Case c("average", {100, 200, 0, 40000});
    ProcessResult result = Paceshift(Quoted(c.input));
    EXPECT_EQ(result.output, c.Creating());
    EXPECT_EQ(ExitStatus(result), 0);
    // 40300 / 4 = 10075; 0 and 40000 lie outside 0 < delay < 32000.
    EXPECT_EQ(ReadBytes(c.output), ShowOf({10075, 10075, 0, 40000}));
}

TEST(Paceshift, InfoReportsTheAverageAndWritesNothing)
{
    Case c("info", {100, 200, 0, 40000});
    ProcessResult result = Paceshift(Quoted(c.input) + " -info");
    EXPECT_EQ(result.output, "Average Milliseconds: [10075]\r\n");
    EXPECT_EQ(ExitStatus(result), 0);
    EXPECT_FALSE(FileExists(c.output));
}

TEST(Paceshift, NewTimeWithALowerThreshold)
{
    Case c("newtime", {5, 10, 11, 31999, 32000, 65535});
    ProcessResult result = Paceshift(Quoted(c.input) + " -newtime 50 -thresholdlow 10");
    EXPECT_EQ(result.output, c.Creating());
    EXPECT_EQ(ExitStatus(result), 0);
    EXPECT_EQ(ReadBytes(c.output), ShowOf({5, 10, 50, 50, 32000, 65535}));
}

TEST(Paceshift, NegativeOffsetStopsAtZero)
{
    Case c("offset", {20, 100, 0, 30});
    ProcessResult result = Paceshift(Quoted(c.input) + " -offset -30");
    EXPECT_EQ(result.output, "Offsetting each time by [-30] milliseconds.\r\n" + c.Creating());
    EXPECT_EQ(ExitStatus(result), 0);
    EXPECT_EQ(ReadBytes(c.output), ShowOf({0, 70, 0, 0}));
}

TEST(Paceshift, OffsetWinsOverNewTime)
{
    Case c("offset-wins", {20, 100});
    ProcessResult result = Paceshift(Quoted(c.input) + " -newtime 50 -offset 10");
    EXPECT_EQ(result.output, "Offsetting each time by [10] milliseconds.\r\n" + c.Creating());
    EXPECT_EQ(ReadBytes(c.output), ShowOf({30, 110}));
}

TEST(Paceshift, DelaysStopAtTheLargestSixteenBitValue)
{
    Case c("clamp", {20, 31000, 40000});
    ProcessResult result = Paceshift(Quoted(c.input) + " -offset 50000 -thresholdhigh 100000");
    EXPECT_EQ(ExitStatus(result), 0);
    EXPECT_EQ(ReadBytes(c.output), ShowOf({50020, 65535, 65535}));

    result = Paceshift(Quoted(c.input) + " -newtime 70000");
    EXPECT_EQ(result.output, c.Creating());
    EXPECT_EQ(ReadBytes(c.output), ShowOf({65535, 65535, 40000}));
}

TEST(Paceshift, ThresholdsAndRepeatedOptions)
{
    Case c("thresholds", {10, 20, 30, 40});
    // A later value replaces an earlier one; both bounds are strict.
    ProcessResult result = Paceshift(Quoted(c.input) +
                                     " -thresholdhigh 5 -thresholdhigh 40 -thresholdlow 10 -newtime 1 -newtime 7");
    EXPECT_EQ(ExitStatus(result), 0);
    EXPECT_EQ(ReadBytes(c.output), ShowOf({10, 7, 7, 40}));
    // A value is taken whatever it looks like: "-info" reads as 0 here.
    result = Paceshift(Quoted(c.input) + " -thresholdlow -info");
    EXPECT_EQ(result.output, c.Creating());
    EXPECT_EQ(ReadBytes(c.output), ShowOf({25, 25, 25, 25}));
    // Text that is no number reads as 0.
    result = Paceshift(Quoted(c.input) + " -newtime soon");
    EXPECT_EQ(ExitStatus(result), 0);
    EXPECT_EQ(ReadBytes(c.output), ShowOf({0, 0, 0, 0}));
}

TEST(Paceshift, ExistingOutputIsReplacedAndVersionOneBecomesVersionTwo)
{
    std::string folder = FreshFolder("paceshift-v1");
    std::string input = JoinPath(folder, "old.sho");
    std::string output = JoinPath(folder, "old_new.sho");
    ASSERT_TRUE(WriteBytes(input, ShowBytes(640, 480, HF_OS_DOS, WithDelays({10, 30}), 1)));
    ASSERT_TRUE(WriteBytes(output, Bytes(5000, 0xEE)));
    ProcessResult result = Paceshift(Quoted(input));
    EXPECT_EQ(ExitStatus(result), 0);
    EXPECT_EQ(ReadBytes(output), ShowBytes(640, 480, HF_OS_DOS, WithDelays({20, 20}), 2));
}

TEST(Paceshift, ReadOnlyOutputIsReportedAndKept)
{
    Case c("readonly", {10, 30});
    Bytes old(300, 0x42);
    ASSERT_TRUE(WriteBytes(c.output, old));
    ASSERT_TRUE(SetFileAttributesA(c.output.c_str(), FILE_ATTRIBUTE_READONLY));
    ProcessResult result = Paceshift(Quoted(c.input));
    SetFileAttributesA(c.output.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(result.output, c.Creating() + "Failed to save file: [" + c.output +
                                 "]: Failed to open: [" + c.output + "] [Permission denied]\r\n");
    EXPECT_EQ(ExitStatus(result), kFailed);
    EXPECT_EQ(ReadBytes(c.output), old);
}

TEST(Paceshift, OptionsMissingTheirValues)
{
    Case c("missing-values", {10, 30});
    const struct {
        const char* arguments;
        const char* output;
    } cases[] = {
        {" -newtime", "you have to specify a new time in milliseconds with this option.\r\n"},
        {" -offset", "you have to specify a new time in milliseconds with this option.\r\n"},
        {" -info -thresholdlow", "Expecting a number for the lower threshold.\r\n"},
        {" -thresholdhigh", "Expecting a number for the upper threshold.\r\n"},
        {" -newtime -5", "You either screwed up in specifying a time in miliseconds,\r\n"
                         "or your number is to large/small.\r\n"},
        {" -offset 5 -newtime", "Offsetting each time by [5] milliseconds.\r\n"
                                "you have to specify a new time in milliseconds with this option.\r\n"},
    };
    for (const auto& each : cases) {
        ProcessResult result = Paceshift(Quoted(c.input) + each.arguments);
        EXPECT_EQ(result.output, each.output) << each.arguments;
        EXPECT_EQ(ExitStatus(result), kFailed) << each.arguments;
        EXPECT_FALSE(FileExists(c.output)) << each.arguments;
    }
}

TEST(Paceshift, UnknownArgumentsAndBadNames)
{
    Case c("bad-arguments", {10, 30});
    ProcessResult result = Paceshift(Quoted(c.input) + " -bogus");
    EXPECT_EQ(result.output, UsageText() + "Unrecognized command line arg: [-bogus]\r\n");
    EXPECT_EQ(ExitStatus(result), kFailed);
    // Option names are matched exactly.
    result = Paceshift(Quoted(c.input) + " -INFO");
    EXPECT_EQ(result.output, UsageText() + "Unrecognized command line arg: [-INFO]\r\n");

    std::string invalid = UsageText() + "Invalid file name.  Looking for *.sho\r\n";
    for (const char* name : {"a.SHO", "a.show", "sho", ".sh", "a.sho.bak"}) {
        result = Paceshift(std::string("\"") + JoinPath(c.folder, name) + "\"");
        EXPECT_EQ(result.output, invalid) << name;
        EXPECT_EQ(ExitStatus(result), kFailed) << name;
    }
    // A bad option is found before the bad name, a bad name before the file is read.
    result = Paceshift("missing.SHO -bogus");
    EXPECT_EQ(result.output, UsageText() + "Unrecognized command line arg: [-bogus]\r\n");
    result = Paceshift("missing.SHO -info");
    EXPECT_EQ(result.output, invalid);
    EXPECT_EQ(FolderEntries(c.folder), std::vector<std::string>{"a.sho"});
}

TEST(Paceshift, ShowsThatCannotBeRetimedAreRefused)
{
    Case zero("all-zero", {0, 0, 0});
    ProcessResult result = Paceshift(Quoted(zero.input));
    EXPECT_EQ(result.output, "Error loading file: [" + zero.input + "]: \r\n");
    EXPECT_EQ(ExitStatus(result), kFailed);
    EXPECT_FALSE(FileExists(zero.output));

    std::string missing = JoinPath(zero.folder, "gone.sho");
    result = Paceshift(Quoted(missing));
    EXPECT_EQ(result.output, "Error loading file: [" + missing + "]: Failed to open file: [" + missing +
                                 "] [No such file or directory]\r\n");
    EXPECT_EQ(ExitStatus(result), kFailed);

    std::string empty = JoinPath(zero.folder, "empty.sho");
    ASSERT_TRUE(WriteBytes(empty, {}));
    result = Paceshift(Quoted(empty));
    EXPECT_EQ(result.output.rfind("Error loading file: [" + empty + "]: Failed to read file: [", 0), 0u)
        << result.output;
    EXPECT_EQ(ExitStatus(result), kFailed);
    EXPECT_FALSE(FileExists(JoinPath(zero.folder, "empty_new.sho")));
    EXPECT_FALSE(FileExists(JoinPath(zero.folder, "gone_new.sho")));
}
