// Square RGB images in linear floats while they are painted; quantised only when written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace models {

struct Rgb {
  float r = 0, g = 0, b = 0;
};

inline Rgb operator*(Rgb c, float s) { return {c.r * s, c.g * s, c.b * s}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb Mix(Rgb a, Rgb b, float t) { return a * (1.0f - t) + b * t; }

struct Image {
  int size = 0;  // width and height
  std::vector<Rgb> px;

  explicit Image(int n = 0) : size(n), px(static_cast<size_t>(n) * n) {}
  Rgb& at(int x, int y) { return px[static_cast<size_t>(Wrap(y)) * size + Wrap(x)]; }
  const Rgb& at(int x, int y) const { return px[static_cast<size_t>(Wrap(y)) * size + Wrap(x)]; }
  int Wrap(int i) const { return ((i % size) + size) % size; }
};

// 0..255 with rounding; the one place where floats become bytes.
uint8_t ToByte(float c);

struct NamedImage {
  std::string file;
  Image image;
};

}  // namespace models
