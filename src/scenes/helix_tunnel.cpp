#include "scenes/scenes.h"

void drawHelixTunnelScene(float /*t*/) {}
