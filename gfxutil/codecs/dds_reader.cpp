#include "gfxutil/codecs/dds_reader.h"

#include "gfxutil/texels/image_format.h"

#include "base/byte_order.h"
#include "base/texture_size.h"

#include <d3dx9tex.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace codecs {

using namespace texels;

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
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200;
constexpr uint32_t DDSCAPS2_CUBEMAP_ALLFACES = 0xFC00;  // +X, -X, +Y, -Y, +Z, -Z
constexpr uint32_t DDSCAPS2_VOLUME = 0x200000;

struct Header {
    uint32_t size, flags, height, width, depth, mipCount;
    uint32_t pfSize, pfFlags, fourCC, bitCount;
    ChannelMasks masks;
    uint32_t caps2;
};

Header ParseHeader(ByteView file)
{
    Header h;
    h.size = file.Le32(4);
    h.flags = file.Le32(8);
    h.height = file.Le32(12);
    h.width = file.Le32(16);
    h.depth = file.Le32(24);
    h.mipCount = file.Le32(28);
    h.pfSize = file.Le32(76);
    h.pfFlags = file.Le32(80);
    h.fourCC = file.Le32(84);
    h.bitCount = file.Le32(88);
    h.masks.r = file.Le32(92);
    h.masks.g = file.Le32(96);
    h.masks.b = file.Le32(100);
    h.masks.a = file.Le32(104);
    h.caps2 = file.Le32(112);
    return h;
}

// Channels of 16 or 32 bits, red first: 16-bit unsigned, half or single floats.
enum class WideKind { None, Unorm16, Half, Float };

// How the stored texels are laid out: a loadable format, or one we convert, either a masked
// layout or a wide one.
struct StoredLayout {
    D3DFORMAT fileFormat = D3DFMT_UNKNOWN;
    D3DFORMAT loadFormat = D3DFMT_UNKNOWN;
    bool masked = false;  // needs DecodeMasked (or DecodeWide), then EncodeLevel(loadFormat)
    UINT bytesPerPixel = 0;
    ChannelMasks masks;
    WideKind wide = WideKind::None;
    UINT channels = 0;
};

// The wide formats Direct3D 9 names by number in the FourCC field. The device holds none of
// them: they become 8 bits a channel, one channel as grey, missing colour as 0.
bool DescribeWide(D3DFORMAT f, StoredLayout* out)
{
    switch (f) {
        case D3DFMT_A16B16G16R16: out->wide = WideKind::Unorm16, out->channels = 4; break;
        case D3DFMT_R16F: out->wide = WideKind::Half, out->channels = 1; break;
        case D3DFMT_G16R16F: out->wide = WideKind::Half, out->channels = 2; break;
        case D3DFMT_A16B16G16R16F: out->wide = WideKind::Half, out->channels = 4; break;
        case D3DFMT_R32F: out->wide = WideKind::Float, out->channels = 1; break;
        case D3DFMT_G32R32F: out->wide = WideKind::Float, out->channels = 2; break;
        case D3DFMT_A32B32G32R32F: out->wide = WideKind::Float, out->channels = 4; break;
        default: return false;
    }
    out->masked = true;
    out->fileFormat = f;
    out->bytesPerPixel = out->channels * (out->wide == WideKind::Float ? 4 : 2);
    out->loadFormat = out->channels == 1   ? D3DFMT_L8
                      : out->channels == 4 ? D3DFMT_A8R8G8B8
                                           : D3DFMT_X8R8G8B8;
    return true;
}

float HalfToFloat(uint32_t h)
{
    const uint32_t sign = (h & 0x8000u) << 16, exponent = (h >> 10) & 31, mantissa = h & 0x3FF;
    uint32_t bits;
    if (exponent == 31) {
        bits = sign | 0x7F800000u | (mantissa << 13);  // infinity, NaN
    } else if (exponent != 0) {
        bits = sign | ((exponent + 112) << 23) | (mantissa << 13);
    } else {
        float v = std::ldexp(float(mantissa), -24);  // subnormal
        return sign ? -v : v;
    }
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

bool DecodeWide(ByteView data, UINT width, UINT height, const StoredLayout& l, ArgbImage* out)
{
    if (uint64_t(width) * height * l.bytesPerPixel > data.size) return false;
    *out = ArgbImage(width, height);
    const uint8_t* p = data.data;
    for (uint32_t& texel : out->pixels) {
        uint32_t v[4] = {0, 0, 0, 255};
        for (UINT c = 0; c < l.channels; ++c) {
            if (l.wide == WideKind::Float) {
                const uint32_t bits = base::ReadLe32(p);
                float f;
                std::memcpy(&f, &bits, 4);
                v[c] = FloatToUnorm8(f);
                p += 4;
            } else {
                const uint32_t u = base::ReadLe16(p);
                v[c] = l.wide == WideKind::Half ? FloatToUnorm8(HalfToFloat(u)) : (u * 255 + 32767) / 65535;
                p += 2;
            }
        }
        texel = l.channels == 1 ? PackArgb(255, v[0], v[0], v[0]) : PackArgb(v[3], v[0], v[1], v[2]);
    }
    return true;
}

// Layouts Direct3D 9 names that the loader converts rather than keeps.
D3DFORMAT ConvertedFileFormat(UINT bitCount, const ChannelMasks& m, bool luminance)
{
    const auto is = [&](UINT bits, uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
        return bitCount == bits && m.a == a && m.r == r && m.g == g && m.b == b;
    };
    if (luminance) {
        if (is(8, 0xF0, 0x0F, 0x0F, 0x0F)) return D3DFMT_A4L4;
        if (is(16, 0, 0xFFFF, 0xFFFF, 0xFFFF)) return D3DFMT_L16;
    }
    if (is(24, 0, 0xFF0000u, 0xFF00u, 0xFFu)) return D3DFMT_R8G8B8;
    if (is(8, 0, 0xE0, 0x1C, 0x03)) return D3DFMT_R3G3B2;
    if (is(32, 0, 0xFFFFu, 0xFFFF0000u, 0)) return D3DFMT_G16R16;
    if (is(32, 0xC0000000u, 0x3FFu, 0xFFC00u, 0x3FF00000u)) return D3DFMT_A2B10G10R10;
    if (is(32, 0xC0000000u, 0x3FF00000u, 0xFFC00u, 0x3FFu)) return D3DFMT_A2R10G10B10;
    return D3DFMT_UNKNOWN;
}

HRESULT DescribeLayout(const Header& h, StoredLayout* out)
{
    if (h.pfFlags & DDPF_FOURCC) {
        // Beside DXTn and the wide formats: DX10 headers, BC4 to BC7 (ATI1, ATI2, BC4U...)
        // and the like, nothing Direct3D 9 holds, so to D3DX not an image it can read.
        const D3DFORMAT fourCC = D3DFORMAT(h.fourCC);
        if (DescribeWide(fourCC, out)) return S_OK;
        if (!IsBlockCompressed(fourCC)) return D3DXERR_INVALIDDATA;
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
    // Everything else (24-bit RGB, wide luminance, other channel orders...) is converted to
    // the device format with the same channels: grey stays grey, and 32-bit ARGB holds any
    // colour layout; the device makes no 24-bit textures.
    out->masked = true;
    const bool luminance = (h.pfFlags & DDPF_LUMINANCE) && !(h.pfFlags & DDPF_RGB);
    if (luminance) out->loadFormat = m.a ? D3DFMT_A8L8 : D3DFMT_L8;
    else if (!(m.r | m.g | m.b)) out->loadFormat = D3DFMT_A8;
    else out->loadFormat = m.a ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    out->fileFormat = ConvertedFileFormat(h.bitCount, m, luminance);
    if (out->fileFormat == D3DFMT_UNKNOWN) out->fileFormat = out->loadFormat;
    return S_OK;
}

uint64_t StoredLevelBytes(const StoredLayout& layout, UINT width, UINT height)
{
    if (!layout.masked) return LevelBytes(layout.loadFormat, width, height);
    return uint64_t(width) * height * layout.bytesPerPixel;
}

}  // namespace

bool LooksLikeDds(ByteView file)
{
    return file.size >= kMagicBytes && file.data[0] == 'D' && file.data[1] == 'D' &&
           file.data[2] == 'S' && file.data[3] == ' ';
}

HRESULT ReadDds(ByteView file, DdsImage* out)
{
    if (!LooksLikeDds(file) || file.size < kDataOffset) return D3DXERR_INVALIDDATA;
    const Header h = ParseHeader(file);
    if (h.size != kHeaderBytes || h.pfSize != 32) return D3DXERR_INVALIDDATA;
    if (h.width == 0 || h.height == 0 || h.width > kMaxTextureSide || h.height > kMaxTextureSide)
        return D3DXERR_INVALIDDATA;
    // A volume does not become a 2D texture.
    if ((h.caps2 & DDSCAPS2_VOLUME) || ((h.flags & DDSD_DEPTH) && h.depth > 1))
        return D3DXERR_INVALIDDATA;
    const bool cube = (h.caps2 & DDSCAPS2_CUBEMAP) != 0;
    UINT faces = 1;
    if (cube) {
        faces = 0;
        for (uint32_t bits = h.caps2 & DDSCAPS2_CUBEMAP_ALLFACES; bits; bits &= bits - 1) ++faces;
        if (faces == 0) return D3DXERR_INVALIDDATA;
    }

    StoredLayout layout;
    HRESULT hr = DescribeLayout(h, &layout);
    if (FAILED(hr)) return hr;

    // A count beyond the full chain describes levels smaller than 1x1; they are not read.
    UINT count = (h.flags & DDSD_MIPMAPCOUNT) ? std::max(1u, h.mipCount) : 1;
    count = std::min(count, base::MipChainLength(h.width, h.height));

    // Cube maps store their faces one after another, each with its chain. Asked for a 2D
    // texture, D3DX loads the first face stored; the file must still hold every face.
    const ByteView data = file.Sub(kDataOffset, file.size - kDataOffset);
    uint64_t needed = 0;
    for (UINT i = 0; i < count; ++i)
        needed += StoredLevelBytes(layout, std::max(1u, h.width >> i), std::max(1u, h.height >> i));
    if (needed * faces > data.size) return D3DXERR_INVALIDDATA;

    DdsImage img;
    img.resourceType = cube ? D3DRTYPE_CUBETEXTURE : D3DRTYPE_TEXTURE;
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
            const bool decoded = layout.wide != WideKind::None
                                     ? DecodeWide(level, w, hgt, layout, &argb)
                                     : DecodeMasked(level, w, hgt, layout.bytesPerPixel, layout.masks, &argb);
            if (!decoded) return D3DXERR_INVALIDDATA;
            img.converted.push_back(
                std::make_unique<std::vector<uint8_t>>(EncodeLevel(layout.loadFormat, argb)));
            level = ByteView(*img.converted.back());
        }
        img.levels.push_back(level);
    }
    *out = std::move(img);
    return S_OK;
}

}  // namespace codecs
