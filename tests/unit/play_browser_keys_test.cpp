// The browser's key names (KeyboardEvent.code) as the codes the key flags are indexed by: the
// keys the demo acts on, the families spelled with a number or letter, and names it must not
// take for another key.
#include <gtest/gtest.h>

#include "play/browser_keys.h"
#include "play/key_state.h"

TEST(BrowserKeys, CodesMapToTheVirtualKeys) {
    const struct {
        const char* code;
        int key;
    } cases[] = {
        {"Escape", vk::Escape},
        {"F1", vk::F1},
        {"Space", vk::Space},
        {"ArrowLeft", vk::Left},
        {"ArrowRight", vk::Right},
        {"ArrowUp", vk::Up},
        {"ArrowDown", vk::Down},
        {"F12", 123},
        {"F24", 135},
        {"KeyA", 'A'},
        {"KeyZ", 'Z'},
        {"Digit0", '0'},
        {"Digit9", '9'},
        {"Numpad4", 100},
        {"NumpadEnter", 13},
        {"Enter", 13},
        {"ShiftRight", 16},
        {"Quote", 222},
        // Not keys, or not spelled as the browser spells them.
        {"", -1},
        {"F0", -1},
        {"F25", -1},
        {"F1x", -1},
        {"F123", -1},
        {"Keya", -1},
        {"KeyAB", -1},
        {"Digit", -1},
        {"Numpad", -1},
        {"arrowleft", -1},
        {"Unidentified", -1},
        {"Escape ", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(browserKeyCode(c.code), c.key) << '"' << c.code << '"';
    }
}

TEST(KeyFlags, APressOutlivesItsReleaseForOneFrame) {
    KeyState keys{};
    pressKey(keys, vk::Right);
    releaseKey(keys, vk::Right);
    EXPECT_EQ(keys[vk::Right], kKeyPressedUnseen); // a tap shorter than a frame still counts
    forgetKeyPresses(keys);
    EXPECT_EQ(keys[vk::Right], 0);
    pressKey(keys, vk::Left);
    forgetKeyPresses(keys);
    EXPECT_EQ(keys[vk::Left], kKeyDown); // held
    for (const int outside : {-1, kKeyCount, 100000}) {
        pressKey(keys, outside);
        releaseKey(keys, outside);
    }
    KeyState expected{};
    expected[vk::Left] = kKeyDown;
    EXPECT_EQ(keys, expected);
}
