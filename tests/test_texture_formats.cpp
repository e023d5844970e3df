// Every image format D3DX reads, in the variants real tools write: each file made here from a
// known picture, loaded at its own size, and the texels read back and compared with the
// picture, together with the format the texture was made in and the one the file reports.
#include "test_texture_support.h"

#include "gfxutil/texels/image_format.h"

#include <cstring>
#include <memory>

#include <zlib.h>

using namespace textest;
using texels::ArgbImage;

namespace {

// 5x3, so that rows of 1, 4, 8 and 24 bits need padding; eight colours, some translucent.
const uint32_t kColours[8] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF,
                              0x80000000, 0x40808080, 0x00FFFF00, 0xFF102030};
ArgbImage Picture(bool alpha, int colours = 8) {
    ArgbImage p(5, 3);
    for (UINT i = 0; i < 15; ++i) p.pixels[i] = kColours[(i * 3 + i / 5) % colours] | (alpha ? 0 : 0xFF000000u);
    return p;
}
int IndexOf(uint32_t c, int colours = 8) {
    for (int i = 0; i < colours; ++i)
        if ((kColours[i] | 0xFF000000u) == (c | 0xFF000000u)) return i;
    return 0;
}

void Append(Bytes& out, std::initializer_list<uint32_t> values, int size) {
    const Bytes b = Texels(values, size);
    out.insert(out.end(), b.begin(), b.end());
}

// Rows of a picture in file order, each padded to four bytes: `bits` per pixel from `pack`.
template <typename Pack>
Bytes PackedRows(const ArgbImage& p, int bits, bool bottomUp, Pack pack) {
    Bytes out;
    for (UINT r = 0; r < p.height; ++r) {
        const UINT y = bottomUp ? p.height - 1 - r : r;
        Bytes row;
        uint32_t acc = 0;
        int filled = 0;
        for (UINT x = 0; x < p.width; ++x) {
            const uint32_t v = pack(p.At(x, y));
            if (bits >= 8) {
                Append(row, {v}, bits / 8);
                continue;
            }
            acc = (acc << bits) | v;
            if ((filled += bits) == 8) row.push_back(uint8_t(acc)), acc = 0, filled = 0;
        }
        if (filled) row.push_back(uint8_t(acc << (8 - filled)));
        row.resize((row.size() + 3) / 4 * 4);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

struct Bmp {
    uint32_t headerSize = 40;
    int32_t height = 3;  // negative: top-down
    uint16_t bpp = 24;
    uint32_t compression = 0;
    Bytes afterHeader;  // masks and palette
    Bytes data;
    std::vector<uint32_t> masks;  // written inside headers of 56 bytes and more
};
Bytes BmpFile(const Bmp& b, bool withFileHeader = true) {
    Bytes dib = Texels({b.headerSize, 5, uint32_t(b.height)});
    Append(dib, {1 | (uint32_t(b.bpp) << 16), b.compression, uint32_t(b.data.size()), 2835, 2835, 0, 0}, 4);
    if (b.headerSize == 12) dib = Texels({12, 5 | (3u << 16), 1 | (uint32_t(b.bpp) << 16)});
    dib.resize(b.headerSize);
    for (size_t i = 0; i < b.masks.size(); ++i) Put32(dib, 40 + 4 * i, b.masks[i]);
    dib.insert(dib.end(), b.afterHeader.begin(), b.afterHeader.end());
    Bytes out;
    if (withFileHeader) {
        out = {'B', 'M'};
        Append(out, {uint32_t(14 + dib.size() + b.data.size()), 0, uint32_t(14 + dib.size())}, 4);
    }
    out.insert(out.end(), dib.begin(), dib.end());
    out.insert(out.end(), b.data.begin(), b.data.end());
    return out;
}
Bytes Palette(int colours, int entryBytes = 4) {
    Bytes out;
    for (int i = 0; i < colours; ++i) {
        Append(out, {kColours[i] & 0xFFFFFF}, 3);
        if (entryBytes == 4) out.push_back(0);
    }
    return out;
}

class TextureFormats : public TextureTest {
protected:
    // The file at its own size with one level, the texels read back as ARGB.
    HRESULT LoadPicture(const Bytes& file, ArgbImage* out, D3DFORMAT* made = nullptr,
                        D3DXIMAGE_INFO* info = nullptr) {
        Drop();
        HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(
            &dev, file.data(), UINT(file.size()), D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, 1, 0,
            D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, info, nullptr, &tex);
        if (FAILED(hr)) return hr;
        D3DSURFACE_DESC d{};
        tex->GetLevelDesc(0, &d);
        if (made) *made = d.Format;
        const Bytes level = Level(0, texels::RowBytes(d.Format, d.Width), texels::RowCount(d.Format, d.Height));
        EXPECT_TRUE(texels::DecodeLevel(d.Format, texels::ByteView(level), d.Width, d.Height, out));
        return hr;
    }
    // Loads, then expects the picture within `tolerance` per channel, the texture's format
    // and the one the file reports.
    void ExpectLoads(const Bytes& file, const ArgbImage& want, D3DFORMAT made, D3DFORMAT reported,
                     int tolerance = 0, const char* what = "") {
        ArgbImage got;
        D3DFORMAT format = D3DFMT_UNKNOWN;
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(LoadPicture(file, &got, &format, &info), S_OK) << what;
        EXPECT_EQ(format, made) << what;
        EXPECT_EQ(info.Format, reported) << what;
        ASSERT_EQ(got.width, want.width) << what;
        ASSERT_EQ(got.height, want.height) << what;
        for (size_t i = 0; i < want.pixels.size(); ++i)
            EXPECT_LE(MaxChannelError(got.pixels[i], want.pixels[i]), tolerance)
                << what << " texel " << i << ": " << std::hex << got.pixels[i] << " want " << want.pixels[i];
    }
    // A binary file cut anywhere is refused, and nothing is read past the cut.
    void ExpectEveryCutFails(const Bytes& file, const char* what) {
        for (size_t n = 1; n < file.size(); ++n) {
            const std::unique_ptr<uint8_t[]> cut(new uint8_t[n]);
            std::memcpy(cut.get(), file.data(), n);
            Drop();
            EXPECT_EQ(D3DXCreateTextureFromFileInMemory(&dev, cut.get(), UINT(n), &tex), D3DXERR_INVALIDDATA)
                << what << " cut to " << n;
        }
    }
};

uint32_t To555(uint32_t c) {
    return ((c >> 19) & 31) << 10 | ((c >> 11) & 31) << 5 | ((c >> 3) & 31);
}
uint32_t To565(uint32_t c) {
    return ((c >> 19) & 31) << 11 | ((c >> 10) & 63) << 5 | ((c >> 3) & 31);
}
// What a picture looks like after a trip through 5-6-5 or 5-5-5.
ArgbImage Through(ArgbImage p, D3DFORMAT f) {
    const Bytes b = texels::EncodeLevel(f, p);
    texels::DecodeLevel(f, texels::ByteView(b), p.width, p.height, &p);
    return p;
}

}  // namespace

TEST_F(TextureFormats, BmpEveryDepthHeaderAndOrder) {
    const ArgbImage opaque = Picture(false), translucent = Picture(true);
    Bmp b;
    b.data = PackedRows(opaque, 24, true, [](uint32_t c) { return c; });
    ExpectLoads(BmpFile(b), opaque, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8, 0, "24");
    b.height = -3;
    b.data = PackedRows(opaque, 24, false, [](uint32_t c) { return c; });
    ExpectLoads(BmpFile(b), opaque, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8, 0, "24 top-down");
    ExpectLoads(BmpFile(b, false), opaque, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8, 0, "packed DIB");
    b.headerSize = 12;  // OS/2 core header: 16-bit sizes, bottom-up only
    b.height = 3;
    b.data = PackedRows(opaque, 24, true, [](uint32_t c) { return c; });
    ExpectLoads(BmpFile(b), opaque, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8, 0, "core");

    // Palettes of 8, 16 and 2 colours; the OS/2 one has 3-byte entries.
    for (int bpp : {1, 4, 8}) {
        const int colours = bpp == 1 ? 2 : 8;
        const ArgbImage p = Picture(false, colours);
        Bmp pal;
        pal.bpp = uint16_t(bpp);
        pal.afterHeader = Palette(colours);
        pal.afterHeader.resize(size_t(4) << bpp);
        pal.data = PackedRows(p, bpp, true, [&](uint32_t c) { return uint32_t(IndexOf(c, colours)); });
        ExpectLoads(BmpFile(pal), p, D3DFMT_A8R8G8B8, D3DFMT_P8, 0, "palette");
        pal.headerSize = 12;
        pal.afterHeader = Palette(colours, 3);
        pal.afterHeader.resize(size_t(3) << bpp);
        ExpectLoads(BmpFile(pal), p, D3DFMT_A8R8G8B8, D3DFMT_P8, 0, "core palette");
    }

    // 16 bits: 5-5-5 by default, 5-6-5 and 1-5-5-5 through masks.
    Bmp w;
    w.bpp = 16;
    w.data = PackedRows(opaque, 16, true, To555);
    ExpectLoads(BmpFile(w), Through(opaque, D3DFMT_X1R5G5B5), D3DFMT_X1R5G5B5, D3DFMT_X1R5G5B5, 0, "555");
    w.compression = 3;
    w.afterHeader = Texels({0xF800, 0x07E0, 0x001F});
    w.data = PackedRows(opaque, 16, true, To565);
    ExpectLoads(BmpFile(w), Through(opaque, D3DFMT_R5G6B5), D3DFMT_R5G6B5, D3DFMT_R5G6B5, 0, "565");

    // 32 bits: the fourth byte is alpha, unless it is zero throughout; V5 masks in any order.
    Bmp q;
    q.bpp = 32;
    q.data = PackedRows(translucent, 32, true, [](uint32_t c) { return c; });
    ExpectLoads(BmpFile(q), translucent, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, 0, "32");
    q.data = PackedRows(translucent, 32, true, [](uint32_t c) { return c & 0xFFFFFF; });
    ExpectLoads(BmpFile(q), opaque, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, 0, "32 zero alpha");
    q.headerSize = 124;
    q.compression = 3;
    q.masks = {0xFF, 0xFF00, 0xFF0000, 0xFF000000};
    q.data = PackedRows(translucent, 32, true, [](uint32_t c) {
        return (c & 0xFF00FF00) | ((c >> 16) & 0xFF) | ((c & 0xFF) << 16);
    });
    ExpectLoads(BmpFile(q), translucent, D3DFMT_A8B8G8R8, D3DFMT_A8B8G8R8, 0, "V5 ABGR");
    ExpectEveryCutFails(BmpFile(q), "V5");
}

TEST_F(TextureFormats, BmpRunLengthCodes) {
    // 5x3, bottom row first. RLE8: a run of 3 and an absolute run of 3 (padded), end of line;
    // a delta two right and one up leaves the rest of row 1 and the start of row 2 black; a
    // run of 9 is cut at the row's end; the end-of-bitmap code.
    Bmp b;
    b.bpp = 8;
    b.compression = 1;
    b.afterHeader = Palette(8);
    b.afterHeader.resize(1024);
    b.data = {3, 1, 0, 3, 2, 3, 4, 0, 0, 0,  //
              0, 2, 2, 1, 9, 5, 0, 1};
    const uint32_t k = 0xFF000000, g = kColours[1], blue = kColours[2] | k, w = kColours[3] | k,
                   n = kColours[4] | k, y = kColours[5] | k;
    ArgbImage want(5, 3);
    want.pixels = {k, k, y, y, y,   // row 2: reached by the delta at x 2
                   k, k, k, k, k,   // row 1: skipped
                   g, g, g, blue, w};
    ExpectLoads(BmpFile(b), want, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, 0, "RLE8");
    ExpectEveryCutFails(BmpFile(b), "RLE8");

    // RLE4: alternating nibbles in runs; an absolute run of 5 takes 3 bytes, padded to 4.
    b.bpp = 4;
    b.compression = 2;
    b.afterHeader.resize(64);
    b.data = {0, 5, 0x12, 0x34, 0x50, 0, 0, 0,  //
              5, 0x67, 0, 0,                    //
              4, 0x10, 0, 1};
    const uint32_t r = kColours[0], c5 = kColours[5] | k, c6 = kColours[6] | k, c7 = kColours[7];
    want.pixels = {g, r, g, r, k,  //
                   c6, c7, c6, c7, c6,
                   g, blue, w, n, c5};
    ExpectLoads(BmpFile(b), want, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, 0, "RLE4");
}

TEST_F(TextureFormats, TgaColourMappedTrueColourAndGrey) {
    const ArgbImage opaque = Picture(false), translucent = Picture(true);
    // type, bits, descriptor (alpha bits, origin), pixel writer, colour map
    const auto tga = [](uint8_t type, uint8_t bpp, uint8_t descriptor, const Bytes& map,
                        uint8_t mapBits, const Bytes& pixels) {
        Bytes out = {0, uint8_t(map.empty() ? 0 : 1), type, 0, 0};
        Append(out, {map.empty() ? 0u : uint32_t(map.size() / (mapBits / 8))}, 2);
        out.push_back(mapBits);
        Append(out, {0, 0, 5, 3}, 2);
        out.push_back(bpp);
        out.push_back(descriptor);
        out.insert(out.end(), map.begin(), map.end());
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    };
    const auto rows = [](const ArgbImage& p, bool topFirst, int bytes, auto pack) {
        Bytes out;
        for (UINT r = 0; r < 3; ++r)
            for (UINT x = 0; x < 5; ++x) Append(out, {pack(p.At(x, topFirst ? r : 2 - r))}, bytes);
        return out;
    };
    const auto same = [](uint32_t c) { return c; };
    ExpectLoads(tga(2, 24, 0, {}, 0, rows(opaque, false, 3, same)), opaque, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8);
    ExpectLoads(tga(2, 32, 0x28, {}, 0, rows(translucent, true, 4, same)), translucent, D3DFMT_A8R8G8B8,
                D3DFMT_A8R8G8B8);
    ExpectLoads(tga(2, 16, 0, {}, 0, rows(opaque, false, 2, To555)), Through(opaque, D3DFMT_X1R5G5B5),
                D3DFMT_X1R5G5B5, D3DFMT_X1R5G5B5);
    // The top bit of a 16-bit texel is alpha when the header counts one alpha bit; stored
    // right to left, top row first.
    ArgbImage cutout = Picture(true);
    for (uint32_t& c : cutout.pixels) c = (c >> 31) ? c : c & 0xFFFFFF;
    Bytes mirrored;
    for (UINT y = 0; y < 3; ++y)
        for (UINT x = 5; x-- > 0;) Append(mirrored, {To555(cutout.At(x, y)) | (cutout.At(x, y) >> 31 << 15)}, 2);
    ExpectLoads(tga(2, 16, 0x31, {}, 0, mirrored), Through(cutout, D3DFMT_A1R5G5B5), D3DFMT_A1R5G5B5,
                D3DFMT_A1R5G5B5);
    ArgbImage grey = opaque;
    for (uint32_t& c : grey.pixels) c = 0xFF000000u | 0x010101u * (c & 0xFF);
    ExpectLoads(tga(3, 8, 0, {}, 0, rows(grey, false, 1, [](uint32_t c) { return c & 0xFF; })), grey,
                D3DFMT_L8, D3DFMT_L8);
    const Bytes map = Palette(8, 3);
    const auto index = [](uint32_t c) { return uint32_t(IndexOf(c)); };
    ExpectLoads(tga(1, 8, 0, map, 24, rows(opaque, false, 1, index)), opaque, D3DFMT_A8R8G8B8, D3DFMT_P8);
    Bytes map16;
    for (uint32_t c : kColours) Append(map16, {To555(c)}, 2);
    ExpectLoads(tga(1, 16, 0, map16, 16, rows(opaque, false, 2, index)), Through(opaque, D3DFMT_X1R5G5B5),
                D3DFMT_A8R8G8B8, D3DFMT_P8);
    // Run-length, top row first: a run of five whole rows' worth and raw packets.
    Bytes rle = {0x84};
    Append(rle, {kColours[0]}, 3);
    rle.push_back(0x09);
    for (int i = 0; i < 10; ++i) Append(rle, {kColours[i % 4]}, 3);
    ArgbImage want(5, 3);
    for (UINT i = 0; i < 15; ++i) want.pixels[i] = (i < 5 ? kColours[0] : kColours[(i - 5) % 4]) | 0xFF000000u;
    ExpectLoads(tga(10, 24, 0x20, {}, 0, rle), want, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8);
}

TEST_F(TextureFormats, RadianceHdrFlatRunLengthAndOrientations) {
    // 8x2 RGBE texels and what they are in 8 bits: 1 and more saturate.
    const Bytes texels[4] = {{128, 64, 32, 129}, {128, 0, 0, 130}, {0, 0, 0, 0}, {192, 128, 64, 127}};
    const uint32_t argb[4] = {0xFFFF8040, 0xFFFF0000, 0xFF000000, 0xFF604020};
    ArgbImage want(8, 2);
    Bytes flat;
    for (UINT i = 0; i < 16; ++i) {
        const int t = (i / 3 + i) % 4;
        want.pixels[i] = argb[t];
        flat.insert(flat.end(), texels[t].begin(), texels[t].end());
    }
    const auto file = [](const char* resolution, const Bytes& data) {
        std::string head = "#?RADIANCE\n# made by hand\nFORMAT=32-bit_rle_rgbe\nEXPOSURE=1.0\n\n";
        head += resolution;
        Bytes out(head.begin(), head.end());
        out.insert(out.end(), data.begin(), data.end());
        return out;
    };
    const D3DFORMAT kHdr = D3DFMT_A32B32G32R32F;
    ExpectLoads(file("-Y 2 +X 8\n", flat), want, D3DFMT_X8R8G8B8, kHdr, 0, "flat");

    // Each scanline as four planes of runs (count > 128) and literals.
    Bytes rle;
    for (UINT y = 0; y < 2; ++y) {
        Append(rle, {0x02, 0x02, 0x00, 0x08}, 1);
        for (int c = 0; c < 4; ++c) {
            rle.push_back(8);
            for (UINT x = 0; x < 8; ++x) rle.push_back(flat[(y * 8 + x) * 4 + c]);
        }
    }
    ExpectLoads(file("-Y 2 +X 8\n", rle), want, D3DFMT_X8R8G8B8, kHdr, 0, "run-length");
    ExpectEveryCutFails(file("-Y 2 +X 8\n", rle), "run-length");
    Bytes runs = {2, 2, 0, 8, 0x88, 10, 0x88, 20, 0x88, 30, 0x88, 128, 2, 2, 0, 8, 0x88, 0, 0x88, 0, 0x88, 0, 0x88, 0};
    ArgbImage two(8, 2);
    for (UINT i = 0; i < 16; ++i) two.pixels[i] = i < 8 ? 0xFF0A141E : 0xFF000000;  // (10, 20, 30) / 256
    ExpectLoads(file("-Y 2 +X 8\n", runs), two, D3DFMT_X8R8G8B8, kHdr, 0, "runs");

    // Old-style repeats: (1, 1, 1, n) repeats the texel before it n times.
    Bytes old = texels[0];
    Append(old, {0x07010101}, 4);
    old.insert(old.end(), texels[1].begin(), texels[1].end());
    Append(old, {0x07010101}, 4);
    for (UINT i = 0; i < 16; ++i) two.pixels[i] = argb[i < 8 ? 0 : 1];
    ExpectLoads(file("-Y 2 +X 8\n", old), two, D3DFMT_X8R8G8B8, kHdr, 0, "old runs");

    // Bottom row first; and columns as scanlines, right to left.
    ArgbImage flipped(8, 2), turned(8, 2);
    for (UINT y = 0; y < 2; ++y)
        for (UINT x = 0; x < 8; ++x) {
            flipped.pixels[(1 - y) * 8 + x] = want.pixels[y * 8 + x];
            turned.pixels[(x % 2) * 8 + 7 - x / 2 - (y ? 4 : 0)] = want.pixels[y * 8 + x];
        }
    ExpectLoads(file("+Y 2 +X 8\n", flat), flipped, D3DFMT_X8R8G8B8, kHdr, 0, "+Y");
    ExpectLoads(file("-X 8 -Y 2\n", flat), turned, D3DFMT_X8R8G8B8, kHdr, 0, "-X -Y");
}

TEST_F(TextureFormats, PfmAndPpmBinaryAndText) {
    const float values[5] = {0.0f, 0.25f, 0.5f, 1.0f, 3.5f};
    const uint32_t unorm[5] = {0, 64, 128, 255, 255};
    ArgbImage colour(5, 3), grey(5, 3);
    Bytes le, be, greyData;
    for (UINT r = 0; r < 3; ++r) {
        const UINT y = 2 - r;  // stored bottom row first
        for (UINT x = 0; x < 5; ++x) {
            int ch[3];
            for (int c = 0; c < 3; ++c) {
                ch[c] = int(x + y + UINT(c)) % 5;
                uint32_t bits;
                std::memcpy(&bits, &values[ch[c]], 4);
                Append(le, {bits}, 4);
                Append(be, {__builtin_bswap32(bits)}, 4);
            }
            uint32_t bits;
            std::memcpy(&bits, &values[ch[0]], 4);
            Append(greyData, {bits}, 4);
            colour.pixels[y * 5 + x] = texels::PackArgb(255, unorm[ch[0]], unorm[ch[1]], unorm[ch[2]]);
            grey.pixels[y * 5 + x] = 0xFF000000u | 0x010101u * unorm[ch[0]];
        }
    }
    const auto with = [](const char* head, const Bytes& data) {
        Bytes out(head, head + std::strlen(head));
        out.insert(out.end(), data.begin(), data.end());
        return out;
    };
    ExpectLoads(with("PF\n5 3\n-1.0\n", le), colour, D3DFMT_X8R8G8B8, D3DFMT_A32B32G32R32F, 0, "PF le");
    ExpectLoads(with("PF\n5 3\n1.0\n", be), colour, D3DFMT_X8R8G8B8, D3DFMT_A32B32G32R32F, 0, "PF be");
    ExpectLoads(with("Pf 5 3 -2.5\n", greyData), grey, D3DFMT_L8, D3DFMT_R32F, 0, "Pf");
    ExpectEveryCutFails(with("Pf 5 3 -2.5\n", greyData), "Pf");

    // The same picture as netpbm files, top row first, with comments in the header.
    const ArgbImage p = Picture(false);
    Bytes p6, p6wide, p5;
    std::string p3 = "P3\n# text\n5 3\n255\n", p2 = "P2 5 3 # grey\n15\n";
    ArgbImage grey4(5, 3);
    for (UINT i = 0; i < 15; ++i) {
        const uint32_t c = p.pixels[i];
        for (uint32_t v : {texels::ChannelR(c), texels::ChannelG(c), texels::ChannelB(c)}) {
            p6.push_back(uint8_t(v));
            Append(p6wide, {__builtin_bswap16(uint16_t(v * 257))}, 2);
            p3 += std::to_string(v) + (i % 5 == 4 ? "\n" : " ");
        }
        const uint32_t g4 = texels::ChannelB(c) >> 4;  // 4-bit grey, maxval 15
        p2 += std::to_string(g4) + " ";
        p5.push_back(uint8_t(texels::ChannelB(c)));
        grey4.pixels[i] = 0xFF000000u | 0x010101u * (g4 * 17);
    }
    ArgbImage blue = p;
    for (uint32_t& c : blue.pixels) c = 0xFF000000u | 0x010101u * texels::ChannelB(c);
    ExpectLoads(with("P6\n# binary\n5 3\n255\n", p6), p, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, 0, "P6");
    ExpectLoads(with("P6 5 3 65535\n", p6wide), p, D3DFMT_X8R8G8B8, D3DFMT_A16B16G16R16, 0, "P6 16");
    ExpectEveryCutFails(with("P6 5 3 65535\n", p6wide), "P6 16");
    ExpectLoads(Bytes(p3.begin(), p3.end()), p, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, 0, "P3");
    ExpectLoads(with("P5\n5 3\n255\n", p5), blue, D3DFMT_L8, D3DFMT_L8, 0, "P5");
    ExpectLoads(Bytes(p2.begin(), p2.end()), grey4, D3DFMT_L8, D3DFMT_L8, 0, "P2");
}

TEST_F(TextureFormats, PngColourTypesDepthsAndInterlacing) {
    const auto chunk = [](Bytes& out, const char* type, const Bytes& data) {
        Append(out, {__builtin_bswap32(uint32_t(data.size()))}, 4);
        Bytes body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        out.insert(out.end(), body.begin(), body.end());
        Append(out, {__builtin_bswap32(uint32_t(crc32(0, body.data(), uInt(body.size()))))}, 4);
    };
    // Samples of one texel, big-endian, for a colour type and depth.
    const auto samples = [](uint32_t c, int type, int depth, Bytes& out) {
        std::vector<uint32_t> v;
        if (type == 0 || type == 4) v.push_back(texels::ChannelG(c));
        if (type == 2 || type == 6) v = {texels::ChannelR(c), texels::ChannelG(c), texels::ChannelB(c)};
        if (type == 4 || type == 6) v.push_back(texels::ChannelA(c));
        if (type == 3) v.push_back(uint32_t(IndexOf(c)));
        for (uint32_t s : v) {
            if (depth == 16) out.push_back(uint8_t(s));  // 257 * s: both bytes the same
            out.push_back(uint8_t(s));
        }
    };
    const auto png = [&](const ArgbImage& p, int type, int depth, bool interlaced, const Bytes& extra) {
        Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        Bytes ihdr = Texels({__builtin_bswap32(p.width), __builtin_bswap32(p.height)});
        Append(ihdr, {uint32_t(depth), uint32_t(type), 0, 0, interlaced ? 1u : 0u}, 1);
        chunk(out, "IHDR", ihdr);
        out.insert(out.end(), extra.begin(), extra.end());
        // Adam7's seven passes, or one; every row with filter 0.
        const int passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                  {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
        Bytes raw;
        for (int pass = 0; pass < (interlaced ? 7 : 1); ++pass) {
            const int* a = interlaced ? passes[pass] : passes[6];
            const int x0 = interlaced ? a[0] : 0, y0 = interlaced ? a[1] : 0;
            const int dx = interlaced ? a[2] : 1, dy = interlaced ? a[3] : 1;
            for (int y = y0; y < int(p.height); y += dy) {
                if (x0 >= int(p.width)) break;
                raw.push_back(0);
                for (int x = x0; x < int(p.width); x += dx) samples(p.At(UINT(x), UINT(y)), type, depth, raw);
            }
        }
        uLongf size = compressBound(uLong(raw.size()));
        Bytes packed(size);
        compress(packed.data(), &size, raw.data(), uLong(raw.size()));
        packed.resize(size);
        chunk(out, "IDAT", packed);
        chunk(out, "IEND", {});
        return out;
    };
    const ArgbImage opaque = Picture(false), translucent = Picture(true);
    ArgbImage grey = opaque, greyAlpha = translucent;
    for (uint32_t& c : grey.pixels) c = 0xFF000000u | 0x010101u * texels::ChannelG(c);
    for (uint32_t& c : greyAlpha.pixels) c = (c & 0xFF000000u) | 0x010101u * texels::ChannelG(c);
    for (bool interlaced : {false, true}) {
        ExpectLoads(png(grey, 0, 8, interlaced, {}), grey, D3DFMT_L8, D3DFMT_L8);
        ExpectLoads(png(grey, 0, 16, interlaced, {}), grey, D3DFMT_L8, D3DFMT_L16);
        ExpectLoads(png(opaque, 2, 8, interlaced, {}), opaque, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8);
        ExpectLoads(png(translucent, 6, 16, interlaced, {}), translucent, D3DFMT_A8R8G8B8,
                    D3DFMT_A16B16G16R16);
        ExpectLoads(png(greyAlpha, 4, 8, interlaced, {}), greyAlpha, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8);
        Bytes emptyIdat;  // legal, and once copied by the decoder into a buffer not yet made
        chunk(emptyIdat, "IDAT", {});
        ExpectLoads(png(opaque, 2, 8, interlaced, emptyIdat), opaque, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8);
        Bytes palette;
        Bytes plte, trns;
        for (uint32_t c : kColours) {
            Append(plte, {__builtin_bswap32(c << 8)}, 3);
            trns.push_back(texels::ChannelA(c));
        }
        chunk(palette, "PLTE", plte);
        chunk(palette, "tRNS", trns);
        ExpectLoads(png(translucent, 3, 8, interlaced, palette), translucent, D3DFMT_A8R8G8B8, D3DFMT_P8);
        ExpectLoads(png(opaque, 2, 16, interlaced, {}), opaque, D3DFMT_X8R8G8B8, D3DFMT_A16B16G16R16);
        // A tRNS key on grey or colour: the texels of that value, and only they, are transparent.
        const uint32_t key = grey.pixels[1];
        ArgbImage greyKeyed = grey, opaqueKeyed = opaque;
        for (uint32_t& c : greyKeyed.pixels) c = c == key ? c & 0xFFFFFFu : c;
        for (uint32_t& c : opaqueKeyed.pixels) c = c == opaque.pixels[1] ? c & 0xFFFFFFu : c;
        Bytes greyKey, colourKey;
        chunk(greyKey, "tRNS", {0, uint8_t(texels::ChannelG(key))});
        chunk(colourKey, "tRNS", {0, uint8_t(texels::ChannelR(opaque.pixels[1])), 0,
                                  uint8_t(texels::ChannelG(opaque.pixels[1])), 0,
                                  uint8_t(texels::ChannelB(opaque.pixels[1]))});
        ExpectLoads(png(grey, 0, 8, interlaced, greyKey), greyKeyed, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8);
        ExpectLoads(png(opaque, 2, 8, interlaced, colourKey), opaqueKeyed, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8);
    }
}

TEST_F(TextureFormats, DdsLayoutsTheDeviceHoldsAndCubeMaps) {
    const auto luminance = [](UINT bits, uint32_t l, uint32_t a) {
        DdsHeader h = Masked(bits, l, 0, 0, a, 2, 1);
        h.pfFlags = 0x20000 | (a ? 0x1 : 0);
        return h;
    };
    const auto kept = [&](const DdsHeader& h, const Bytes& texels, D3DFORMAT f) {
        ASSERT_EQ(LoadBytes(DdsFile(h, texels)), S_OK) << f;
        EXPECT_EQ(Created(), (std::vector<uint64_t>{2, 1, 2, uint64_t(f)}));
        EXPECT_EQ(Level(0, texels.size(), 1), texels);
    };
    kept(luminance(8, 0xFF, 0), {0x10, 0xE0}, D3DFMT_L8);
    kept(luminance(16, 0xFF, 0xFF00), {0x10, 0x80, 0xE0, 0xFF}, D3DFMT_A8L8);
    DdsHeader alpha = Masked(8, 0, 0, 0, 0xFF, 2, 1);
    alpha.pfFlags = 0x2;
    kept(alpha, {0x00, 0x7F}, D3DFMT_A8);
    kept(Masked(16, 0x0F00, 0x00F0, 0x000F, 0, 2, 1), {0x21, 0x03, 0xFE, 0x0F}, D3DFMT_X4R4G4B4);
    kept(Masked(32, 0xFF, 0xFF00, 0xFF0000, 0, 2, 1), Texels({0x00302010, 0x00C0B0A0}), D3DFMT_X8B8G8R8);
    // Grey kinds the device lacks become its grey formats.
    ArgbImage got;
    D3DFORMAT made;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(LoadPicture(DdsFile(luminance(16, 0xFFFF, 0), Texels({0x8080, 0xFFFF}, 2)), &got, &made, &info), S_OK);
    EXPECT_EQ(made, D3DFMT_L8);
    EXPECT_EQ(info.Format, D3DFMT_L16);
    EXPECT_EQ(got.pixels, (std::vector<uint32_t>{0xFF808080, 0xFFFFFFFF}));
    ASSERT_EQ(LoadPicture(DdsFile(luminance(8, 0x0F, 0xF0), {0x3C, 0xF0}), &got, &made, &info), S_OK);
    EXPECT_EQ(made, D3DFMT_A8L8);
    EXPECT_EQ(info.Format, D3DFMT_A4L4);
    EXPECT_EQ(got.pixels, (std::vector<uint32_t>{0x33CCCCCC, 0xFF000000}));

    // Formats of 16 and 32 bits a channel, numbered in the FourCC field: 8 bits a channel
    // after clamping, one channel as grey. Half 0.5 is 0x3800, 2.0 is 0x4000, -1 is 0xBC00.
    const auto wide = [&](uint32_t code, const Bytes& texels, D3DFORMAT f, std::vector<uint32_t> want) {
        DdsHeader h = FourCC("DXT1", 2, 1);
        h.fourCC = code;
        ASSERT_EQ(LoadPicture(DdsFile(h, texels), &got, &made, &info), S_OK) << code;
        EXPECT_EQ(made, f) << code;
        EXPECT_EQ(info.Format, D3DFORMAT(code));
        EXPECT_EQ(got.pixels, want) << code;
    };
    wide(113, Texels({0x3800, 0x4000, 0xBC00, 0x3C00, 0, 0x3C00, 0x3800, 0}, 2), D3DFMT_A8R8G8B8,
         {0xFF80FF00, 0x0000FF80});
    wide(36, Texels({0xFFFF, 0x8080, 0, 0xFFFF, 0x0101, 0, 0xFFFF, 0}, 2), D3DFMT_A8R8G8B8,
         {0xFFFF8000, 0x000100FF});
    wide(116, Texels({0x3F000000, 0x40000000, 0, 0x3F800000, 0x7FC00000, 0, 0x3E800000, 0}), D3DFMT_A8R8G8B8,
         {0xFF80FF00, 0x00000040});
    wide(115, Texels({0x3F800000, 0x3E800000, 0, 0x3F000000}), D3DFMT_X8R8G8B8, {0xFFFF4000, 0xFF008000});
    wide(114, Texels({0x3F000000, 0x40400000}), D3DFMT_L8, {0xFF808080, 0xFFFFFFFF});
    wide(111, Texels({0x3400, 0x0001}, 2), D3DFMT_L8, {0xFF404040, 0xFF000000});

    // A cube map asked for as a 2D texture: the first face stored, with its own chain. 4x4
    // DXT1 with three levels a face, each face one colour.
    DdsHeader cube = FourCC("DXT1", 4, 4, 3);
    cube.caps2 = 0x200 | 0xFC00;
    Bytes faces;
    for (uint16_t c : {0xF800, 0x07E0, 0x001F, 0xFFE0, 0x07FF, 0xF81F})
        for (int level = 0; level < 3; ++level)
            faces.insert(faces.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 8), 0, 0, 0, 0});
    ASSERT_EQ(LoadPicture(DdsFile(cube, faces), &got, &made, &info), S_OK);
    EXPECT_EQ(made, D3DFMT_DXT1);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_CUBETEXTURE);
    EXPECT_EQ(info.MipLevels, 3u);
    EXPECT_EQ(got.pixels, std::vector<uint32_t>(16, 0xFFFF0000));
    faces.resize(faces.size() - 1);  // the last face cut short
    EXPECT_EQ(LoadBytes(DdsFile(cube, faces)), D3DXERR_INVALIDDATA);
    cube.caps2 = 0x200 | 0x1000;  // only +Y stored
    ASSERT_EQ(LoadPicture(DdsFile(cube, Bytes(faces.begin(), faces.begin() + 24)), &got), S_OK);

    // DXT5 6x6 with its three levels: 2x2 blocks, then one, then one; the edge blocks' extra
    // texels are stored but not part of the picture.
    ASSERT_EQ(LoadBytes(DdsFile(FourCC("DXT5", 6, 6, 3), Repeat(Bytes(16, 0x11), 6))), S_OK);
    EXPECT_EQ(Created(), (std::vector<uint64_t>{8, 8, 4, D3DFMT_DXT5}));
    EXPECT_EQ(LoadBytes(DdsFile(FourCC("DXT5", 6, 6, 3), Repeat(Bytes(16, 0x11), 5))), D3DXERR_INVALIDDATA);
}
