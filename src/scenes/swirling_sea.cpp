#include "scenes/scenes.h"

void drawSwirlingSeaScene(float /*t*/) {}
