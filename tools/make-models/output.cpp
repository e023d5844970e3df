#include "output.h"

#include "image_files.h"
#include "models.h"
#include "textures.h"
#include "xdata.h"

namespace models {
namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

const char* kFlavourModel = "tank0.x";

}  // namespace

std::vector<OutputFile> GameFiles() {
  std::vector<OutputFile> out;
  for (const NamedMesh& m : BuildModels())
    out.push_back({m.file, Bytes(WriteXText({ModelToX(m.mesh)}, XFloatSize::Bits32))});
  for (const NamedImage& t : BuildMeshTextures()) out.push_back({t.file, EncodeBmp(t.image)});
  out.push_back({"fontN.dds", EncodeDdsDxt1(BuildGroundTexture())});
  return out;
}

std::vector<OutputFile> FlavourFiles() {
  for (const NamedMesh& m : BuildModels()) {
    if (m.file != kFlavourModel) continue;
    const std::vector<XObject> x = {ModelToX(m.mesh)};
    const std::vector<uint8_t> binary = WriteXBinary(x, XFloatSize::Bits32);
    const std::vector<uint8_t> text = Bytes(WriteXText(x, XFloatSize::Bits32));
    return {{"tank0_bin.x", binary},
            {"tank0_bzip.x", CompressX(binary)},
            {"tank0_tzip.x", CompressX(text)},
            {"tank0_txt64.x", Bytes(WriteXText(x, XFloatSize::Bits64))}};
  }
  return {};
}

}  // namespace models
