#include "models.h"

namespace models {

Color DiffuseForTop(float r, float g, float b) {
  return {r / (1.0f + kAmbient[0]), g / (1.0f + kAmbient[1]), b / (1.0f + kAmbient[2]), 1.0f};
}

namespace {

constexpr float H = kCell / 2;  // half a cell
const UvCube kCellCube{{-H, -H, -kCell}, kCell};

Material Textured(std::string name, Color diffuse, std::string texture) {
  Material m;
  m.name = std::move(name);
  m.diffuse = diffuse;
  m.texture = std::move(texture);
  return m;
}

std::vector<Vec3> Square(float half, float z) {
  return {{-half, -half, z}, {-half, half, z}, {half, half, z}, {half, -half, z}};
}

Mesh Floor() {
  MeshBuilder b("piece0", kCellCube);
  b.AddMaterial(Textured("floor", DiffuseForTop(0.9f, 0.9f, 0.9f), "floor.bmp"));
  // One quad; the extra point below it only tells the builder which way is out.
  std::vector<Vec3> top = Square(H, kFloorTop);
  std::vector<Vec3> hint = top;
  hint.push_back({0, 0, 0});
  b.BeginPart(hint);
  b.AddFace(top);
  b.EndPart();
  return b.Finish();
}

// A solid block filling the whole cell, so that no gap opens between neighbours, with its top
// edge bevelled: the sloped faces catch less light and mark where one block ends.
Mesh BevelledBlock(const char* name, Material m, float height, float inset, float drop) {
  MeshBuilder b(name, kCellCube);
  b.AddMaterial(std::move(m));
  b.AddLoft({Square(H, 0), Square(H, -(height - drop)), Square(H - inset, -height)});
  return b.Finish();
}

Mesh BrickWall(const char* name, Material m) {
  MeshBuilder b(name, kCellCube);
  b.AddMaterial(std::move(m));
  // Taller than the 16 units at which bullets fly: a wall is what stops them.
  b.AddBox({-H, -H, -18.0f}, {H, H, 0});
  return b.Finish();
}

// Profile in the (y, z) plane, swept along x from x0 to x1.
std::vector<std::vector<Vec3>> SweepX(const std::vector<std::pair<float, float>>& yz, float x0, float x1) {
  std::vector<Vec3> a, c;
  for (auto [y, z] : yz) {
    a.push_back({x0, y, z});
    c.push_back({x1, y, z});
  }
  return {a, c};
}

auto InXY(float z) {
  return [z](float x, float y) { return Vec3{x, y, z}; };
}
auto InXZ(float y) {
  return [y](float x, float z) { return Vec3{x, y, z}; };
}

struct TankColour {
  float r, g, b;
};

// Faces +y. Hull and turret take the tank's colour; tracks and gun are shared dark steel.
Mesh Tank(int index, TankColour colour) {
  MeshBuilder b("tank" + std::to_string(index), kCellCube);
  const uint32_t hull = b.AddMaterial(Textured("hull", DiffuseForTop(colour.r, colour.g, colour.b), "tank.bmp"));
  const uint32_t steel = b.AddMaterial(Textured("track", DiffuseForTop(0.85f, 0.85f, 0.85f), "track.bmp"));

  b.UseMaterial(steel);
  const std::vector<std::pair<float, float>> track = {
      {-9.5f, 0.0f}, {9.5f, 0.0f}, {11.5f, -2.5f}, {10.5f, -4.5f}, {-10.5f, -4.5f}, {-11.5f, -2.5f}};
  b.AddLoft(SweepX(track, -11.5f, -7.0f));
  b.AddLoft(SweepX(track, 7.0f, 11.5f));

  b.UseMaterial(hull);
  const std::vector<std::pair<float, float>> body = {
      {-10.5f, -2.5f}, {10.0f, -2.5f}, {11.5f, -4.5f}, {9.5f, -7.0f}, {-9.5f, -7.0f}, {-10.5f, -5.5f}};
  b.AddLoft(SweepX(body, -8.5f, 8.5f));
  b.AddLoft({ChamferedRect(-5.5f, 5.5f, -6.0f, 3.5f, 2.5f, InXY(-7.0f)),
             ChamferedRect(-4.5f, 4.5f, -5.0f, 2.5f, 2.0f, InXY(-11.0f))});
  b.AddLoft({ChamferedRect(-3.5f, -0.5f, -4.5f, -1.5f, 0.8f, InXY(-11.0f)),
             ChamferedRect(-3.3f, -0.7f, -4.3f, -1.7f, 0.7f, InXY(-12.0f))});

  b.UseMaterial(steel);
  b.AddLoft({ChamferedRect(-0.9f, 0.9f, -10.3f, -8.5f, 0.5f, InXZ(1.5f)),
             ChamferedRect(-0.9f, 0.9f, -10.3f, -8.5f, 0.5f, InXZ(10.6f))});
  b.AddLoft({ChamferedRect(-1.3f, 1.3f, -10.7f, -8.1f, 0.7f, InXZ(10.6f)),
             ChamferedRect(-1.3f, 1.3f, -10.7f, -8.1f, 0.7f, InXZ(12.4f))});
  return b.Finish();
}

// A tracer shell pointing along +y, centred on its origin (the game draws it 16 units up). It
// glows so that it stays visible at a few pixels' size over any tile.
Mesh Bullet() {
  MeshBuilder b("bullet1", UvCube{{-2.5f, -2.5f, -2.5f}, 5.0f});
  Material m = Textured("shell", DiffuseForTop(1.0f, 1.0f, 1.0f), "shell.bmp");
  m.emissive = {0.45f, 0.35f, 0.1f, 1.0f};
  b.AddMaterial(m);
  b.AddLoft({ChamferedRect(-1.2f, 1.2f, -1.2f, 1.2f, 0.7f, InXZ(-2.4f)),
             ChamferedRect(-1.2f, 1.2f, -1.2f, 1.2f, 0.7f, InXZ(0.8f)),
             ChamferedRect(-0.3f, 0.3f, -0.3f, 0.3f, 0.15f, InXZ(2.4f))});
  return b.Finish();
}

}  // namespace

std::vector<NamedMesh> BuildModels() {
  std::vector<NamedMesh> out;
  out.push_back({"lpice0.x", Floor()});
  out.push_back({"lpice1.x", BevelledBlock("piece1", Textured("steel", DiffuseForTop(0.95f, 0.95f, 0.95f), "steel.bmp"), 12.0f, 2.0f, 2.0f)});
  out.push_back({"lpice2.x", BevelledBlock("piece2", Textured("concrete", DiffuseForTop(0.9f, 0.9f, 0.9f), "concrete.bmp"), 13.0f, 1.2f, 1.0f)});
  out.push_back({"lpice3.x", BrickWall("piece3", Textured("brick", DiffuseForTop(0.9f, 0.9f, 0.9f), "brick.bmp"))});
  out.push_back({"lpice4.x", BrickWall("piece4", Textured("brick", DiffuseForTop(0.9f, 0.9f, 0.9f), "brick2.bmp"))});
  out.push_back({"lpice5.x", BrickWall("piece5", Textured("brick", DiffuseForTop(0.9f, 0.9f, 0.9f), "brick3.bmp"))});
  const TankColour colours[4] = {{1.0f, 0.86f, 0.3f}, {0.95f, 0.28f, 0.22f}, {0.32f, 0.52f, 1.0f}, {0.4f, 0.85f, 0.35f}};
  for (int i = 0; i < 4; ++i) out.push_back({"tank" + std::to_string(i) + ".x", Tank(i, colours[i])});
  out.push_back({"bullet1.x", Bullet()});
  return out;
}

}  // namespace models
