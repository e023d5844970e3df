// texture-info FILE...
//
// Loads each file as the game loads a texture (D3DXCreateTextureFromFileA, on a windowless
// device) and prints one line per file: "OK WIDTHxHEIGHT FORMAT LEVELS" as the device holds
// the texture, with what the file itself holds in brackets, or "FAIL" and the reason. Exits
// with 1 when any file failed.
#include "tools/texture-info/texture_report.h"

#include <cstdio>
#include <string>

namespace {

bool ReportTexture(IDirect3DDevice9* device, const char* path) {
    std::string line;
    const bool ok = assetinfo::DescribeTexture(device, path, &line);
    std::printf("%s: %s\n", path, line.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    return assetinfo::RunOnFiles(argc, argv, "texture-info", "texture-info FILE...", ReportTexture);
}
