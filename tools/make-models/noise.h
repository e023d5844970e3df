// Deterministic, tileable noise for painting textures: integer hashing only, no library maths,
// so the same bytes come out on every machine.
#pragma once

#include <cstdint>

namespace models {

uint32_t Hash(int32_t x, int32_t y, uint32_t seed);
float Rand01(int32_t x, int32_t y, uint32_t seed);  // [0, 1)

// Smoothly interpolated lattice noise in [0, 1]; x, y in lattice cells; repeats every `period`
// cells so a texture built from it tiles.
float ValueNoise(float x, float y, int period, uint32_t seed);

// Sum of `octaves` layers of ValueNoise, each twice as fine and half as strong, in [0, 1].
float Fbm(float x, float y, int period, int octaves, uint32_t seed);

}  // namespace models
