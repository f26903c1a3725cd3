#include "scenes/scenes.h"

void drawMirrorSphereScene(float /*t*/) {}
