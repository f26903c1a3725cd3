// The key flags both hosts keep and the per-frame update reads, indexed by Win32 virtual-key
// codes: each host only translates its own key events into these codes.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int kKeyCount = 256;

// One flag per Win32 virtual-key code: bit 0 is set while the key is down, bit 1 from a
// press until the next frame has seen it, so a tap shorter than a frame still counts once.
// Nonzero means "down" for the frame.
using KeyState = std::array<std::int32_t, kKeyCount>;
inline constexpr std::int32_t kKeyDown = 1;
inline constexpr std::int32_t kKeyPressedUnseen = 2;

// The virtual-key codes the per-frame update reads.
namespace vk {
inline constexpr int Escape = 27;
inline constexpr int Space = 32;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int F1 = 112;
} // namespace vk

// A press sets the key down and pressed; a release clears "down" only, so the press still
// counts for the next frame. Codes outside 0..255 change nothing.
void pressKey(KeyState& keys, int code);
void releaseKey(KeyState& keys, int code);

// After a frame has acted on the keys: presses are seen, only held keys stay down.
void forgetKeyPresses(KeyState& keys);
