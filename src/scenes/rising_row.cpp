#include "scenes/scenes.h"

void drawRisingRowScene(float /*t*/) {}
