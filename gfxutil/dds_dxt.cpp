#include "gfxutil/dds_dxt.h"

#include "gfxutil/image_format.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace gfxutil {
namespace {

struct Rgb {
    int r = 0, g = 0, b = 0;
};

Rgb Expand565(uint16_t c) {
    int r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    return {(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)};
}

uint16_t Quantize565(float r, float g, float b) {
    auto q = [](float v, int max) {
        return int(std::lround(std::clamp(v, 0.0f, 255.0f) * max / 255.0f));
    };
    return uint16_t((q(r, 31) << 11) | (q(g, 63) << 5) | q(b, 31));
}

uint32_t Opaque(const Rgb& c) { return PackArgb(255, c.r, c.g, c.b); }

Rgb Mix(const Rgb& a, const Rgb& b, int wa, int wb) {
    int sum = wa + wb;
    return {(wa * a.r + wb * b.r) / sum, (wa * a.g + wb * b.g) / sum, (wa * a.b + wb * b.b) / sum};
}

uint16_t ReadU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
void WriteU16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

// The four colours a block's endpoints stand for. DXT3/5 blocks always use the four-colour
// reading; only DXT1 switches to three colours plus transparent black when c0 <= c1.
std::array<uint32_t, 4> ColorPalette(uint16_t c0, uint16_t c1, bool dxt1) {
    Rgb a = Expand565(c0), b = Expand565(c1);
    if (c0 > c1 || !dxt1) return {Opaque(a), Opaque(b), Opaque(Mix(a, b, 2, 1)), Opaque(Mix(a, b, 1, 2))};
    return {Opaque(a), Opaque(b), Opaque(Mix(a, b, 1, 1)), 0u};
}

std::array<uint8_t, 8> AlphaPalette(uint8_t a0, uint8_t a1) {
    std::array<uint8_t, 8> p{a0, a1};
    if (a0 > a1) {
        for (int i = 1; i < 7; ++i) p[i + 1] = uint8_t(((7 - i) * a0 + i * a1) / 7);
    } else {
        for (int i = 1; i < 5; ++i) p[i + 1] = uint8_t(((5 - i) * a0 + i * a1) / 5);
        p[6] = 0;
        p[7] = 255;
    }
    return p;
}

int ColorDistance(uint32_t x, uint32_t y) {
    int dr = ChannelR(x) - ChannelR(y), dg = ChannelG(x) - ChannelG(y), db = ChannelB(x) - ChannelB(y);
    return dr * dr + dg * dg + db * db;
}

void DecodeColorBlock(const uint8_t* block, bool dxt1, uint32_t texels[16]) {
    std::array<uint32_t, 4> palette = ColorPalette(ReadU16(block), ReadU16(block + 2), dxt1);
    uint32_t bits = block[4] | (block[5] << 8) | (block[6] << 16) | (uint32_t(block[7]) << 24);
    for (int i = 0; i < 16; ++i) texels[i] = palette[(bits >> (2 * i)) & 3];
}

// Endpoints along the principal axis of the block's colours: exact for two-colour blocks
// and close for gradients, which is what mip levels of real textures mostly are.
void FitEndpoints(const uint32_t texels[16], const bool use[16], uint16_t* c0, uint16_t* c1) {
    float mean[3] = {0, 0, 0};
    int count = 0;
    for (int i = 0; i < 16; ++i) {
        if (!use[i]) continue;
        mean[0] += ChannelR(texels[i]);
        mean[1] += ChannelG(texels[i]);
        mean[2] += ChannelB(texels[i]);
        ++count;
    }
    for (float& m : mean) m /= float(count);
    float cov[6] = {0, 0, 0, 0, 0, 0};  // rr rg rb gg gb bb
    for (int i = 0; i < 16; ++i) {
        if (!use[i]) continue;
        float d[3] = {ChannelR(texels[i]) - mean[0], ChannelG(texels[i]) - mean[1],
                      ChannelB(texels[i]) - mean[2]};
        cov[0] += d[0] * d[0], cov[1] += d[0] * d[1], cov[2] += d[0] * d[2];
        cov[3] += d[1] * d[1], cov[4] += d[1] * d[2], cov[5] += d[2] * d[2];
    }
    float axis[3] = {1, 1, 1};
    for (int iter = 0; iter < 8; ++iter) {
        float n[3] = {cov[0] * axis[0] + cov[1] * axis[1] + cov[2] * axis[2],
                      cov[1] * axis[0] + cov[3] * axis[1] + cov[4] * axis[2],
                      cov[2] * axis[0] + cov[4] * axis[1] + cov[5] * axis[2]};
        float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (len < 1e-6f) break;  // all one colour: any axis will do
        for (int k = 0; k < 3; ++k) axis[k] = n[k] / len;
    }
    float lo = 0, hi = 0;
    for (int i = 0; i < 16; ++i) {
        if (!use[i]) continue;
        float t = (ChannelR(texels[i]) - mean[0]) * axis[0] + (ChannelG(texels[i]) - mean[1]) * axis[1] +
                  (ChannelB(texels[i]) - mean[2]) * axis[2];
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    }
    *c0 = Quantize565(mean[0] + hi * axis[0], mean[1] + hi * axis[1], mean[2] + hi * axis[2]);
    *c1 = Quantize565(mean[0] + lo * axis[0], mean[1] + lo * axis[1], mean[2] + lo * axis[2]);
}

void EncodeColorBlock(const uint32_t texels[16], bool dxt1, uint8_t* block) {
    bool use[16];
    bool anyTransparent = false, anyOpaque = false;
    for (int i = 0; i < 16; ++i) {
        use[i] = !dxt1 || ChannelA(texels[i]) >= 128;
        anyTransparent |= !use[i];
        anyOpaque |= use[i];
    }
    uint16_t c0 = 0, c1 = 0;
    if (anyOpaque) FitEndpoints(texels, use, &c0, &c1);
    // Four-colour blocks need c0 > c1, the transparent three-colour kind c0 <= c1.
    if (anyTransparent ? c0 > c1 : c0 < c1) std::swap(c0, c1);
    std::array<uint32_t, 4> palette = ColorPalette(c0, c1, dxt1);
    const int choices = (anyTransparent || (dxt1 && c0 == c1)) ? 3 : 4;
    uint32_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        int best = 3;
        if (use[i]) {
            best = 0;
            for (int k = 1; k < choices; ++k)
                if (ColorDistance(texels[i], palette[k]) < ColorDistance(texels[i], palette[best])) best = k;
        }
        bits |= uint32_t(best) << (2 * i);
    }
    WriteU16(block, c0);
    WriteU16(block + 2, c1);
    for (int k = 0; k < 4; ++k) block[4 + k] = uint8_t(bits >> (8 * k));
}

void EncodeAlphaDxt5(const uint32_t texels[16], uint8_t* block) {
    uint8_t lo = 255, hi = 0;
    for (int i = 0; i < 16; ++i) {
        lo = std::min(lo, ChannelA(texels[i]));
        hi = std::max(hi, ChannelA(texels[i]));
    }
    std::array<uint8_t, 8> palette = AlphaPalette(hi, lo);
    const int choices = hi > lo ? 8 : 1;
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        int a = ChannelA(texels[i]), best = 0;
        for (int k = 1; k < choices; ++k)
            if (std::abs(a - palette[k]) < std::abs(a - palette[best])) best = k;
        bits |= uint64_t(best) << (3 * i);
    }
    block[0] = hi;
    block[1] = lo;
    for (int k = 0; k < 6; ++k) block[2 + k] = uint8_t(bits >> (8 * k));
}

}  // namespace

void DecodeDxtBlock(D3DFORMAT format, const uint8_t* block, uint32_t texels[16]) {
    if (format == D3DFMT_DXT1) {
        DecodeColorBlock(block, true, texels);
        return;
    }
    DecodeColorBlock(block + 8, false, texels);
    uint8_t alpha[16];
    if (format == D3DFMT_DXT3) {
        for (int i = 0; i < 16; ++i) alpha[i] = uint8_t(((block[i / 2] >> (4 * (i & 1))) & 15) * 17);
    } else {
        std::array<uint8_t, 8> palette = AlphaPalette(block[0], block[1]);
        uint64_t bits = 0;
        for (int k = 0; k < 6; ++k) bits |= uint64_t(block[2 + k]) << (8 * k);
        for (int i = 0; i < 16; ++i) alpha[i] = palette[(bits >> (3 * i)) & 7];
    }
    for (int i = 0; i < 16; ++i) texels[i] = (texels[i] & 0x00FFFFFFu) | (uint32_t(alpha[i]) << 24);
}

void EncodeDxtBlock(D3DFORMAT format, const uint32_t texels[16], uint8_t* block) {
    if (format == D3DFMT_DXT1) {
        EncodeColorBlock(texels, true, block);
        return;
    }
    if (format == D3DFMT_DXT3) {
        for (int i = 0; i < 8; ++i) {
            int lo = (ChannelA(texels[2 * i]) * 15 + 127) / 255;
            int hi = (ChannelA(texels[2 * i + 1]) * 15 + 127) / 255;
            block[i] = uint8_t(lo | (hi << 4));
        }
    } else {
        EncodeAlphaDxt5(texels, block);
    }
    EncodeColorBlock(texels, false, block + 8);
}

bool DecodeDxt(D3DFORMAT format, ByteView data, UINT width, UINT height, ArgbImage* out) {
    if (!IsBlockCompressed(format) || LevelBytes(format, width, height) > data.size) return false;
    *out = ArgbImage(width, height);
    const size_t blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
    const uint8_t* block = data.data;
    uint32_t texels[16];
    for (UINT by = 0; by < RowCount(format, height); ++by) {
        for (UINT bx = 0; bx * 4 < width; ++bx, block += blockBytes) {
            DecodeDxtBlock(format, block, texels);
            for (UINT y = 0; y < 4 && by * 4 + y < height; ++y)
                for (UINT x = 0; x < 4 && bx * 4 + x < width; ++x)
                    out->pixels[size_t(by * 4 + y) * width + bx * 4 + x] = texels[y * 4 + x];
        }
    }
    return true;
}

std::vector<uint8_t> EncodeDxt(D3DFORMAT format, const ArgbImage& image) {
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

}  // namespace gfxutil
