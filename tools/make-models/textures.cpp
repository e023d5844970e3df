#include "textures.h"

#include "noise.h"
#include "paint.h"

namespace models {
namespace {

constexpr int N = kMeshTextureSize;

float Nf(int x, int y, int period, int octaves, uint32_t seed) {
  const float scale = static_cast<float>(period) / static_cast<float>(N);
  return Fbm(static_cast<float>(x) * scale, static_cast<float>(y) * scale, period, octaves, seed);
}

// Pebbles on a jittered grid of cells x cells, in a `share` of the cells, radii from rMin to rMax.
void Stones(Image& img, int cells, float share, float rMin, float rMax, Rgb colour, uint32_t seed) {
  const float pitch = static_cast<float>(img.size) / static_cast<float>(cells);
  for (int cy = 0; cy < cells; ++cy) {
    for (int cx = 0; cx < cells; ++cx) {
      if (Rand01(cx, cy, seed) >= share) continue;
      const float x = (static_cast<float>(cx) + Rand01(cx, cy, seed + 1)) * pitch;
      const float y = (static_cast<float>(cy) + Rand01(cx, cy, seed + 2)) * pitch;
      Stud(img, x, y, rMin + (rMax - rMin) * Rand01(cx, cy, seed + 3), colour);
    }
  }
}

// Packed dirt with a few pebbles. Every empty cell of the map shows it, so it stays quiet and
// darker than anything standing on it.
Image Floor() {
  const Rgb soil{0.47f, 0.39f, 0.28f}, dry{0.56f, 0.49f, 0.36f};
  Image img = Fill(N, [&](int x, int y) {
    const float patch = Nf(x, y, 2, 2, 11);
    const float grain = Nf(x, y, 16, 2, 12);
    return Mix(soil, dry, patch) * (0.84f + 0.3f * grain);
  });
  Stones(img, 6, 0.55f, 1.2f, 2.5f, Rgb{0.66f, 0.62f, 0.55f}, 13);
  return img;
}

// Riveted armour plate with a raised inner panel: cool, bright and regular, unlike anything
// breakable.
Image Steel() {
  const Rgb metal{0.70f, 0.74f, 0.80f};
  Image img = Fill(N, [&](int x, int y) {
    const float brushed = ValueNoise(static_cast<float>(x) / 32.0f, static_cast<float>(y) / 1.5f, 2, 21);
    return metal * (0.88f + 0.16f * brushed + 0.04f * Rand01(x, y, 22));
  });
  Emboss(img, 0, 0, N, N, 3, 1.18f, 0.62f);
  Emboss(img, 18, 18, N - 18, N - 18, 2, 1.15f, 0.7f);
  Darken(img, 20, 20, N - 20, N - 20, 1.06f);
  for (float c : {9.5f, 54.5f})
    for (float d : {9.5f, 54.5f}) Stud(img, c, d, 3.2f, metal * 1.05f);
  return img;
}

// Cast concrete in four slabs, warm grey and rough, with a couple of cracks.
Image Concrete() {
  const Rgb stone{0.62f, 0.60f, 0.55f};
  Image img = Fill(N, [&](int x, int y) {
    const float grain = Nf(x, y, 8, 3, 31);
    const float speck = Rand01(x / 2, y / 2, 32);
    float s = 0.8f + 0.32f * grain;
    if (speck < 0.08f) s *= 0.72f;
    else if (speck > 0.93f) s *= 1.15f;
    return stone * s;
  });
  for (int q : {0, 32}) {
    Emboss(img, q, 0, q + 32, 32, 2, 1.1f, 0.68f);
    Emboss(img, q, 32, q + 32, 64, 2, 1.1f, 0.68f);
  }
  Crack(img, 8, 40, 1.0f, 0.4f, 18, 0.55f, 33);
  Crack(img, 44, 6, -0.3f, 1.0f, 16, 0.55f, 34);
  return img;
}

struct BrickStyle {
  Rgb brick, mortar;
  float spread;  // how much one brick differs from the next
  uint32_t seed;
};

// Running bond: four courses of two bricks, every other course shifted by half a brick, so the
// wall continues seamlessly into the next cell.
Image Bricks(const BrickStyle& s) {
  constexpr int kCourse = 16, kLength = 32, kMortar = 2;
  Image img = Fill(N, [&](int x, int y) {
    const int course = y / kCourse;
    const int shifted = x + (course % 2) * (kLength / 2);
    const int brick = (shifted / kLength) % (N / kLength);
    const int bx = shifted % kLength, by = y % kCourse;
    const float grain = Nf(x, y, 16, 2, s.seed);
    if (bx >= kLength - kMortar || by >= kCourse - kMortar) return s.mortar * (0.85f + 0.3f * grain);
    const float tint = 1.0f + s.spread * (Rand01(brick, course, s.seed + 1) - 0.5f);
    Rgb c = s.brick * tint * (0.86f + 0.28f * grain);
    if (by == 0 || bx == 0) c = c * 1.2f;  // upper and left arrises catch the light
    if (by == kCourse - kMortar - 1 || bx == kLength - kMortar - 1) c = c * 0.75f;
    return c;
  });
  return img;
}

// The third brick: old and weathered, sooty, chipped and cracked.
Image WornBricks() {
  Image img = Bricks({{0.70f, 0.46f, 0.27f}, {0.58f, 0.55f, 0.48f}, 0.3f, 51});
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x) img.at(x, y) = img.at(x, y) * (0.7f + 0.35f * Nf(x, y, 4, 2, 52));
  Darken(img, 3, 20, 9, 25, 0.55f);
  Darken(img, 40, 52, 47, 57, 0.55f);
  Crack(img, 12, 4, 0.6f, 1.0f, 26, 0.45f, 53);
  Crack(img, 50, 30, -0.8f, 0.7f, 20, 0.45f, 54);
  return img;
}

// Armour for every tank, in light grey so that each material's diffuse colour shows as the
// tank's own colour. Laid out for the top of a tank facing up the image: the cell's 25 units
// span the texture.
Image TankPlate() {
  Image img = Fill(N, [&](int x, int y) {
    return Rgb{0.84f, 0.84f, 0.82f} * (0.9f + 0.14f * Nf(x, y, 8, 2, 61));
  });
  Emboss(img, 9, 3, N - 9, N - 3, 1, 1.12f, 0.7f);   // hull deck
  Emboss(img, 20, 26, N - 20, 45, 1, 1.12f, 0.7f);   // turret roof
  for (int y = 47; y < 58; y += 2) Darken(img, 20, y, N - 20, y + 1, 0.6f);  // engine grille
  Emboss(img, 23, 36, 31, 44, 1, 1.2f, 0.6f);        // hatch
  for (float x : {12.5f, 51.5f})
    for (float y = 8.5f; y < 60.0f; y += 9.0f) Stud(img, x, y, 1.0f, Rgb{0.8f, 0.8f, 0.78f});
  return img;
}

// Dark steel track links running across the direction of travel (the image's rows).
Image Track() {
  return Fill(N, [&](int x, int y) {
    const float link = (y % 4 < 2) ? 1.0f : 0.55f;
    const float grouser = (x % 16 == 0) ? 0.7f : 1.0f;
    return Rgb{0.33f, 0.32f, 0.30f} * (link * grouser * (0.85f + 0.3f * Rand01(x, y, 71)));
  });
}

// Brass case with a copper nose at the top of the image (the shell points up it).
Image Shell() {
  return Fill(N, [&](int x, int y) {
    const float v = static_cast<float>(y) / N;
    const Rgb brass{0.95f, 0.76f, 0.32f}, copper{0.88f, 0.45f, 0.22f};
    Rgb c = v < 0.3f ? copper : brass;
    if (v > 0.62f && v < 0.66f) c = c * 0.7f;  // driving band
    return c * (0.9f + 0.1f * Rand01(x, y, 81));
  });
}

}  // namespace

std::vector<NamedImage> BuildMeshTextures() {
  return {
      {"floor.bmp", Floor()},
      {"steel.bmp", Steel()},
      {"concrete.bmp", Concrete()},
      {"brick.bmp", Bricks({{0.66f, 0.25f, 0.16f}, {0.74f, 0.70f, 0.62f}, 0.25f, 41})},
      {"brick2.bmp", Bricks({{0.45f, 0.26f, 0.20f}, {0.40f, 0.37f, 0.33f}, 0.35f, 45})},
      {"brick3.bmp", WornBricks()},
      {"tank.bmp", TankPlate()},
      {"track.bmp", Track()},
      {"shell.bmp", Shell()},
  };
}

Image BuildGroundTexture() {
  constexpr int G = kGroundTextureSize;
  const Rgb loam{0.42f, 0.31f, 0.20f}, clay{0.55f, 0.42f, 0.28f}, damp{0.30f, 0.23f, 0.16f};
  auto at = [](int v, int period) { return static_cast<float>(v) * period / static_cast<float>(G); };
  Image img = Fill(G, [&](int x, int y) {
    const float broad = Fbm(at(x, 4), at(y, 4), 4, 3, 91);
    const float wet = ValueNoise(at(x, 8), at(y, 8), 8, 92);
    const float grain = Fbm(at(x, 64), at(y, 64), 64, 2, 93);
    Rgb c = Mix(loam, clay, broad);
    if (wet > 0.62f) c = Mix(c, damp, (wet - 0.62f) * 2.0f);
    return c * (0.82f + 0.36f * grain);
  });
  Stones(img, 24, 0.5f, 1.0f, 3.0f, Rgb{0.62f, 0.57f, 0.50f}, 94);
  for (unsigned i = 0; i < 6; ++i)
    Crack(img, Rand01(i, 1, 98) * G, Rand01(i, 2, 98) * G, 1.0f, Rand01(i, 3, 98) - 0.5f, 40, 0.6f, 99 + i);
  return img;
}

}  // namespace models
