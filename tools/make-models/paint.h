// Small painting helpers shared by the texture recipes. Coordinates wrap, so marks that cross an
// edge come back on the other side and tiled textures stay seamless.
#pragma once

#include <functional>

#include "image.h"

namespace models {

Image Fill(int size, const std::function<Rgb(int x, int y)>& shade);

// Multiplies the texels of [x0, x1) x [y0, y1) by f.
void Darken(Image& img, int x0, int y0, int x1, int y1, float f);

// A raised rectangle's rim: brighter along its top and left edges, darker along the bottom and
// right, `width` texels wide.
void Emboss(Image& img, int x0, int y0, int x1, int y1, int width, float light, float dark);

// A dome-headed rivet or stone of radius r: lit from the top left, with a soft shadow below right.
void Stud(Image& img, float cx, float cy, float r, Rgb colour);

// A thin dark crack that wanders from (x, y) for `steps` texels, starting along (dx, dy).
void Crack(Image& img, float x, float y, float dx, float dy, int steps, float depth, unsigned seed);

}  // namespace models
