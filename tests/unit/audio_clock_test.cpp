// The music clock without a decodable track: the demo-time and seek arithmetic, the
// clock set by hand, the silent wall clock after a missing or broken file.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <random>
#include <thread>

#include "audio/clock_math.h"
#include "audio/music.h"
#include "support/mp3_tools.h"
#include "support/music_fixture.h"

namespace {

class MusicClock : public MusicFixture {};

TEST(ClockMath, DemoTimeIsPositionTimesTheFloatThousandth) {
    EXPECT_EQ(demoTimeFromPositionMs(12345), 12.345f);
    EXPECT_EQ(demoTimeFromPositionMs(150000), 150.0f);
    // 0.001f lies slightly above 0.001: some whole seconds come out just above.
    EXPECT_GT(demoTimeFromPositionMs(170000), 170.0f);
}

TEST(ClockMath, SeekTargetTruncatesBasePlusDeltaTowardZero) {
    const struct {
        float base, delta;
        int expected;
    } cases[] = {
        {0.2f, -500.0f, -300},      {100.0f, 5000.0f, 105000}, {12.345f, 500.0f, 12845},
        {0.0017f, 0.0f, 1},         {0.0002f, -0.5f, 0},    // 1.7 -> 1, -0.3 -> 0
        {1e9f, 0.0f, INT_MAX},      {-1e9f, 0.0f, INT_MIN}, // pinned, never overflowing
        {std::nanf(""), 500.0f, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(seekTargetMs(c.base, c.delta), c.expected) << c.base << " " << c.delta;
    }
}

TEST(ClockMath, MillisecondsAndFramesRoundTrip) {
    for (int ms = 0; ms <= 400000; ms += 7) {
        const int64_t frames = framesFromMs(ms);
        ASSERT_EQ(msFromFrames(frames), ms);
        ASSERT_LT(frames - ms * 44.1, 1.0) << ms; // the first frame at or after ms
        ASSERT_GE(frames - ms * 44.1, 0.0) << ms;
    }
    EXPECT_EQ(framesFromMs(-300), 0);
    EXPECT_EQ(msFromFrames(44099), 999);
    EXPECT_EQ(msFromFrames(kNoFrameLimit), INT_MAX);
}

// A seek is taken from the previous frame's demo time; one before the start plays from 0.
TEST_F(MusicClock, SeeksStartFromTheFramesDemoTimeAndStopAtZero) {
    setMusicPositionMs(100000);
    EXPECT_EQ(demoTime(), 0.0f); // not before the next frame
    updateDemoTime();
    setMusicPositionMs(120000);
    seekMusic(-5000.0f);
    EXPECT_EQ(musicPositionMs(), 95000);
    setMusicPositionMs(200);
    updateDemoTime();
    seekMusic(-500.0f); // asks for -300
    EXPECT_EQ(musicPositionMs(), 0);
    setMusicPositionMs(INT_MIN);
    EXPECT_EQ(musicPositionMs(), 0);
}

// Paused, the wall clock holds wherever it was and wherever a seek puts it; resumed, it runs
// on from there. Opening a track again resumes.
TEST_F(MusicClock, APauseHoldsTheWallClockAndSeeksMoveIt) {
    setClockSource(ClockSource::WallClock);
    ::testing::internal::CaptureStdout();
    openMusic(tempPath("no_such_track.mp3")); // silent, without a length limit
    ::testing::internal::GetCapturedStdout();
    setMusicPositionMs(10000);
    setMusicPaused(true);
    EXPECT_TRUE(musicPaused());
    const int held = musicPositionMs();
    EXPECT_GE(held, 10000);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(musicPositionMs(), held);
    setMusicPaused(true); // no change
    EXPECT_EQ(musicPositionMs(), held);
    setMusicPositionMs(20000);
    updateDemoTime();
    seekMusic(500.0f);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(musicPositionMs(), 20500);
    setMusicPaused(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_GE(musicPositionMs(), 20650);
    EXPECT_LT(musicPositionMs(), 25000);
    setMusicPaused(true);
    ::testing::internal::CaptureStdout();
    openMusic(tempPath("no_such_track.mp3"));
    ::testing::internal::GetCapturedStdout();
    EXPECT_FALSE(musicPaused());
}

// A track that cannot be had leaves the demo running silently on the wall clock, without
// a length limit (a clock set by hand stays so): a missing file prints the two lines on
// stdout, one that does not decode says why on stderr.
TEST_F(MusicClock, UnusableTracksFailClearlyAndRunSilently) {
    std::vector<unsigned char> garbage(200000);
    std::minstd_rand random(12345);
    std::generate(garbage.begin(), garbage.end(),
                  [&] { return static_cast<unsigned char>(random() >> 16); });
    const struct {
        std::string path;
        ClockSource source;
        bool missing;
    } cases[] = {
        {tempPath("no_such_track.mp3"), ClockSource::Device, true},
        {tempPath(""), ClockSource::Manual, true}, // a folder
        {writeTempFile("garbage.mp3", garbage), ClockSource::Device, false},
        {writeTempFile("empty.mp3", {}), ClockSource::Device, false},
        {writeTempFile("text.mp3", {'n', 'o', 't', ' ', 'm', 'p', '3', '\n'}), ClockSource::Device,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        setClockSource(c.source);
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(openMusic(c.path));
        EXPECT_EQ(::testing::internal::GetCapturedStdout(),
                  c.missing ? "Error!\nFile Not Found\n" : "");
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.find("cannot decode music track " + c.path + ": ") == std::string::npos,
                  c.missing)
            << err;
        EXPECT_EQ(activeClockSource(),
                  c.source == ClockSource::Manual ? ClockSource::Manual : ClockSource::WallClock);
        EXPECT_EQ(musicLengthMs(), 0);
        setMusicPositionMs(400000);
        EXPECT_GE(musicPositionMs(), 400000);
        enableSpectrum();
        captureSpectrum();
        EXPECT_EQ(*std::max_element(spectrumBins(), spectrumBins() + kSpectrumBins), 0.0f);
    }
    // The silent wall clock moves on by itself.
    const int start = musicPositionMs();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_GT(musicPositionMs(), start);
}

} // namespace
