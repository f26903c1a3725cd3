// Camera-facing textured quads.
#pragma once

#include <vector>

#include "gfx/vec3.h"

struct BillboardQuad {
    Vec3 corners[4]; // lower left, lower right, upper right, upper left (as the viewer sees it)
};

// The corners of a billboard under the column-major modelview matrix m: the first two
// rows of its upper 3x3 part, unnormalised, give the viewer's right and up.
BillboardQuad billboardCorners(const float m[16], Vec3 centre, float halfSize);

// Draws one quad facing the viewer, with texture coordinates (0,0) (1,0) (1,1) (0,1),
// in the current modelview space. Uses whatever texture, colour and blending is set.
void drawBillboard(Vec3 centre, float halfSize);

// Many billboards under one modelview matrix, drawn as vertex arrays: the same corners,
// texture coordinates and order as one drawBillboard call each, without a call per vertex.
// beginBillboards reads the matrix; addBillboard queues one (drawing when the fixed-size
// store is full); endBillboards draws the rest. The matrix must not change in between.
void beginBillboards();
void addBillboard(Vec3 centre, float halfSize);
void endBillboards();

// For billboards that need state changes between them: after at most kBillboardStore
// addBillboard calls, drawQueuedBillboard(i) draws the i-th alone (any number of times, in
// any order) between beginQueuedDraws and endQueuedDraws, which also empties the store.
inline constexpr int kBillboardStore = 4096;
void beginQueuedDraws();
void drawQueuedBillboard(int index);
void endQueuedDraws();

// A box of window pixels, x0 <= x < x1 and y0 <= y < y1; empty for a quad that draws nothing.
struct WindowBox {
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};
// The window pixels queued billboard `index` can reach under `clip` (see queuedClipMatrix)
// and the viewport (x, y, width, height), with a margin of two pixels against rounding;
// every pixel when a corner lies behind the eye.
WindowBox queuedBillboardWindowBox(int index, const double clip[16], const int viewport[4]);
// Splits items in drawing order into runs of consecutive items whose boxes are pairwise
// disjoint (empty boxes join any run): within a run no pixel is drawn twice, so drawing a
// run pass by pass (each item's first pass, then each item's second) leaves every pixel as
// drawing it item by item would. Returns each run's first item and its length.
std::vector<std::pair<int, int>> disjointRuns(const std::vector<WindowBox>& boxes);

// Whether a quad lies wholly beyond one side of the view volume under the column-major
// matrix `clip` (projection times modelview): clipping would drop all of it. Leans towards
// "no" by a small margin, so a quad that rounding could bring to an edge is kept.
bool quadOutsideView(const Vec3 corners[4], const double clip[16]);
// The same for queued billboard `index`; queuedClipMatrix gives the projection times the
// store's modelview for it.
void queuedClipMatrix(double clip[16]);
// The same for a drawBillboard call under the current matrices.
bool billboardOutsideView(Vec3 centre, float halfSize);
bool queuedBillboardOutsideView(int index, const double clip[16]);
