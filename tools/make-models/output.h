// Everything make-models writes, as named byte strings, so that the program and its tests see
// exactly the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace models {

struct OutputFile {
  std::string name;
  std::vector<uint8_t> bytes;
};

// The game's models and textures, for Models/.
std::vector<OutputFile> GameFiles();

// One tank in the other encodings an X reader meets: binary, compressed binary and text, and
// text with 64-bit floats.
std::vector<OutputFile> FlavourFiles();

}  // namespace models
