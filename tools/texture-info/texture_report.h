// What texture-info and mesh-info say about a texture file: the verdict of the game's own
// loader (D3DXCreateTextureFromFileA's parameters) on a windowless device.
#pragma once

#include <d3d9.h>

#include <string>

namespace assetinfo {

// What both tools' main does: the usage line on stderr when no file is named (2), a windowless
// device (2 without one, saying why), then `report` on each file. 1 when any report failed.
int RunOnFiles(int argc, char** argv, const char* tool, const char* usage,
               bool (*report)(IDirect3DDevice9* device, const char* path));

// True when the path (Windows separators allowed) names a regular file.
bool IsFile(const char* path);

// "X8R8G8B8", "DXT1", ... or the number for a format without a name here.
std::string FormatName(D3DFORMAT format);
// The HRESULT's name and what it means for a texture file.
std::string FailureReason(HRESULT hr);

// "OK 64x64 X8R8G8B8 7 (file: BMP R8G8B8 64x64)" as the device holds the texture, or
// "FAIL " and the reason. True when the texture loaded.
bool DescribeTexture(IDirect3DDevice9* device, const char* path, std::string* line);

}  // namespace assetinfo
