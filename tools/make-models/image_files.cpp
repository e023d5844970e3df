#include "image_files.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

// Private copy: the block compressor's other entry points go unused here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_DXT_STATIC
#define STB_DXT_IMPLEMENTATION
#include <stb_dxt.h>
#pragma GCC diagnostic pop

namespace models {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> EncodeBmp(const Image& img) {
  const uint32_t n = static_cast<uint32_t>(img.size);
  const uint32_t row = (n * 3 + 3) & ~3u;
  const uint32_t pixels = row * n;
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, 54 + pixels);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);  // BITMAPINFOHEADER
  Put32(out, n);
  Put32(out, n);   // positive height: bottom-up
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);   // BI_RGB
  Put32(out, pixels);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = img.size - 1; y >= 0; --y) {
    const size_t start = out.size();
    for (int x = 0; x < img.size; ++x) {
      const Rgb& c = img.at(x, y);
      out.push_back(ToByte(c.b));
      out.push_back(ToByte(c.g));
      out.push_back(ToByte(c.r));
    }
    out.resize(start + row, 0);
  }
  return out;
}

std::vector<Image> MipChain(const Image& img) {
  if (img.size <= 0 || (img.size & (img.size - 1)) != 0) throw std::invalid_argument("side not a power of two");
  std::vector<Image> levels{img};
  while (levels.back().size > 1) {
    const Image& big = levels.back();
    Image small(big.size / 2);
    for (int y = 0; y < small.size; ++y)
      for (int x = 0; x < small.size; ++x)
        small.at(x, y) = (big.at(2 * x, 2 * y) + big.at(2 * x + 1, 2 * y) + big.at(2 * x, 2 * y + 1) +
                          big.at(2 * x + 1, 2 * y + 1)) * 0.25f;
    levels.push_back(std::move(small));
  }
  return levels;
}

std::vector<uint8_t> EncodeDdsDxt1(const Image& img) {
  const std::vector<Image> levels = MipChain(img);
  const auto n = static_cast<uint32_t>(img.size);
  const uint32_t topBlocks = ((n + 3) / 4) * ((n + 3) / 4);

  std::vector<uint8_t> out{'D', 'D', 'S', ' '};
  Put32(out, 124);
  Put32(out, 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000 | 0x80000);  // caps, height, width, pixel format, mip count, linear size
  Put32(out, n);
  Put32(out, n);
  Put32(out, topBlocks * 8);
  Put32(out, 0);  // depth
  Put32(out, static_cast<uint32_t>(levels.size()));
  for (int i = 0; i < 11; ++i) Put32(out, 0);
  Put32(out, 32);   // pixel format size
  Put32(out, 0x4);  // DDPF_FOURCC
  out.insert(out.end(), {'D', 'X', 'T', '1'});
  for (int i = 0; i < 5; ++i) Put32(out, 0);
  Put32(out, 0x8 | 0x1000 | 0x400000);  // complex, texture, mipmap
  for (int i = 0; i < 4; ++i) Put32(out, 0);

  for (const Image& level : levels) {
    for (int by = 0; by < level.size; by += 4) {
      for (int bx = 0; bx < level.size; bx += 4) {
        unsigned char rgba[64];
        for (int t = 0; t < 16; ++t) {
          // Levels under 4 x 4 repeat their edge texels to fill the block.
          const int x = std::min(bx + t % 4, level.size - 1), y = std::min(by + t / 4, level.size - 1);
          const Rgb& c = level.at(x, y);
          rgba[t * 4 + 0] = ToByte(c.r);
          rgba[t * 4 + 1] = ToByte(c.g);
          rgba[t * 4 + 2] = ToByte(c.b);
          rgba[t * 4 + 3] = 255;
        }
        unsigned char block[8];
        stb_compress_dxt_block(block, rgba, 0, STB_DXT_HIGHQUAL);
        out.insert(out.end(), block, block + 8);
      }
    }
  }
  return out;
}

}  // namespace models
