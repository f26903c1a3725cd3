// The one demo window with its GL context (double-buffered, 16-bit depth, compatibility
// profile for OpenGL 1.1 immediate mode, GLU and the ARB shader objects), the 3D
// projection, and the window's event handler that keeps the key flags and `visible`.
#pragma once

#include <SDL2/SDL_events.h>

#include "gfx/frame_geometry.h"
#include "gfx/screen_projection.h"
#include "host/demo_window.h"

// The message the F1 key posts (WM_USER + 1 where the demo began), carried in the code of
// an SDL user event.
inline constexpr int kToggleModeMessage = 1025;
// The SDL event type of the toggle message.
Uint32 toggleModeEventType();

// SDL keeps no window classes, so nothing can fail here: always 1.
int registerDemoClass(const ApplicationInfo& app);
void unregisterDemoClass(const ApplicationInfo& app);

// Whether full screen can be had: a desktop exists to cover (the picture is scaled onto it
// with black bars, so no 800 x 600 display mode is needed). 1 if so, else 0.
int setFullscreenMode(int width, int height, int bits);

// The size live play draws at (--size); without one, the demo's own 800 x 600 as always.
// With one, the window is made at that size (or the largest 4:3 one the desktop holds) and
// the picture follows its size as it is resized, or full screen draws a picture of that size
// (at the desktop's own size, straight onto the screen). Set before createDemoWindow.
void setLiveFrameSize(const FrameSizeRequest& request);

// Makes the window, its GL context (current) and, in full screen, the picture the frames are
// drawn into. 1 on success, with the window shown, `visible` 1, the view
// set, the keys cleared and `lastTick` taken; 0 with everything made so far released and
// the handle fields null (lastWindowError says why).
int createDemoWindow(DemoWindow& window);
const char* lastWindowError();

// What the window's event handler made of an event.
enum class WindowEvent {
    NotTheWindows, // another window's, or none the window handles
    Handled,
    CloseAsked, // the user closed the window: the caller ends the run
};

// The window's event handler: sizes, minimise and restore, close, keys, the toggle
// message. It keeps the window's own records; ending the run is its caller's part.
WindowEvent demoWindowProc(DemoWindow& window, const SDL_Event& event);

// After a frame: in full screen, scales the 800 x 600 picture onto the screen.
void presentFrame(const DemoWindow& window);

// The GL attributes of the demo's pixel format, set before a GL window is made.
void setDemoGlAttributes(int colorBits);
