#include "geometry.h"

#include <cmath>
#include <stdexcept>
#include <utility>

namespace models {

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 Normalize(Vec3 a) {
  float len = std::sqrt(Dot(a, a));
  return len > 0 ? a * (1.0f / len) : a;
}

namespace {

bool Same(Vec3 a, Vec3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

Vec3 Centroid(const std::vector<Vec3>& pts) {
  Vec3 sum;
  for (Vec3 p : pts) sum = sum + p;
  return sum * (1.0f / static_cast<float>(pts.size()));
}

// Sum of the fan's cross products: points along (p1 - p0) x (p2 - p0) for a convex polygon, the
// outward side when the corners run clockwise as seen from outside.
Vec3 PolygonNormal(const std::vector<Vec3>& pts) {
  Vec3 c = Centroid(pts);
  Vec3 n;
  for (size_t i = 0; i < pts.size(); ++i)
    n = n + Cross(pts[i] - c, pts[(i + 1) % pts.size()] - c);
  return Normalize(n);
}

Vec2 Project(Vec3 p, Vec3 n, const UvCube& cube) {
  const float s = cube.size;
  const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
  // Top of the image toward +y on tops, toward the camera (-z) on sides; left to right as a
  // viewer outside the face sees it.
  if (az >= ax && az >= ay) {
    float u = n.z <= 0 ? (p.x - cube.min.x) / s : (cube.min.x + s - p.x) / s;
    return {u, (cube.min.y + s - p.y) / s};
  }
  float v = (p.z - cube.min.z) / s;
  if (ax >= ay) return {n.x > 0 ? (p.y - cube.min.y) / s : (cube.min.y + s - p.y) / s, v};
  return {n.y < 0 ? (p.x - cube.min.x) / s : (cube.min.x + s - p.x) / s, v};
}

}  // namespace

MeshBuilder::MeshBuilder(std::string name, UvCube cube) : cube_(cube) {
  mesh_.name = std::move(name);
}

uint32_t MeshBuilder::AddMaterial(Material m) {
  mesh_.materials.push_back(std::move(m));
  return static_cast<uint32_t>(mesh_.materials.size() - 1);
}

void MeshBuilder::BeginPart(const std::vector<Vec3>& allCorners) {
  if (inPart_) throw std::logic_error("part already open");
  inPart_ = true;
  partCentre_ = Centroid(allCorners);
  partStart_ = static_cast<uint32_t>(mesh_.faces.size());
}

void MeshBuilder::EndPart() {
  if (!inPart_) throw std::logic_error("no open part");
  inPart_ = false;
  const auto end = static_cast<uint32_t>(mesh_.faces.size());
  if (end > partStart_) mesh_.parts.push_back({partStart_, end - partStart_});
}

void MeshBuilder::AddFace(const std::vector<Vec3>& corners) {
  if (!inPart_) throw std::logic_error("faces belong to parts");
  // Rings that shrink to a point leave repeated corners behind.
  std::vector<Vec3> pts;
  for (Vec3 p : corners)
    if (pts.empty() || !Same(pts.back(), p)) pts.push_back(p);
  while (pts.size() > 1 && Same(pts.front(), pts.back())) pts.pop_back();
  if (pts.size() < 3) return;

  Vec3 n = PolygonNormal(pts);
  if (Dot(n, Centroid(pts) - partCentre_) < 0) {
    std::vector<Vec3> reversed(pts.rbegin(), pts.rend());
    pts = std::move(reversed);
    n = n * -1.0f;
  }
  // A face lying on the ground and facing away from the sky is never seen from any camera the
  // game can have; leaving it out saves two triangles per draw.
  bool onGround = n.z > 0.999f;
  for (Vec3 p : pts) onGround = onGround && p.z == 0.0f;
  if (onGround) return;

  const auto base = static_cast<uint32_t>(mesh_.positions.size());
  for (Vec3 p : pts) {
    mesh_.positions.push_back(p);
    mesh_.normals.push_back(n);
    mesh_.uvs.push_back(Project(p, n, cube_));
  }
  for (uint32_t i = 1; i + 1 < pts.size(); ++i) {
    mesh_.faces.push_back({base, base + i, base + i + 1});
    mesh_.faceMaterial.push_back(material_);
  }
}

void MeshBuilder::AddLoft(const std::vector<std::vector<Vec3>>& rings) {
  std::vector<Vec3> all;
  for (const auto& ring : rings) {
    if (ring.size() != rings.front().size()) throw std::logic_error("rings differ in size");
    all.insert(all.end(), ring.begin(), ring.end());
  }
  BeginPart(all);
  AddFace(rings.front());
  AddFace(rings.back());
  const size_t n = rings.front().size();
  for (size_t r = 0; r + 1 < rings.size(); ++r) {
    const auto& a = rings[r];
    const auto& b = rings[r + 1];
    for (size_t i = 0; i < n; ++i) {
      size_t j = (i + 1) % n;
      AddFace({a[i], a[j], b[j], b[i]});
    }
  }
  EndPart();
}

void MeshBuilder::AddBox(Vec3 min, Vec3 max) {
  auto ring = [&](float z) {
    return std::vector<Vec3>{{min.x, min.y, z}, {min.x, max.y, z}, {max.x, max.y, z}, {max.x, min.y, z}};
  };
  AddLoft({ring(min.z), ring(max.z)});
}

Mesh MeshBuilder::Finish() {
  if (inPart_) throw std::logic_error("part left open");
  return std::move(mesh_);
}

}  // namespace models
