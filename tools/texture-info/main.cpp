// texture-info FILE...
//
// Loads each file as the game loads a texture (D3DXCreateTextureFromFileA, on a windowless
// device) and prints one line per file: "OK WIDTHxHEIGHT FORMAT LEVELS" as the device holds
// the texture, with what the file itself holds in brackets, or "FAIL" and the reason. Exits
// with 1 when any file failed.
#include "tools/texture-info/texture_report.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: texture-info FILE...\n");
        return 2;
    }
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = assetinfo::OpenDevice("texture-info", &d3d);
    if (!device) return 2;
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        std::string line;
        if (!assetinfo::DescribeTexture(device, argv[i], &line)) status = 1;
        std::printf("%s: %s\n", argv[i], line.c_str());
    }
    device->Release();
    d3d->Release();
    return status;
}
