// The music clock without a decodable track: the demo-time and seek arithmetic, the
// clock set by hand, the silent wall clock after a missing or broken file.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <thread>

#include "audio/clock_math.h"
#include "audio/music.h"
#include "support/mp3_tools.h"

namespace {

class MusicClock : public ::testing::Test {
  protected:
    void SetUp() override {
        closeMusic();
        setClockSource(ClockSource::Manual);
    }
    void TearDown() override {
        closeMusic();
        setClockSource(ClockSource::Device);
    }
};

TEST(DemoTime, IsPositionTimesTheFloatThousandth) {
    EXPECT_EQ(demoTimeFromPositionMs(0), 0.0f);
    EXPECT_EQ(demoTimeFromPositionMs(12345), 12.345f);
    EXPECT_EQ(demoTimeFromPositionMs(150000), 150.0f);
    // 0.001f lies slightly above 0.001: some whole seconds come out just above.
    const float t170 = demoTimeFromPositionMs(170000);
    EXPECT_GT(t170, 170.0f);
    EXPECT_EQ(t170, std::nextafter(170.0f, 200.0f));
    EXPECT_FLOAT_EQ(demoTimeFromPositionMs(325001), 325.001f);
}

TEST(SeekTarget, TruncatesBasePlusDeltaTowardZero) {
    EXPECT_EQ(seekTargetMs(0.2f, -500.0f), -300);
    EXPECT_EQ(seekTargetMs(100.0f, 5000.0f), 105000);
    EXPECT_EQ(seekTargetMs(100.0f, -5000.0f), 95000);
    EXPECT_EQ(seekTargetMs(12.345f, 500.0f), 12845);
    EXPECT_EQ(seekTargetMs(0.0012f, 0.0f), 1);    // 1.2 -> 1
    EXPECT_EQ(seekTargetMs(0.0002f, -0.5f), 0);   // -0.3 -> 0, toward zero
    EXPECT_EQ(seekTargetMs(0.0f, -500.0f), -500); // not clamped here
    // Out of the int range or not a number: pinned, never an overflowing conversion.
    EXPECT_EQ(seekTargetMs(1e9f, 0.0f), INT_MAX);
    EXPECT_EQ(seekTargetMs(-1e9f, 0.0f), INT_MIN);
    EXPECT_EQ(seekTargetMs(std::nanf(""), 500.0f), 0);
}

TEST(ClockMath, MillisecondsAndFramesRoundTrip) {
    for (int ms = 0; ms <= 400000; ms += 7) {
        const int64_t frames = framesFromMs(ms);
        ASSERT_EQ(msFromFrames(frames), ms) << ms;
        ASSERT_LT(frames - ms * 44.1, 1.0) << ms; // the first frame at or after ms
        ASSERT_GE(frames - ms * 44.1, 0.0) << ms;
    }
    EXPECT_EQ(framesFromMs(-300), 0);
    EXPECT_EQ(msFromFrames(44100), 1000);
    EXPECT_EQ(msFromFrames(44099), 999);
    EXPECT_EQ(msFromFrames(kNoFrameLimit), INT_MAX);
}

TEST(ClockMath, AnchorRunsAtItsRateWithinItsBounds) {
    const ClockAnchor running{1000, 10.0, 44100, 1000, 100000};
    EXPECT_EQ(frameAt(running, 10.0), 1000);
    EXPECT_EQ(frameAt(running, 9.0), 1000); // never before the anchor
    EXPECT_EQ(frameAt(running, 10.5), 1000 + 22050);
    EXPECT_EQ(frameAt(running, 100.0), 100000); // stops at the end
    // A device anchor one buffer behind a seek: held at the seek until the buffer plays.
    const ClockAnchor held{5000 - 1024, 3.0, 44100, 5000, 5000};
    EXPECT_EQ(frameAt(held, 3.01), 5000);
    // A clock set by hand does not move.
    const ClockAnchor manual{777, 0.0, 0, 777, 777};
    EXPECT_EQ(frameAt(manual, 1e6), 777);
    const ClockAnchor endless{0, 0.0, 44100, 0, kNoFrameLimit};
    EXPECT_EQ(frameAt(endless, 1e9), static_cast<int64_t>(1e9) * 44100);
}

TEST_F(MusicClock, BeforeSetUpEverythingIsZero) {
    EXPECT_EQ(musicPositionMs(), 0);
    EXPECT_EQ(musicLengthMs(), 0);
    EXPECT_EQ(demoTime(), 0.0f);
    captureSpectrum();
    for (float v : SpectrumBuffer) {
        EXPECT_EQ(v, 0.0f);
    }
}

// Several seek keys held in one frame: each seeks from the previous frame's demo time,
// the last one wins.
TEST_F(MusicClock, SeeksOfOneFrameAllStartFromThePreviousDemoTime) {
    setMusicPositionMs(100000);
    EXPECT_EQ(musicPositionMs(), 100000);
    EXPECT_EQ(demoTime(), 0.0f); // not before the next frame
    updateDemoTime();
    EXPECT_EQ(demoTime(), demoTimeFromPositionMs(100000)); // a hair above 100
    seekMusic(500.0f);                                     // Right
    seekMusic(5000.0f);                                    // Up
    seekMusic(-5000.0f);                                   // Down
    EXPECT_EQ(musicPositionMs(), 95000);
    EXPECT_EQ(demoTime(), demoTimeFromPositionMs(100000));
    updateDemoTime();
    EXPECT_EQ(demoTime(), demoTimeFromPositionMs(95000));
    seekMusic(5000.0f);
    EXPECT_EQ(musicPositionMs(), 100000);
}

TEST_F(MusicClock, SeekBeforeTheStartPlaysFromZero) {
    setMusicPositionMs(200);
    updateDemoTime();
    EXPECT_FLOAT_EQ(demoTime(), 0.2f);
    seekMusic(-500.0f); // asks for -300
    EXPECT_EQ(musicPositionMs(), 0);
    updateDemoTime();
    EXPECT_EQ(demoTime(), 0.0f);
    setMusicPositionMs(INT_MIN);
    EXPECT_EQ(musicPositionMs(), 0);
}

TEST_F(MusicClock, MissingTrackPrintsTheTwoLinesAndRunsOnTheWallClock) {
    setClockSource(ClockSource::Device);
    ::testing::internal::CaptureStdout();
    const bool opened = openMusic(tempPath("no_such_track.mp3"));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error!\nFile Not Found\n");
    EXPECT_FALSE(opened);
    EXPECT_EQ(activeClockSource(), ClockSource::WallClock);
    EXPECT_EQ(musicLengthMs(), 0);

    // No length limit: the demo still plays to its end.
    setMusicPositionMs(400000);
    const int start = musicPositionMs();
    EXPECT_GE(start, 400000);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_GT(musicPositionMs(), start);

    enableSpectrum();
    captureSpectrum();
    for (int i = 0; i < kSpectrumBins; ++i) {
        ASSERT_EQ(spectrumBins()[i], 0.0f);
    }
}

TEST_F(MusicClock, AFolderIsNoTrack) {
    ::testing::internal::CaptureStdout();
    const std::string folder = tempPath("");
    EXPECT_FALSE(openMusic(folder));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error!\nFile Not Found\n");
    EXPECT_EQ(activeClockSource(), ClockSource::Manual); // a clock set by hand stays so
}

TEST_F(MusicClock, GarbageAndEmptyFilesFailClearlyAndRunSilently) {
    std::vector<unsigned char> garbage(200000);
    uint32_t state = 12345;
    for (auto& byte : garbage) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<unsigned char>(state >> 24);
    }
    const std::vector<unsigned char> text(std::begin("not an mp3 at all\n"),
                                          std::end("not an mp3 at all\n"));
    const struct {
        const char* name;
        std::vector<unsigned char> bytes;
    } cases[] = {{"garbage.mp3", garbage}, {"empty.mp3", {}}, {"text.mp3", text}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setClockSource(ClockSource::Device);
        const std::string path = writeTempFile(c.name, c.bytes);
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const bool opened = openMusic(path);
        const std::string out = ::testing::internal::GetCapturedStdout();
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_FALSE(opened);
        EXPECT_EQ(out, "");
        EXPECT_NE(err.find("cannot decode music track " + path + ": "), std::string::npos) << err;
        EXPECT_EQ(activeClockSource(), ClockSource::WallClock);
        EXPECT_EQ(musicLengthMs(), 0);
        setMusicPositionMs(1000);
        EXPECT_GE(musicPositionMs(), 1000);
        enableSpectrum();
        captureSpectrum();
        EXPECT_EQ(SpectrumBuffer[14], 0.0f);
        closeMusic();
    }
}

} // namespace
