// Texture and surface formats: sizes as D3D9 lays them out in memory, and how each one is
// handed to OpenGL.
#pragma once

#include <d3d9.h>
#include <GL/glcorearb.h>

#include <cstddef>
#include <cstdint>

namespace qv::d3d {

struct FormatInfo {
    D3DFORMAT format;
    UINT bytesPerPixel;  // 0 for block-compressed formats
    UINT blockBytes;     // bytes per 4x4 block; 0 for plain formats
    GLenum internalFormat;
    GLenum glFormat;     // plain formats: pixel layout of the system-memory copy
    GLenum glType;
    GLint swizzle[4];    // GL_RED.. GL_ONE, so that formats without alpha read alpha 1
};

// Null for formats that cannot be a texture here.
const FormatInfo* FindTextureFormat(D3DFORMAT format);

inline bool IsCompressed(const FormatInfo& f) { return f.blockBytes != 0; }

// D3D's pitch: bytes of one row of pixels, or of one row of 4x4 blocks.
UINT RowPitch(const FormatInfo& f, UINT width);
// Rows of pitch bytes: the height, or the number of block rows.
UINT RowCount(const FormatInfo& f, UINT height);
inline size_t LevelBytes(const FormatInfo& f, UINT width, UINT height)
{
    return size_t(RowPitch(f, width)) * RowCount(f, height);
}

// Writes a plain format's texels as RGBA8 (bytes R, G, B, A) the way GL samples them, its
// swizzle applied: for GL dialects without BGRA uploads, packed 16-bit types or texture
// swizzles. `src` holds `width` x `height` texels, rows of RowPitch bytes.
void ExpandToRgba8(const FormatInfo& f, const uint8_t* src, UINT width, UINT height, uint8_t* rgba);

// Expands DXT1/2/3/4/5 blocks into RGBA8 (bytes R, G, B, A), `width` x `height` texels, rows
// top first. `src` holds RowCount x RowPitch bytes. False for a format that is not DXT.
bool DecodeDxt(D3DFORMAT format, const uint8_t* src, UINT width, UINT height, uint8_t* rgba);

} // namespace qv::d3d
