#include <gtest/gtest.h>

#include "host/keys.h"

namespace {

TEST(KeyMapping, TheKeysTheDemoReads) {
    EXPECT_EQ(virtualKeyCode(SDLK_ESCAPE), vk::Escape);
    EXPECT_EQ(virtualKeyCode(SDLK_F1), vk::F1);
    EXPECT_EQ(virtualKeyCode(SDLK_LEFT), vk::Left);
    EXPECT_EQ(virtualKeyCode(SDLK_UP), vk::Up);
    EXPECT_EQ(virtualKeyCode(SDLK_RIGHT), vk::Right);
    EXPECT_EQ(virtualKeyCode(SDLK_DOWN), vk::Down);
    EXPECT_EQ(vk::Escape, 27);
    EXPECT_EQ(vk::F1, 112);
    EXPECT_EQ(vk::Left, 37);
    EXPECT_EQ(vk::Up, 38);
    EXPECT_EQ(vk::Right, 39);
    EXPECT_EQ(vk::Down, 40);
}

TEST(KeyMapping, LettersDigitsAndFunctionKeys) {
    EXPECT_EQ(virtualKeyCode(SDLK_a), 'A');
    EXPECT_EQ(virtualKeyCode(SDLK_z), 'Z');
    EXPECT_EQ(virtualKeyCode(SDLK_0), '0');
    EXPECT_EQ(virtualKeyCode(SDLK_9), '9');
    EXPECT_EQ(virtualKeyCode(SDLK_F12), 123);
    EXPECT_EQ(virtualKeyCode(SDLK_F13), 124);
    EXPECT_EQ(virtualKeyCode(SDLK_F24), 135);
}

TEST(KeyMapping, OtherKeysSensibly) {
    EXPECT_EQ(virtualKeyCode(SDLK_RETURN), 13);
    EXPECT_EQ(virtualKeyCode(SDLK_KP_ENTER), 13);
    EXPECT_EQ(virtualKeyCode(SDLK_SPACE), 32);
    EXPECT_EQ(virtualKeyCode(SDLK_TAB), 9);
    EXPECT_EQ(virtualKeyCode(SDLK_LSHIFT), 16);
    EXPECT_EQ(virtualKeyCode(SDLK_RCTRL), 17);
    EXPECT_EQ(virtualKeyCode(SDLK_PAGEDOWN), 34);
    EXPECT_EQ(virtualKeyCode(SDLK_DELETE), 46);
    EXPECT_EQ(virtualKeyCode(SDLK_KP_7), 103);
    EXPECT_EQ(virtualKeyCode(SDLK_MINUS), 189);
    EXPECT_EQ(virtualKeyCode(SDLK_QUOTE), 222);
    EXPECT_EQ(virtualKeyCode(SDLK_AC_BACK), -1);
    EXPECT_EQ(virtualKeyCode(SDLK_UNKNOWN), -1);
}

TEST(KeyMapping, EveryMappedCodeFitsTheKeyArray) {
    for (SDL_Keycode key = 0; key < 0x200; ++key) {
        const int code = virtualKeyCode(key);
        EXPECT_TRUE(code == -1 || (code > 0 && code < kKeyCount)) << key;
    }
    for (SDL_Keycode key = SDLK_CAPSLOCK; key <= SDLK_AUDIOFASTFORWARD; ++key) {
        const int code = virtualKeyCode(key);
        EXPECT_TRUE(code == -1 || (code > 0 && code < kKeyCount)) << key;
    }
}

TEST(KeyRecording, LevelsFollowPressAndRelease) {
    KeyState keys{};
    recordKey(keys, SDLK_RIGHT, KMOD_NONE, true);
    recordKey(keys, SDLK_RIGHT, KMOD_NONE, true); // auto-repeat
    EXPECT_EQ(keys[vk::Right], 1);
    recordKey(keys, SDLK_UP, KMOD_SHIFT, true);
    EXPECT_EQ(keys[vk::Up], 1);
    recordKey(keys, SDLK_RIGHT, KMOD_NONE, false);
    EXPECT_EQ(keys[vk::Right], 0);
    EXPECT_EQ(keys[vk::Up], 1);
}

TEST(KeyRecording, SystemKeysAreNotRecordedButAlwaysReleased) {
    KeyState keys{};
    recordKey(keys, SDLK_LALT, KMOD_LALT, true);
    recordKey(keys, SDLK_F10, KMOD_NONE, true);
    recordKey(keys, SDLK_F4, KMOD_LALT, true);
    recordKey(keys, SDLK_ESCAPE, KMOD_RALT, true);
    EXPECT_EQ(keys[18], 0);
    EXPECT_EQ(keys[121], 0);
    EXPECT_EQ(keys[115], 0);
    EXPECT_EQ(keys[vk::Escape], 0);
    // A key pressed alone and let go while Alt is held does not stick.
    recordKey(keys, SDLK_LEFT, KMOD_NONE, true);
    recordKey(keys, SDLK_LEFT, KMOD_LALT, false);
    EXPECT_EQ(keys[vk::Left], 0);
}

TEST(KeyRecording, KeysWithoutACodeChangeNothing) {
    KeyState keys{};
    recordKey(keys, SDLK_AC_BACK, KMOD_NONE, true);
    recordKey(keys, SDLK_UNKNOWN, KMOD_NONE, true);
    for (int i = 0; i < kKeyCount; ++i) {
        EXPECT_EQ(keys[i], 0) << i;
    }
}

} // namespace
