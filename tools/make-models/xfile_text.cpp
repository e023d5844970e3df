#include <algorithm>
#include <charconv>
#include <cstdio>

#include "xdata.h"

namespace models {
namespace {

class TextWriter {
 public:
  explicit TextWriter(XFloatSize floats) : floats_(floats) {}

  void Object(const XObject& o, int depth) {
    Indent(depth);
    out_ += o.templateName;
    if (!o.name.empty()) out_ += " " + o.name;
    out_ += " {\n";
    for (const XValue& m : o.members) {
      Indent(depth + 1);
      Value(m, depth + 1);
      out_ += ";\n";
    }
    for (const XObject& c : o.children) Object(c, depth + 1);
    Indent(depth);
    out_ += "}\n";
  }

  std::string Take() { return std::move(out_); }

 private:
  // Structure members each end with ';'; array elements are parted by ',' and the whole array,
  // as a member, ends with the ';' its owner writes.
  void Value(const XValue& v, int depth) {
    switch (v.kind) {
      case XValue::Int:
        out_ += std::to_string(v.i);
        break;
      case XValue::Float:
        Float(v.f);
        break;
      case XValue::String:
        out_ += "\"" + v.s + "\"";
        break;
      case XValue::Struct:
        for (const XValue& m : v.items) {
          Value(m, depth);
          out_ += ";";
        }
        break;
      case XValue::Array:
        for (size_t k = 0; k < v.items.size(); ++k) {
          if (k > 0) {
            out_ += ",";
            // One structure per line; plain numbers sixteen to a line.
            if (v.items[k].kind == XValue::Struct || k % 16 == 0) {
              out_ += "\n";
              Indent(depth);
            }
          }
          Value(v.items[k], depth);
        }
        break;
    }
  }

  // The shortest decimal that reads back to the same single-precision value, so the text,
  // binary and compressed forms of a model hold exactly the same numbers.
  void Float(double f) {
    float g = static_cast<float>(f);
    if (g == 0) g = 0;  // no "-0"
    char buf[64];
    const auto r = floats_ == XFloatSize::Bits64
                       ? std::to_chars(buf, buf + sizeof buf, static_cast<double>(g),
                                       std::chars_format::fixed)
                       : std::to_chars(buf, buf + sizeof buf, g, std::chars_format::fixed);
    out_.append(buf, r.ptr);
    if (std::find(buf, r.ptr, '.') == r.ptr) out_ += ".0";  // keep every float a float token
  }

  void Indent(int depth) { out_.append(static_cast<size_t>(depth), ' '); }

  XFloatSize floats_;
  std::string out_;
};

}  // namespace

std::string WriteXText(const std::vector<XObject>& objects, XFloatSize floats) {
  TextWriter w(floats);
  std::string out = floats == XFloatSize::Bits64 ? "xof 0303txt 0064\n" : "xof 0303txt 0032\n";
  for (const XObject& o : objects) {
    w.Object(o, 0);
    out += "\n" + w.Take();
  }
  return out;
}

}  // namespace models
