#include "scenes/scenes.h"

void drawOrbitScene(float /*t*/) {}
