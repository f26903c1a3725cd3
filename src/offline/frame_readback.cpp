#include "offline/frame_readback.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

template <typename F> bool lookUp(FrameReadback::Lookup lookup, F& function, std::string name) {
    function = reinterpret_cast<F>(lookup(name.c_str()));
    return function != nullptr;
}

bool hasExtension(const char* name) {
    const char* all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (all == nullptr) {
        return false;
    }
    const std::size_t length = std::strlen(name);
    for (const char* at = std::strstr(all, name); at != nullptr; at = std::strstr(at + 1, name)) {
        if ((at == all || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0')) {
            return true;
        }
    }
    return false;
}

// Pixel-pack buffers are core from GL 2.1; before that the ARB extension offers them.
const char* bufferSuffix() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (version != nullptr) {
        char* end = nullptr;
        const long major = std::strtol(version, &end, 10);
        const long minor = *end == '.' ? std::strtol(end + 1, nullptr, 10) : 0;
        if (major > 2 || (major == 2 && minor >= 1)) {
            return "";
        }
    }
    return hasExtension("GL_ARB_pixel_buffer_object") ? "ARB" : nullptr;
}

} // namespace

FrameReadback::~FrameReadback() {
    if (buffers_ && names_[0] != 0) {
        api_.deleteBuffers(2, names_);
    }
}

bool FrameReadback::init(int width, int height, Lookup lookup) {
    width_ = width;
    height_ = height;
    const std::size_t size = static_cast<std::size_t>(width) * height * 4;
    const char* suffix = lookup != nullptr ? bufferSuffix() : nullptr;
    buffers_ = suffix != nullptr &&
               lookUp(lookup, api_.genBuffers, "glGenBuffers" + std::string(suffix)) &&
               lookUp(lookup, api_.deleteBuffers, "glDeleteBuffers" + std::string(suffix)) &&
               lookUp(lookup, api_.bindBuffer, "glBindBuffer" + std::string(suffix)) &&
               lookUp(lookup, api_.bufferData, "glBufferData" + std::string(suffix)) &&
               lookUp(lookup, api_.mapBuffer, "glMapBuffer" + std::string(suffix)) &&
               lookUp(lookup, api_.unmapBuffer, "glUnmapBuffer" + std::string(suffix));
    if (buffers_) {
        api_.genBuffers(2, names_);
        for (const GLuint name : names_) {
            api_.bindBuffer(GL_PIXEL_PACK_BUFFER, name);
            api_.bufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(size), nullptr,
                            GL_STREAM_READ);
        }
        api_.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    } else {
        plain_[0].resize(size);
        plain_[1].resize(size);
    }
    return buffers_;
}

void FrameReadback::start() {
    const int slot = (first_ + pending_) % 2;
    GLint alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    if (buffers_) {
        api_.bindBuffer(GL_PIXEL_PACK_BUFFER, names_[slot]);
        glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        api_.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    } else {
        glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, plain_[slot].data());
    }
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    ++pending_;
}

bool FrameReadback::take(std::uint8_t* rgba) {
    const int slot = first_;
    first_ = (first_ + 1) % 2;
    --pending_;
    if (!buffers_) {
        copyFlipped(plain_[slot].data(), rgba);
        return true;
    }
    api_.bindBuffer(GL_PIXEL_PACK_BUFFER, names_[slot]);
    const void* mapped = api_.mapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
    if (mapped != nullptr) {
        copyFlipped(static_cast<const std::uint8_t*>(mapped), rgba);
        api_.unmapBuffer(GL_PIXEL_PACK_BUFFER);
    }
    api_.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    return mapped != nullptr;
}

void FrameReadback::copyFlipped(const std::uint8_t* bottomUp, std::uint8_t* topDown) const {
    const std::size_t row = static_cast<std::size_t>(width_) * 4;
    for (int y = 0; y < height_; ++y) {
        std::memcpy(topDown + static_cast<std::size_t>(y) * row,
                    bottomUp + static_cast<std::size_t>(height_ - 1 - y) * row, row);
    }
}
