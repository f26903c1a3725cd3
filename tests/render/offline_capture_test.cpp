// Capture and benchmark through the real program: the video's streams, frames against the
// --shot of the same instant, the soundtrack against the track, failures that leave no
// file behind, and the benchmark's table.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "audio/mp3_stream.h"
#include "support/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

// A scratch folder of this test's own.
struct Scratch : ScratchDir {
    Scratch() : ScratchDir("quorlith-capture") {}
};

std::string readText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// The program with `args`, its environment prefixed by `env` (for PATH).
Outcome runQuorlith(const Scratch& s, const std::string& env, const std::string& args) {
    const std::string command = env + " '" QUORLITH_BINARY "' " + args + " >'" +
                                (s.dir / "out.txt").string() + "' 2>'" +
                                (s.dir / "err.txt").string() + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readText(s.dir / "out.txt"),
            readText(s.dir / "err.txt")};
}

std::string shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[4096];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
            out.append(chunk, n);
        }
        pclose(pipe);
    }
    return out;
}

// A picture as 8-bit RGB through ffmpeg: a PNG, or frame k of a video.
std::string rgbPicture(const std::string& path, int k = 0) {
    return shell("ffmpeg -v error -i '" + path + "' -vf 'select=eq(n\\," + std::to_string(k) +
                 ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
}

double psnr(const std::string& a, const std::string& b) {
    EXPECT_EQ(b.size(), a.size());
    double sum = 0.0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        const double d =
            static_cast<double>(static_cast<uint8_t>(a[i])) - static_cast<uint8_t>(b[i]);
        sum += d * d;
    }
    const double mse = sum / static_cast<double>(std::max<std::size_t>(a.size(), 1));
    return 10.0 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9));
}

// Mono samples of the track from `from` (a sample frame), `count` long.
std::vector<float> trackMono(int64_t from, int64_t count) {
    const std::string bytes = readText(QUORLITH_BUILD_DIR "/data/music/track.mp3");
    Mp3Stream stream;
    std::string error;
    EXPECT_TRUE(
        stream.open(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), error))
        << error;
    stream.seek(from);
    std::vector<int16_t> pcm(static_cast<std::size_t>(count) * 2);
    pcm.resize(static_cast<std::size_t>(stream.read(pcm.data(), count)) * 2);
    std::vector<float> mono;
    for (std::size_t i = 0; i + 1 < pcm.size(); i += 2) {
        mono.push_back((pcm[i] + pcm[i + 1]) / 65536.0f);
    }
    return mono;
}

TEST(Capture, ThreeSecondsMatchTheShotsAndTheTrack) {
    Scratch s;
    const std::string video = (s.dir / "c.mp4").string();
    const Outcome run =
        runQuorlith(s, "", "--capture '" + video + "' --fps 30 --from 100 --to 103");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("90 frames at 30 fps"), std::string::npos) << run.out;
    EXPECT_EQ(shell("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                    "stream=codec_name,width,height,pix_fmt,nb_read_frames -of csv=p=0 '" +
                    video + "'"),
              "h264,800,600,yuv420p,90\n");
    const std::string audio = shell("ffprobe -v error -select_streams a:0 -show_entries "
                                    "stream=codec_name,duration -of csv=p=0 '" +
                                    video + "'");
    ASSERT_EQ(audio.substr(0, 4), "aac,") << audio;
    EXPECT_NEAR(std::stod(audio.substr(4)), 3.0, 1.0 / 30);

    // Frame 30 is demo time 101 s: closest to the --shot of 101 s, closer than its neighbours.
    ASSERT_EQ(runQuorlith(s, "", "--shot 101 --out '" + s.dir.string() + "'").status, 0);
    const std::string shot = rgbPicture((s.dir / "shot-101000.png").string());
    double match[3];
    for (int k = 29; k <= 31; ++k) {
        match[k - 29] = psnr(rgbPicture(video, k), shot);
    }
    EXPECT_GE(match[1], 35.0);
    EXPECT_GT(match[1], match[0]);
    EXPECT_GT(match[1], match[2]);

    // The soundtrack lines up with the track at 100 s: the best cross-correlation lag is
    // well under one frame (1470 samples at 30 fps).
    const fs::path raw = s.dir / "a.raw";
    shell("ffmpeg -v error -i '" + video + "' -map 0:a -f s16le -ac 2 '" + raw.string() + "'");
    const std::string pcm = readText(raw);
    const auto* samples = reinterpret_cast<const int16_t*>(pcm.data());
    const int lagLimit = 1470;
    const int64_t start = 44100 / 2; // one second from the middle of the capture
    const int64_t length = 44100;
    ASSERT_GE(pcm.size() / 4, static_cast<std::size_t>(start + length));
    const std::vector<float> track =
        trackMono(100 * 44100 + start - lagLimit, length + 2 * lagLimit);
    ASSERT_EQ(track.size(), static_cast<std::size_t>(length + 2 * lagLimit));
    int bestLag = 0;
    double best = -1e30;
    for (int lag = -lagLimit; lag <= lagLimit; ++lag) {
        double sum = 0.0;
        for (int64_t i = 0; i < length; ++i) {
            const float mono = (samples[2 * (start + i)] + samples[2 * (start + i) + 1]) / 65536.0f;
            sum += mono * track[static_cast<std::size_t>(i + lagLimit + lag)];
        }
        if (sum > best) {
            best = sum;
            bestLag = lag;
        }
    }
    EXPECT_LE(std::abs(bestLag), 1) << "lag " << bestLag << " samples";
}

// At 2160p the shareable video is 2880 x 2160 and tagged BT.709 (HD colours); an .mp4 of an
// odd size is refused before anything starts, since 4:2:0 video needs even sizes.
TEST(Capture, At2160pTheVideoIsHdAndOddMp4SizesAreRefused) {
    Scratch s;
    const std::string video = (s.dir / "uhd.mp4").string();
    const Outcome run =
        runQuorlith(s, "", "--size 2160p --capture '" + video + "' --fps 30 --from 200 --to 200.5");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(shell("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                    "stream=width,height,pix_fmt,color_space,color_primaries,color_transfer,"
                    "nb_read_frames -of csv=p=0 '" +
                    video + "'"),
              "2880,2160,yuv420p,bt709,bt709,bt709,15\n");
    const Outcome odd =
        runQuorlith(s, "", "--size 1441x1080 --capture '" + (s.dir / "odd.mp4").string() + "'");
    EXPECT_EQ(odd.status, 2);
    EXPECT_NE(odd.err.find("an .mp4 needs an even width and height"), std::string::npos) << odd.err;
    EXPECT_FALSE(fs::exists(s.dir / "odd.mp4"));
}

// The lossless master holds, frame for frame, the --shot of each frame's instant at the same
// size: both paths draw the same picture with the same spectrum. At 60 fps every third frame
// falls on a whole millisecond.
TEST(Capture, LosslessFramesAreTheShotsOfTheirInstants) {
    for (const char* size : {"800x600", "1600x1200"}) {
        SCOPED_TRACE(size);
        Scratch s;
        const std::string video = (s.dir / "master.mkv").string();
        const std::string sized = std::string(" --size ") + size;
        const Outcome run = runQuorlith(
            s, "", "--capture '" + video + "'" + sized + " --fps 60 --from 199.9 --to 200.1");
        ASSERT_EQ(run.status, 0) << run.err;
        ASSERT_EQ(
            runQuorlith(s, "", "--shot 199.9,200,200.05 --out '" + s.dir.string() + "'" + sized)
                .status,
            0);
        const struct {
            int frame;
            const char* shot;
        } pairs[] = {{0, "shot-199900.png"}, {6, "shot-200000.png"}, {9, "shot-200050.png"}};
        for (const auto& pair : pairs) {
            const std::string shot = rgbPicture((s.dir / pair.shot).string());
            const std::string frame = rgbPicture(video, pair.frame);
            ASSERT_FALSE(shot.empty());
            EXPECT_TRUE(frame == shot) << pair.shot << ": " << psnr(frame, shot) << " dB";
        }
    }
}

TEST(Capture, FailuresNameTheCauseAndLeaveNoFile) {
    struct Case {
        const char* what;
        const char* fakeFfmpeg; // script body; null: the real PATH
        const char* target;     // relative to the scratch folder unless absolute
        const char* message;
    };
    const Case cases[] = {
        {"no ffmpeg", "", "out.mp4", "not found on the PATH"},
        {"ffmpeg failing", "echo 'Unknown encoder' >&2; exit 3", "out.mp4",
         "exited with status 3; no file written\nffmpeg said:\n  Unknown encoder\n"},
        {"ffmpeg dying mid-way", "head -c 4000000 >/dev/null; kill -9 $$", "out.mkv",
         "killed by signal 9"},
        {"missing folder", nullptr, "no/such/folder/out.mp4", "cannot create a file in the folder"},
        {"unwritable folder", nullptr, "/proc/quorlith-capture.mp4",
         "cannot create a file in the folder '/proc'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scratch s;
        std::string env;
        if (c.fakeFfmpeg != nullptr) {
            fs::create_directory(s.dir / "bin");
            if (*c.fakeFfmpeg != '\0') {
                std::ofstream(s.dir / "bin/ffmpeg") << "#!/bin/sh\nPATH=/usr/bin:/bin\n"
                                                    << c.fakeFfmpeg << "\n";
                fs::permissions(s.dir / "bin/ffmpeg", fs::perms::owner_all);
            }
            env = "PATH='" + (s.dir / "bin").string() + "'";
        }
        const fs::path target =
            fs::path(c.target).is_absolute() ? fs::path(c.target) : s.dir / c.target;
        std::ofstream(s.dir / "out.mp4") << "old"; // replaced only by a finished capture
        const Outcome run =
            runQuorlith(s, env, "--capture '" + target.string() + "' --fps 10 --from 100 --to 101");
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("no file written"), std::string::npos) << run.err;
        EXPECT_EQ(readText(s.dir / "out.mp4"), "old");
        EXPECT_FALSE(fs::exists(target) && target != s.dir / "out.mp4");
        for (const auto& entry : fs::recursive_directory_iterator(s.dir)) {
            EXPECT_EQ(entry.path().filename().string().find(".part-"), std::string::npos)
                << entry.path();
        }
    }
}

TEST(Capture, WithoutTheTrackTheVideoHasNoSoundAndAWarning) {
    Scratch s;
    for (const auto& entry : fs::directory_iterator(QUORLITH_BUILD_DIR "/data")) {
        if (entry.path().filename() != "music") {
            fs::create_directory_symlink(entry.path(), s.dir / entry.path().filename());
        }
    }
    const std::string video = (s.dir / "v.mkv").string();
    const Outcome run = runQuorlith(s, "",
                                    "--data '" + s.dir.string() + "' --capture '" + video +
                                        "' --fps 10 --from 100 --to 100.2");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("track.mp3' cannot be read: the video will have no sound"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(shell("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 '" + video + "'"),
              "h264\n");
}

TEST(Benchmark, EverySectionTheRendererAndTheWorstP99) {
    Scratch s;
    const Outcome run = runQuorlith(s, "", "--benchmark --frames-per-section 2");
    ASSERT_EQ(run.status, 0) << run.err;
    const char* const sections[] = {
        "opening backdrop", "rising row",    "orbit",        "fire helix",   "sprite cloud",
        "twin knots",       "mirror sphere", "swirling sea", "helix tunnel", "credits"};
    const std::string number = "[0-9]+\\.[0-9]+";
    for (const char* section : sections) {
        const std::regex row("(^|\n)" + std::string(section) + " +" + number + "-" + number +
                             " +2( +" + number + "){4}\n");
        EXPECT_TRUE(std::regex_search(run.out, row)) << section << " in\n" << run.out;
    }
    EXPECT_TRUE(std::regex_search(run.out, std::regex("\nrenderer: .+\n")));
    EXPECT_TRUE(std::regex_search(run.out, std::regex("\nstart-up to first frame: [0-9]+ ms\n")));
    EXPECT_TRUE(
        std::regex_search(run.out, std::regex("\npeak resident memory: " + number + " MiB\n")));
    std::string alternatives;
    for (const char* section : sections) {
        alternatives += (alternatives.empty() ? "" : "|") + std::string(section);
    }
    EXPECT_TRUE(std::regex_search(
        run.out, std::regex("\nworst p99 " + number + " ms \\((" + alternatives + ")\\)\n$")))
        << run.out;
}

} // namespace
