#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "host/options.h"

namespace {

ParsedOptions parse(std::vector<std::string> args) {
    return parseOptions(args);
}

void expectRejected(std::vector<std::string> args, const std::string& part) {
    const ParsedOptions result = parseOptions(args);
    EXPECT_FALSE(result.ok) << "accepted: " << (args.empty() ? "" : args[0]);
    EXPECT_NE(result.error.find(part), std::string::npos) << result.error;
}

TEST(Options, NoArgumentsRunTheDemoWithTheDialog) {
    const ParsedOptions result = parse({});
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.options.mode, RunMode::Demo);
    EXPECT_EQ(result.options.display, DisplayChoice::Ask);
    EXPECT_FALSE(result.options.mute);
    EXPECT_FALSE(result.options.hasStart);
    EXPECT_TRUE(result.options.dataDirectory.empty());
}

TEST(Options, DemoOptionsInBothSpellings) {
    const ParsedOptions result =
        parse({"--windowed", "--mute", "--data", "/tmp/d", "--start=12.3456"});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.options.display, DisplayChoice::Windowed);
    EXPECT_TRUE(result.options.mute);
    EXPECT_EQ(result.options.dataDirectory, "/tmp/d");
    EXPECT_TRUE(result.options.hasStart);
    EXPECT_EQ(result.options.startMs, 12346);

    const ParsedOptions full = parse({"--fullscreen", "--fullscreen", "--data=x"});
    ASSERT_TRUE(full.ok) << full.error;
    EXPECT_EQ(full.options.display, DisplayChoice::FullScreen);
    EXPECT_EQ(full.options.dataDirectory, "x");
}

TEST(Options, HelpWinsOverEverythingElse) {
    EXPECT_EQ(parse({"--help"}).options.mode, RunMode::Help);
    EXPECT_EQ(parse({"--shot", "1", "-h"}).options.mode, RunMode::Help);
    EXPECT_NE(usageText("quorlith").find("--shot T[,T...]"), std::string::npos);
}

TEST(Options, ShotTimesBecomeWholeMilliseconds) {
    const ParsedOptions result = parse({"--shot", "0.5,4,0.0004,0.0005,324.9994", "--out", "o"});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.options.mode, RunMode::Shots);
    EXPECT_EQ(result.options.shotMs, (std::vector<int>{500, 4000, 0, 1, 324999}));
    EXPECT_EQ(result.options.outDirectory, "o");
    // Past the end is accepted here; the export reports it per frame.
    EXPECT_TRUE(parse({"--shot", "400", "--out", "o"}).ok);
}

TEST(Options, BenchRangeAndFrames) {
    const ParsedOptions result = parse({"--bench", "10,20.5", "--frames", "30"});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.options.mode, RunMode::Bench);
    EXPECT_EQ(result.options.benchFromMs, 10000);
    EXPECT_EQ(result.options.benchToMs, 20500);
    EXPECT_EQ(result.options.benchFrames, 30);
    EXPECT_EQ(parse({"--bench", "1,1"}).options.benchFrames, kDefaultBenchFrames);
}

TEST(Options, BadValuesAreRejectedWithTheirName) {
    expectRejected({"--start"}, "--start needs a value");
    expectRejected({"--start", "-1"}, "--start");
    expectRejected({"--start", "nan"}, "--start");
    expectRejected({"--start", "inf"}, "--start");
    expectRejected({"--start", "1e300"}, "--start");
    expectRejected({"--start", "5s"}, "--start");
    expectRejected({"--start", ""}, "--start");
    expectRejected({"--shot", "1,,2", "--out", "o"}, "--shot");
    expectRejected({"--shot", "1,-2", "--out", "o"}, "--shot");
    expectRejected({"--bench", "1"}, "--bench");
    expectRejected({"--bench", "1,2,3"}, "--bench");
    expectRejected({"--bench", "5,1"}, "not be after");
    expectRejected({"--bench", "1,325"}, "end of the demo");
    expectRejected({"--bench", "1,2", "--frames", "0"}, "--frames");
    expectRejected({"--bench", "1,2", "--frames", "100001"}, "--frames");
    expectRejected({"--bench", "1,2", "--frames", "+3"}, "--frames");
    expectRejected({"--bench", "1,2", "--frames", "2x"}, "--frames");
    expectRejected({"--data", ""}, "--data");
    expectRejected({"--mute=yes"}, "takes no value");
}

TEST(Options, UnknownAndConflictingOptionsAreRejected) {
    expectRejected({"--frobnicate"}, "unknown option '--frobnicate'");
    expectRejected({"demo.mp3"}, "unknown option 'demo.mp3'");
    expectRejected({"--windowed", "--fullscreen"}, "exclude each other");
    expectRejected({"--shot", "1"}, "--shot needs --out");
    expectRejected({"--out", "o"}, "--out only goes with --shot");
    expectRejected({"--frames", "3"}, "--frames only goes with --bench");
    expectRejected({"--shot", "1", "--out", "o", "--bench", "1,2"}, "exclude each other");
    expectRejected({"--shot", "1", "--out", "o", "--windowed"}, "offscreen");
    expectRejected({"--bench", "1,2", "--start", "3"}, "--start does not apply");
}

TEST(Options, SecondsRoundToTheNearestMillisecond) {
    EXPECT_EQ(secondsToPositionMs(0.0), 0);
    EXPECT_EQ(secondsToPositionMs(12.345), 12345);
    EXPECT_EQ(secondsToPositionMs(0.0014999), 1);
    EXPECT_EQ(secondsToPositionMs(0.0015), 2);
    EXPECT_EQ(secondsToPositionMs(kMaxSeconds), 86400000);
}

std::set<std::string> existing;
bool fakeIsDirectory(const std::string& path) {
    return existing.count(path) != 0;
}

TEST(Options, DataFolderBesideTheProgramThenWorkingDirectory) {
    existing = {"/opt/q/data", "data"};
    EXPECT_EQ(resolveDataDirectory("", "/opt/q/", fakeIsDirectory), "/opt/q/data");
    EXPECT_EQ(resolveDataDirectory("", "/opt/q", fakeIsDirectory), "/opt/q/data");
    EXPECT_EQ(resolveDataDirectory("/mine", "/opt/q/", fakeIsDirectory), "/mine");
    existing = {"data"};
    EXPECT_EQ(resolveDataDirectory("", "/opt/q/", fakeIsDirectory), "data");
    existing = {};
    EXPECT_EQ(resolveDataDirectory("", "/opt/q/", fakeIsDirectory), "/opt/q/data");
    EXPECT_EQ(resolveDataDirectory("", "", fakeIsDirectory), "data");
}

} // namespace
