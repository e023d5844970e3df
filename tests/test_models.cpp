// make-models: the committed Models/ and X flavour files are exactly what the generator writes,
// and each file is well formed for its format.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "image.h"
#include "test_models_files.h"
#include "textures.h"

namespace fs = std::filesystem;

namespace {

using namespace models_test;

std::map<std::string, Bytes> ReadDir(const fs::path& dir) {
  std::map<std::string, Bytes> files;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file()) files[e.path().filename().string()] = ReadFile(e.path());
  return files;
}

void ExpectSameFiles(const fs::path& made, const fs::path& committed) {
  const auto a = ReadDir(made), b = ReadDir(committed);
  for (const auto& [name, bytes] : a) {
    auto it = b.find(name);
    if (it == b.end()) {
      ADD_FAILURE() << name << " is made but not committed in " << committed;
      continue;
    }
    if (bytes == it->second) continue;
    size_t at = 0;
    while (at < bytes.size() && at < it->second.size() && bytes[at] == it->second[at]) ++at;
    ADD_FAILURE() << name << " differs from the committed copy at byte " << at << " (sizes " << bytes.size()
                  << ", " << it->second.size() << ")";
  }
  for (const auto& [name, bytes] : b)
    if (!a.count(name)) ADD_FAILURE() << committed / name << " is committed but no longer made";
}

TEST(MakeModels, RegeneratesTheCommittedFilesByteForByte) {
  const fs::path tmp = fs::temp_directory_path() / ("qv-make-models-" + std::to_string(::getpid()));
  fs::remove_all(tmp);
  const std::string cmd = std::string("\"") + MAKE_MODELS_EXE + "\" \"" + (tmp / "Models").string() +
                          "\" --flavours \"" + (tmp / "flavours").string() + "\"";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  ExpectSameFiles(tmp / "Models", kSource / "Models");
  ExpectSameFiles(tmp / "flavours", kSource / "tests/data/models");
  fs::remove_all(tmp);
}

// ---- MSZIP ----

Bytes Inflate(const uint8_t* data, size_t size, size_t expected) {
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
  Bytes out(expected + 1);
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
  EXPECT_EQ(z.avail_in, 0u) << "bytes left after the deflate stream";
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

// Walks the blocks the way a reader must: total size with the header, then per block the
// uncompressed size, the compressed size counting "CK", "CK" and a deflate stream that stands
// alone. Returns the number of blocks.
int ExpectInflatesTo(const Bytes& zipped, const Bytes& plain, const char* type) {
  EXPECT_EQ(0, std::memcmp(zipped.data(), plain.data(), 8));
  EXPECT_EQ(0, std::memcmp(&zipped[8], type, 4));
  EXPECT_EQ(0, std::memcmp(&zipped[12], &plain[12], 4));
  EXPECT_EQ(Le32(zipped, 16), plain.size());
  Bytes joined(plain.begin(), plain.begin() + 16);
  size_t at = 20;
  int blocks = 0;
  while (at < zipped.size()) {
    EXPECT_LE(at + 6, zipped.size());
    const uint32_t size = Le16(zipped, at), packed = Le16(zipped, at + 2);
    EXPECT_LE(size, 32768u);
    EXPECT_EQ(zipped[at + 4], 'C');
    EXPECT_EQ(zipped[at + 5], 'K');
    EXPECT_LE(at + 4 + packed, zipped.size());
    const Bytes part = Inflate(&zipped[at + 6], packed - 2, size);
    EXPECT_EQ(part.size(), size);
    if (blocks > 0) {
      EXPECT_EQ(joined.size() - 16, 32768u * blocks) << "only the last block may be short";
    }
    joined.insert(joined.end(), part.begin(), part.end());
    at += 4 + packed;
    ++blocks;
    if (::testing::Test::HasFailure()) break;
  }
  EXPECT_EQ(at, zipped.size());
  EXPECT_TRUE(joined == plain);
  return blocks;
}

TEST(XFlavours, CompressedFilesInflateToTheirPlainTwins) {
  const fs::path dir = kSource / "tests/data/models";
  ExpectInflatesTo(ReadFile(dir / "tank0_bzip.x"), ReadFile(dir / "tank0_bin.x"), "bzip");
  EXPECT_GE(ExpectInflatesTo(ReadFile(dir / "tank0_tzip.x"), ReadFile(kSource / "Models/tank0.x"), "tzip"), 1);
}

// ---- DDS ----

struct Rgb8 {
  int r, g, b;
};

Rgb8 From565(uint32_t c) {
  return {static_cast<int>((c >> 11) * 255 / 31), static_cast<int>(((c >> 5) & 63) * 255 / 63),
          static_cast<int>((c & 31) * 255 / 31)};
}

// Decodes one DXT1 level; every texel must be opaque.
std::vector<Rgb8> DecodeDxt1(const Bytes& b, size_t at, int size) {
  std::vector<Rgb8> out(static_cast<size_t>(size) * size);
  const int blocks = (size + 3) / 4;
  for (int by = 0; by < blocks; ++by) {
    for (int bx = 0; bx < blocks; ++bx, at += 8) {
      const uint32_t c0 = Le16(b, at), c1 = Le16(b, at + 2), bits = Le32(b, at + 4);
      const Rgb8 a = From565(c0), z = From565(c1);
      Rgb8 pal[4] = {a, z, {(2 * a.r + z.r) / 3, (2 * a.g + z.g) / 3, (2 * a.b + z.b) / 3},
                     {(a.r + 2 * z.r) / 3, (a.g + 2 * z.g) / 3, (a.b + 2 * z.b) / 3}};
      if (c0 <= c1) pal[2] = {(a.r + z.r) / 2, (a.g + z.g) / 2, (a.b + z.b) / 2};
      for (int t = 0; t < 16; ++t) {
        const uint32_t idx = (bits >> (2 * t)) & 3;
        EXPECT_FALSE(c0 <= c1 && idx == 3) << "transparent texel in block " << bx << "," << by;
        const int x = bx * 4 + t % 4, y = by * 4 + t / 4;
        if (x < size && y < size) out[static_cast<size_t>(y) * size + x] = pal[idx];
      }
    }
  }
  return out;
}

TEST(GroundTexture, IsAFullChainOfOpaqueDxt1Earth) {
  const Bytes dds = ReadFile(kSource / "Models/fontN.dds");
  ASSERT_GE(dds.size(), 128u);
  EXPECT_EQ(0, std::memcmp(dds.data(), "DDS ", 4));
  EXPECT_EQ(Le32(dds, 4), 124u);
  EXPECT_EQ(Le32(dds, 8) & 0xA1007u, 0xA1007u);  // caps, height, width, pixel format, mip count, linear size
  const int size = static_cast<int>(Le32(dds, 12));
  EXPECT_EQ(size, models::kGroundTextureSize);
  EXPECT_EQ(Le32(dds, 16), static_cast<uint32_t>(size));
  EXPECT_EQ(Le32(dds, 20), static_cast<uint32_t>(size / 4 * size / 4 * 8));
  EXPECT_EQ(Le32(dds, 28), 9u);  // 256 down to 1
  EXPECT_EQ(Le32(dds, 76), 32u);
  EXPECT_EQ(Le32(dds, 80), 4u);  // four-cc
  EXPECT_EQ(0, std::memcmp(&dds[84], "DXT1", 4));
  EXPECT_EQ(Le32(dds, 108), 0x401008u);  // complex | texture | mipmap

  const models::Image source = models::BuildGroundTexture();
  size_t at = 128;
  double firstMean[3] = {};
  for (int level = 0, s = size; level < 9; ++level, s /= 2) {
    ASSERT_LE(at + static_cast<size_t>((s + 3) / 4) * ((s + 3) / 4) * 8, dds.size());
    const std::vector<Rgb8> px = DecodeDxt1(dds, at, s);
    at += static_cast<size_t>((s + 3) / 4) * ((s + 3) / 4) * 8;
    double mean[3] = {};
    for (const Rgb8& p : px) {
      mean[0] += p.r;
      mean[1] += p.g;
      mean[2] += p.b;
    }
    for (double& m : mean) m /= static_cast<double>(px.size());
    if (level == 0) {
      std::copy(mean, mean + 3, firstMean);
      // Close to what was painted: a swapped channel or a misplaced block would not be.
      double err = 0;
      for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) {
          const models::Rgb& c = source.at(x, y);
          const Rgb8& d = px[static_cast<size_t>(y) * s + x];
          err += std::abs(d.r - models::ToByte(c.r)) + std::abs(d.g - models::ToByte(c.g)) +
                 std::abs(d.b - models::ToByte(c.b));
        }
      EXPECT_LT(err / (3.0 * s * s), 12.0);
      // The ground quad shows u, v from 0.2 to 0.3: it must read as brown earth.
      double r = 0, g = 0, b = 0;
      int n = 0;
      for (int y = s / 5; y < s * 3 / 10; ++y)
        for (int x = s / 5; x < s * 3 / 10; ++x, ++n) {
          r += px[static_cast<size_t>(y) * s + x].r;
          g += px[static_cast<size_t>(y) * s + x].g;
          b += px[static_cast<size_t>(y) * s + x].b;
        }
      EXPECT_GT(r / n, g / n + 15);
      EXPECT_GT(g / n, b / n + 15);
      EXPECT_GT(r / n, 60);
      EXPECT_LT(r / n, 200);
    } else {
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(mean[c], firstMean[c], 8.0) << "level " << level;
    }
  }
  EXPECT_EQ(at, dds.size());
}

// ---- BMP ----

TEST(MeshTextures, AreBottomUp24BitBmpsOfWhatWasPainted) {
  for (const models::NamedImage& t : models::BuildMeshTextures()) {
    SCOPED_TRACE(t.file);
    const Bytes b = ReadFile(kSource / "Models" / t.file);
    const int n = t.image.size;
    ASSERT_EQ(b.size(), 54u + n * n * 3);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(Le32(b, 2), b.size());
    EXPECT_EQ(Le32(b, 10), 54u);
    EXPECT_EQ(Le32(b, 14), 40u);
    EXPECT_EQ(Le32(b, 18), static_cast<uint32_t>(n));
    EXPECT_EQ(Le32(b, 22), static_cast<uint32_t>(n));  // positive: bottom row first
    EXPECT_EQ(Le16(b, 26), 1u);
    EXPECT_EQ(Le16(b, 28), 24u);
    EXPECT_EQ(Le32(b, 30), 0u);
    int wrong = 0;
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) {
        const models::Rgb& c = t.image.at(x, n - 1 - y);
        const uint8_t* p = &b[54 + (static_cast<size_t>(y) * n + x) * 3];
        wrong += p[0] != models::ToByte(c.b) || p[1] != models::ToByte(c.g) || p[2] != models::ToByte(c.r);
      }
    EXPECT_EQ(wrong, 0);
  }
}

}  // namespace
