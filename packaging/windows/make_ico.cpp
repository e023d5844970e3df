// make-ico IN.png OUT.ico
//
// The Windows icon of the game from its largest engine-drawn picture (packaging/icons): 16, 32
// and 48 pixel images, each pixel the mean of the part of the picture it covers (for 16 and 32
// the same block means tools/make-icon writes), as 32-bit bitmaps that every Windows reads, and
// the 256 pixel picture itself PNG-compressed, as Windows keeps its large icons. Runs on the build
// machine during the cross build, so it is plain C++ over stb.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

void Put16(Bytes& out, unsigned v)
{
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void Put32(Bytes& out, uint32_t v)
{
    Put16(out, v & 0xFFFFu);
    Put16(out, v >> 16);
}

// The picture (RGBA, side `from`) shrunk to side `to` by area-weighted means: each output pixel
// averages the input pixels it covers, partly covered ones by the part covered.
Bytes Shrink(const unsigned char* rgba, int from, int to)
{
    Bytes out(static_cast<size_t>(to) * to * 4);
    auto weight = [&](int o, int i) {  // the length of input cell i inside output cell o, in 1/to units of input
        const long lo = std::max<long>(long(o) * from, long(i) * to);
        const long hi = std::min<long>(long(o + 1) * from, long(i + 1) * to);
        return hi > lo ? hi - lo : 0;
    };
    for (int oy = 0; oy < to; ++oy) {
        for (int ox = 0; ox < to; ++ox) {
            double sum[4] = {0, 0, 0, 0};
            for (int iy = oy * from / to; iy < from && iy * to < (oy + 1) * from; ++iy) {
                const long wy = weight(oy, iy);
                for (int ix = ox * from / to; ix < from && ix * to < (ox + 1) * from; ++ix) {
                    const double w = double(wy) * double(weight(ox, ix));
                    const unsigned char* p = rgba + (static_cast<size_t>(iy) * from + ix) * 4;
                    for (int c = 0; c < 4; ++c) sum[c] += w * p[c];
                }
            }
            const double area = double(from) * from;
            for (int c = 0; c < 4; ++c)
                out[(static_cast<size_t>(oy) * to + ox) * 4 + c] = static_cast<unsigned char>(sum[c] / area + 0.5);
        }
    }
    return out;
}

// An icon image as a bitmap: the header gives twice the height (the colour rows, then the
// transparency mask), rows bottom up, BGRA, then a 1-bit mask left clear (the alpha decides).
Bytes Bitmap(const Bytes& rgba, int side)
{
    Bytes out;
    Put32(out, 40);  // BITMAPINFOHEADER
    Put32(out, uint32_t(side));
    Put32(out, uint32_t(side * 2));
    Put16(out, 1);   // planes
    Put16(out, 32);  // bits per pixel
    for (int i = 0; i < 6; ++i) Put32(out, 0);  // no compression, sizes and palette unused
    for (int y = side - 1; y >= 0; --y) {
        for (int x = 0; x < side; ++x) {
            const unsigned char* p = &rgba[(static_cast<size_t>(y) * side + x) * 4];
            out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        }
    }
    const size_t maskRow = static_cast<size_t>((side + 31) / 32) * 4;
    out.resize(out.size() + maskRow * side, 0);
    return out;
}

void AppendPng(void* context, void* data, int size)
{
    auto* out = static_cast<Bytes*>(context);
    out->insert(out->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-ico IN.png OUT.ico\n");
        return 2;
    }
    int w = 0, h = 0, channels = 0;
    unsigned char* rgba = stbi_load(argv[1], &w, &h, &channels, 4);
    if (rgba == nullptr || w != 256 || h != 256) {
        std::fprintf(stderr, "make-ico: %s: %s\n", argv[1], rgba == nullptr ? stbi_failure_reason() : "not 256 x 256");
        stbi_image_free(rgba);
        return 1;
    }

    struct Image {
        int side;
        Bytes data;
    };
    std::vector<Image> images;
    for (int side : {16, 32, 48}) images.push_back({side, Bitmap(Shrink(rgba, 256, side), side)});
    Bytes png;
    stbi_write_png_compression_level = 9;
    if (!stbi_write_png_to_func(AppendPng, &png, 256, 256, 4, rgba, 256 * 4)) {
        std::fprintf(stderr, "make-ico: could not compress the 256 pixel image\n");
        stbi_image_free(rgba);
        return 1;
    }
    images.push_back({256, png});
    stbi_image_free(rgba);

    // ICONDIR, one ICONDIRENTRY per image (a side of 256 is written 0), then the images.
    Bytes ico;
    Put16(ico, 0);
    Put16(ico, 1);  // an icon, not a cursor
    Put16(ico, unsigned(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (const Image& image : images) {
        ico.push_back(static_cast<unsigned char>(image.side & 0xFF));
        ico.push_back(static_cast<unsigned char>(image.side & 0xFF));
        ico.push_back(0);  // no palette
        ico.push_back(0);
        Put16(ico, 1);   // planes
        Put16(ico, 32);  // bits per pixel
        Put32(ico, uint32_t(image.data.size()));
        Put32(ico, offset);
        offset += uint32_t(image.data.size());
    }
    for (const Image& image : images) ico.insert(ico.end(), image.data.begin(), image.data.end());

    std::FILE* file = std::fopen(argv[2], "wb");
    const bool written = file != nullptr && std::fwrite(ico.data(), 1, ico.size(), file) == ico.size();
    if (file == nullptr || std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "make-ico: could not write %s\n", argv[2]);
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
