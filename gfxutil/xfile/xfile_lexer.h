// Token streams of the two X-file encodings. The parser sees one token vocabulary for both,
// so text and binary files go through the same grammar.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace xfile {

enum class Tok {
    End,        // clean end of the data
    Error,      // malformed or truncated token
    Name,       // identifier: template or object name, reference target
    String,     // quoted string (text) or TOKEN_STRING (binary)
    Number,     // one number (text, or binary TOKEN_INTEGER)
    IntList,    // binary TOKEN_INTEGER_LIST
    FloatList,  // binary TOKEN_FLOAT_LIST
    Guid,
    OBrace,
    CBrace,
    Separator,  // ',' or ';'
    Template,   // the keyword that opens a template definition
    Other,      // any other punctuation or type keyword (only meaningful inside templates)
};

struct Token {
    Tok kind = Tok::End;
    std::string_view text;     // Name, String
    double number = 0.0;       // Number
    bool isUint = false;       // Number written as a non-negative integer that fits 32 bits
    uint32_t uint = 0;         // its value when isUint
    const uint8_t* list = nullptr;  // IntList, FloatList: the raw little-endian elements
    uint32_t count = 0;             // their number (already checked against the data left)

    uint32_t IntAt(uint32_t i) const;
    double FloatAt(uint32_t i, unsigned floatBytes) const;
};

class Lexer {
public:
    Lexer(const uint8_t* data, size_t size, unsigned floatBytes)
        : p_(data), end_(data + size), floatBytes_(floatBytes) {}
    virtual ~Lexer() = default;
    virtual Tok Next(Token& token) = 0;
    // 4 or 8: the size of the file's floats ("0032" / "0064").
    unsigned floatBytes() const { return floatBytes_; }

protected:
    const uint8_t* p_;
    const uint8_t* end_;
    unsigned floatBytes_;
};

class TextLexer : public Lexer {
public:
    using Lexer::Lexer;
    Tok Next(Token& token) override;

private:
    void SkipSpaceAndComments();
    Tok Word(Token& token);
};

class BinaryLexer : public Lexer {
public:
    using Lexer::Lexer;
    Tok Next(Token& token) override;

private:
    bool Take(size_t bytes, const uint8_t*& at);
    bool TakeDword(uint32_t& value);
};

}  // namespace xfile
