#include "preview.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>

#include <qv_png.h>

namespace models {
namespace {

constexpr int kWidth = 640, kHeight = 480, kSuper = 2;
constexpr int W = kWidth * kSuper, H = kHeight * kSuper;

struct Placed {
  const Mesh* mesh;
  Vec3 position;
  float yawDegrees;
};

struct Target {
  std::vector<Rgb> colour = std::vector<Rgb>(static_cast<size_t>(W) * H);
  std::vector<float> depth = std::vector<float>(static_cast<size_t>(W) * H, 1e30f);
};

Rgb Sample(const Image& tex, float u, float v) {
  // Bilinear with clamped addressing, as the scene's samplers are set.
  const float fx = std::clamp(u, 0.0f, 1.0f) * tex.size - 0.5f, fy = std::clamp(v, 0.0f, 1.0f) * tex.size - 0.5f;
  const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
  const float tx = fx - x0, ty = fy - y0;
  auto at = [&](int x, int y) { return tex.at(std::clamp(x, 0, tex.size - 1), std::clamp(y, 0, tex.size - 1)); };
  return Mix(Mix(at(x0, y0), at(x0 + 1, y0), tx), Mix(at(x0, y0 + 1), at(x0 + 1, y0 + 1), tx), ty);
}

class Rasteriser {
 public:
  Rasteriser(Target& t, float cameraZ) : t_(t), cameraZ_(cameraZ) {
    const float fov = 65.0f / 57.2f;  // the game's degrees-to-radians
    focal_ = 1.0f / std::tan(fov / 2);
  }

  struct Vertex {
    Vec3 world;
    Vec2 uv;
  };

  // Texture times light, the light already clamped per channel as fixed-function lighting does.
  void Triangle(const Vertex (&v)[3], const Image& tex, Rgb light) {
    float sx[3], sy[3], w[3];
    for (int i = 0; i < 3; ++i) {
      const float depth = v[i].world.z - cameraZ_;
      if (depth < 1.0f) return;
      w[i] = 1.0f / depth;
      sx[i] = (v[i].world.x * focal_ / (static_cast<float>(W) / H) * w[i] + 1) * 0.5f * W;
      sy[i] = (1 - v[i].world.y * focal_ * w[i]) * 0.5f * H;
    }
    // Pixel rows run downward, so a triangle clockwise on screen has a positive area here;
    // counter-clockwise ones are culled.
    const float area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
    if (area <= 0) return;
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min({sx[0], sx[1], sx[2]}))));
    const int x1 = std::min(W - 1, static_cast<int>(std::ceil(std::max({sx[0], sx[1], sx[2]}))));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::min({sy[0], sy[1], sy[2]}))));
    const int y1 = std::min(H - 1, static_cast<int>(std::ceil(std::max({sy[0], sy[1], sy[2]}))));
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        const float px = x + 0.5f, py = y + 0.5f;
        float b[3];
        for (int i = 0; i < 3; ++i) {
          const int j = (i + 1) % 3, k = (i + 2) % 3;
          b[i] = ((sx[k] - sx[j]) * (py - sy[j]) - (px - sx[j]) * (sy[k] - sy[j])) / area;
        }
        if (b[0] < 0 || b[1] < 0 || b[2] < 0) continue;
        const float iw = b[0] * w[0] + b[1] * w[1] + b[2] * w[2];
        const float depth = 1.0f / iw;
        const size_t at = static_cast<size_t>(y) * W + x;
        if (depth > t_.depth[at]) continue;  // less-or-equal passes, so later coplanar draws win
        const float u = (b[0] * v[0].uv.u * w[0] + b[1] * v[1].uv.u * w[1] + b[2] * v[2].uv.u * w[2]) * depth;
        const float vv = (b[0] * v[0].uv.v * w[0] + b[1] * v[1].uv.v * w[1] + b[2] * v[2].uv.v * w[2]) * depth;
        t_.depth[at] = depth;
        t_.colour[at] = Sample(tex, u, vv) * light;
      }
    }
  }

 private:
  Target& t_;
  float cameraZ_;
  float focal_ = 1;
};

float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

// Fixed-function lighting with the game's states: the material's ambient equals its diffuse, the
// global ambient is 0xFF8CA5BF and one white light shines along +z.
Rgb Light(const Material& m, Vec3 normal) {
  const float lambert = std::max(0.0f, -normal.z);
  return {Clamp01(m.emissive.r + m.diffuse.r * (kAmbient[0] + lambert)),
          Clamp01(m.emissive.g + m.diffuse.g * (kAmbient[1] + lambert)),
          Clamp01(m.emissive.b + m.diffuse.b * (kAmbient[2] + lambert))};
}

void Draw(Rasteriser& r, const Placed& p, const std::map<std::string, const Image*>& textures) {
  // The game turns degrees into radians by dividing by 57.2.
  const float a = p.yawDegrees / 57.2f, c = std::cos(a), s = std::sin(a);
  auto turn = [&](Vec3 v) { return Vec3{v.x * c - v.y * s, v.x * s + v.y * c, v.z}; };
  const Mesh& m = *p.mesh;
  for (size_t f = 0; f < m.faces.size(); ++f) {
    const Material& mat = m.materials[m.faceMaterial[f]];
    const auto tex = textures.find(mat.texture);
    if (tex == textures.end()) throw std::runtime_error("no texture " + mat.texture);
    Rasteriser::Vertex v[3];
    for (int i = 0; i < 3; ++i) v[i] = {turn(m.positions[m.faces[f][i]]) + p.position, m.uvs[m.faces[f][i]]};
    r.Triangle(v, *tex->second, Light(mat, turn(m.normals[m.faces[f][0]])));
  }
}

// The game's generator and the part of its set-up that decides the picture: where the enemies
// start and which tiles the grid holds.
struct GameStart {
  uint32_t state = 1;
  int Next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
  }
  float Coordinate() { return static_cast<float>(Next() % 600 - 300); }
};

std::vector<Placed> MapScene(const std::vector<NamedMesh>& meshes) {
  GameStart g;
  std::vector<Placed> out;
  Vec3 enemies[3];
  for (Vec3& e : enemies) {
    e.x = g.Coordinate();
    e.y = g.Coordinate() - 0.7f;  // the first steering step heads toward -y
    g.Coordinate();
    g.Coordinate();
  }
  std::vector<int> grid(size_t{64} * 64, 0);
  for (int iy = 0; iy < 64; ++iy)
    for (int ix = 0; ix < 64; ++ix)
      if (g.Next() % 10 == 1) grid[ix * 64 + iy] = g.Next() % 6;
  grid[4 * 64 + 5] = 2;
  for (int iy = 0; iy < 24; ++iy)
    for (int ix = 0; ix < 24; ++ix)
      out.push_back({&meshes[grid[ix * 64 + iy]].mesh, {-300.0f + 25 * ix, -300.0f + 25 * iy, 0}, 0});
  out.push_back({&meshes[6].mesh, {0, 0, 0.3f}, 0});
  for (int i = 0; i < 3; ++i) out.push_back({&meshes[7 + i].mesh, {enemies[i].x, enemies[i].y, 0.3f}, 180});
  out.push_back({&meshes[10].mesh, {0, 40, -16}, 0});
  return out;
}

std::vector<Placed> Showcase(const std::vector<NamedMesh>& meshes) {
  std::vector<Placed> out;
  for (int row = -2; row <= 2; ++row)
    for (int col = -4; col <= 3; ++col) out.push_back({&meshes[0].mesh, {25.0f * col + 12.5f, 25.0f * row, 0}, 0});
  for (int i = 1; i <= 5; ++i) out.push_back({&meshes[i].mesh, {25.0f * (i - 3) - 12.5f, 50, 0}, 0});
  out.push_back({&meshes[5].mesh, {62.5f, 50, 0}, 0});
  const float yaw[4] = {0, 90, 180, -90};
  for (int i = 0; i < 4; ++i) out.push_back({&meshes[6 + i].mesh, {25.0f * (i * 2 - 3) - 12.5f, 0, -1}, yaw[i]});
  out.push_back({&meshes[10].mesh, {-87.5f, 25, -16}, 0});
  out.push_back({&meshes[10].mesh, {-50, -25, -16}, 90});
  return out;
}

}  // namespace

void RenderPreview(const std::vector<NamedMesh>& meshes, const std::vector<NamedImage>& textures,
                   const Image& ground, PreviewScene scene, const std::string& pngPath) {
  if (meshes.size() != 11) throw std::invalid_argument("expected six pieces, four tanks, one bullet");
  std::map<std::string, const Image*> byName;
  for (const NamedImage& t : textures) byName[t.file] = &t.image;

  Target target;
  const float cameraZ = scene == PreviewScene::Map ? -500.0f : -160.0f;
  Rasteriser r(target, cameraZ);

  // The ground quad first, as the scene pass draws it: a tenth of the ground texture on a
  // 100 x 100 square. It has no normals, so only ambient light reaches it.
  const Rgb groundLight{kAmbient[0] * 0.55f, kAmbient[1] * 0.55f, kAmbient[2] * 0.55f};
  const Rasteriser::Vertex q[4] = {{{-50, 50, 0}, {0.2f, 0.2f}}, {{50, 50, 0}, {0.3f, 0.2f}},
                                   {{-50, -50, 0}, {0.2f, 0.3f}}, {{50, -50, 0}, {0.3f, 0.3f}}};
  r.Triangle({q[0], q[1], q[2]}, ground, groundLight);
  r.Triangle({q[2], q[1], q[3]}, ground, groundLight);

  for (const Placed& p : scene == PreviewScene::Map ? MapScene(meshes) : Showcase(meshes)) Draw(r, p, byName);

  std::vector<uint8_t> png(static_cast<size_t>(kWidth) * kHeight * 3);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      Rgb sum;
      for (int sy = 0; sy < kSuper; ++sy)
        for (int sx = 0; sx < kSuper; ++sx)
          sum = sum + target.colour[static_cast<size_t>(y * kSuper + sy) * W + static_cast<size_t>(x * kSuper + sx)];
      sum = sum * (1.0f / (kSuper * kSuper));
      uint8_t* px = &png[(static_cast<size_t>(y) * kWidth + x) * 3];
      px[0] = ToByte(sum.r);
      px[1] = ToByte(sum.g);
      px[2] = ToByte(sum.b);
    }
  }
  if (!QvWritePng(pngPath.c_str(), kWidth, kHeight, 3, png.data()))
    throw std::runtime_error("cannot write " + pngPath);
}

}  // namespace models
