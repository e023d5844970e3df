#include "gfxutil/dds_reader.h"

#include "gfxutil/image_format.h"

#include <d3dx9tex.h>

#include <algorithm>

namespace gfxutil {
namespace {

constexpr size_t kMagicBytes = 4;
constexpr size_t kHeaderBytes = 124;
constexpr size_t kDataOffset = kMagicBytes + kHeaderBytes;

constexpr uint32_t DDSD_MIPMAPCOUNT = 0x20000;
constexpr uint32_t DDSD_DEPTH = 0x800000;
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1;
constexpr uint32_t DDPF_ALPHA = 0x2;
constexpr uint32_t DDPF_FOURCC = 0x4;
constexpr uint32_t DDPF_RGB = 0x40;
constexpr uint32_t DDPF_LUMINANCE = 0x20000;
constexpr uint32_t DDSCAPS2_VOLUME = 0x200000;

uint32_t ReadU32(ByteView v, size_t offset) {
    const uint8_t* p = v.data + offset;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}

struct Header {
    uint32_t size, flags, height, width, depth, mipCount;
    uint32_t pfSize, pfFlags, fourCC, bitCount;
    ChannelMasks masks;
    uint32_t caps2;
};

Header ParseHeader(ByteView file) {
    Header h;
    h.size = ReadU32(file, 4);
    h.flags = ReadU32(file, 8);
    h.height = ReadU32(file, 12);
    h.width = ReadU32(file, 16);
    h.depth = ReadU32(file, 24);
    h.mipCount = ReadU32(file, 28);
    h.pfSize = ReadU32(file, 76);
    h.pfFlags = ReadU32(file, 80);
    h.fourCC = ReadU32(file, 84);
    h.bitCount = ReadU32(file, 88);
    h.masks.r = ReadU32(file, 92);
    h.masks.g = ReadU32(file, 96);
    h.masks.b = ReadU32(file, 100);
    h.masks.a = ReadU32(file, 104);
    h.caps2 = ReadU32(file, 112);
    return h;
}

// How the stored texels are laid out: a loadable format, or a masked layout we convert.
struct StoredLayout {
    D3DFORMAT fileFormat = D3DFMT_UNKNOWN;
    D3DFORMAT loadFormat = D3DFMT_UNKNOWN;
    bool masked = false;  // needs DecodeMasked, then EncodeLevel(loadFormat)
    UINT bytesPerPixel = 0;
    ChannelMasks masks;
};

HRESULT DescribeLayout(const Header& h, StoredLayout* out) {
    if (h.pfFlags & DDPF_FOURCC) {
        const D3DFORMAT fourCC = D3DFORMAT(h.fourCC);
        if (!IsBlockCompressed(fourCC)) return D3DERR_NOTAVAILABLE;
        out->fileFormat = out->loadFormat = fourCC;
        return S_OK;
    }
    if (!(h.pfFlags & (DDPF_RGB | DDPF_LUMINANCE | DDPF_ALPHA))) return D3DXERR_INVALIDDATA;
    if (h.bitCount != 8 && h.bitCount != 16 && h.bitCount != 24 && h.bitCount != 32)
        return D3DXERR_INVALIDDATA;
    ChannelMasks m;
    if (h.pfFlags & DDPF_RGB) {
        m = h.masks;
    } else if (h.pfFlags & DDPF_LUMINANCE) {
        m.r = m.g = m.b = h.masks.r;  // luminance lives in the red mask
        m.a = h.masks.a;
    } else {
        m.a = h.masks.a;
    }
    if (!(h.pfFlags & (DDPF_ALPHAPIXELS | DDPF_ALPHA))) m.a = 0;
    const uint64_t limit = (uint64_t(1) << h.bitCount) - 1;
    if ((m.a | m.r | m.g | m.b) == 0 || (m.a | m.r | m.g | m.b) > limit) return D3DXERR_INVALIDDATA;

    out->masks = m;
    out->bytesPerPixel = h.bitCount / 8;
    out->fileFormat = FormatFromMasks(h.bitCount, m);
    if (out->fileFormat != D3DFMT_UNKNOWN) {
        out->loadFormat = out->fileFormat;
        return S_OK;
    }
    // Everything else (24-bit RGB, luminance, BGR orders...) becomes 32-bit: the device makes
    // no 24-bit textures, and 32 bits hold any of these layouts without loss.
    out->masked = true;
    out->loadFormat = m.a ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    const bool rgb24 =
        h.bitCount == 24 && m.r == 0xFF0000u && m.g == 0xFF00u && m.b == 0xFFu && !m.a;
    out->fileFormat = rgb24 ? D3DFMT_R8G8B8 : out->loadFormat;
    return S_OK;
}

uint64_t StoredLevelBytes(const StoredLayout& layout, UINT width, UINT height) {
    if (!layout.masked) return LevelBytes(layout.loadFormat, width, height);
    return uint64_t(width) * height * layout.bytesPerPixel;
}

}  // namespace

UINT FullMipChain(UINT width, UINT height) {
    UINT levels = 1;
    for (UINT side = std::max(width, height); side > 1; side /= 2) ++levels;
    return levels;
}

bool LooksLikeDds(ByteView file) {
    return file.size >= kMagicBytes && file.data[0] == 'D' && file.data[1] == 'D' &&
           file.data[2] == 'S' && file.data[3] == ' ';
}

HRESULT ReadDds(ByteView file, DdsImage* out) {
    if (!LooksLikeDds(file) || file.size < kDataOffset) return D3DXERR_INVALIDDATA;
    const Header h = ParseHeader(file);
    if (h.size != kHeaderBytes || h.pfSize != 32) return D3DXERR_INVALIDDATA;
    if (h.width == 0 || h.height == 0 || h.width > kMaxTextureSide || h.height > kMaxTextureSide)
        return D3DXERR_INVALIDDATA;
    if ((h.caps2 & DDSCAPS2_VOLUME) || ((h.flags & DDSD_DEPTH) && h.depth > 1))
        return D3DERR_NOTAVAILABLE;

    StoredLayout layout;
    HRESULT hr = DescribeLayout(h, &layout);
    if (FAILED(hr)) return hr;

    // A count beyond the full chain describes levels smaller than 1x1; they are not read.
    // Cube maps store their first face first, so that face is what a 2D texture gets.
    UINT count = (h.flags & DDSD_MIPMAPCOUNT) ? std::max(1u, h.mipCount) : 1;
    count = std::min(count, FullMipChain(h.width, h.height));

    const ByteView data = file.Sub(kDataOffset, file.size - kDataOffset);
    uint64_t needed = 0;
    for (UINT i = 0; i < count; ++i)
        needed += StoredLevelBytes(layout, std::max(1u, h.width >> i), std::max(1u, h.height >> i));
    if (needed > data.size) return D3DXERR_INVALIDDATA;

    DdsImage img;
    img.fileFormat = layout.fileFormat;
    img.format = layout.loadFormat;
    img.width = h.width;
    img.height = h.height;
    size_t offset = 0;
    for (UINT i = 0; i < count; ++i) {
        const UINT w = std::max(1u, h.width >> i), hgt = std::max(1u, h.height >> i);
        const size_t bytes = size_t(StoredLevelBytes(layout, w, hgt));
        ByteView level = data.Sub(offset, bytes);
        offset += bytes;
        if (layout.masked) {
            ArgbImage argb;
            if (!DecodeMasked(level, w, hgt, layout.bytesPerPixel, layout.masks, &argb))
                return D3DXERR_INVALIDDATA;
            img.converted.push_back(
                std::make_unique<std::vector<uint8_t>>(EncodeLevel(layout.loadFormat, argb)));
            level = ByteView(*img.converted.back());
        }
        img.levels.push_back(level);
    }
    *out = std::move(img);
    return S_OK;
}

}  // namespace gfxutil
