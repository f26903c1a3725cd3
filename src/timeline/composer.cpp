#include "timeline/composer.h"

#include <cstdlib>

#include "audio/music.h"
#include "gfx/gl.h"

namespace {
void exitNormally() { std::exit(0); }
EndProcessHook endProcessHook = exitNormally;
} // namespace

void setEndProcessHook(EndProcessHook hook) { endProcessHook = hook ? hook : exitNormally; }

void composeFrame() {
    updateDemoTime();
    const float t = demoTime();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    captureSpectrum();
    if (t > kDemoEndTime) {
        endProcessHook();
    }
}
