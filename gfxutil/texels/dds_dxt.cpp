#include "gfxutil/texels/dds_dxt.h"

#include "gfxutil/texels/image_format.h"

#include "base/byte_order.h"
#include "base/dxt_block.h"

#include <algorithm>
#include <array>
#include <cstring>  // stb_dxt uses memcpy without including it

// Compiled here only, and static, so no other copy in the program can clash with it.
#define STB_DXT_IMPLEMENTATION
#define STB_DXT_STATIC
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_dxt.h>
#pragma GCC diagnostic pop

namespace texels {
namespace {

// Callers pass DXT formats only; anything else reads as DXT5 blocks, as it always did.
base::DxtKind KindOf(D3DFORMAT format)
{
    base::DxtKind kind = base::DxtKind::InterpolatedAlpha;
    base::DxtKindFromFourCC(uint32_t(format), &kind);
    return kind;
}

void WriteU16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

int ColorDistance(uint32_t x, uint32_t y)
{
    int dr = ChannelR(x) - ChannelR(y), dg = ChannelG(x) - ChannelG(y),
        db = ChannelB(x) - ChannelB(y);
    return dr * dr + dg * dg + db * db;
}

// DXT2 and DXT4 store the same blocks as DXT3 and DXT5, only with colours premultiplied by
// alpha; filtering premultiplied texels is just as right, so they share the code.
bool HasExplicitAlpha(D3DFORMAT format) { return format == D3DFMT_DXT2 || format == D3DFMT_DXT3; }

void ToRgba(const uint32_t texels[16], uint8_t rgba[64])
{
    for (size_t i = 0; i < 16; ++i) {
        rgba[4 * i] = ChannelR(texels[i]);
        rgba[4 * i + 1] = ChannelG(texels[i]);
        rgba[4 * i + 2] = ChannelB(texels[i]);
        rgba[4 * i + 3] = ChannelA(texels[i]);
    }
}

// stb_dxt only writes four-colour blocks. A DXT1 block with transparent texels takes its
// endpoints from stb's fit of the opaque texels, then is re-indexed in the three-colour mode
// where index 3 is transparent black.
void EncodeDxt1WithAlpha(const uint32_t texels[16], uint8_t* block)
{
    int firstOpaque = -1;
    for (int i = 0; i < 16 && firstOpaque < 0; ++i)
        if (ChannelA(texels[i]) >= 128) firstOpaque = i;
    uint16_t c0 = 0, c1 = 0;
    if (firstOpaque >= 0) {
        uint32_t opaque[16];
        for (int i = 0; i < 16; ++i)
            opaque[i] =
                (ChannelA(texels[i]) >= 128 ? texels[i] : texels[firstOpaque]) | 0xFF000000u;
        uint8_t rgba[64];
        ToRgba(opaque, rgba);
        stb_compress_dxt_block(block, rgba, 0, STB_DXT_HIGHQUAL);
        c0 = base::ReadLe16(block);
        c1 = base::ReadLe16(block + 2);
        if (c0 > c1) std::swap(c0, c1);
    }
    const std::array<uint32_t, 4> palette = base::DxtColourPalette(c0, c1, true);
    uint32_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        int best = 3;
        if (ChannelA(texels[i]) >= 128) {
            best = 0;
            for (int k = 1; k < 3; ++k)
                if (ColorDistance(texels[i], palette[k]) < ColorDistance(texels[i], palette[best]))
                    best = k;
        }
        bits |= uint32_t(best) << (2 * i);
    }
    WriteU16(block, c0);
    WriteU16(block + 2, c1);
    for (int k = 0; k < 4; ++k) block[4 + k] = uint8_t(bits >> (8 * k));
}

}  // namespace

void DecodeDxtBlock(D3DFORMAT format, const uint8_t* block, uint32_t texels[16])
{
    base::DecodeDxtBlock(KindOf(format), block, texels);
}

void EncodeDxtBlock(D3DFORMAT format, const uint32_t texels[16], uint8_t* block)
{
    uint8_t rgba[64];
    ToRgba(texels, rgba);
    if (format == D3DFMT_DXT1) {
        bool transparent = false;
        for (int i = 0; i < 16; ++i) transparent |= ChannelA(texels[i]) < 128;
        if (transparent) EncodeDxt1WithAlpha(texels, block);
        else stb_compress_dxt_block(block, rgba, 0, STB_DXT_HIGHQUAL);
    } else if (HasExplicitAlpha(format)) {
        for (size_t i = 0; i < 8; ++i) {
            int lo = (ChannelA(texels[2 * i]) * 15 + 127) / 255;
            int hi = (ChannelA(texels[2 * i + 1]) * 15 + 127) / 255;
            block[i] = uint8_t(lo | (hi << 4));
        }
        stb_compress_dxt_block(block + 8, rgba, 0, STB_DXT_HIGHQUAL);
    } else {
        stb_compress_dxt_block(block, rgba, 1, STB_DXT_HIGHQUAL);  // interpolated alpha + colour
    }
}

bool DecodeDxt(D3DFORMAT format, ByteView data, UINT width, UINT height, ArgbImage* out)
{
    if (!IsBlockCompressed(format)) return false;
    ArgbImage image(width, height);
    if (!base::DecodeDxtToArgb(KindOf(format), data.data, data.size, width, height, image.pixels.data()))
        return false;
    *out = std::move(image);
    return true;
}

std::vector<uint8_t> EncodeDxt(D3DFORMAT format, const ArgbImage& image)
{
    if (!IsBlockCompressed(format) || image.width == 0 || image.height == 0) return {};
    std::vector<uint8_t> bytes(LevelBytes(format, image.width, image.height));
    const size_t blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
    uint8_t* block = bytes.data();
    uint32_t texels[16];
    for (UINT by = 0; by < RowCount(format, image.height); ++by) {
        for (UINT bx = 0; bx * 4 < image.width; ++bx, block += blockBytes) {
            // Blocks hanging over the edge of small levels repeat the edge texels, so the
            // padding does not pull the endpoints away from the real colours.
            for (UINT y = 0; y < 4; ++y)
                for (UINT x = 0; x < 4; ++x)
                    texels[y * 4 + x] = image.At(std::min(bx * 4 + x, image.width - 1),
                                                 std::min(by * 4 + y, image.height - 1));
            EncodeDxtBlock(format, texels, block);
        }
    }
    return bytes;
}

}  // namespace texels
