#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "audio/music.h"
#include "host/main_loop.h"
#include "host/window.h"

namespace {

constexpr char kPrefix[] = "Quorlith Engine - Time: ";

std::string titleFor(float t) {
    char buffer[kTitleBufferSize];
    std::memset(buffer, 'x', sizeof buffer);
    formatTitle(buffer, t);
    EXPECT_NE(std::memchr(buffer, '\0', sizeof buffer), nullptr);
    return buffer;
}

TEST(Title, FixedNotationWithSixDecimals) {
    EXPECT_EQ(titleFor(0.0f), "Quorlith Engine - Time: 0.000000");
    EXPECT_EQ(titleFor(12.345f), "Quorlith Engine - Time: 12.345000");
    EXPECT_EQ(titleFor(demoTimeFromPositionMs(170000)), "Quorlith Engine - Time: 170.000015");
    EXPECT_EQ(titleFor(-0.3f), "Quorlith Engine - Time: -0.300000");
}

TEST(Title, HugeAndOddTimesStayInsideTheBuffer) {
    for (const float t : {1e30f, -1e30f, FLT_MAX, -FLT_MAX, std::numeric_limits<float>::infinity(),
                          std::numeric_limits<float>::quiet_NaN()}) {
        const std::string title = titleFor(t);
        EXPECT_EQ(title.rfind(kPrefix, 0), 0u) << title;
        EXPECT_LT(title.size(), static_cast<std::size_t>(kTitleBufferSize));
    }
    EXPECT_EQ(titleFor(1e30f), "Quorlith Engine - Time: 1000000015047466219876688855040.000000");
    EXPECT_EQ(titleFor(std::numeric_limits<float>::infinity()), "Quorlith Engine - Time: inf");
}

// The per-frame update on the clock set by hand, with a window record that has no window.
class FrameInput : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        setClockSource(ClockSource::Manual);
        keys.fill(0);
        window = DemoWindow{};
        window.keyState = &keys;
        window.title = kDemoTitle;
        bindFrameInput(&window, &keys);
    }
    void TearDown() override {
        bindFrameInput(nullptr, nullptr);
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }

    // One frame as the loop runs it: the update, then the composer's clock step.
    void frame() {
        updateFrameInput(16);
        updateDemoTime();
    }
    void startAt(int ms) {
        setMusicPositionMs(ms);
        updateDemoTime();
    }
    int pending(Uint32 type) {
        SDL_PumpEvents();
        return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, type, type);
    }

    KeyState keys{};
    DemoWindow window{};
};

TEST_F(FrameInput, EachHeldSeekKeyActsOnEveryFrame) {
    startAt(10000);
    keys[vk::Right] = 1;
    for (int i = 0; i < 10; ++i) {
        frame();
    }
    EXPECT_EQ(musicPositionMs(), 15000);
    keys[vk::Right] = 0;
    keys[vk::Left] = 1;
    frame();
    EXPECT_EQ(musicPositionMs(), 14500);
    keys[vk::Left] = 0;
    keys[vk::Up] = 1;
    frame();
    EXPECT_EQ(musicPositionMs(), 19500);
    keys[vk::Up] = 0;
    keys[vk::Down] = 1;
    frame();
    EXPECT_EQ(musicPositionMs(), 14500);
}

TEST_F(FrameInput, SeveralKeysSeekFromTheSameBaseAndTheLastWins) {
    startAt(100000);
    keys[vk::Up] = 1;
    keys[vk::Down] = 1;
    frame();
    EXPECT_EQ(musicPositionMs(), 95000);

    startAt(100000);
    keys.fill(0);
    keys[vk::Left] = 1;
    keys[vk::Right] = 1;
    frame();
    EXPECT_EQ(musicPositionMs(), 100500);

    startAt(100000);
    keys[vk::Up] = 1; // Left, Right, Up held: Up is tested after both
    frame();
    EXPECT_EQ(musicPositionMs(), 105000);
}

TEST_F(FrameInput, TheBaseIsThePreviousFramesTime) {
    startAt(12345);
    setMusicPositionMs(20000); // the clock moved on, the frame has not read it yet
    keys[vk::Right] = 1;
    updateFrameInput(16);
    EXPECT_EQ(musicPositionMs(), 12845);
}

TEST_F(FrameInput, TitleShowsThePreviousFramesTimeEveryFrame) {
    startAt(0);
    updateFrameInput(0);
    EXPECT_STREQ(currentTitle(), "Quorlith Engine - Time: 0.000000");
    startAt(12345);
    updateFrameInput(16);
    EXPECT_STREQ(currentTitle(), "Quorlith Engine - Time: 12.345000");
    startAt(150000);
    updateFrameInput(16);
    EXPECT_STREQ(currentTitle(), "Quorlith Engine - Time: 150.000000");
}

TEST_F(FrameInput, EscPostsTheQuitMessageAndStopsTheDemo) {
    demoRunning = 1;
    startAt(5000);
    keys[vk::Escape] = 1;
    frame();
    EXPECT_EQ(demoRunning, 0);
    EXPECT_EQ(pending(SDL_QUIT), 1);
    EXPECT_EQ(musicPositionMs(), 5000);
}

TEST_F(FrameInput, F1PostsTheToggleWhichFlipsThePreferenceAndQuits) {
    demoRunning = 1;
    fullScreenPreference = 0;
    startAt(5000);
    keys[vk::F1] = 1;
    frame();
    EXPECT_EQ(demoRunning, 1);
    SDL_Event event;
    ASSERT_EQ(SDL_PeepEvents(&event, 1, SDL_GETEVENT, toggleModeEventType(), toggleModeEventType()),
              1);
    EXPECT_EQ(event.user.code, kToggleModeMessage);
    EXPECT_EQ(pending(SDL_QUIT), 0);

    EXPECT_EQ(demoWindowProc(window, event), 1);
    EXPECT_EQ(fullScreenPreference, 1);
    EXPECT_EQ(demoRunning, 1);
    EXPECT_EQ(pending(SDL_QUIT), 1);
}

TEST_F(FrameInput, NothingHappensWithoutAWindowRecord) {
    bindFrameInput(nullptr, nullptr);
    startAt(3000);
    keys[vk::Right] = 1;
    keys[vk::Escape] = 1;
    frame();
    EXPECT_EQ(musicPositionMs(), 3000);
    EXPECT_EQ(pending(SDL_QUIT), 0);
}

} // namespace
