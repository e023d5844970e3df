// JPEG files of every kind libjpeg writes (baseline, progressive, arithmetic, restart markers,
// greyscale, CMYK with and without Adobe's inverted inks, YCCK), made here from a picture of
// flat 8x8 squares and read back through the texture loader; 12-bit files are refused.
#include "test_texture_support.h"

#include "gfxutil/texels/image_format.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

using namespace textest;

namespace {

const uint32_t kSquares[4] = {0xFFE08020, 0xFF2090E0, 0xFF40C040, 0xFFF0F0F0};

// 16x16: four 8x8 squares, so that at full quality and without chroma subsampling every
// block is flat and comes back within a level or two.
uint32_t TexelAt(UINT x, UINT y) { return kSquares[(y / 8) * 2 + x / 8]; }

struct Options {
    J_COLOR_SPACE input = JCS_RGB;
    J_COLOR_SPACE stored = JCS_YCbCr;
    bool progressive = false, arithmetic = false, adobe = true;
    unsigned restartInterval = 0;
};

Bytes Encode(const Options& o) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = c.image_height = 16;
    c.in_color_space = o.input;
    c.input_components = o.input == JCS_GRAYSCALE ? 1 : o.input == JCS_CMYK ? 4 : 3;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, o.stored);
    jpeg_set_quality(&c, 100, TRUE);
    for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    if (o.progressive) jpeg_simple_progression(&c);
    c.arith_code = o.arithmetic ? TRUE : FALSE;
    c.restart_interval = o.restartInterval;
    c.write_Adobe_marker = o.adobe ? c.write_Adobe_marker : FALSE;
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(16 * 4);
    while (c.next_scanline < 16) {
        for (UINT x = 0; x < 16; ++x) {
            const uint32_t t = TexelAt(x, c.next_scanline);
            const uint32_t r = texels::ChannelR(t), g = texels::ChannelG(t), b = texels::ChannelB(t);
            JSAMPLE* p = &row[x * c.input_components];
            if (o.input == JCS_GRAYSCALE) {
                p[0] = JSAMPLE(g);
            } else if (o.input == JCS_CMYK) {
                // No black ink. Adobe's files store inks inverted, so the samples are the colour.
                p[0] = JSAMPLE(o.adobe ? r : 255 - r);
                p[1] = JSAMPLE(o.adobe ? g : 255 - g);
                p[2] = JSAMPLE(o.adobe ? b : 255 - b);
                p[3] = JSAMPLE(o.adobe ? 255 : 0);
            } else {
                p[0] = JSAMPLE(r), p[1] = JSAMPLE(g), p[2] = JSAMPLE(b);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    Bytes file(out, out + size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return file;
}

class TextureJpeg : public TextureTest {
protected:
    void ExpectSquares(const Bytes& file, bool grey, const char* what) {
        Drop();
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(&dev, file.data(), UINT(file.size()), 0, 0, 1, 0,
                                                      D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                      D3DX_DEFAULT, 0, &info, nullptr, &tex),
                  S_OK)
            << what;
        EXPECT_EQ(info.ImageFileFormat, D3DXIFF_JPG);
        const D3DFORMAT want = grey ? D3DFMT_L8 : D3DFMT_X8R8G8B8;
        EXPECT_EQ(info.Format, grey ? D3DFMT_L8 : D3DFMT_R8G8B8) << what;
        D3DSURFACE_DESC d{};
        tex->GetLevelDesc(0, &d);
        ASSERT_EQ(d.Format, want) << what;
        const Bytes level = Level(0, texels::RowBytes(d.Format, 16), 16);
        texels::ArgbImage got;
        ASSERT_TRUE(texels::DecodeLevel(d.Format, texels::ByteView(level), 16, 16, &got));
        int worst = 0;
        for (UINT y = 0; y < 16; ++y)
            for (UINT x = 0; x < 16; ++x) {
                uint32_t t = TexelAt(x, y);
                if (grey) t = 0xFF000000u | 0x010101u * texels::ChannelG(t);
                worst = std::max(worst, MaxChannelError(got.At(x, y), t));
            }
        EXPECT_LE(worst, 3) << what;
    }
};

}  // namespace

TEST_F(TextureJpeg, EveryKindLibjpegWrites) {
    Options o;
    ExpectSquares(Encode(o), false, "baseline");
    o.progressive = true;
    ExpectSquares(Encode(o), false, "progressive");
    o.restartInterval = 1;
    ExpectSquares(Encode(o), false, "progressive with restarts");
    o.progressive = false;
    ExpectSquares(Encode(o), false, "baseline with restarts");
    o.arithmetic = true;
    ExpectSquares(Encode(o), false, "arithmetic");
    Options grey;
    grey.input = grey.stored = JCS_GRAYSCALE;
    ExpectSquares(Encode(grey), true, "greyscale");
    grey.progressive = true;
    ExpectSquares(Encode(grey), true, "greyscale progressive");
    Options cmyk;
    cmyk.input = cmyk.stored = JCS_CMYK;
    ExpectSquares(Encode(cmyk), false, "Adobe CMYK");
    cmyk.stored = JCS_YCCK;
    ExpectSquares(Encode(cmyk), false, "Adobe YCCK");
    cmyk.stored = JCS_CMYK;
    cmyk.adobe = false;
    ExpectSquares(Encode(cmyk), false, "plain CMYK");
}

TEST_F(TextureJpeg, TwelveBitAndDamagedFilesAreRefused) {
    Options o;
    o.progressive = true;
    const Bytes good = Encode(o);
    // The frame header's sample precision, the byte after its length.
    Bytes twelve = good;
    for (size_t i = 2; i + 4 < twelve.size(); ++i)
        if (twelve[i] == 0xFF && twelve[i + 1] == 0xC2) {
            twelve[i + 4] = 12;
            break;
        }
    EXPECT_EQ(LoadBytes(twelve, "twelve.jpg"), D3DXERR_INVALIDDATA);
    for (size_t n = 1; n < good.size(); n += 7)
        EXPECT_EQ(LoadBytes(Bytes(good.begin(), good.begin() + n), "cut.jpg"), D3DXERR_INVALIDDATA) << n;
    // A frame of 16000 x 16000 is more than a file this small can hold.
    Bytes huge = good;
    for (size_t i = 2; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC2) {
            huge[i + 5] = huge[i + 7] = 0x3E;
            huge[i + 6] = huge[i + 8] = 0x80;
            break;
        }
    EXPECT_EQ(LoadBytes(huge, "huge.jpg"), D3DXERR_INVALIDDATA);
}
