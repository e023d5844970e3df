// Reading the committed model files for the make-models suites.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace models_test {

using Bytes = std::vector<uint8_t>;

inline const std::filesystem::path kSource = QV_SOURCE_DIR;

inline Bytes ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  EXPECT_TRUE(in) << p;
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline uint32_t Le16(const Bytes& b, size_t at) { return b.at(at) | (b.at(at + 1) << 8); }
inline uint32_t Le32(const Bytes& b, size_t at) { return Le16(b, at) | (Le16(b, at + 2) << 16); }

}  // namespace models_test
