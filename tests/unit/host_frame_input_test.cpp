// The per-frame update: the window title, the seek keys (from the previous frame's time,
// several held at once), Esc and F1.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>

#include "audio/music.h"
#include "host/keys.h"
#include "host/main_loop.h"
#include "host/window.h"

namespace {

std::string titleFor(float t) {
    char buffer[kTitleBufferSize];
    std::memset(buffer, 'x', sizeof buffer);
    formatTitle(buffer, t);
    EXPECT_NE(std::memchr(buffer, '\0', sizeof buffer), nullptr);
    return buffer;
}

TEST(Title, SixDecimalsAndHugeOrOddTimesStayInsideTheBuffer) {
    const std::string prefix = "Quorlith Engine - Time: ";
    EXPECT_EQ(titleFor(0.0f), prefix + "0.000000");
    EXPECT_EQ(titleFor(12.345f), prefix + "12.345000");
    EXPECT_EQ(titleFor(demoTimeFromPositionMs(170000)), prefix + "170.000015");
    EXPECT_EQ(titleFor(-0.3f), prefix + "-0.300000");
    EXPECT_EQ(titleFor(1e30f), prefix + "1000000015047466219876688855040.000000");
    EXPECT_EQ(titleFor(std::numeric_limits<float>::infinity()), prefix + "inf");
    for (const float t : {-1e30f, FLT_MAX, -FLT_MAX, std::numeric_limits<float>::quiet_NaN()}) {
        const std::string title = titleFor(t);
        EXPECT_EQ(title.rfind(prefix, 0), 0u) << title;
        EXPECT_LT(title.size(), static_cast<std::size_t>(kTitleBufferSize));
    }
}

// The per-frame update on the clock set by hand, with a window record that has no window.
class FrameInput : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        setClockSource(ClockSource::Manual);
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
    // Where the clock is after `frames` frames from startMs with the keys held.
    int seek(int startMs, std::initializer_list<int> held, int frames = 1) {
        keys.fill(0);
        for (const int key : held) {
            keys[key] = 1;
        }
        startAt(startMs);
        for (int i = 0; i < frames; ++i) {
            frame();
        }
        return musicPositionMs();
    }
    int pending(Uint32 type) {
        SDL_PumpEvents();
        return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, type, type);
    }

    KeyState keys{};
    DemoWindow window{};
};

TEST_F(FrameInput, HeldSeekKeysActEveryFrameFromTheSameBaseAndTheLastWins) {
    EXPECT_EQ(seek(10000, {vk::Right}, 10), 15000);
    EXPECT_EQ(seek(15000, {vk::Left}), 14500);
    EXPECT_EQ(seek(14500, {vk::Up}), 19500);
    EXPECT_EQ(seek(19500, {vk::Down}), 14500);
    EXPECT_EQ(seek(100000, {vk::Up, vk::Down}), 95000);
    EXPECT_EQ(seek(100000, {vk::Left, vk::Right}), 100500);
    EXPECT_EQ(seek(100000, {vk::Left, vk::Right, vk::Up}), 105000); // Up is tested after both
    // The base is the previous frame's time, not where the clock has moved on to since.
    startAt(12345);
    setMusicPositionMs(20000);
    keys.fill(0);
    keys[vk::Right] = 1;
    updateFrameInput(16);
    EXPECT_EQ(musicPositionMs(), 12845);
}

// A tap between two frames seeks once; under a picture delay the seek still moves the
// heard position by its amount and the picture follows it at the delay, never below 0.
TEST_F(FrameInput, ATapSeeksOnceAndAPictureDelayMovesTheHeardPositionByTheSeek) {
    for (const int delay : {0, 1500, -700, 2000}) {
        setPictureDelayMs(delay);
        keys.fill(0);
        startAt(30000);
        recordKey(keys, SDLK_RIGHT, KMOD_NONE, true);
        recordKey(keys, SDLK_RIGHT, KMOD_NONE, false);
        frame();
        frame();
        EXPECT_EQ(musicPositionMs(), 30500) << delay;
        EXPECT_EQ(demoTime(), demoTimeFromPositionMs(30500 - delay)) << delay;
        startAt(1200);
        EXPECT_EQ(demoTime(), demoTimeFromPositionMs(std::max(1200 - delay, 0))) << delay;
    }
    setPictureDelayMs(0);
}

// Each press of Space pauses or resumes, however long it is held; a tap of Right while
// paused still moves the held clock by 0.5 s.
TEST_F(FrameInput, EachSpacePressTogglesThePauseAndSeeksStillMoveThePausedClock) {
    startAt(40000);
    keys.fill(0);
    const struct {
        bool press, down, right;
        bool paused;
        int positionMs;
    } frames[] = {
        {true, true, false, true, 40000},   // pressed: paused
        {false, true, false, true, 40000},  // still held: no new press
        {false, false, true, true, 40500},  // released; a tap of Right seeks
        {true, false, false, false, 40500}, // a tap: resumed
        {false, false, false, false, 40500}, {true, true, false, true, 40500}, // pressed again
    };
    for (const auto& f : frames) {
        if (f.press) {
            recordKey(keys, SDLK_SPACE, KMOD_NONE, true);
        }
        if (!f.down) {
            recordKey(keys, SDLK_SPACE, KMOD_NONE, false);
        }
        if (f.right) {
            recordKey(keys, SDLK_RIGHT, KMOD_NONE, true);
            recordKey(keys, SDLK_RIGHT, KMOD_NONE, false);
        }
        frame();
        EXPECT_EQ(musicPaused(), f.paused);
        EXPECT_EQ(musicPositionMs(), f.positionMs);
    }
    setMusicPaused(false);
}

TEST_F(FrameInput, EscQuitsAndF1PostsTheToggleWhichFlipsThePreferenceAndQuits) {
    demoRunning = 1;
    startAt(5000);
    keys[vk::Escape] = 1;
    frame();
    EXPECT_EQ(demoRunning, 0);
    EXPECT_EQ(pending(SDL_QUIT), 1);
    EXPECT_EQ(musicPositionMs(), 5000);

    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    demoRunning = 1;
    fullScreenPreference = 0;
    keys[vk::Escape] = 0;
    keys[vk::F1] = 1;
    frame();
    EXPECT_EQ(demoRunning, 1);
    SDL_Event event;
    ASSERT_EQ(SDL_PeepEvents(&event, 1, SDL_GETEVENT, toggleModeEventType(), toggleModeEventType()),
              1);
    EXPECT_EQ(event.user.code, kToggleModeMessage);
    EXPECT_EQ(pending(SDL_QUIT), 0);
    EXPECT_EQ(demoWindowProc(window, event), WindowEvent::Handled);
    EXPECT_EQ(fullScreenPreference, 1);
    EXPECT_EQ(demoRunning, 1);
    EXPECT_EQ(pending(SDL_QUIT), 1);
}

} // namespace
