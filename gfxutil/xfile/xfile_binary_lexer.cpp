#include "gfxutil/xfile/xfile_lexer.h"

#include "base/byte_order.h"

#include <cstring>

namespace xfile {
namespace {

// Token numbers of the binary encoding.
enum : uint16_t {
    kName = 1, kString = 2, kInteger = 3, kGuid = 5, kIntegerList = 6, kFloatList = 7,
    kOBrace = 10, kCBrace = 11, kOParen = 12, kComma = 19, kSemicolon = 20,
    kTemplate = 31, kFirstTypeWord = 40, kLastTypeWord = 52,
};

}  // namespace

uint32_t Token::IntAt(uint32_t i) const { return base::ReadLe32(list + size_t(i) * 4); }

double Token::FloatAt(uint32_t i, unsigned floatBytes) const
{
    if (floatBytes == 8) {
        uint64_t bits = base::ReadLe64(list + size_t(i) * 8);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    uint32_t bits = base::ReadLe32(list + size_t(i) * 4);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

bool BinaryLexer::Take(size_t bytes, const uint8_t*& at)
{
    if (size_t(end_ - p_) < bytes) return false;
    at = p_;
    p_ += bytes;
    return true;
}

bool BinaryLexer::TakeDword(uint32_t& value)
{
    const uint8_t* at;
    if (!Take(4, at)) return false;
    value = base::ReadLe32(at);
    return true;
}

Tok BinaryLexer::Next(Token& token)
{
    token = Token{};
    if (p_ == end_) return token.kind = Tok::End;
    const uint8_t* at;
    if (!Take(2, at)) return token.kind = Tok::Error;
    const uint16_t id = base::ReadLe16(at);
    uint32_t count = 0;
    switch (id) {
    case kName:
    case kString:
        if (!TakeDword(count) || !Take(count, at)) return token.kind = Tok::Error;
        token.text = std::string_view(reinterpret_cast<const char*>(at), count);
        if (id == kString && end_ - p_ >= 4 && (base::ReadLe16(p_) == kSemicolon || base::ReadLe16(p_) == kComma) &&
            base::ReadLe16(p_ + 2) == 0) {
            // Some writers follow the published record layout and end a string with a 32-bit
            // terminator; token 0 never exists, so the upper half is safe to recognise and drop.
            p_ += 4;
        }
        return token.kind = (id == kName) ? Tok::Name : Tok::String;
    case kInteger:
        if (!TakeDword(count)) return token.kind = Tok::Error;
        token.number = count;
        token.isUint = true;
        token.uint = count;
        return token.kind = Tok::Number;
    case kGuid:
        if (!Take(16, at)) return token.kind = Tok::Error;
        return token.kind = Tok::Guid;
    case kIntegerList:
    case kFloatList: {
        const uint64_t elementBytes = (id == kIntegerList) ? 4 : floatBytes_;
        if (!TakeDword(count) || uint64_t(end_ - p_) < count * elementBytes) return token.kind = Tok::Error;
        Take(size_t(count * elementBytes), token.list);
        token.count = count;
        return token.kind = (id == kIntegerList) ? Tok::IntList : Tok::FloatList;
    }
    case kOBrace: return token.kind = Tok::OBrace;
    case kCBrace: return token.kind = Tok::CBrace;
    case kComma:
    case kSemicolon: return token.kind = Tok::Separator;
    case kTemplate: return token.kind = Tok::Template;
    default:
        if ((id >= kOParen && id <= kSemicolon) || (id >= kFirstTypeWord && id <= kLastTypeWord))
            return token.kind = Tok::Other;
        return token.kind = Tok::Error;
    }
}

}  // namespace xfile
