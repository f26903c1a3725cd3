#include "scenes/scenes.h"

void drawTwinKnotsScene(float /*t*/) {}
