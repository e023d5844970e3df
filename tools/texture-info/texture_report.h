// What texture-info and mesh-info say about a texture file: the verdict of the game's own
// loader (D3DXCreateTextureFromFileA's parameters) on a windowless device.
#pragma once

#include <d3d9.h>

#include <string>

namespace assetinfo {

// A device with no window, or null after printing why not to stderr under the tool's name.
// Release both when done.
IDirect3DDevice9* OpenDevice(const char* tool, IDirect3D9** d3d);

// "X8R8G8B8", "DXT1", ... or the number for a format without a name here.
std::string FormatName(D3DFORMAT format);
// The HRESULT's name and what it means for a texture file.
std::string FailureReason(HRESULT hr);

// "OK 64x64 X8R8G8B8 7 (file: BMP R8G8B8 64x64)" as the device holds the texture, or
// "FAIL " and the reason. True when the texture loaded.
bool DescribeTexture(IDirect3DDevice9* device, const char* path, std::string* line);

}  // namespace assetinfo
