// make-models: the meshes as the game will draw them: wound and lit the right way, inside their
// cell, textured inside the clamped range, and told apart at a glance.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "models.h"
#include "textures.h"

namespace {

using models::Mesh;
using models::Vec3;

const std::vector<models::NamedMesh>& All() {
  static const auto meshes = models::BuildModels();
  return meshes;
}

const Mesh& Get(const std::string& file) {
  for (const auto& m : All())
    if (m.file == file) return m.mesh;
  throw std::runtime_error("no model " + file);
}

struct Box {
  Vec3 min{1e9f, 1e9f, 1e9f}, max{-1e9f, -1e9f, -1e9f};
};
Box Bounds(const Mesh& m) {
  Box b;
  for (Vec3 p : m.positions) {
    b.min = {std::min(b.min.x, p.x), std::min(b.min.y, p.y), std::min(b.min.z, p.z)};
    b.max = {std::max(b.max.x, p.x), std::max(b.max.y, p.y), std::max(b.max.z, p.z)};
  }
  return b;
}

TEST(ModelGeometry, ElevenModelsUnderTheNamesTheGameLoads) {
  std::vector<std::string> names;
  for (const auto& m : All()) names.push_back(m.file);
  EXPECT_EQ(names, (std::vector<std::string>{"lpice0.x", "lpice1.x", "lpice2.x", "lpice3.x", "lpice4.x", "lpice5.x",
                                             "tank0.x", "tank1.x", "tank2.x", "tank3.x", "bullet1.x"}));
}

// Direct3D keeps triangles that run clockwise on screen; seen from outside, (p1 - p0) x (p2 - p0)
// then points out of the model, and the stored normals must agree with it for the light to fall
// on the faces that are drawn.
TEST(ModelGeometry, FacesRunClockwiseFromOutsideWithMatchingUnitNormals) {
  for (const auto& [file, m] : All()) {
    SCOPED_TRACE(file);
    ASSERT_EQ(m.normals.size(), m.positions.size());
    ASSERT_EQ(m.faceMaterial.size(), m.faces.size());
    for (const auto& f : m.faces) {
      const Vec3 g = models::Normalize(models::Cross(m.positions[f[1]] - m.positions[f[0]], m.positions[f[2]] - m.positions[f[0]]));
      for (uint32_t i : f) {
        const Vec3 n = m.normals[i];
        EXPECT_NEAR(models::Dot(n, n), 1.0f, 1e-5f);
        EXPECT_GT(models::Dot(n, g), 0.9999f) << "face " << f[0];
      }
    }
  }
}

// Each convex part is closed except where it rests on z = 0, so its signed volume taken about
// the origin is positive exactly when its faces point outward.
TEST(ModelGeometry, EveryPartFacesOutward) {
  for (const auto& [file, m] : All()) {
    SCOPED_TRACE(file);
    EXPECT_FALSE(m.parts.empty());
    for (const models::Part& part : m.parts) {
      double volume = 0;
      for (uint32_t f = part.firstFace; f < part.firstFace + part.faceCount; ++f) {
        const auto& t = m.faces[f];
        volume += models::Dot(m.positions[t[0]], models::Cross(m.positions[t[1]], m.positions[t[2]])) / 6.0;
      }
      EXPECT_GT(volume, 0.0) << "part from face " << part.firstFace;
    }
  }
}

TEST(ModelGeometry, TextureCoordinatesStayInsideTheClampedRange) {
  for (const auto& [file, m] : All()) {
    SCOPED_TRACE(file);
    for (models::Vec2 t : m.uvs) {
      EXPECT_GE(t.u, 0.0f);
      EXPECT_LE(t.u, 1.0f);
      EXPECT_GE(t.v, 0.0f);
      EXPECT_LE(t.v, 1.0f);
    }
  }
}

TEST(ModelGeometry, PiecesAndTanksFitTheirCellAndStandOnTheGround) {
  for (const auto& [file, m] : All()) {
    if (file == "bullet1.x") continue;
    SCOPED_TRACE(file);
    const Box b = Bounds(m);
    EXPECT_GE(b.min.x, -12.5f);
    EXPECT_LE(b.max.x, 12.5f);
    EXPECT_GE(b.min.y, -12.5f);
    EXPECT_LE(b.max.y, 12.5f);
    EXPECT_LT(b.min.z, 0.0f) << "rises toward the camera";
    EXPECT_LE(b.max.z, 0.0f) << "nothing below the ground";
  }
  // Blocks fill their cell to the edge: the cells around them draw no floor under a gap.
  for (const char* file : {"lpice1.x", "lpice2.x", "lpice3.x", "lpice4.x", "lpice5.x"}) {
    const Box b = Bounds(Get(file));
    EXPECT_EQ(b.min.x, -12.5f) << file;
    EXPECT_EQ(b.max.x, 12.5f) << file;
    EXPECT_EQ(b.min.y, -12.5f) << file;
    EXPECT_EQ(b.max.y, 12.5f) << file;
    EXPECT_EQ(b.max.z, 0.0f) << file;
  }
}

// Drawn 576 times a frame: a few triangles, all facing the camera, a hair above the ground quad.
TEST(ModelGeometry, FloorIsACheapQuadJustAboveTheGround) {
  const Mesh& floor = Get("lpice0.x");
  EXPECT_GE(floor.faces.size(), 2u);
  EXPECT_LE(floor.faces.size(), 12u);
  const Box b = Bounds(floor);
  EXPECT_EQ(b.min.z, models::kFloorTop);
  EXPECT_EQ(b.max.z, models::kFloorTop);
  EXPECT_LT(models::kFloorTop, 0.0f);
  EXPECT_EQ(b.max.x - b.min.x, 25.0f);
  EXPECT_EQ(b.max.y - b.min.y, 25.0f);
  for (Vec3 n : floor.normals) EXPECT_EQ(n.z, -1.0f);
}

// Bullets fly at z = -16 and pass over tiles 1 and 2 but break tiles 3 to 5: the picture should
// say the same.
TEST(ModelGeometry, BulletsClearSolidBlocksAndStrikeWalls) {
  for (const char* file : {"lpice1.x", "lpice2.x"}) {
    const float height = -Bounds(Get(file)).min.z;
    EXPECT_GE(height, 12.0f) << file;
    EXPECT_LT(height, 16.0f - 1.2f) << file;  // the shell's radius clear of the top
  }
  for (const char* file : {"lpice3.x", "lpice4.x", "lpice5.x"}) EXPECT_GT(-Bounds(Get(file)).min.z, 16.0f) << file;
}

TEST(ModelGeometry, TanksAndBulletPointAlongPlusY) {
  for (const char* file : {"tank0.x", "tank1.x", "tank2.x", "tank3.x"}) {
    const Mesh& m = Get(file);
    const Box b = Bounds(m);
    EXPECT_GT(b.max.y, -b.min.y) << file << ": the gun reaches further forward than the hull back";
    for (Vec3 p : m.positions)
      if (p.y == b.max.y) {
        EXPECT_LT(std::fabs(p.x), 2.0f) << file << ": the foremost point is the muzzle";
      }
  }
  const Box shell = Bounds(Get("bullet1.x"));
  const float length = shell.max.y - shell.min.y;
  EXPECT_GE(length, 3.0f);
  EXPECT_LE(length, 5.0f);
  EXPECT_GT(length, shell.max.x - shell.min.x);
  EXPECT_GT(length, shell.max.z - shell.min.z);
}

// The scene lights a top with diffuse x (ambient + 1) and a side with diffuse x ambient; a top
// that saturates loses its texture, a side near black loses its shape.
TEST(ModelMaterials, TopsKeepTheirTextureAndSidesStayVisible) {
  std::set<std::string> textures;
  for (const auto& t : models::BuildMeshTextures()) textures.insert(t.file);
  for (const auto& [file, m] : All()) {
    for (const models::Material& mat : m.materials) {
      SCOPED_TRACE(file + " " + mat.name);
      EXPECT_TRUE(textures.count(mat.texture)) << mat.texture;
      EXPECT_EQ(mat.diffuse.a, 1.0f);
      const float d[3] = {mat.diffuse.r, mat.diffuse.g, mat.diffuse.b};
      float side = 0;
      for (int c = 0; c < 3; ++c) {
        if (mat.emissive.r == 0 && mat.emissive.g == 0 && mat.emissive.b == 0) {
          EXPECT_LE(d[c] * (1.0f + models::kAmbient[c]), 1.0001f);
        }
        side = std::max(side, d[c] * models::kAmbient[c]);
      }
      EXPECT_GT(side, 0.2f);
    }
  }
}

TEST(ModelMaterials, EachTankHasAColourOfItsOwn) {
  std::vector<models::Color> hulls;
  for (const char* file : {"tank0.x", "tank1.x", "tank2.x", "tank3.x"}) hulls.push_back(Get(file).materials.at(0).diffuse);
  for (size_t i = 0; i < hulls.size(); ++i)
    for (size_t j = i + 1; j < hulls.size(); ++j) {
      const float dr = hulls[i].r - hulls[j].r, dg = hulls[i].g - hulls[j].g, db = hulls[i].b - hulls[j].b;
      EXPECT_GT(std::sqrt(dr * dr + dg * dg + db * db), 0.25f) << "tanks " << i << " and " << j;
    }
}

}  // namespace
