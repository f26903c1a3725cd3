// The start dialog: the start picture on the left, "FullScreen" (a push-like toggle,
// unchecked at first), "OK" and "Exit" stacked on the right. "OK" fixes the window
// settings and goes on; "Exit" ends the program; Esc and closing the dialog leave it open.
#pragma once

#include <SDL2/SDL_keyboard.h>

#include "host/demo_window.h"

inline constexpr int kStartPictureWidth = 484;
inline constexpr int kStartPictureHeight = 240;

struct DialogRect {
    int x;
    int y;
    int width;
    int height;
    bool contains(int px, int py) const {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
};

// The dialog's layout in dialog units (x, y, width, height), and in pixels at the base
// units that let the picture show whole.
struct StartDialogLayout {
    DialogRect client;
    DialogRect picture;
    DialogRect fullScreen;
    DialogRect ok;
    DialogRect exit;
};
inline constexpr StartDialogLayout kStartDialogUnits = {
    {0, 0, 327, 132}, {0, 0, 279, 131}, {279, 0, 47, 14}, {279, 15, 47, 47}, {279, 63, 47, 68}};
// Pixels per 4 horizontal and per 8 vertical dialog units.
inline constexpr int kDialogBaseX = 7;
inline constexpr int kDialogBaseY = 15;
StartDialogLayout startDialogLayout();

enum class DialogControl { None, FullScreen, Ok, Exit };
enum class DialogOutcome { Open, Ok, Exit };

struct StartDialogState {
    bool fullScreenChecked = false;
    DialogControl focus = DialogControl::None;   // Tab moves it; none until then
    DialogControl pressed = DialogControl::None; // held down by the mouse or Space
    bool pressedByMouse = false;
    bool pointerInside = false; // while the mouse holds a control: over it or not
};

DialogControl controlAt(const StartDialogLayout& layout, int x, int y);
DialogOutcome dialogMouseDown(StartDialogState& state, const StartDialogLayout& layout, int x,
                              int y);
void dialogMouseMove(StartDialogState& state, const StartDialogLayout& layout, int x, int y);
DialogOutcome dialogMouseUp(StartDialogState& state, const StartDialogLayout& layout, int x, int y);
// Tab / Shift+Tab move the focus, Space presses the focused control (acting on release),
// Enter presses the focused push button or else "OK"; Esc does nothing.
DialogOutcome dialogKeyDown(StartDialogState& state, SDL_Keycode key, Uint16 modifiers,
                            bool repeat);
DialogOutcome dialogKeyUp(StartDialogState& state, SDL_Keycode key);

// What "OK" does to the window record: unchecked "FullScreen" sets fullScreen to 0 (checked
// keeps it), and the size and depth are always 800 x 600 at 32 bits.
void applyStartChoice(DemoWindow& window, bool fullScreenChecked);

// Shows the dialog modally until "OK" (returns true) or "Exit" (ends the process). False
// when it cannot be shown: the window record keeps its defaults (full screen).
bool runStartDialog(DemoWindow& window);
