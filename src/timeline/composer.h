// The frame composer: one complete frame of the demo as a function of the demo time.
#pragma once

inline constexpr float kDemoEndTime = 325.0f;

// The two screen overlays the composer multiplies over the picture (table slots).
inline constexpr int kOverlayTexture = 10;
inline constexpr int kScreenOverlayTexture = 11;

// How the composer ends the program after the last frame (set by the host).
using EndProcessHook = void (*)();
void setEndProcessHook(EndProcessHook hook);

// Reads the clock, draws backgrounds, the scene, the post-process pass and the screen
// layers, captures the spectrum, and ends the program once the demo time passes 325 s.
void composeFrame();

// Everything composeFrame draws for demo time t, without touching the clock or the
// spectrum (frame export, benchmarks and tests draw any instant directly).
void drawFrameAt(float t);
