// X-file data objects, held with the shape of their templates (primitive members, structures,
// arrays) so that the text form can place every ';' and ',' where the grammar expects it and the
// binary form can pack runs of numbers into lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry.h"

namespace models {

struct XValue {
  enum Kind { Int, Float, String, Struct, Array } kind = Int;
  uint32_t i = 0;
  double f = 0;
  std::string s;
  std::vector<XValue> items;  // members of a Struct, elements of an Array

  static XValue I(uint32_t v) { XValue x; x.kind = Int; x.i = v; return x; }
  static XValue F(double v) { XValue x; x.kind = Float; x.f = v; return x; }
  static XValue S(std::string v) { XValue x; x.kind = String; x.s = std::move(v); return x; }
  static XValue Of(Kind k, std::vector<XValue> items) { XValue x; x.kind = k; x.items = std::move(items); return x; }
};

struct XObject {
  std::string templateName;
  std::string name;  // may be empty
  std::vector<XValue> members;
  std::vector<XObject> children;
};

enum class XFloatSize { Bits32, Bits64 };

// A Frame named after the mesh holding an identity transform and the mesh with its normals,
// texture coordinates and materials.
XObject ModelToX(const Mesh& mesh);

// "xof 0303txt 0032" (or 0064) and the objects.
std::string WriteXText(const std::vector<XObject>& objects, XFloatSize floats);

// "xof 0303bin 0032" (or 0064) and the objects as binary tokens.
std::vector<uint8_t> WriteXBinary(const std::vector<XObject>& objects, XFloatSize floats);

// The same file with everything after its 16-byte header MSZIP-compressed: the type becomes
// "tzip" or "bzip" and the data follows as the total size (header included), then blocks of at
// most 32 KiB, each its uncompressed and compressed sizes and "CK" + raw deflate data.
std::vector<uint8_t> CompressX(const std::vector<uint8_t>& plain);

}  // namespace models
