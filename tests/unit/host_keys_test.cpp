// SDL keys to the Win32 virtual-key codes the key array is indexed by, and the levels
// recorded from presses and releases.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "host/keys.h"

namespace {

TEST(KeyMapping, TheDemosKeysAndOthersSensibly) {
    const std::pair<SDL_Keycode, int> cases[] = {
        {SDLK_ESCAPE, 27},  {SDLK_F1, 112},    {SDLK_LEFT, 37},     {SDLK_UP, 38},
        {SDLK_RIGHT, 39},   {SDLK_DOWN, 40},   {SDLK_a, 'A'},       {SDLK_z, 'Z'},
        {SDLK_0, '0'},      {SDLK_9, '9'},     {SDLK_F12, 123},     {SDLK_F13, 124},
        {SDLK_F24, 135},    {SDLK_RETURN, 13}, {SDLK_KP_ENTER, 13}, {SDLK_SPACE, 32},
        {SDLK_TAB, 9},      {SDLK_LSHIFT, 16}, {SDLK_RCTRL, 17},    {SDLK_PAGEDOWN, 34},
        {SDLK_DELETE, 46},  {SDLK_KP_7, 103},  {SDLK_MINUS, 189},   {SDLK_QUOTE, 222},
        {SDLK_AC_BACK, -1}, {SDLK_UNKNOWN, -1}};
    for (const auto& [key, code] : cases) {
        EXPECT_EQ(virtualKeyCode(key), code) << SDL_GetKeyName(key);
    }
    EXPECT_EQ((std::array<int, 6>{vk::Escape, vk::F1, vk::Left, vk::Up, vk::Right, vk::Down}),
              (std::array<int, 6>{27, 112, 37, 38, 39, 40}));
    // Every mapped code fits the key array.
    for (SDL_Keycode key = 0; key < 0x200; ++key) {
        const int code = virtualKeyCode(key);
        EXPECT_TRUE(code == -1 || (code > 0 && code < kKeyCount)) << key;
    }
    for (SDL_Keycode key = SDLK_CAPSLOCK; key <= SDLK_AUDIOFASTFORWARD; ++key) {
        const int code = virtualKeyCode(key);
        EXPECT_TRUE(code == -1 || (code > 0 && code < kKeyCount)) << key;
    }
}

// Whether a key counts as down for the next frame, and for the one after it.
TEST(KeyRecording, PressesCountUntilAFrameSawThemAndKeypadArrowsFollowNumLock) {
    struct Event {
        SDL_Keycode key;
        Uint16 modifiers;
        bool down;
    };
    const struct {
        std::vector<Event> events;
        int code;
        bool nextFrame;
        bool frameAfter;
    } cases[] = {
        {{{SDLK_RIGHT, KMOD_NONE, true}}, vk::Right, true, true},
        {{{SDLK_RIGHT, KMOD_NONE, true}, {SDLK_RIGHT, KMOD_NONE, false}}, vk::Right, true, false},
        {{{SDLK_UP, KMOD_SHIFT, true}, {SDLK_UP, KMOD_NONE, true}}, vk::Up, true, true},
        {{{SDLK_UP, KMOD_NONE, true}}, vk::Right, false, false},
        {{{SDLK_KP_4, KMOD_NONE, true}}, vk::Left, true, true},
        {{{SDLK_KP_8, KMOD_NONE, true}}, vk::Up, true, true},
        {{{SDLK_KP_2, KMOD_NONE, true}}, vk::Down, true, true},
        {{{SDLK_KP_4, KMOD_NUM, true}}, 100, true, true},
        {{{SDLK_KP_4, KMOD_NUM, true}}, vk::Left, false, false},
        // NumLock changed while held: the release clears what the press set.
        {{{SDLK_KP_6, KMOD_NONE, true}, {SDLK_KP_6, KMOD_NUM, false}}, vk::Right, true, false},
        {{{SDLK_KP_8, KMOD_NUM, true}, {SDLK_KP_8, KMOD_NONE, false}}, 104, true, false},
        {{{SDLK_KP_7, KMOD_NONE, true}}, 103, true, true},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        KeyState keys{};
        for (const Event& e : cases[i].events) {
            recordKey(keys, e.key, e.modifiers, e.down);
        }
        EXPECT_EQ(keys[cases[i].code] != 0, cases[i].nextFrame) << "case " << i;
        forgetKeyPresses(keys);
        EXPECT_EQ(keys[cases[i].code] != 0, cases[i].frameAfter) << "case " << i;
        for (const Event& e : cases[i].events) {
            recordKey(keys, e.key, e.modifiers, false);
        }
        forgetKeyPresses(keys);
        EXPECT_TRUE(std::all_of(keys.begin(), keys.end(), [](auto k) { return k == 0; }))
            << "case " << i;
    }
}

TEST(KeyRecording, SystemKeysAndKeysWithoutACodeAreNotRecorded) {
    KeyState keys{};
    recordKey(keys, SDLK_LALT, KMOD_LALT, true);
    recordKey(keys, SDLK_F10, KMOD_NONE, true);
    recordKey(keys, SDLK_F4, KMOD_LALT, true);
    recordKey(keys, SDLK_ESCAPE, KMOD_RALT, true);
    recordKey(keys, SDLK_AC_BACK, KMOD_NONE, true);
    recordKey(keys, SDLK_UNKNOWN, KMOD_NONE, true);
    // A key pressed alone and let go while Alt is held does not stick.
    recordKey(keys, SDLK_LEFT, KMOD_NONE, true);
    recordKey(keys, SDLK_LEFT, KMOD_LALT, false);
    forgetKeyPresses(keys);
    EXPECT_TRUE(std::all_of(keys.begin(), keys.end(), [](auto k) { return k == 0; }));
}

} // namespace
