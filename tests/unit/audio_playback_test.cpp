// The playback path through SDL's "disk" audio driver, which takes the sound at real-time
// pace and writes what would be heard to a file: after a seek the file holds the decoded
// track from the asked position, without a click.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numbers>
#include <thread>

#include "audio/clock_math.h"
#include "audio/music.h"
#include "audio/playback.h"
#include "support/mp3_tools.h"

namespace {

constexpr int kRate = 44100;

// A stereo chirp (left rising 300 -> 1500 Hz, right falling): every stretch of it is
// unlike any other, and it is smooth, so a jump in it would show as a click.
std::vector<int16_t> chirp(double seconds) {
    std::vector<int16_t> pcm(2 * static_cast<std::size_t>(seconds * kRate));
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        const double t = static_cast<double>(i / 2) / kRate;
        const double sweep = (i % 2 ? -1200.0 : 1200.0) * t * t / (2.0 * seconds);
        const double start = i % 2 ? 1500.0 : 300.0;
        pcm[i] = static_cast<int16_t>(
            std::lrint(16000.0 * std::sin(2.0 * std::numbers::pi * (start * t + sweep))));
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

// What the disk device wrote: interleaved stereo frames, and `lead`, the whole buffers of
// silence SDL may write before the device starts playing.
struct HeardFile {
    std::vector<char> bytes;
    const int16_t* frames = nullptr;
    int64_t count = 0;
    int64_t lead = 0;
};

HeardFile readHeardFile(const std::string& path) {
    HeardFile heard;
    std::ifstream file(path, std::ios::binary);
    heard.bytes.assign(std::istreambuf_iterator<char>(file), {});
    heard.frames = reinterpret_cast<const int16_t*>(heard.bytes.data());
    heard.count = static_cast<int64_t>(heard.bytes.size() / 4);
    while (heard.lead < heard.count && heard.frames[2 * heard.lead] == 0 &&
           heard.frames[2 * heard.lead + 1] == 0) {
        ++heard.lead;
    }
    heard.lead -= heard.lead % kDeviceBufferFrames;
    return heard;
}

using Clock = std::chrono::steady_clock;
int64_t msSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

TEST(Playback, DiskDeviceHearsTheTrackFromTheAskedPosition) {
    const auto mp3 = encodeMp3(chirp(5.0), 2, kRate);
    const auto reference = decodeMp3(mp3);
    ASSERT_EQ(reference.size(), 2u * 5 * kRate);
    const std::string output = tempPath("heard.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    closeMusic();
    setClockSource(ClockSource::Device);
    ASSERT_TRUE(openMusic(writeTempFile("chirp.mp3", mp3)));
    ASSERT_EQ(activeClockSource(), ClockSource::Device);

    // Polls until the position reaches `untilMs` (at most 10 s, should the device stall).
    const auto follow = [&](int untilMs) {
        for (int i = 0; i < 500 && musicPositionMs() < untilMs; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return musicPositionMs() >= untilMs;
    };
    ASSERT_TRUE(follow(300));
    // A seek from the frame's demo time: the asked position takes effect at once.
    updateDemoTime();
    const int askedMs = seekTargetMs(demoTime(), 2700.0f);
    const int64_t writtenBeforeSeek = fileFrames(output);
    const auto seekTime = Clock::now();
    seekMusic(2700.0f);
    const int positionAfterSeek = musicPositionMs();
    const int64_t writtenAfterSeek = fileFrames(output);
    EXPECT_GE(positionAfterSeek, askedMs);
    EXPECT_LE(positionAfterSeek, askedMs + 25 + msSince(seekTime));
    const bool played = follow(askedMs + 400);
    closeMusic();
    ASSERT_TRUE(played);

    const HeardFile file = readHeardFile(output);
    const int16_t* heard = file.frames;
    const int64_t heardFrames = file.count;

    // While the device is still paused after opening, SDL may write whole buffers of silence;
    // then, up to the fade before the seek, the file is the track from its start. The device
    // takes the seek with its next buffer after the one it may be filling, and the file may
    // lag what was handed over by a buffer that stdio still holds.
    const int64_t lead = file.lead;
    int64_t jump = lead;
    while (jump < heardFrames && heard[2 * jump] == reference[2 * (jump - lead)] &&
           heard[2 * jump + 1] == reference[2 * (jump - lead) + 1]) {
        ++jump;
    }
    ASSERT_GE(jump - lead, framesFromMs(250)) << "playback did not start at the track's start";
    ASSERT_GE(jump, writtenBeforeSeek); // what was handed over before the seek stays
    ASSERT_LE(jump, writtenAfterSeek + 2 * kDeviceBufferFrames + kFadeFrames);

    // The old sound fades out from the jump, then frame `asked` follows: from the end of its
    // fade-in on, the file is the decoded track from there, sample for sample.
    const int64_t asked = framesFromMs(askedMs);
    const auto trackFollows = [&](int64_t from) {
        const int64_t rest = heardFrames - from;
        return rest > framesFromMs(300) &&
               maxDifference(heard + 2 * from, reference.data() + 2 * (asked + kFadeFrames),
                             rest) <= 1;
    };
    int64_t newSound = jump;
    while (newSound <= jump + kFadeFrames && !trackFollows(newSound + kFadeFrames)) {
        ++newSound;
    }
    ASSERT_LE(newSound, jump + kFadeFrames) << "the asked position does not follow the jump";
    // No click: the old sound fades out over the frames before frame `asked`, the new one in.
    const int64_t fadeOut = newSound - kFadeFrames;
    const double fade = kFadeFrames;
    for (int i = 0; i < 2 * kFadeFrames; ++i) { // i / 2: the frame, i % 2: the channel
        const int16_t old = reference[2 * (fadeOut - lead) + i], next = reference[2 * asked + i];
        ASSERT_NEAR(heard[2 * fadeOut + i], old * (fade - 1 - i / 2) / fade, 1.0) << i;
        ASSERT_NEAR(heard[2 * newSound + i], next * (i / 2) / fade, 1.0) << i;
    }
}

// The device going away mid-play: the clock goes on silently from where it was, without a
// jump; when a device comes back, the track plays on from the current position.
TEST(Playback, ARemovedDeviceHandsTheClockToTheWallClockWithoutAJump) {
    const std::string output = tempPath("lost.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    closeMusic();
    setClockSource(ClockSource::Device);
    ASSERT_TRUE(openMusic(writeTempFile("lost.mp3", encodeMp3(chirp(5.0), 2, kRate))));
    ASSERT_EQ(activeClockSource(), ClockSource::Device);
    for (int i = 0; i < 500 && musicPositionMs() < 500; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // The picture a little behind what the device plays.
    setPictureDelayMs(300);
    const int heardBefore = musicPositionMs();
    updateDemoTime();
    EXPECT_GE(demoTime(), demoTimeFromPositionMs(heardBefore - 300));
    EXPECT_LE(demoTime(), demoTimeFromPositionMs(musicPositionMs() - 300));
    setPictureDelayMs(0);

    soundDeviceRemoved(playbackDevice() + 1); // some other device
    EXPECT_EQ(activeClockSource(), ClockSource::Device);

    // Each step: the position just before, the event, the position just after.
    const auto step = [](auto event) {
        const int before = musicPositionMs();
        const auto start = Clock::now();
        event();
        const int after = musicPositionMs();
        EXPECT_GE(after, before - 25); // at most what one device buffer had ahead
        EXPECT_LE(after, before + 25 + msSince(start));
        return after;
    };
    const auto lostSince = Clock::now();
    const int lostAt = step([] { soundDeviceRemoved(playbackDevice()); });
    EXPECT_EQ(activeClockSource(), ClockSource::WallClock);
    EXPECT_EQ(playbackDevice(), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const int silentFor = musicPositionMs() - lostAt; // the wall clock runs on
    EXPECT_GE(silentFor, 199);
    EXPECT_LE(silentFor, msSince(lostSince) + 1);

    step([] { soundDeviceAdded(); });
    EXPECT_EQ(activeClockSource(), ClockSource::Device);
    EXPECT_NE(playbackDevice(), 0u);
    const int backAt = musicPositionMs();
    for (int i = 0; i < 500 && musicPositionMs() < backAt + 300; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GE(musicPositionMs(), backAt + 300) << "the device did not play on";
    closeMusic();
}

// A pause closes the device and holds the clock; resumed, the device plays on from the very
// frame the clock held, sample for sample.
TEST(Playback, APauseHoldsTheClockAndResumesFromTheSameFrame) {
    const auto mp3 = encodeMp3(chirp(5.0), 2, kRate);
    const auto reference = decodeMp3(mp3);
    const std::string output = tempPath("paused.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    closeMusic();
    setClockSource(ClockSource::Device);
    ASSERT_TRUE(openMusic(writeTempFile("paused.mp3", mp3)));
    for (int i = 0; i < 500 && musicPositionMs() < 500; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    setMusicPaused(true);
    const int held = musicPositionMs();
    EXPECT_EQ(playbackDevice(), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(musicPositionMs(), held);
    setMusicPaused(false);
    EXPECT_EQ(activeClockSource(), ClockSource::Device);
    EXPECT_NE(playbackDevice(), 0u);
    EXPECT_GE(musicPositionMs(), held);
    for (int i = 0; i < 500 && musicPositionMs() < held + 400; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GE(musicPositionMs(), held + 400) << "the device did not play on";
    closeMusic();

    // The device opened again writes its file anew: after any silence it writes first, the
    // track from the held frame.
    const HeardFile file = readHeardFile(output);
    const int16_t* heard = file.frames;
    const int64_t lead = file.lead;
    // The held frame lies within the millisecond the clock showed.
    ASSERT_GE(file.count - lead, framesFromMs(300));
    int64_t matching = -1;
    for (int64_t frame = framesFromMs(held); frame < framesFromMs(held + 1); ++frame) {
        if (maxDifference(heard + 2 * lead, reference.data() + 2 * frame, framesFromMs(300)) <= 1) {
            matching = frame;
        }
    }
    EXPECT_GE(matching, 0) << "the track does not go on from " << held << " ms";
}

} // namespace
