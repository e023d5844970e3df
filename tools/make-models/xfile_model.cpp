#include "xdata.h"

namespace models {
namespace {

using K = XValue;

XValue Floats(std::initializer_list<float> fs) {
  std::vector<XValue> items;
  for (float f : fs) items.push_back(K::F(f));
  return K::Of(K::Struct, items);
}

XValue Vectors(const std::vector<Vec3>& vs) {
  std::vector<XValue> items;
  items.reserve(vs.size());
  for (Vec3 v : vs) items.push_back(Floats({v.x, v.y, v.z}));
  return K::Of(K::Array, items);
}

XValue Faces(const Mesh& m) {
  std::vector<XValue> items;
  for (const auto& f : m.faces)
    items.push_back(K::Of(K::Struct, {K::I(3), K::Of(K::Array, {K::I(f[0]), K::I(f[1]), K::I(f[2])})}));
  return K::Of(K::Array, items);
}

XObject MaterialObject(const Material& m) {
  XObject o{"Material", m.name, {}, {}};
  o.members = {Floats({m.diffuse.r, m.diffuse.g, m.diffuse.b, m.diffuse.a}), K::F(m.power),
               Floats({m.specular.r, m.specular.g, m.specular.b}),
               Floats({m.emissive.r, m.emissive.g, m.emissive.b})};
  if (!m.texture.empty()) o.children.push_back({"TextureFilename", "", {K::S(m.texture)}, {}});
  return o;
}

}  // namespace

XObject ModelToX(const Mesh& m) {
  const auto count = [](size_t n) { return K::I(static_cast<uint32_t>(n)); };

  XObject normals{"MeshNormals", "", {count(m.normals.size()), Vectors(m.normals), count(m.faces.size()), Faces(m)}, {}};

  std::vector<XValue> uvs;
  for (Vec2 t : m.uvs) uvs.push_back(Floats({t.u, t.v}));
  XObject coords{"MeshTextureCoords", "", {count(m.uvs.size()), K::Of(K::Array, uvs)}, {}};

  std::vector<XValue> faceMaterials;
  for (uint32_t i : m.faceMaterial) faceMaterials.push_back(K::I(i));
  XObject materials{"MeshMaterialList", "", {count(m.materials.size()), count(m.faceMaterial.size()), K::Of(K::Array, faceMaterials)}, {}};
  for (const Material& mat : m.materials) materials.children.push_back(MaterialObject(mat));

  XObject mesh{"Mesh", m.name + "_mesh", {count(m.positions.size()), Vectors(m.positions), count(m.faces.size()), Faces(m)}, {}};
  mesh.children = {normals, coords, materials};

  std::vector<XValue> identity;
  identity.reserve(16);
  for (int i = 0; i < 16; ++i) identity.push_back(K::F(i % 5 == 0 ? 1.0 : 0.0));
  XObject transform{"FrameTransformMatrix", "", {K::Of(K::Struct, {K::Of(K::Array, identity)})}, {}};

  return XObject{"Frame", m.name, {}, {transform, mesh}};
}

}  // namespace models
