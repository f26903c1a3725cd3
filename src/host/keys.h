// SDL key events as the Win32 virtual-key codes the demo's key flags are indexed by.
#pragma once

#include <SDL2/SDL_keyboard.h>

#include "host/demo_window.h"

// The virtual-key code of a key, or -1 for a key without one.
int virtualKeyCode(SDL_Keycode key);

// Keys that arrive as system keys (Alt, F10, or anything pressed with Alt held): their
// presses are not recorded.
bool isSystemKey(SDL_Keycode key, Uint16 modifiers);

// Applies one key press or release to the flags. Codes outside 0..255 change nothing. A
// press sets the key down and pressed; a release clears "down" only, so the press still
// counts for the next frame, and always, so a key let go while Alt is held does not stick.
// With NumLock off the keypad's 4, 6, 8 and 2 are the arrow keys; a release clears what its
// press set, whatever NumLock says by then.
void recordKey(KeyState& keys, SDL_Keycode key, Uint16 modifiers, bool down);
