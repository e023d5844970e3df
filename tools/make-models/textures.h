// The game's textures, painted from code.
#pragma once

#include <vector>

#include "image.h"

namespace models {

constexpr int kMeshTextureSize = 64;
constexpr int kGroundTextureSize = 256;

// Textures of the map pieces, tanks and bullet, each named as the models refer to it.
std::vector<NamedImage> BuildMeshTextures();

// Bare earth for the ground quad. The quad shows only a tenth of it, so it is earth throughout
// and tiles, whatever part of it is chosen.
Image BuildGroundTexture();

}  // namespace models
