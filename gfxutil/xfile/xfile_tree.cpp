#include "gfxutil/xfile/xfile_tree.h"

#include "gfxutil/xfile/xfile_lexer.h"
#include "gfxutil/xfile/xfile_mszip.h"

#include <cstring>

namespace xfile {
namespace {

class Parser {
public:
    explicit Parser(Lexer& lexer, Document& doc) : lex_(lexer), doc_(doc) {}

    bool ParseAll()
    {
        Token t;
        for (;;) {
            switch (lex_.Next(t)) {
            case Tok::End: return true;
            case Tok::Separator: break;
            case Tok::Template:
                if (!SkipTemplate()) return false;
                break;
            case Tok::Name: {
                std::unique_ptr<Object> object;
                if (!DataObject(t.text, /*keep=*/true, 1, object)) return false;
                if (object) doc_.objects.push_back(std::move(object));
                break;
            }
            default: return false;
            }
        }
    }

private:
    // Templates only describe layout; the loader knows the few it reads, so their bodies are
    // matched for braces and dropped.
    bool SkipTemplate()
    {
        Token t;
        if (lex_.Next(t) != Tok::Name || lex_.Next(t) != Tok::OBrace) return false;
        int open = 1;
        while (open > 0) {
            switch (lex_.Next(t)) {
            case Tok::OBrace:
                if (++open > kMaxDepth) return false;
                break;
            case Tok::CBrace: --open; break;
            case Tok::End:
            case Tok::Error: return false;
            default: break;
            }
        }
        return true;
    }

    // After the type name: [name] '{' [guid] members... '}'.
    bool DataObject(std::string_view type, bool keep, int depth, std::unique_ptr<Object>& out)
    {
        if (depth > kMaxDepth || ++objectCount_ > kMaxObjects) return false;
        Token t;
        std::string_view name;
        lex_.Next(t);
        if (t.kind == Tok::Name) {
            name = t.text;
            lex_.Next(t);
        }
        if (t.kind != Tok::OBrace) return false;

        keep = keep && IsKeptType(type);
        Object* object = nullptr;
        if (keep) {
            out = std::make_unique<Object>();
            object = out.get();
            object->type = std::string(type);
            object->name = std::string(name);
            if (!name.empty()) doc_.names.emplace(object->name, object);
        }
        for (;;) {
            switch (lex_.Next(t)) {
            case Tok::CBrace: return true;
            case Tok::Separator:
            case Tok::Guid: break;
            case Tok::Number:
                if (object) object->values.push_back(Value{t.number, t.uint, t.isUint});
                break;
            case Tok::IntList:
                if (object) {
                    object->values.reserve(object->values.size() + t.count);
                    for (uint32_t i = 0; i < t.count; ++i) {
                        const uint32_t v = t.IntAt(i);
                        object->values.push_back(Value{double(v), v, true});
                    }
                }
                break;
            case Tok::FloatList:
                if (object) {
                    object->values.reserve(object->values.size() + t.count);
                    for (uint32_t i = 0; i < t.count; ++i)
                        object->values.push_back(Value{t.FloatAt(i, lex_.floatBytes()), 0, false});
                }
                break;
            case Tok::String:
                if (object) object->strings.emplace_back(t.text);
                break;
            case Tok::OBrace: {
                std::string reference;
                if (!Reference(reference)) return false;
                if (object) object->children.push_back(Child{nullptr, std::move(reference)});
                break;
            }
            case Tok::Name: {
                std::unique_ptr<Object> child;
                if (!DataObject(t.text, keep, depth + 1, child)) return false;
                if (object && child) object->children.push_back(Child{std::move(child), {}});
                break;
            }
            default: return false;
            }
        }
    }

    // After '{': name [guid] '}', or guid '}'. A reference by GUID alone names nothing the
    // loader can look up, so it is kept as an empty name.
    bool Reference(std::string& name)
    {
        Token t;
        lex_.Next(t);
        if (t.kind == Tok::Name) {
            name = std::string(t.text);
            lex_.Next(t);
        }
        if (t.kind == Tok::Guid) lex_.Next(t);
        return t.kind == Tok::CBrace;
    }

    Lexer& lex_;
    Document& doc_;
    size_t objectCount_ = 0;
};

bool HeaderIs(const uint8_t* header, size_t offset, const char* text)
{
    return std::memcmp(header + offset, text, 4) == 0;
}

}  // namespace

const Object* Document::Find(const std::string& name) const
{
    auto it = names.find(name);
    return it == names.end() ? nullptr : it->second;
}

bool IsKeptType(std::string_view type)
{
    static const char* const kKept[] = {
        "Mesh", "MeshNormals", "MeshTextureCoords", "MeshMaterialList", "Material",
        "TextureFilename", "Frame", "FrameTransformMatrix",
    };
    for (const char* kept : kKept) {
        if (type == kept) return true;
    }
    return false;
}

bool ParseDocument(const uint8_t* data, size_t size, Document& doc)
{
    // "xof " major minor format float-size, four characters each.
    if (size < 16 || !HeaderIs(data, 0, "xof ")) return false;
    if (data[4] != '0' || data[5] != '3' || data[6] < '0' || data[6] > '9' || data[7] < '0' || data[7] > '9')
        return false;
    unsigned floatBytes;
    if (HeaderIs(data, 12, "0032")) floatBytes = 4;
    else if (HeaderIs(data, 12, "0064")) floatBytes = 8;
    else return false;
    const bool text = HeaderIs(data, 8, "txt ") || HeaderIs(data, 8, "tzip");
    const bool compressed = HeaderIs(data, 8, "tzip") || HeaderIs(data, 8, "bzip");
    if (!text && !HeaderIs(data, 8, "bin ") && !compressed) return false;

    std::vector<uint8_t> expanded;
    const uint8_t* body = data + 16;
    size_t bodySize = size - 16;
    if (compressed) {
        if (!InflateMszip(body, bodySize, expanded)) return false;
        body = expanded.data();
        bodySize = expanded.size();
    }
    std::unique_ptr<Lexer> lexer;
    if (text) lexer = std::make_unique<TextLexer>(body, bodySize, floatBytes);
    else lexer = std::make_unique<BinaryLexer>(body, bodySize, floatBytes);
    return Parser(*lexer, doc).ParseAll();
}

}  // namespace xfile
