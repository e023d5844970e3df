// Helpers shared by the X-file loader suites.
#pragma once

#include "gfxutil/xfile/xfile_scene.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline const char* const kXDataDir = "tests/data/xfile/";

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

inline HRESULT LoadBytes(const std::vector<uint8_t>& bytes, xfile::MeshData& out)
{
    return xfile::LoadMeshData(bytes.data(), bytes.size(), out);
}

inline HRESULT LoadText(const std::string& text, xfile::MeshData& out) { return LoadBytes(Bytes(text), out); }
