// The game's models: six map pieces (one per tile code), four tanks and the bullet.
#pragma once

#include <string>
#include <vector>

#include "geometry.h"

namespace models {

constexpr float kCell = 25.0f;        // a map cell's edge; models stand on its centre
constexpr float kFloorTop = -0.05f;   // just above the ground quad at z = 0
constexpr float kAmbient[3] = {0x8C / 255.0f, 0xA5 / 255.0f, 0xBF / 255.0f};

struct NamedMesh {
  std::string file;  // e.g. "lpice0.x"
  Mesh mesh;
};

std::vector<NamedMesh> BuildModels();

// The diffuse colour that shows as `top` on a face lit head-on by the scene's white light plus
// its ambient light (the loader sets a material's ambient to its diffuse).
Color DiffuseForTop(float r, float g, float b);

}  // namespace models
