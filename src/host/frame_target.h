// An offscreen picture that frames are drawn into when the screen is not the frame's size
// (full screen on today's desktops) or when no window is shown (frame export): colour plus
// a 16-bit depth buffer. In full screen it is scaled onto the window with black bars.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/frame_geometry.h"
#include "gfx/gl.h"

struct FrameTarget {
    GLuint framebuffer = 0;
    GLuint colorBuffer = 0;
    GLuint depthBuffer = 0;
    int width = 0;
    int height = 0;
};

// Makes the target in the current GL context. False (with the reason) when the context
// offers no framebuffer objects or the target is incomplete.
bool createFrameTarget(FrameTarget& target, int width, int height, std::string* error);
// Directs drawing into the target.
void bindFrameTarget(const FrameTarget& target);
// Draws the target scaled (aspect kept, black bars) over the window's own framebuffer of
// the given size and leaves the window's framebuffer bound.
void presentFrameTarget(const FrameTarget& target, int drawableWidth, int drawableHeight);
// The target's pixels as 8-bit RGB, top row first.
std::vector<std::uint8_t> readFrameTargetRgb(const FrameTarget& target);

// The current context's largest viewport, texture and renderbuffer.
GlSizeLimits currentGlSizeLimits();

// The target frames are drawn into, or null for the window's own framebuffer.
void setActiveFrameTarget(const FrameTarget* target);
const FrameTarget* activeFrameTarget();
