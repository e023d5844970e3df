// A software picture of the models as the game's scene pass would show them, for looking at
// them before the real device draws them: the game's camera (perspective, from -z), its light
// and ambient, back faces culled as Direct3D culls them.
#pragma once

#include <string>
#include <vector>

#include "image.h"
#include "models.h"

namespace models {

enum class PreviewScene {
  Map,       // the game's map and tanks as set-up leaves them, from the start camera
  Showcase,  // every piece in a row and the tanks in front, close up
};

void RenderPreview(const std::vector<NamedMesh>& meshes, const std::vector<NamedImage>& textures,
                   const Image& ground, PreviewScene scene, const std::string& pngPath);

}  // namespace models
