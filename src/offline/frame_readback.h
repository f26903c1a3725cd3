// Reads finished frames back from the offscreen picture without stalling the renderer:
// two pixel-pack buffers in turn, so the copy of frame k is started on the GPU while frame
// k - 1 is taken; plain glReadPixels where the context has no pixel-buffer objects.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/gl.h"

class FrameReadback {
  public:
    using Lookup = void* (*)(const char* name);

    FrameReadback() = default;
    ~FrameReadback();
    FrameReadback(const FrameReadback&) = delete;
    FrameReadback& operator=(const FrameReadback&) = delete;

    // Prepares for frames of the given size in the current GL context. Returns whether
    // pixel-buffer objects are used (false: the glReadPixels fallback).
    bool init(int width, int height, Lookup lookup);

    // Starts reading the bound read framebuffer's colour attachment 0. At most two frames
    // are pending: take one before starting a third.
    void start();
    int pending() const { return pending_; }
    // Copies the oldest pending frame into `rgba` (width * height * 4 bytes, rows top
    // first). False when the driver could not map the pixels.
    bool take(std::uint8_t* rgba);

  private:
    struct Api {
        PFNGLGENBUFFERSPROC genBuffers = nullptr;
        PFNGLDELETEBUFFERSPROC deleteBuffers = nullptr;
        PFNGLBINDBUFFERPROC bindBuffer = nullptr;
        PFNGLBUFFERDATAPROC bufferData = nullptr;
        PFNGLMAPBUFFERPROC mapBuffer = nullptr;
        PFNGLUNMAPBUFFERPROC unmapBuffer = nullptr;
    };
    void copyFlipped(const std::uint8_t* bottomUp, std::uint8_t* topDown) const;

    Api api_;
    bool buffers_ = false;
    int width_ = 0;
    int height_ = 0;
    GLuint names_[2] = {0, 0};
    std::vector<std::uint8_t> plain_[2]; // the fallback's copies
    int first_ = 0;                      // slot of the oldest pending frame
    int pending_ = 0;
};
