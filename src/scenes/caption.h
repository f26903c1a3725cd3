// The title caption: a textured rectangle added over the finished picture, faded in
// and out by the demo time.
#pragma once

// (1 - fadeOut) * fadeIn, each ramp lasting two seconds from its start.
float captionAlpha(float fadeInStart, float fadeOutStart, float t);

// Draws the rectangle (x, y)-(x + width, y + height) in screen units, textured with
// TextureTable[textureIndex], added with the caption's alpha at demo time t.
void drawCaption(int width, int height, float x, float y, int textureIndex, float fadeInStart,
                 float fadeOutStart, float t);
