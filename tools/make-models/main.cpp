// make-models OUTDIR [--flavours DIR] [--preview OUT.png] [--showcase OUT.png]
//
// Writes the game's models and textures into OUTDIR and the tank in the other X encodings into
// DIR (default OUTDIR/flavours). The same run always writes the same bytes. The committed copies
// are made with: make-models Models --flavours tests/data/models
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "models.h"
#include "output.h"
#include "preview.h"
#include "textures.h"

namespace fs = std::filesystem;

namespace {

void WriteFiles(const fs::path& dir, const std::vector<models::OutputFile>& files) {
  fs::create_directories(dir);
  for (const auto& f : files) {
    std::ofstream out(dir / f.name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(f.bytes.data()), static_cast<std::streamsize>(f.bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + (dir / f.name).string());
  }
}

int Usage() {
  std::fprintf(stderr, "usage: make-models OUTDIR [--flavours DIR] [--preview OUT.png] [--showcase OUT.png]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') return Usage();
  const fs::path outDir = argv[1];
  fs::path flavourDir = outDir / "flavours";
  std::string mapPng, showcasePng;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return Usage();
    if (arg == "--flavours") flavourDir = argv[++i];
    else if (arg == "--preview") mapPng = argv[++i];
    else if (arg == "--showcase") showcasePng = argv[++i];
    else return Usage();
  }
  try {
    WriteFiles(outDir, models::GameFiles());
    WriteFiles(flavourDir, models::FlavourFiles());
    if (!mapPng.empty() || !showcasePng.empty()) {
      const auto meshes = models::BuildModels();
      const auto textures = models::BuildMeshTextures();
      const auto ground = models::BuildGroundTexture();
      if (!mapPng.empty()) models::RenderPreview(meshes, textures, ground, models::PreviewScene::Map, mapPng);
      if (!showcasePng.empty())
        models::RenderPreview(meshes, textures, ground, models::PreviewScene::Showcase, showcasePng);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make-models: %s\n", e.what());
    return 1;
  }
  return 0;
}
