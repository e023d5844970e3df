#include "noise.h"

namespace models {

uint32_t Hash(int32_t x, int32_t y, uint32_t seed) {
  uint32_t h = seed * 0x9E3779B1u;
  h ^= static_cast<uint32_t>(x) * 0x85EBCA77u;
  h = (h << 13) | (h >> 19);
  h ^= static_cast<uint32_t>(y) * 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

float Rand01(int32_t x, int32_t y, uint32_t seed) {
  return static_cast<float>(Hash(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

namespace {
int FloorToInt(float v) {
  int i = static_cast<int>(v);
  return (static_cast<float>(i) > v) ? i - 1 : i;
}
int WrapCell(int i, int period) { return ((i % period) + period) % period; }
float Smooth(float t) { return t * t * (3.0f - 2.0f * t); }
}  // namespace

float ValueNoise(float x, float y, int period, uint32_t seed) {
  const int ix = FloorToInt(x), iy = FloorToInt(y);
  const float tx = Smooth(x - static_cast<float>(ix)), ty = Smooth(y - static_cast<float>(iy));
  const int x0 = WrapCell(ix, period), x1 = WrapCell(ix + 1, period);
  const int y0 = WrapCell(iy, period), y1 = WrapCell(iy + 1, period);
  const float a = Rand01(x0, y0, seed), b = Rand01(x1, y0, seed);
  const float c = Rand01(x0, y1, seed), d = Rand01(x1, y1, seed);
  const float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
  return top + (bottom - top) * ty;
}

float Fbm(float x, float y, int period, int octaves, uint32_t seed) {
  float sum = 0, weight = 0, amp = 1, scale = 1;
  for (int o = 0; o < octaves; ++o) {
    sum += ValueNoise(x * scale, y * scale, period * static_cast<int>(scale), seed + 977u * o) * amp;
    weight += amp;
    amp *= 0.5f;
    scale *= 2.0f;
  }
  return sum / weight;
}

}  // namespace models
