#include "gfxutil/xfile/xfile_lexer.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace xfile {
namespace {

bool IsSpace(uint8_t c) { return c <= ' '; }

bool IsPunct(uint8_t c) { return std::strchr("{},;<>[]()\"", c) != nullptr && c != 0; }

bool StartsNumber(uint8_t c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'; }

// Numbers are read straight into the file's float size, so a "0032" file's values come out
// exactly as a 32-bit float parse of the digits (no double rounding through 64 bits).
bool ParseNumber(std::string_view word, unsigned floatBytes, Token& token)
{
    if (word.empty() || !StartsNumber(uint8_t(word[0]))) return false;
    std::string_view digits = word;
    if (digits[0] == '+') digits.remove_prefix(1);
    if (digits.empty() || digits[0] == '+') return false;
    const char* first = digits.data();
    const char* last = digits.data() + digits.size();

    uint32_t u = 0;
    auto ur = std::from_chars(first, last, u);
    token.isUint = ur.ec == std::errc() && ur.ptr == last;
    token.uint = token.isUint ? u : 0;

    if (floatBytes == 4) {
        float f = 0.0f;
        auto fr = std::from_chars(first, last, f);
        if (fr.ptr != last) return false;
        if (fr.ec == std::errc::result_out_of_range) {
            // Too small for a float (or too large): round the exact value once, as a C
            // compiler would; overflow still ends as infinity and is refused below.
            double d = 0.0;
            auto dr = std::from_chars(first, last, d);
            if (dr.ec != std::errc() || dr.ptr != last) return false;
            f = static_cast<float>(d);
        } else if (fr.ec != std::errc()) {
            return false;
        }
        token.number = f;
    } else {
        double d = 0.0;
        auto dr = std::from_chars(first, last, d);
        if (dr.ec != std::errc() || dr.ptr != last) return false;
        token.number = d;
    }
    // from_chars also reads "inf" and "nan"; neither is a number an X file writes.
    return std::isfinite(token.number);
}

}  // namespace

void TextLexer::SkipSpaceAndComments()
{
    while (p_ < end_) {
        if (IsSpace(*p_)) {
            ++p_;
        } else if (*p_ == '#' || (*p_ == '/' && end_ - p_ >= 2 && p_[1] == '/')) {
            while (p_ < end_ && *p_ != '\n') ++p_;
        } else {
            return;
        }
    }
}

Tok TextLexer::Word(Token& token)
{
    const uint8_t* start = p_;
    while (p_ < end_ && !IsSpace(*p_) && !IsPunct(*p_) &&
           !(*p_ == '/' && end_ - p_ >= 2 && p_[1] == '/'))
        ++p_;
    std::string_view word(reinterpret_cast<const char*>(start), size_t(p_ - start));
    // Templates write open-ended members as "[...]".
    if (word.find_first_not_of('.') == std::string_view::npos) return token.kind = Tok::Other;
    if (StartsNumber(uint8_t(word[0]))) {
        return token.kind = ParseNumber(word, floatBytes_, token) ? Tok::Number : Tok::Error;
    }
    token.text = word;
    return token.kind = (word == "template") ? Tok::Template : Tok::Name;
}

Tok TextLexer::Next(Token& token)
{
    token = Token{};
    SkipSpaceAndComments();
    if (p_ >= end_) return token.kind = Tok::End;
    const uint8_t c = *p_;
    switch (c) {
    case '{': ++p_; return token.kind = Tok::OBrace;
    case '}': ++p_; return token.kind = Tok::CBrace;
    case ',':
    case ';': ++p_; return token.kind = Tok::Separator;
    case '<': {
        const uint8_t* close = static_cast<const uint8_t*>(std::memchr(p_, '>', size_t(end_ - p_)));
        if (!close) return token.kind = Tok::Error;
        token.text = std::string_view(reinterpret_cast<const char*>(p_ + 1), size_t(close - p_ - 1));
        p_ = close + 1;
        return token.kind = Tok::Guid;
    }
    case '"': {
        const uint8_t* close = static_cast<const uint8_t*>(std::memchr(p_ + 1, '"', size_t(end_ - p_ - 1)));
        if (!close) return token.kind = Tok::Error;
        token.text = std::string_view(reinterpret_cast<const char*>(p_ + 1), size_t(close - p_ - 1));
        p_ = close + 1;
        return token.kind = Tok::String;
    }
    default:
        if (IsPunct(c)) {
            ++p_;
            return token.kind = Tok::Other;
        }
        return Word(token);
    }
}

}  // namespace xfile
