#include "scenes/scenes.h"

void drawFireHelixScene(float /*t*/) {}
