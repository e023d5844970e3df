#include "paint.h"

#include <cmath>

#include "noise.h"

namespace models {

uint8_t ToByte(float c) {
  float v = c * 255.0f + 0.5f;
  if (v < 0) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<uint8_t>(v);
}

Image Fill(int size, const std::function<Rgb(int x, int y)>& shade) {
  Image img(size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) img.at(x, y) = shade(x, y);
  return img;
}

void Darken(Image& img, int x0, int y0, int x1, int y1, float f) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) img.at(x, y) = img.at(x, y) * f;
}

void Emboss(Image& img, int x0, int y0, int x1, int y1, int width, float light, float dark) {
  for (int w = 0; w < width; ++w) {
    Darken(img, x0 + w, y0 + w, x1 - w, y0 + w + 1, light);          // top
    Darken(img, x0 + w, y0 + w + 1, x0 + w + 1, y1 - w, light);      // left
    Darken(img, x0 + w + 1, y1 - w - 1, x1 - w, y1 - w, dark);       // bottom
    Darken(img, x1 - w - 1, y0 + w + 1, x1 - w, y1 - w - 1, dark);   // right
  }
}

void Stud(Image& img, float cx, float cy, float r, Rgb colour) {
  const int x0 = static_cast<int>(std::floor(cx - r - 2)), x1 = static_cast<int>(std::ceil(cx + r + 2));
  const int y0 = static_cast<int>(std::floor(cy - r - 2)), y1 = static_cast<int>(std::ceil(cy + r + 2));
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const float dx = (static_cast<float>(x) + 0.5f - cx) / r;
      const float dy = (static_cast<float>(y) + 0.5f - cy) / r;
      const float d2 = dx * dx + dy * dy;
      if (d2 < 1.0f) {
        // Facing the top-left: brighter there, darker toward the bottom-right rim.
        const float lit = 0.85f - 0.35f * (dx + dy) - 0.25f * d2;
        img.at(x, y) = colour * lit;
      } else {
        const float sx = dx - 0.35f, sy = dy - 0.35f;
        if (sx * sx + sy * sy < 1.0f) img.at(x, y) = img.at(x, y) * 0.72f;
      }
    }
  }
}

void Crack(Image& img, float x, float y, float dx, float dy, int steps, float depth, unsigned seed) {
  for (int i = 0; i < steps; ++i) {
    const int px = static_cast<int>(std::floor(x)), py = static_cast<int>(std::floor(y));
    img.at(px, py) = img.at(px, py) * depth;
    img.at(px + 1, py) = img.at(px + 1, py) * (0.5f + 0.5f * depth);
    // Veer a little at every step, never turning back on itself.
    const float turn = (Rand01(i, 0, seed) - 0.5f) * 0.9f;
    const float ndx = dx - dy * turn, ndy = dy + dx * turn;
    const float len = std::sqrt(ndx * ndx + ndy * ndy);
    dx = ndx / len;
    dy = ndy / len;
    x += dx;
    y += dy;
  }
}

}  // namespace models
