// The playback path through SDL's "disk" audio driver, which takes the sound at real-time
// pace and writes what would be heard to a file: after a seek the file holds the decoded
// track from the asked position, without a click, and the reported position follows
// what was written.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <thread>

#include "audio/clock_math.h"
#include "audio/music.h"
#include "support/mp3_tools.h"

namespace {

constexpr int kRate = 44100;
constexpr int kFadeFrames = 220; // 5 ms

// A stereo chirp (left rising 300 -> 1500 Hz, right falling): every stretch of it is
// unlike any other, and it is smooth, so a jump in it would show as a click.
std::vector<int16_t> chirp(double seconds) {
    const int frames = static_cast<int>(seconds * kRate);
    std::vector<int16_t> pcm(2 * static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double sweep = 1200.0 * t * t / (2.0 * seconds);
        const double left = std::sin(2.0 * std::numbers::pi * (300.0 * t + sweep));
        const double right = std::sin(2.0 * std::numbers::pi * (1500.0 * t - sweep));
        pcm[2 * static_cast<std::size_t>(i)] = static_cast<int16_t>(std::lrint(16000.0 * left));
        pcm[2 * static_cast<std::size_t>(i) + 1] =
            static_cast<int16_t>(std::lrint(16000.0 * right));
    }
    return pcm;
}

int64_t fileFrames(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_size / 4 : 0;
}

// Largest difference between `frames` frames of two interleaved stereo signals.
int maxDifference(const int16_t* a, const int16_t* b, int64_t frames) {
    int worst = 0;
    for (int64_t i = 0; i < 2 * frames; ++i) {
        worst = std::max(worst, std::abs(a[i] - b[i]));
    }
    return worst;
}

int maxStep(const int16_t* pcm, int64_t from, int64_t to) {
    int worst = 0;
    for (int64_t i = from; i + 1 < to; ++i) {
        for (int c = 0; c < 2; ++c) {
            worst = std::max(worst, std::abs(pcm[2 * (i + 1) + c] - pcm[2 * i + c]));
        }
    }
    return worst;
}

struct Sample {
    int positionMs;
    int64_t writtenFrames;
};

TEST(Playback, DiskDeviceHearsTheTrackFromTheAskedPosition) {
    const auto mp3 = encodeMp3(chirp(5.0), 2, kRate);
    const auto reference = decodeMp3(mp3);
    ASSERT_EQ(reference.size(), 2u * 5 * kRate);
    const std::string track = writeTempFile("chirp.mp3", mp3);
    const std::string output = tempPath("heard.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    closeMusic();
    setClockSource(ClockSource::Device);
    ASSERT_TRUE(openMusic(track));
    ASSERT_EQ(activeClockSource(), ClockSource::Device);

    // Polls until the position reaches `untilMs` (at most 10 s, should the device stall).
    const auto follow = [&](int untilMs, std::vector<Sample>& samples) {
        for (int i = 0; i < 500 && musicPositionMs() < untilMs; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const int position = musicPositionMs(); // read first: the file only grows
            samples.push_back({position, fileFrames(output)});
        }
        return musicPositionMs() >= untilMs;
    };
    std::vector<Sample> before;
    ASSERT_TRUE(follow(300, before));
    // A seek from the frame's demo time: the asked position takes effect at once.
    updateDemoTime();
    const int askedMs = seekTargetMs(demoTime(), 2700.0f);
    seekMusic(2700.0f);
    EXPECT_EQ(musicPositionMs(), askedMs);
    const int64_t writtenAtSeek = fileFrames(output);
    std::vector<Sample> after;
    const bool played = follow(askedMs + 400, after);
    closeMusic();
    ASSERT_TRUE(played);

    std::vector<unsigned char> bytes;
    ASSERT_TRUE(readFileBytes(output, bytes));
    const auto* heard = reinterpret_cast<const int16_t*>(bytes.data());
    const int64_t heardFrames = static_cast<int64_t>(bytes.size() / 4);

    // Up to the fade before the seek, the file is the track from its start.
    int64_t jump = 0;
    while (jump < heardFrames && heard[2 * jump] == reference[2 * jump] &&
           heard[2 * jump + 1] == reference[2 * jump + 1]) {
        ++jump;
    }
    ASSERT_GE(jump, framesFromMs(250)) << "playback did not start at the track's start";
    ASSERT_GE(jump, writtenAtSeek); // what was handed over before the seek stays
    ASSERT_LE(jump, writtenAtSeek + framesFromMs(250));
    ASSERT_LT(jump, heardFrames - framesFromMs(300));

    // After the fades the file continues the track from the asked frame: find which
    // track frame a stretch of the file well after the jump holds.
    const int64_t asked = framesFromMs(askedMs);
    const int64_t probe = jump + 3 * kFadeFrames;
    const int64_t length = framesFromMs(200);
    int64_t probeTrackFrame = -1;
    int bestDifference = INT32_MAX;
    for (int64_t f = asked - 2000; f <= asked + 4000; ++f) {
        const int d = maxDifference(heard + 2 * probe, reference.data() + 2 * f, length);
        if (d < bestDifference) {
            bestDifference = d;
            probeTrackFrame = f;
        }
    }
    ASSERT_LE(bestDifference, 1);
    const int64_t newSound = probe - (probeTrackFrame - asked); // where frame `asked` lies
    // The old sound fades out over kFadeFrames from the jump, then the asked frame follows.
    ASSERT_GE(newSound, jump);
    ASSERT_LE(newSound, jump + kFadeFrames);
    const int64_t fadeOut = newSound - kFadeFrames;
    for (int i = 0; i < kFadeFrames; ++i) {
        for (int c = 0; c < 2; ++c) {
            const double out = reference[2 * (fadeOut + i) + c] * (kFadeFrames - 1 - i) /
                               static_cast<double>(kFadeFrames);
            const double in = reference[2 * (asked + i) + c] * i / static_cast<double>(kFadeFrames);
            ASSERT_NEAR(heard[2 * (fadeOut + i) + c], out, 1.0) << "fade-out frame " << i;
            ASSERT_NEAR(heard[2 * (newSound + i) + c], in, 1.0) << "fade-in frame " << i;
        }
    }
    // And from the end of the fade-in on, the file is the decoded track, sample for sample.
    const int64_t rest = heardFrames - (newSound + kFadeFrames);
    EXPECT_GT(rest, framesFromMs(300));
    EXPECT_LE(maxDifference(heard + 2 * (newSound + kFadeFrames),
                            reference.data() + 2 * (asked + kFadeFrames), rest),
              1);

    // No click: around the seek the sound moves no faster than the chirp itself (plus
    // the fade's own slope).
    const int trackStep = maxStep(reference.data(), 0, heardFrames);
    EXPECT_LE(maxStep(heard, jump - 500, jump + 3 * kFadeFrames),
              trackStep + 16000 / kFadeFrames + 2);

    // The reported position follows what reached the device: never ahead of it, and at
    // most a few buffers behind.
    const auto check = [](const Sample& s, int64_t writtenTrackFrame) {
        const int writtenMs = msFromFrames(writtenTrackFrame);
        EXPECT_LE(s.positionMs, writtenMs + 25);
        EXPECT_GE(s.positionMs, writtenMs - 300);
    };
    for (const Sample& s : before) {
        if (s.writtenFrames < jump) {
            check(s, s.writtenFrames);
        }
    }
    for (const Sample& s : after) {
        if (s.writtenFrames > newSound + 2048) {
            EXPECT_GE(s.positionMs, askedMs);
            check(s, asked + (s.writtenFrames - newSound));
        }
    }
}

} // namespace
