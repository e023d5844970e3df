// The data objects of an X file as a tree, read from any of its encodings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace xfile {

struct Value {
    double number = 0.0;
    uint32_t uint = 0;
    bool isUint = false;  // written as an integer that fits a DWORD
};

struct Object;

// A child is either a nested data object or a reference `{ name }` to one defined elsewhere.
struct Child {
    std::unique_ptr<Object> object;
    std::string reference;
};

struct Object {
    std::string type;  // template name: "Mesh", "Frame", ...
    std::string name;  // may be empty
    std::vector<Value> values;        // the numbers of the object's own members, in order
    std::vector<std::string> strings; // its string members, in order
    std::vector<Child> children;
};

struct Document {
    std::vector<std::unique_ptr<Object>> objects;  // top level, in file order
    std::unordered_map<std::string, const Object*> names;  // first object of each name

    const Object* Find(const std::string& name) const;
};

// Nesting deeper than this, or more objects than this, is taken for a hostile file.
constexpr int kMaxDepth = 64;
constexpr size_t kMaxObjects = size_t(1) << 18;

// Only these templates are kept; all other objects are read for syntax and dropped, which
// bounds memory by what the loader can use.
bool IsKeptType(std::string_view type);

// Reads header, optional MSZIP layer and the object tree. False for anything malformed.
bool ParseDocument(const uint8_t* data, size_t size, Document& doc);

}  // namespace xfile
