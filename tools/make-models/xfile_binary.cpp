#include <cstring>
#include <stdexcept>

#include <zlib.h>

#include "xdata.h"

namespace models {
namespace {

enum Token : uint16_t {
  kName = 1,
  kString = 2,
  kIntegerList = 6,
  kFloatList = 7,
  kOpenBrace = 10,
  kCloseBrace = 11,
  kSemicolon = 20,
};

class BinaryWriter {
 public:
  explicit BinaryWriter(XFloatSize floats) : floats_(floats) {}

  void Object(const XObject& o) {
    Name(o.templateName);
    if (!o.name.empty()) Name(o.name);
    Word(kOpenBrace);
    for (const XValue& m : o.members) Value(m);
    Flush();
    for (const XObject& c : o.children) Object(c);
    Word(kCloseBrace);
  }

  std::vector<uint8_t>& Bytes() { return out_; }

 private:
  // Consecutive numbers of one kind travel as one list, whatever structures they belong to.
  void Value(const XValue& v) {
    switch (v.kind) {
      case XValue::Int:
        if (!floatRun_.empty()) Flush();
        intRun_.push_back(v.i);
        break;
      case XValue::Float:
        if (!intRun_.empty()) Flush();
        floatRun_.push_back(v.f);
        break;
      case XValue::String:
        Flush();
        Word(kString);
        Dword(static_cast<uint32_t>(v.s.size()));
        out_.insert(out_.end(), v.s.begin(), v.s.end());
        Word(kSemicolon);
        break;
      case XValue::Struct:
      case XValue::Array:
        for (const XValue& item : v.items) Value(item);
        break;
    }
  }

  void Flush() {
    if (!intRun_.empty()) {
      Word(kIntegerList);
      Dword(static_cast<uint32_t>(intRun_.size()));
      for (uint32_t i : intRun_) Dword(i);
      intRun_.clear();
    }
    if (!floatRun_.empty()) {
      Word(kFloatList);
      Dword(static_cast<uint32_t>(floatRun_.size()));
      for (double f : floatRun_) {
        if (floats_ == XFloatSize::Bits64) {
          // The model is single precision; the wide form carries the same values, widened.
          const double wide = static_cast<double>(static_cast<float>(f));
          uint64_t bits;
          std::memcpy(&bits, &wide, 8);
          Dword(static_cast<uint32_t>(bits));
          Dword(static_cast<uint32_t>(bits >> 32));
        } else {
          const float g = static_cast<float>(f);
          uint32_t bits;
          std::memcpy(&bits, &g, 4);
          Dword(bits);
        }
      }
      floatRun_.clear();
    }
  }

  void Name(const std::string& s) {
    Word(kName);
    Dword(static_cast<uint32_t>(s.size()));
    out_.insert(out_.end(), s.begin(), s.end());
  }
  void Word(uint16_t w) {
    out_.push_back(static_cast<uint8_t>(w));
    out_.push_back(static_cast<uint8_t>(w >> 8));
  }
  void Dword(uint32_t d) {
    Word(static_cast<uint16_t>(d));
    Word(static_cast<uint16_t>(d >> 16));
  }

  XFloatSize floats_;
  std::vector<uint8_t> out_;
  std::vector<uint32_t> intRun_;
  std::vector<double> floatRun_;
};

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

// One block as a complete raw deflate stream of its own: it refers to nothing before it, so it
// decodes whether or not a reader carries the window over from the previous block.
std::vector<uint8_t> Deflate(const uint8_t* data, size_t size) {
  z_stream z{};
  if (deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2 failed");
  std::vector<uint8_t> out(deflateBound(&z, static_cast<uLong>(size)));
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate did not finish");
  return out;
}

}  // namespace

std::vector<uint8_t> WriteXBinary(const std::vector<XObject>& objects, XFloatSize floats) {
  BinaryWriter w(floats);
  const char* header = floats == XFloatSize::Bits64 ? "xof 0303bin 0064" : "xof 0303bin 0032";
  w.Bytes().assign(header, header + 16);
  for (const XObject& o : objects) w.Object(o);
  return std::move(w.Bytes());
}

std::vector<uint8_t> CompressX(const std::vector<uint8_t>& plain) {
  constexpr size_t kBlock = 32768;
  if (plain.size() < 16 || plain.size() > 0xFFFFFFFFu) throw std::invalid_argument("not an X file");
  std::vector<uint8_t> out(plain.begin(), plain.begin() + 16);
  const bool text = std::memcmp(&plain[8], "txt ", 4) == 0;
  std::memcpy(&out[8], text ? "tzip" : "bzip", 4);
  Put16(out, static_cast<uint32_t>(plain.size()));
  Put16(out, static_cast<uint32_t>(plain.size() >> 16));
  for (size_t at = 16; at < plain.size(); at += kBlock) {
    const size_t n = std::min(kBlock, plain.size() - at);
    const std::vector<uint8_t> packed = Deflate(&plain[at], n);
    if (packed.size() + 2 > 0xFFFF) throw std::runtime_error("block does not compress");
    Put16(out, static_cast<uint32_t>(n));
    Put16(out, static_cast<uint32_t>(packed.size() + 2));
    out.push_back('C');
    out.push_back('K');
    out.insert(out.end(), packed.begin(), packed.end());
  }
  return out;
}

}  // namespace models
