// The process-wide records of the host shell: the application, the one demo window with
// its GL context, and the key flags the window's event handler keeps.
#pragma once

#include <cstdint>

#include "play/key_state.h"

struct SDL_Window;


struct ApplicationInfo {
    // The program's own folder (where its data lives); stands for the module instance.
    const char* instanceHandle;
    // Always "OpenGL".
    const char* windowClassName;
};

struct DemoWindow {
    KeyState* keyState;
    SDL_Window* windowHandle;  // the window; null when none exists
    SDL_Window* deviceContext; // the drawable the GL context renders to and swaps; null when none
    void* glContext;           // the SDL_GLContext; null when none exists
    ApplicationInfo* appInfo;
    const char* title;       // "Quorlith Engine"
    std::int32_t width;      // requested client width (800)
    std::int32_t height;     // requested client height (600)
    std::int32_t colorBits;  // 32
    std::int32_t fullScreen; // 0 or 1; cleared when full screen cannot be had
    std::int32_t visible;    // 1 while not minimised; frames are drawn only then
    std::uint32_t lastTick;  // SDL_GetTicks of the previous frame (milliseconds)
};

inline constexpr const char* kWindowClassName = "OpenGL";
inline constexpr const char* kDemoTitle = "Quorlith Engine";
inline constexpr int kDemoWidth = 800;
inline constexpr int kDemoHeight = 600;
inline constexpr int kDemoColorBits = 32;

// 1 from the start of the main loop, 0 after a quit request or a failed window creation.
extern int demoRunning;
// Copied from DemoWindow::fullScreen after the dialog and back before the window is made;
// flipped by the toggle message.
extern int fullScreenPreference;

// Zero-fills both records and the keys, then sets the values every run starts from.
void fillDemoRecords(ApplicationInfo& app, const char* programFolder, KeyState& keys,
                     DemoWindow& window);
