// Triangle meshes built from convex parts, in the game's world frame: left-handed, the ground is
// z = 0 and "up" (toward the camera) is -z. Faces are wound clockwise as seen from outside, which
// is what Direct3D keeps under its default counter-clockwise culling.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace models {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};
struct Vec2 {
  float u = 0, v = 0;
};

Vec3 operator+(Vec3 a, Vec3 b);
Vec3 operator-(Vec3 a, Vec3 b);
Vec3 operator*(Vec3 a, float s);
float Dot(Vec3 a, Vec3 b);
Vec3 Cross(Vec3 a, Vec3 b);
Vec3 Normalize(Vec3 a);

struct Color {
  float r = 0, g = 0, b = 0, a = 1;
};

struct Material {
  std::string name;
  Color diffuse;
  float power = 0;
  Color specular;  // alpha unused
  Color emissive;  // alpha unused
  std::string texture;  // bare file name, found next to the model by the loader
};

// A contiguous run of faces that forms one closed part (open only where it stands on z = 0).
struct Part {
  uint32_t firstFace = 0, faceCount = 0;
};

struct Mesh {
  std::string name;
  std::vector<Vec3> positions;
  std::vector<Vec3> normals;  // one per position: faces never share vertices
  std::vector<Vec2> uvs;      // one per position
  std::vector<std::array<uint32_t, 3>> faces;
  std::vector<uint32_t> faceMaterial;
  std::vector<Material> materials;
  std::vector<Part> parts;
};

// Texture coordinates come from projecting each face onto the axis plane it faces most, inside a
// cube of the given corner and edge length; everything in the cube maps into [0, 1], so the
// clamped samplers of the scene never see a coordinate outside.
struct UvCube {
  Vec3 min;
  float size = 1;
};

class MeshBuilder {
 public:
  MeshBuilder(std::string name, UvCube cube);

  uint32_t AddMaterial(Material m);
  void UseMaterial(uint32_t index) { material_ = index; }

  // Every part is convex. Faces are oriented away from the part's centre whatever order the
  // corners come in, so callers only describe shapes.
  void BeginPart(const std::vector<Vec3>& allCorners);
  void EndPart();
  void AddFace(const std::vector<Vec3>& corners);

  // Rings of equal size, each joined to the next by quads, with the first and last rings as
  // caps. Successive rings must have parallel edges so that every side quad is planar.
  void AddLoft(const std::vector<std::vector<Vec3>>& rings);
  void AddBox(Vec3 min, Vec3 max);

  Mesh Finish();

 private:
  Mesh mesh_;
  UvCube cube_;
  uint32_t material_ = 0;
  Vec3 partCentre_;
  bool inPart_ = false;
  uint32_t partStart_ = 0;
};

// The rectangle [a0, a1] x [b0, b1] with its corners cut at 45 degrees by c, as 8 points placed
// in 3D by place(a, b). Any two such outlines have parallel edges, so they loft into planar quads.
template <class Place>
std::vector<Vec3> ChamferedRect(float a0, float a1, float b0, float b1, float c, Place place) {
  return {place(a0 + c, b0), place(a1 - c, b0), place(a1, b0 + c), place(a1, b1 - c),
          place(a1 - c, b1), place(a0 + c, b1), place(a0, b1 - c), place(a0, b0 + c)};
}

}  // namespace models
