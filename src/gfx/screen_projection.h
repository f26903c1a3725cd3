// The two fixed 800 x 600 screen projections (y down) and their undo, and the 3D view.
#pragma once

inline constexpr float kScreenWidth = 800.0f;
inline constexpr float kScreenHeight = 600.0f;

// Ortho (0, 800, 600, 0, -1, 1): a quad at z = 0 lies at depth 0.5.
void beginScreenProjection();
// Ortho (0, 800, 600, 0, -1, 0): z = 0 lies on the far plane, z = 1 on the near plane.
void beginBackdropProjection();
// Pops both matrices; leaves GL_MODELVIEW current.
void endScreenProjection();

// Viewport over the whole client area and the 45 degree perspective (near 1, far 100) all
// scenes are drawn under. A height of 0 sets the viewport only.
void resizeView(int width, int height);
