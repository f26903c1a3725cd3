// The eight timed 3D scenes. Each is called by the frame composer while the demo time t
// lies strictly inside its window, sets its own camera from t, and keeps no state
// between frames.
#pragma once

void drawRisingRowScene(float t);    // 78 - 128 s
void drawOrbitScene(float t);        // 128 - 150 s
void drawFireHelixScene(float t);    // 150 - 170 s
void drawSpriteCloudScene(float t);  // 170 - 192 s
void drawTwinKnotsScene(float t);    // 192 - 215 s
void drawMirrorSphereScene(float t); // 215 - 248 s
void drawSwirlingSeaScene(float t);  // 248 - 268 s
void drawHelixTunnelScene(float t);  // 268 - 290 s
