#include "play/key_state.h"

namespace {
bool isKeyCode(int code) {
    return code >= 0 && code < kKeyCount;
}
} // namespace

void pressKey(KeyState& keys, int code) {
    if (isKeyCode(code)) {
        keys[code] = kKeyDown | kKeyPressedUnseen;
    }
}

void releaseKey(KeyState& keys, int code) {
    if (isKeyCode(code)) {
        keys[code] &= ~kKeyDown;
    }
}

void forgetKeyPresses(KeyState& keys) {
    for (std::int32_t& key : keys) {
        key &= kKeyDown;
    }
}
