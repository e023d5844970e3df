// make-models: the X files. Each encoding of the tank carries the same document, and every model
// holds the counts, indices and texture names its templates promise.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "test_models_files.h"

namespace fs = std::filesystem;

namespace {

using namespace models_test;

// What a data object is made of, separators aside: the same in text and binary files.
struct Token {
  enum Kind { Name, Open, Close, Int, Float, String } kind;
  std::string text;
  double number = 0;
};

std::vector<Token> TextTokens(const Bytes& file) {
  std::vector<Token> out;
  size_t i = 16;
  auto ident = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'; };
  while (i < file.size()) {
    const char c = static_cast<char>(file[i]);
    if (std::isspace(static_cast<unsigned char>(c)) || c == ';' || c == ',') {
      ++i;
    } else if (c == '{' || c == '}') {
      out.push_back({c == '{' ? Token::Open : Token::Close, {}, 0});
      ++i;
    } else if (c == '"') {
      size_t end = i + 1;
      while (end < file.size() && file[end] != '"') ++end;
      out.push_back({Token::String, std::string(file.begin() + i + 1, file.begin() + end), 0});
      i = end + 1;
    } else {
      size_t end = i;
      while (end < file.size() && ident(static_cast<char>(file[end]))) ++end;
      EXPECT_GT(end, i) << "stray character '" << c << "' at " << i;
      if (end == i) return out;
      const std::string word(file.begin() + i, file.begin() + end);
      if (c == '-' || std::isdigit(static_cast<unsigned char>(c)))
        out.push_back({word.find('.') == std::string::npos ? Token::Int : Token::Float, word, std::stod(word)});
      else
        out.push_back({Token::Name, word, 0});
      i = end;
    }
  }
  return out;
}

std::vector<Token> BinaryTokens(const Bytes& file) {
  std::vector<Token> out;
  size_t i = 16;
  auto u16 = [&](size_t at) { return Le16(file, at); };
  auto u32 = [&](size_t at) { return Le32(file, at); };
  while (i < file.size()) {
    const uint32_t token = u16(i);
    i += 2;
    switch (token) {
      case 1:  // name
      case 2: {  // string, then its terminator token
        const uint32_t n = u32(i);
        out.push_back({token == 1 ? Token::Name : Token::String, std::string(file.begin() + i + 4, file.begin() + i + 4 + n), 0});
        i += 4 + n;
        if (token == 2) {
          EXPECT_TRUE(u16(i) == 20 || u16(i) == 19) << "string without ';' or ','";
          i += 2;
        }
        break;
      }
      case 6:  // integer list
      case 7: {  // float list, 32-bit in these files
        const uint32_t n = u32(i);
        i += 4;
        for (uint32_t k = 0; k < n; ++k, i += 4) {
          const uint32_t bits = u32(i);
          float f;
          std::memcpy(&f, &bits, 4);
          out.push_back(token == 6 ? Token{Token::Int, {}, static_cast<double>(bits)} : Token{Token::Float, {}, f});
        }
        break;
      }
      case 10: out.push_back({Token::Open, {}, 0}); break;
      case 11: out.push_back({Token::Close, {}, 0}); break;
      default:
        ADD_FAILURE() << "unexpected token " << token << " at " << i - 2;
        return out;
    }
  }
  return out;
}

void ExpectSameDocument(const std::vector<Token>& a, const std::vector<Token>& b, double tolerance) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    ASSERT_EQ(a[i].kind, b[i].kind) << "token " << i;
    if (a[i].kind == Token::Name || a[i].kind == Token::String) {
      ASSERT_EQ(a[i].text, b[i].text) << "token " << i;
    } else if (a[i].kind == Token::Int) {
      ASSERT_EQ(a[i].number, b[i].number) << "token " << i;
    } else if (a[i].kind == Token::Float) {
      ASSERT_NEAR(a[i].number, b[i].number, tolerance) << "token " << i;
    }
  }
}

TEST(XFlavours, EveryEncodingOfTheTankHoldsTheSameDocument) {
  const Bytes text = ReadFile(kSource / "Models/tank0.x");
  const Bytes text64 = ReadFile(kSource / "tests/data/models/tank0_txt64.x");
  const Bytes binary = ReadFile(kSource / "tests/data/models/tank0_bin.x");
  ASSERT_EQ(std::string(text.begin(), text.begin() + 16), "xof 0303txt 0032");
  ASSERT_EQ(std::string(text64.begin(), text64.begin() + 16), "xof 0303txt 0064");
  ASSERT_EQ(std::string(binary.begin(), binary.begin() + 16), "xof 0303bin 0032");
  const std::vector<Token> fromBinary = BinaryTokens(binary);
  ExpectSameDocument(TextTokens(text), fromBinary, 5e-7 * 16);
  ExpectSameDocument(TextTokens(text64), fromBinary, 1e-11 * 16);
}

// ---- what the templates promise ----

struct Object {
  std::string type, name;
  std::vector<double> numbers;
  std::vector<std::string> strings;
  std::vector<Object> children;
};

Object ParseObject(const std::vector<Token>& t, size_t& i) {
  Object o;
  o.type = t.at(i++).text;
  if (t.at(i).kind == Token::Name) o.name = t.at(i++).text;
  EXPECT_EQ(t.at(i++).kind, Token::Open) << o.type;
  while (i < t.size() && t[i].kind != Token::Close) {
    if (t[i].kind == Token::Name) o.children.push_back(ParseObject(t, i));
    else if (t[i].kind == Token::String) o.strings.push_back(t[i++].text);
    else if (t[i].kind == Token::Open) { ADD_FAILURE() << "reference in " << o.type; return o; }
    else o.numbers.push_back(t[i++].number);
  }
  ++i;
  return o;
}

const Object* Child(const Object& o, const std::string& type) {
  for (const Object& c : o.children)
    if (c.type == type) return &c;
  return nullptr;
}

// Checks a face list "count, then per face 3 and three indices" and returns the face count.
size_t ExpectTriangles(const std::vector<double>& n, size_t at, size_t vertices) {
  const size_t faces = static_cast<size_t>(n.at(at));
  EXPECT_EQ(n.size(), at + 1 + faces * 4);
  for (size_t f = 0; f < faces && at + 4 + f * 4 < n.size(); ++f) {
    EXPECT_EQ(n[at + 1 + f * 4], 3.0);
    for (int k = 1; k <= 3; ++k) EXPECT_LT(n[at + 1 + f * 4 + k], static_cast<double>(vertices));
  }
  return faces;
}

void ExpectWellFormedMesh(const Object& mesh, const fs::path& dir) {
  const auto& n = mesh.numbers;
  const size_t vertices = static_cast<size_t>(n.at(0));
  const size_t faces = ExpectTriangles(n, 1 + vertices * 3, vertices);

  const Object* normals = Child(mesh, "MeshNormals");
  ASSERT_NE(normals, nullptr);
  const size_t nn = static_cast<size_t>(normals->numbers.at(0));
  EXPECT_EQ(ExpectTriangles(normals->numbers, 1 + nn * 3, nn), faces);

  const Object* coords = Child(mesh, "MeshTextureCoords");
  ASSERT_NE(coords, nullptr);
  EXPECT_EQ(coords->numbers.at(0), static_cast<double>(vertices));
  EXPECT_EQ(coords->numbers.size(), 1 + vertices * 2);

  const Object* list = Child(mesh, "MeshMaterialList");
  ASSERT_NE(list, nullptr);
  const double materials = list->numbers.at(0);
  EXPECT_EQ(list->children.size(), static_cast<size_t>(materials));
  EXPECT_EQ(list->numbers.at(1), static_cast<double>(faces));
  EXPECT_EQ(list->numbers.size(), 2 + faces);
  for (size_t k = 2; k < list->numbers.size(); ++k) EXPECT_LT(list->numbers[k], materials);
  for (const Object& m : list->children) {
    EXPECT_EQ(m.type, "Material");
    EXPECT_EQ(m.numbers.size(), 11u);  // diffuse RGBA, power, specular RGB, emissive RGB
    const Object* tex = Child(m, "TextureFilename");
    ASSERT_NE(tex, nullptr);
    ASSERT_EQ(tex->strings.size(), 1u);
    EXPECT_TRUE(fs::exists(dir / tex->strings[0])) << tex->strings[0];
  }
}

TEST(XModels, EveryModelHoldsAConsistentMeshInAFrame) {
  int models = 0;
  for (const auto& e : fs::directory_iterator(kSource / "Models")) {
    if (e.path().extension() != ".x") continue;
    SCOPED_TRACE(e.path().filename().string());
    ++models;
    const Bytes file = ReadFile(e.path());
    ASSERT_EQ(std::string(file.begin(), file.begin() + 16), "xof 0303txt 0032");
    const std::vector<Token> tokens = TextTokens(file);
    size_t i = 0;
    const Object frame = ParseObject(tokens, i);
    EXPECT_EQ(i, tokens.size()) << "one top-level object";
    EXPECT_EQ(frame.type, "Frame");
    const Object* matrix = Child(frame, "FrameTransformMatrix");
    ASSERT_NE(matrix, nullptr);
    ASSERT_EQ(matrix->numbers.size(), 16u);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(matrix->numbers[k], k % 5 == 0 ? 1.0 : 0.0);
    const Object* mesh = Child(frame, "Mesh");
    ASSERT_NE(mesh, nullptr);
    ExpectWellFormedMesh(*mesh, kSource / "Models");
  }
  EXPECT_EQ(models, 11);
}

}  // namespace
