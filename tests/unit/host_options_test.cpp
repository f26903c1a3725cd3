// The command line: the demo's options, shots and bench runs, every bad option with a
// message naming it, and where the data folder is looked for.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/options.h"
#include "host/data_directory.h"

namespace {

// The parse in one line: the mode, then every setting, or "error: " and the message.
std::string parse(const std::vector<std::string>& args) {
    const ParsedOptions r = parseOptions(args);
    if (!r.ok) {
        return "error: " + r.error;
    }
    const Options& o = r.options;
    const char* const modes[] = {"demo",    "shots",     "bench",  "help",
                                 "capture", "benchmark", "version"};
    const char* const displays[] = {"ask", "windowed", "fullscreen"};
    std::ostringstream out;
    out << modes[static_cast<int>(o.mode)] << ' ' << displays[static_cast<int>(o.display)]
        << " data=" << o.dataDirectory << " mute=" << o.mute;
    if (o.loop) {
        out << " loop";
    }
    if (o.hasStart) {
        out << " start=" << o.startMs;
    }
    if (o.avOffsetMs != 0) {
        out << " av=" << o.avOffsetMs;
    }
    for (const int ms : o.shotMs) {
        out << " shot=" << ms;
    }
    out << " out=" << o.outDirectory << " bench=" << o.benchFromMs << ',' << o.benchToMs << ','
        << o.benchFrames;
    if (o.mode == RunMode::Capture) {
        out << " capture=" << o.captureFile << ',' << o.captureFps << ',' << o.captureFrom << ','
            << o.captureTo;
    }
    if (o.mode == RunMode::Benchmark) {
        out << " per-section=" << o.framesPerSection;
    }
    if (o.size.kind == FrameSizeRequest::Kind::Native) {
        out << " size=native";
    } else if (o.size.kind == FrameSizeRequest::Kind::Pixels) {
        out << " size=" << o.size.width << 'x' << o.size.height;
    }
    return out.str();
}

TEST(Options, NoArgumentsTheDemoOptionsShotsBenchAndHelp) {
    EXPECT_EQ(parse({}), "demo ask data= mute=0 out= bench=0,0,0");
    EXPECT_EQ(parse({"--windowed", "--mute", "--data", "/tmp/d", "--start=12.3456"}),
              "demo windowed data=/tmp/d mute=1 start=12346 out= bench=0,0,0");
    EXPECT_EQ(parse({"--av-offset", "-2000", "--av-offset=2000", "--windowed"}),
              "demo windowed data= mute=0 av=2000 out= bench=0,0,0");
    EXPECT_EQ(parse({"--fullscreen", "--fullscreen", "--data=x"}),
              "demo fullscreen data=x mute=0 out= bench=0,0,0");
    // Whole milliseconds, 0.0005 rounding up; past the end is left to the export to report.
    EXPECT_EQ(parse({"--shot", "0.5,4,0.0004,0.0005,324.9994,400", "--out", "o"}),
              "shots ask data= mute=0 shot=500 shot=4000 shot=0 shot=1 shot=324999 shot=400000 "
              "out=o bench=0,0,0");
    EXPECT_EQ(parse({"--bench", "10,20.5", "--frames", "30"}),
              "bench ask data= mute=0 out= bench=10000,20500,30");
    EXPECT_EQ(parse({"--bench", "1,1"}), "bench ask data= mute=0 out= bench=1000,1000,100");
    EXPECT_EQ(parse({"--capture", "d.MKV"}),
              "capture ask data= mute=0 out= bench=0,0,0 capture=d.MKV,60,0,325");
    EXPECT_EQ(parse({"--capture=d.mp4", "--fps", "240", "--from", "324.5", "--to=325"}),
              "capture ask data= mute=0 out= bench=0,0,0 capture=d.mp4,240,324.5,325");
    EXPECT_EQ(parse({"--benchmark"}),
              "benchmark ask data= mute=0 out= bench=0,0,0 per-section=120");
    EXPECT_EQ(parse({"--benchmark", "--frames-per-section", "7"}),
              "benchmark ask data= mute=0 out= bench=0,0,0 per-section=7");
    EXPECT_EQ(parse({"--help"}).substr(0, 4), "help");
    EXPECT_EQ(parse({"--shot", "1", "-h"}).substr(0, 4), "help"); // help wins
    EXPECT_EQ(parse({"--version", "--help"}).substr(0, 4), "help");
    EXPECT_EQ(parse({"--windowed", "--version"}).substr(0, 7), "version");
    EXPECT_NE(usageText("quorlith").find("--shot T[,T...]"), std::string::npos);
}

TEST(Options, BadUnknownAndConflictingOptionsAreRejectedWithTheirName) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--start"}, "--start needs a value"},
        {{"--start", "-1"}, "--start"},
        {{"--start", "nan"}, "--start"},
        {{"--start", "5s"}, "--start"},
        {{"--shot", "1,,2", "--out", "o"}, "--shot"},
        {{"--bench", "1"}, "--bench"},
        {{"--bench", "5,1"}, "not be after"},
        {{"--bench", "1,325"}, "end of the demo"},
        {{"--bench", "1,2", "--frames", "0"}, "--frames"},
        {{"--bench", "1,2", "--frames", "2x"}, "--frames"},
        {{"--data", ""}, "--data"},
        {{"--mute=yes"}, "takes no value"},
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"--windowed", "--fullscreen"}, "exclude each other"},
        {{"--shot", "1"}, "--shot needs --out"},
        {{"--out", "o"}, "--out only goes with --shot"},
        {{"--frames", "3"}, "--frames only goes with --bench"},
        {{"--shot", "1", "--out", "o", "--bench", "1,2"}, "exclude each other"},
        {{"--shot", "1", "--out", "o", "--windowed"}, "offscreen"},
        {{"--bench", "1,2", "--start", "3"}, "--start does not apply"},
        {{"--av-offset", "2001"}, "--av-offset"},
        {{"--av-offset", "-2001"}, "--av-offset"},
        {{"--av-offset", "1.5"}, "--av-offset"},
        {{"--av-offset", ""}, "--av-offset"},
        {{"--bench", "1,2", "--av-offset", "0"}, "--av-offset does not apply"},
        {{"--shot", "1", "--out", "o", "--av-offset", "40"}, "--av-offset does not apply"},
        {{"--capture", "d.mp4", "--av-offset", "40"}, "--av-offset does not apply"},
        {{"--capture", "d.avi"}, ".mp4"},
        {{"--capture", "mp4"}, ".mp4"},
        {{"--capture", "d.mp4", "--fps", "0"}, "--fps"},
        {{"--capture", "d.mp4", "--fps", "241"}, "--fps"},
        {{"--capture", "d.mp4", "--fps", "29.97"}, "--fps"},
        {{"--capture", "d.mp4", "--from", "-1"}, "--from"},
        {{"--capture", "d.mp4", "--to", "325.001"}, "--to"},
        {{"--capture", "d.mp4", "--from", "5", "--to", "5"}, "--from must come before --to"},
        {{"--capture", "d.mp4", "--to", "0"}, "--from must come before --to"},
        {{"--fps", "30"}, "only go with --capture"},
        {{"--capture", "d.mp4", "--windowed"}, "offscreen"},
        {{"--benchmark", "--capture", "d.mp4"}, "exclude each other"},
        {{"--benchmark", "--frames-per-section", "0"}, "--frames-per-section"},
        {{"--frames-per-section", "3"}, "only goes with --benchmark"},
    };
    for (const auto& [args, part] : cases) {
        const std::string result = parse(args);
        EXPECT_EQ(result.rfind("error: ", 0), 0u) << result;
        EXPECT_NE(result.find(part), std::string::npos) << result;
    }
}

std::set<std::string> existing;
bool fakeIsDirectory(const std::string& path) {
    return existing.count(path) != 0;
}

// --size: pixels, the named heights and the desktop's own; whatever the mode, with the
// limits the offline modes and the video put on it. --loop only plays live.
TEST(Options, SizesAndLoopForEveryModeAndTheirLimits) {
    const struct {
        std::vector<std::string> args;
        const char* parsed; // the tail of the parse, or the error
    } cases[] = {
        {{"--size", "1600x1200"}, "size=1600x1200"},
        {{"--size=1080p", "--windowed"}, "size=1440x1080"},
        {{"--size", "1440p", "--fullscreen"}, "size=1920x1440"},
        {{"--size", "2160p", "--benchmark"}, "size=2880x2160"},
        {{"--size", "native"}, "size=native"},
        {{"--size", "native", "--fullscreen"}, "size=native"},
        {{"--size", "320x240", "--shot", "1", "--out", "o"}, "size=320x240"},
        {{"--size", "1921x1081", "--capture", "a.mkv"}, "size=1921x1081"},
        {{"--size", "1920x1080", "--capture", "a.mp4"}, "size=1920x1080"},
        {{"--size", "1921x1080", "--capture", "a.mp4"},
         "error: --capture: an .mp4 needs an even width and height (4:2:0 video), not "
         "1921x1080; .mkv takes any size"},
        {{"--size", "native", "--shot", "1", "--out", "o"},
         "error: --shot has no screen to take the size of: give --size WxH"},
        {{"--size", "native", "--capture", "a.mkv"},
         "error: --capture has no screen to take the size of: give --size WxH"},
        {{"--size", "319x240"},
         "error: --size: '319x240' is smaller than the smallest size, "
         "320x240"},
        {{"--size", "16385x600"},
         "error: --size: '16385x600' is not WxH in pixels (up to 16384 "
         "each), native, 1080p, 1440p or 2160p"},
        {{"--size", "800X600"},
         "error: --size: '800X600' is not WxH in pixels (up to 16384 "
         "each), native, 1080p, 1440p or 2160p"},
        {{"--size", "720p"},
         "error: --size: '720p' is not WxH in pixels (up to 16384 each), "
         "native, 1080p, 1440p or 2160p"},
        {{"--size", "-800x600"},
         "error: --size: '-800x600' is not WxH in pixels (up to 16384 "
         "each), native, 1080p, 1440p or 2160p"},
        {{"--size"}, "error: --size needs a value"},
        {{"--loop", "--windowed", "--size", "1080p"}, "loop out= bench=0,0,0 size=1440x1080"},
        {{"--loop", "--benchmark"},
         "error: --benchmark renders the times it is given: --loop does not apply"},
        {{"--capture", "a.mp4", "--loop"},
         "error: --capture renders the times it is given: --loop does not apply"},
        {{"--loop=1"}, "error: --loop takes no value"},
    };
    for (const auto& c : cases) {
        const std::string parsed = parse(c.args);
        const std::string tail = c.parsed;
        EXPECT_EQ(parsed.substr(parsed.size() - std::min(parsed.size(), tail.size())), tail)
            << c.args[0] << ' ' << (c.args.size() > 1 ? c.args[1] : "");
    }
}

TEST(Options, DataFolderAskedThenBesideTheProgramThenInstalledThenWorkingDirectory) {
    const std::string beside = "/opt/q/bin/data", installed = "/opt/q/share/quorlith/data";
    const std::string tried = beside + ", " + installed + ", data";
    struct Case {
        std::set<std::string> existing;
        std::string asked, programFolder, directory, tried;
        bool found;
    };
    const Case cases[] = {
        {{beside, installed, "data"}, "", "/opt/q/bin/", beside, tried, true},
        {{installed, "data"}, "", "/opt/q/bin", installed, tried, true},
        {{"data"}, "", "/opt/q/bin/", "data", tried, true},
        {{"data"}, "/mine", "/opt/q/bin/", "/mine", "/mine", true},
        {{}, "", "/opt/q/bin/", beside, tried, false},
        {{}, "", "", "data", "data", false},
    };
    for (const Case& c : cases) {
        existing = c.existing;
        const DataDirectoryChoice choice =
            findDataDirectory(c.asked, c.programFolder, fakeIsDirectory);
        EXPECT_EQ(choice.directory, c.directory) << c.programFolder << ' ' << c.asked;
        EXPECT_EQ(choice.found, c.found) << c.directory;
        if (!c.found) {
            EXPECT_EQ(dataDirectoryMissingMessage(choice),
                      "quorlith: no data folder found (looked in " + c.tried + ")");
        }
    }
}

} // namespace
