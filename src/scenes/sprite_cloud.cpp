#include "scenes/scenes.h"

void drawSpriteCloudScene(float /*t*/) {}
