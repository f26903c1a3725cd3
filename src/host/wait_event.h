// Waiting for the next event without SDL_WaitEvent: on X11, SDL wakes a blocked wait by
// sending a message to one of our windows over a second connection, and when that window
// is destroyed first (the start dialog closing) the late message is an X error that ends
// the process. Polling with short sleeps has no such wake-up.
#pragma once

#include <SDL2/SDL_events.h>

// Takes the next event into event; false after about 10 ms without one.
bool waitForEvent(SDL_Event& event);
// Returns once an event is waiting (leaving it queued).
void waitForEvent();
